#include "DBMemo.h"
#include <QFocusEvent>
#include <QKeyEvent>

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent), m_link(this)
{
    m_link.OnDataChange = [this] { DataChange(); };
    m_link.OnUpdateData = [this] { m_link.Field()->SetAsString(toPlainText()); };
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_loading) m_link.Modified();
    });
    SetScrollBars(ssBoth);
}

void TDBMemo::SetDataSource(TDataSource* src)
{
    m_link.SetDataSource(src);
    m_link.UpdateField();
}

void TDBMemo::SetReadOnly(bool on)
{
    m_link.SetReadOnly(on);
    setReadOnly(on);
}

void TDBMemo::SetScrollBars(TScrollStyle s)
{
    setHorizontalScrollBarPolicy(s == ssHorizontal || s == ssBoth ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(s == ssVertical || s == ssBoth ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void TDBMemo::DataChange()
{
    if (m_link.IsModified()) return;
    m_loading = true;
    TField* f = m_link.Field();
    // The memo shows the text itself, never "(MEMO)".
    const QString t = f ? f->AsString() : QString();
    if (t != toPlainText()) setPlainText(t);
    m_loading = false;
}

void TDBMemo::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && m_link.IsModified()) {
        m_link.Reset();
        e->accept();
        return;
    }
    const bool editing = IsEditingKey(e) || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter
        || (e->key() == Qt::Key_Tab && !tabChangesFocus());
    if (editing && (m_link.ReadOnly() || !m_link.Edit())) {
        e->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void TDBMemo::insertFromMimeData(const QMimeData* source)
{
    if (m_link.ReadOnly() || !m_link.Edit()) return;
    QPlainTextEdit::insertFromMimeData(source);
}

void TDBMemo::focusOutEvent(QFocusEvent* e)
{
    QPlainTextEdit::focusOutEvent(e);
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason) return;
    m_link.UpdateRecord();
}
