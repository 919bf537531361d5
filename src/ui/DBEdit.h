#pragma once
// A one-line edit on a field.
#include "FieldDataLink.h"
#include <QLineEdit>

class TDBEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
public:
    explicit TDBEdit(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource* src);
    QString DataField() const { return m_link.FieldName(); }
    void SetDataField(const QString& name) { m_link.SetFieldName(name); }
    bool ReadOnly() const { return m_link.ReadOnly(); }
    void SetReadOnly(bool on);
    TField* Field() const { return m_link.Field(); }
    TFieldDataLink& DataLink() { return m_link; }
    // Characters that may be typed; 0 means the field's size.
    int MaxLength() const { return m_maxLength; }
    void SetMaxLength(int n);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void DataChange();
    void UpdateData();
    bool ShowsEditText() const;
    TFieldDataLink m_link;
    int m_maxLength = 0;
};
