#include "RadioGrp.h"
#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent)
{
    m_group = new QButtonGroup(this);
    m_layout = new QGridLayout(this);
    m_layout->setContentsMargins(6, 2, 6, 2);
    m_layout->setVerticalSpacing(0);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) { SetItemIndex(id); });
}

void TRadioGroup::SetItems(const QStringList& items)
{
    m_items = items;
    m_index = -1;
    Rebuild();
}

void TRadioGroup::SetColumns(int n)
{
    m_columns = qMax(1, n);
    Rebuild();
}

void TRadioGroup::Rebuild()
{
    for (QAbstractButton* b : m_group->buttons()) {
        m_group->removeButton(b);
        delete b;
    }
    // Items run down the columns, as in the old program.
    const int rows = (int(m_items.size()) + m_columns - 1) / m_columns;
    for (int i = 0; i < m_items.size(); ++i) {
        auto* b = new QRadioButton(m_items[i], this);
        b->setObjectName(QStringLiteral("%1Item%2").arg(objectName()).arg(i));
        m_group->addButton(b, i);
        m_layout->addWidget(b, rows ? i % rows : 0, rows ? i / rows : 0);
        b->setChecked(i == m_index);
    }
}

void TRadioGroup::SetItemIndex(int i)
{
    if (i < -1 || i >= m_items.size()) i = -1;
    if (i == m_index) return;
    m_index = i;
    if (i < 0) {
        m_group->setExclusive(false);
        for (QAbstractButton* b : m_group->buttons()) b->setChecked(false);
        m_group->setExclusive(true);
    } else {
        m_group->button(i)->setChecked(true);
    }
    emit Click();
}

void TRadioGroup::SetItemText(int i, const QString& text)
{
    if (i < 0 || i >= m_items.size()) return;
    m_items[i] = text;
    if (QAbstractButton* b = m_group->button(i)) b->setText(text);
}

QAbstractButton* TRadioGroup::Button(int i) const
{
    return m_group->button(i);
}
