#include "FieldDataLink.h"
#include <QKeyEvent>
#include <QKeySequence>

void TFieldDataLink::SetFieldName(const QString& name)
{
    if (m_fieldName == name) return;
    m_fieldName = name;
    UpdateField();
}

void TFieldDataLink::UpdateField()
{
    TDataSet* ds = DataSet();
    m_field = Active() && ds && !m_fieldName.isEmpty() ? ds->FindField(m_fieldName) : nullptr;
    m_modified = false;
    if (OnDataChange) OnDataChange();
}

bool TFieldDataLink::CanModify() const
{
    if (ReadOnly() || !m_field) return false;
    if (m_field->FieldKind() == fkLookup) {
        // A lookup field is changed through its key fields.
        const QStringList keys = m_field->KeyFields().split(u';', Qt::SkipEmptyParts);
        for (const QString& k : keys) {
            TField* kf = m_field->DataSet()->FindField(k);
            if (!kf || !kf->CanModify()) return false;
        }
        return !keys.isEmpty();
    }
    return m_field->CanModify();
}

bool TFieldDataLink::Edit()
{
    if (CanModify()) TDataLink::Edit();
    return Editing();
}

void TFieldDataLink::ActiveChanged()
{
    UpdateField();
    if (OnActiveChange) OnActiveChange();
}

void TFieldDataLink::EditingChanged()
{
    if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::FocusControl(TField** field)
{
    if (!field || !*field || *field != m_field || !m_control) return;
    if (m_control->isVisible() && m_control->isEnabled()) {
        *field = nullptr;
        m_control->setFocus(Qt::OtherFocusReason);
    }
}

void TFieldDataLink::LayoutChanged()
{
    UpdateField();
}

void TFieldDataLink::RecordChanged(TField* field)
{
    if (field && field != m_field) return;
    // Fields are recreated on every open; follow them.
    if (!m_field && !m_fieldName.isEmpty() && Active()) m_field = DataSet()->FindField(m_fieldName);
    m_modified = false;
    if (OnDataChange) OnDataChange();
}

void TFieldDataLink::UpdateData()
{
    if (!m_modified) return;
    if (m_field && OnUpdateData) OnUpdateData();
    m_modified = false;
}

bool IsEditingKey(const QKeyEvent* e)
{
    if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut) || e->matches(QKeySequence::Undo)
        || e->matches(QKeySequence::Redo) || e->matches(QKeySequence::Delete)
        || e->matches(QKeySequence::DeleteEndOfWord) || e->matches(QKeySequence::DeleteStartOfWord)
        || e->matches(QKeySequence::DeleteEndOfLine))
        return true;
    if (e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete) return true;
    if (e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    const QString t = e->text();
    return !t.isEmpty() && t.at(0).isPrint();
}
