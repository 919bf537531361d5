#include "DBEdit.h"
#include "DBErrors.h"
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent), m_link(this)
{
    m_link.OnDataChange = [this] { DataChange(); };
    m_link.OnUpdateData = [this] { UpdateData(); };
    m_link.OnEditingChange = [this] { DataChange(); };
    // Pasting through the context menu also starts editing.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!m_link.Editing()) {
            if (!m_link.Edit()) {
                DataChange();
                return;
            }
            setText(text);
        }
        m_link.Modified();
    });
}

void TDBEdit::SetDataSource(TDataSource* src)
{
    m_link.SetDataSource(src);
    m_link.UpdateField();
}

void TDBEdit::SetReadOnly(bool on)
{
    m_link.SetReadOnly(on);
    setReadOnly(on);
}

bool TDBEdit::ShowsEditText() const
{
    return hasFocus() || m_link.IsModified();
}

void TDBEdit::DataChange()
{
    if (m_link.IsModified()) return;
    TField* f = m_link.Field();
    if (!f) {
        setMaxLength(m_maxLength > 0 ? m_maxLength : 32767);
        setText(QString());
        return;
    }
    int limit = f->DataType() == ftString && f->Size() > 0 ? f->Size() : 32767;
    if (m_maxLength > 0) limit = std::min(limit, m_maxLength);
    // Setting it again would set the text again and drop the selection.
    if (maxLength() != limit) setMaxLength(limit);
    // The same text again would lose the cursor position; a value longer
    // than the box is compared as the box holds it.
    const QString t = (ShowsEditText() ? f->Text() : f->DisplayText()).left(limit);
    if (t == text()) return;
    setText(t);
    // Shown, not typed into: the start of a long text, not its end.
    if (!hasFocus()) setCursorPosition(0);
}

void TDBEdit::SetMaxLength(int n)
{
    m_maxLength = std::max(0, n);
    if (m_maxLength > 0 && m_maxLength < maxLength()) setMaxLength(m_maxLength);
    else if (!m_link.IsModified()) DataChange();
}

void TDBEdit::UpdateData()
{
    m_link.Field()->SetText(text());
}

void TDBEdit::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && m_link.IsModified()) {
        m_link.Reset();
        selectAll();
        e->accept();
        return;
    }
    if (IsEditingKey(e)) {
        if (m_link.ReadOnly() || !m_link.Edit()) {
            e->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(e);
}

void TDBEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    if (!m_link.IsModified() && m_link.Field()) {
        const QString t = m_link.Field()->Text().left(maxLength());
        if (t != text()) setText(t);
        if (e->reason() == Qt::TabFocusReason || e->reason() == Qt::BacktabFocusReason) selectAll();
    }
}

void TDBEdit::focusOutEvent(QFocusEvent* e)
{
    QLineEdit::focusOutEvent(e);
    // A box or the window losing focus is no leaving of the control.
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason) return;
    try {
        m_link.UpdateRecord();
    } catch (...) {
        // The text stays and so does the focus; the message comes from the application.
        selectAll();
        QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
        throw;
    }
    if (!m_link.IsModified()) DataChange();
}
