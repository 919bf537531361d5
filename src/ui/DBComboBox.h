#pragma once
// Combo boxes on a field: a fixed list of texts (TDBComboBox), or the values
// of a second data set (TDBLookupComboBox).
#include "FieldDataLink.h"
#include <QComboBox>

enum TComboBoxStyle { csDropDown, csDropDownList };

class TDBComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
public:
    explicit TDBComboBox(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource* src);
    QString DataField() const { return m_link.FieldName(); }
    void SetDataField(const QString& name) { m_link.SetFieldName(name); }
    bool ReadOnly() const { return m_link.ReadOnly(); }
    void SetReadOnly(bool on);
    QStringList Items() const;
    void SetItems(const QStringList& items);
    // csDropDown allows free text, csDropDownList only the listed items.
    TComboBoxStyle Style() const { return isEditable() ? csDropDown : csDropDownList; }
    void SetStyle(TComboBoxStyle s);
    TField* Field() const { return m_link.Field(); }
    TFieldDataLink& DataLink() { return m_link; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void showPopup() override;
    void wheelEvent(QWheelEvent* e) override;
    // The text shown for the field, and the field text for a chosen text.
    virtual QString TextOfField() const;
    virtual void WriteField(const QString& shownText);
    void DataChange();
    TFieldDataLink m_link;
    bool m_loading = false;

private:
    void Chosen(int index);
};

class TDBLookupComboBox : public TDBComboBox {
    Q_OBJECT
    Q_PROPERTY(TDataSource* ListSource READ ListSource WRITE SetListSource)
    Q_PROPERTY(QString ListField READ ListField WRITE SetListField)
    Q_PROPERTY(QString KeyField READ KeyField WRITE SetKeyField)
public:
    explicit TDBLookupComboBox(QWidget* parent = nullptr);
    ~TDBLookupComboBox() override;

    TDataSource* ListSource() const;
    void SetListSource(TDataSource* src);
    QString ListField() const { return m_listField; }
    void SetListField(const QString& name);
    QString KeyField() const { return m_keyField; }
    void SetKeyField(const QString& name);
    // Reads the list again from the list data set.
    void RefreshList();

protected:
    QString TextOfField() const override;
    void WriteField(const QString& shownText) override;

private:
    class ListLink;
    TDataSet* ListDataSet() const;
    QString ListFieldName() const;
    QString KeyFieldName() const;
    std::unique_ptr<ListLink> m_listLink;
    QString m_listField, m_keyField;
    QStringList m_keys;   // key text per list entry
};
