#pragma once
// A label showing a field's display text; never edits.
#include "FieldDataLink.h"
#include <QLabel>

class TDBText : public QLabel {
    Q_OBJECT
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    // Always read-only, so the editing mode leaves it alone.
    Q_PROPERTY(bool ReadOnly READ ReadOnly)
public:
    explicit TDBText(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource* src);
    QString DataField() const { return m_link.FieldName(); }
    void SetDataField(const QString& name) { m_link.SetFieldName(name); }
    bool ReadOnly() const { return true; }
    TField* Field() const { return m_link.Field(); }

private:
    TFieldDataLink m_link;
};
