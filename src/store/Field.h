#pragma once
// Fields of a data set: typed access to the current record, display
// properties and German text conversions.
#include "DBTypes.h"
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <functional>

class TDataSet;

// A declared field: what a data module states about a field before the
// table opens (persistent fields). Unset members keep the engine's values.
struct TFieldDesc {
    QString FieldName;
    TFieldKind FieldKind = fkData;
    QString DisplayLabel;
    QString DisplayFormat;
    int DisplayWidth = 0;
    bool Visible = true;
    // Lookup fields only.
    TFieldType DataType = ftUnknown;
    int Size = 0;
    QString KeyFields;
    TDataSet* LookupDataSet = nullptr;
    QString LookupKeyFields;
    QString LookupResultField;
};

class TField {
public:
    TField(TDataSet* ds, TFieldKind kind, const QString& name, TFieldType type, int size, int fieldNo);

    TDataSet* DataSet() const { return m_ds; }
    QString FieldName() const { return m_name; }
    int FieldNo() const { return m_fieldNo; }           // 1-based; 0 for lookup fields
    int Index() const;                                  // position in the field list
    TFieldType DataType() const { return m_type; }
    int Size() const { return m_size; }
    TFieldKind FieldKind() const { return m_kind; }
    bool IsBlob() const { return IsBlobType(m_type); }
    bool Currency() const { return m_type == ftCurrency; }

    QString DisplayLabel() const { return m_label.isEmpty() ? m_name : m_label; }
    void SetDisplayLabel(const QString& s);
    QString DisplayName() const { return DisplayLabel(); }
    QString DisplayFormat() const { return m_displayFormat; }
    void SetDisplayFormat(const QString& s);
    QString EditFormat() const { return m_editFormat; }
    void SetEditFormat(const QString& s) { m_editFormat = s; }
    int DisplayWidth() const;
    void SetDisplayWidth(int w);
    bool Visible() const { return m_visible; }
    void SetVisible(bool v);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool v) { m_readOnly = v; }
    bool Required() const { return m_required; }
    void SetRequired(bool v) { m_required = v; }
    // "true text;false text" of a truth value field; "Wahr;Falsch" when empty.
    QString DisplayValues() const { return m_displayValues; }
    void SetDisplayValues(const QString& s) { m_displayValues = s; }
    bool CanModify() const;

    // Lookup definition.
    QString KeyFields() const { return m_keyFields; }
    TDataSet* LookupDataSet() const { return m_lookupDataSet; }
    QString LookupKeyFields() const { return m_lookupKeyFields; }
    QString LookupResultField() const { return m_lookupResultField; }
    void SetLookup(const QString& keyFields, TDataSet* lookupDataSet, const QString& lookupKeyFields,
                   const QString& lookupResultField);

    // Reading; a blank value reads as empty text, 0, a null date, False.
    bool IsNull() const;
    QVariant Value() const;
    // The value as it was read before editing began (the value itself otherwise).
    QVariant OldValue() const;
    QString AsString() const;
    double AsFloat() const;
    qint64 AsInteger() const;
    bool AsBoolean() const;
    QDate AsDate() const;
    QDateTime AsDateTime() const;
    QByteArray AsBytes() const;
    // Display text (display format, "(MEMO)" for memos) and edit text.
    QString DisplayText() const;
    QString Text() const;
    // The same conversions for a value read elsewhere (a clone's record).
    QString FormatValue(const QVariant& v, bool display) const;

    // Writing, in edit, insert or set-key state only.
    void SetValue(const QVariant& v);
    void SetAsString(const QString& s);     // converts; refuses text that does not fit the type
    void SetAsFloat(double v);
    void SetAsInteger(qint64 v);
    void SetAsBoolean(bool v);
    void SetAsDate(const QDate& d);
    void SetAsDateTime(const QDateTime& dt);
    // Text typed by the user: goes through OnSetText when one is set.
    void SetText(const QString& s);
    void Clear() { SetValue(QVariant()); }
    // Converts text to this field's value type; throws EConvertError/EDatabaseError.
    QVariant ConvertText(const QString& s) const;

    void FocusControl();

    std::function<void(TField*)> OnChange;
    std::function<void(TField*)> OnValidate;
    // Takes over the conversion of typed text (and may refuse it).
    std::function<void(TField*, const QString&)> OnSetText;

private:
    friend class TDataSet;
    friend class TTable;
    QVariant Coerce(const QVariant& v) const;
    TDataSet* m_ds;
    TFieldKind m_kind;
    QString m_name;
    TFieldType m_type;
    int m_size;
    int m_fieldNo;
    QString m_label, m_displayFormat, m_editFormat, m_displayValues;
    int m_displayWidth = -1;
    bool m_visible = true, m_readOnly = false, m_required = false;
    QString m_keyFields, m_lookupKeyFields, m_lookupResultField;
    TDataSet* m_lookupDataSet = nullptr;
};
