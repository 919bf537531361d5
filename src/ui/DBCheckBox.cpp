#include "DBCheckBox.h"

namespace {
bool Matches(const QString& list, const QString& text)
{
    for (const QString& v : list.split(u';'))
        if (v.trimmed().compare(text.trimmed(), Qt::CaseInsensitive) == 0) return true;
    return false;
}
}   // namespace

TDBCheckBox::TDBCheckBox(QWidget* parent) : QCheckBox(parent), m_link(this)
{
    m_link.OnDataChange = [this] { DataChange(); };
    m_link.OnUpdateData = [this] {
        TField* f = m_link.Field();
        const bool on = checkState() == Qt::Checked;
        if (f->DataType() == ftBoolean) f->SetAsBoolean(on);
        else f->SetAsString((on ? m_checked : m_unchecked).section(u';', 0, 0));
    };
}

void TDBCheckBox::SetDataSource(TDataSource* src)
{
    m_link.SetDataSource(src);
    m_link.UpdateField();
}

void TDBCheckBox::SetValueChecked(const QString& s)
{
    m_checked = s;
    DataChange();
}

void TDBCheckBox::SetValueUnchecked(const QString& s)
{
    m_unchecked = s;
    DataChange();
}

Qt::CheckState TDBCheckBox::StateOfField() const
{
    TField* f = m_link.Field();
    // A blank value shows greyed where the box allows it.
    if (!f || f->IsNull()) return f && isTristate() ? Qt::PartiallyChecked : Qt::Unchecked;
    if (f->DataType() == ftBoolean) return f->AsBoolean() ? Qt::Checked : Qt::Unchecked;
    const QString t = f->Text();
    if (Matches(m_checked, t)) return Qt::Checked;
    if (Matches(m_unchecked, t)) return Qt::Unchecked;
    return Qt::PartiallyChecked;
}

void TDBCheckBox::DataChange()
{
    setCheckState(StateOfField());
}

void TDBCheckBox::nextCheckState()
{
    // A click that cannot edit leaves the box as it is.
    if (m_link.ReadOnly() || !m_link.Edit()) return;
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    m_link.Modified();
    m_link.UpdateRecord();
}
