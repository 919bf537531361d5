#include "DBRadioGroup.h"
#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TDBRadioGroup::TDBRadioGroup(QWidget* parent) : QGroupBox(parent), m_link(this)
{
    m_group = new QButtonGroup(this);
    m_group->setExclusive(false);   // so that no item at all can be shown
    m_layout = new QGridLayout(this);
    m_link.OnDataChange = [this] { DataChange(); };
    m_link.OnUpdateData = [this] { m_link.Field()->SetAsString(Value()); };
    connect(m_group, &QButtonGroup::idClicked, this, &TDBRadioGroup::Clicked);
}

void TDBRadioGroup::SetDataSource(TDataSource* src)
{
    m_link.SetDataSource(src);
    m_link.UpdateField();
}

void TDBRadioGroup::SetItems(const QStringList& items)
{
    m_items = items;
    Rebuild();
}

void TDBRadioGroup::SetValues(const QStringList& values)
{
    m_values = values;
    DataChange();
}

void TDBRadioGroup::SetColumns(int n)
{
    m_columns = qMax(1, n);
    Rebuild();
}

void TDBRadioGroup::Rebuild()
{
    for (QAbstractButton* b : m_group->buttons()) {
        m_group->removeButton(b);
        delete b;
    }
    const int rows = (int(m_items.size()) + m_columns - 1) / m_columns;
    for (int i = 0; i < m_items.size(); ++i) {
        auto* b = new QRadioButton(m_items[i], this);
        b->setAutoExclusive(false);
        m_group->addButton(b, i);
        m_layout->addWidget(b, rows ? i % rows : 0, rows ? i / rows : 0);
    }
    DataChange();
}

QString TDBRadioGroup::ValueOf(int i) const
{
    return i < m_values.size() ? m_values[i] : m_items.value(i);
}

int TDBRadioGroup::ItemIndex() const
{
    for (QAbstractButton* b : m_group->buttons())
        if (b->isChecked()) return m_group->id(b);
    return -1;
}

QString TDBRadioGroup::Value() const
{
    const int i = ItemIndex();
    return i < 0 ? QString() : ValueOf(i);
}

void TDBRadioGroup::DataChange()
{
    TField* f = m_link.Field();
    const QString t = f ? f->Text() : QString();
    for (QAbstractButton* b : m_group->buttons()) {
        const int i = m_group->id(b);
        b->setChecked(f && !t.isEmpty() && ValueOf(i).compare(t, Qt::CaseInsensitive) == 0);
    }
}

void TDBRadioGroup::Clicked(int id)
{
    if (m_link.ReadOnly() || !m_link.Edit()) {
        DataChange();
        return;
    }
    // Going into editing showed the field again; the click wins.
    for (QAbstractButton* b : m_group->buttons()) b->setChecked(m_group->id(b) == id);
    m_link.Modified();
    m_link.UpdateRecord();
}
