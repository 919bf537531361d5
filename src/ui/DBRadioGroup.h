#pragma once
// A group of radio buttons; the chosen item's value is the field's text.
#include "FieldDataLink.h"
#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;

class TDBRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
    Q_PROPERTY(QStringList Values READ Values WRITE SetValues)
public:
    explicit TDBRadioGroup(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource* src);
    QString DataField() const { return m_link.FieldName(); }
    void SetDataField(const QString& name) { m_link.SetFieldName(name); }
    bool ReadOnly() const { return m_link.ReadOnly(); }
    void SetReadOnly(bool on) { m_link.SetReadOnly(on); }
    QString Caption() const { return title(); }
    void SetCaption(const QString& s) { setTitle(s); }
    QStringList Items() const { return m_items; }
    void SetItems(const QStringList& items);
    // Values written for the items; an item without one writes its own text.
    QStringList Values() const { return m_values; }
    void SetValues(const QStringList& values);
    int Columns() const { return m_columns; }
    void SetColumns(int n);
    int ItemIndex() const;
    QString Value() const;
    TField* Field() const { return m_link.Field(); }

private:
    void Rebuild();
    void DataChange();
    void Clicked(int id);
    QString ValueOf(int i) const;
    TFieldDataLink m_link;
    QStringList m_items, m_values;
    int m_columns = 1;
    QButtonGroup* m_group;
    QGridLayout* m_layout;
};
