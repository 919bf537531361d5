#pragma once
// A check box on a truth value field, or on a text field with two texts.
#include "FieldDataLink.h"
#include <QCheckBox>

class TDBCheckBox : public QCheckBox {
    Q_OBJECT
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(QString ValueChecked READ ValueChecked WRITE SetValueChecked)
    Q_PROPERTY(QString ValueUnchecked READ ValueUnchecked WRITE SetValueUnchecked)
public:
    explicit TDBCheckBox(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource* src);
    QString DataField() const { return m_link.FieldName(); }
    void SetDataField(const QString& name) { m_link.SetFieldName(name); }
    bool ReadOnly() const { return m_link.ReadOnly(); }
    void SetReadOnly(bool on) { m_link.SetReadOnly(on); }
    // Texts separated by ';'; the first is written, any of them is recognised.
    QString ValueChecked() const { return m_checked; }
    void SetValueChecked(const QString& s);
    QString ValueUnchecked() const { return m_unchecked; }
    void SetValueUnchecked(const QString& s);
    TField* Field() const { return m_link.Field(); }

protected:
    void nextCheckState() override;

private:
    void DataChange();
    Qt::CheckState StateOfField() const;
    TFieldDataLink m_link;
    QString m_checked = QStringLiteral("True"), m_unchecked = QStringLiteral("False");
};
