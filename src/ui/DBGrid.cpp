#include "DBGrid.h"
#include "Application.h"
#include "DBGridModel.h"
#include "Dialogs.h"
#include "FieldDataLink.h"
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QTimer>

// ------------------------------------------------------------ data link

class TDBGrid::GridLink : public TDataLink {
public:
    explicit GridLink(TDBGrid* grid) : m_grid(grid) {}
protected:
    // Nothing reaches a grid that is being destroyed.
    void ActiveChanged() override { if (!m_grid->m_destroying) m_grid->LinkActiveChanged(); }
    void DataSetChanged() override { if (!m_grid->m_destroying) m_grid->LinkDataSetChanged(); }
    void DataSetScrolled(int) override { if (!m_grid->m_destroying) m_grid->LinkDataSetChanged(); }
    void LayoutChanged() override { if (!m_grid->m_destroying) m_grid->LinkActiveChanged(); }
    void RecordChanged(TField* field) override { if (!m_grid->m_destroying) m_grid->LinkRecordChanged(field); }
    void EditingChanged() override { if (!m_grid->m_destroying) m_grid->LinkEditingChanged(); }
    void UpdateData() override { if (!m_grid->m_destroying) m_grid->LinkUpdateData(); }
    void FocusControl(TField** field) override { if (!m_grid->m_destroying) m_grid->LinkFocusControl(field); }
private:
    TDBGrid* m_grid;
};

// ------------------------------------------------------- in-place editors

namespace {

// Tab moves between cells; without this the focus chain would take it.
bool IsTabKey(QEvent* e)
{
    if (e->type() != QEvent::KeyPress) return false;
    auto* k = static_cast<QKeyEvent*>(e);
    return (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab)
        && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

class TGridLineEdit : public QLineEdit {
public:
    TGridLineEdit(TDBGrid* grid, QWidget* parent) : QLineEdit(parent), m_grid(grid)
    {
        setFrame(false);
        connect(this, &QLineEdit::textEdited, this, [this] { m_grid->EditorModified(); });
    }
protected:
    bool event(QEvent* e) override
    {
        if (IsTabKey(e)) {
            keyPressEvent(static_cast<QKeyEvent*>(e));
            return true;
        }
        return QLineEdit::event(e);
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        if (m_grid->HandleKey(e, true)) return;
        // F2 edits the value instead of replacing it: the caret goes to its end.
        if (e->key() == Qt::Key_F2 && !(e->modifiers() & ~Qt::KeypadModifier)) {
            deselect();
            end(false);
            e->accept();
            return;
        }
        if (IsEditingKey(e) && !m_grid->BeginEditing()) {
            e->accept();
            return;
        }
        QLineEdit::keyPressEvent(e);
    }
private:
    TDBGrid* m_grid;
};

// The pick list of a lookup field.
class TGridLookupBox : public QComboBox {
public:
    TGridLookupBox(TDBGrid* grid, QWidget* parent) : QComboBox(parent), m_grid(grid)
    {
        connect(this, qOverload<int>(&QComboBox::activated), this, [this](int i) { m_grid->ChooseLookup(itemText(i)); });
    }
protected:
    bool event(QEvent* e) override
    {
        if (IsTabKey(e)) {
            keyPressEvent(static_cast<QKeyEvent*>(e));
            return true;
        }
        return QComboBox::event(e);
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        const bool opens = (e->modifiers() & Qt::AltModifier) && (e->key() == Qt::Key_Down || e->key() == Qt::Key_Up);
        if (!opens && m_grid->HandleKey(e, true)) return;
        if ((opens || IsEditingKey(e) || e->key() == Qt::Key_F4) && !m_grid->BeginEditing()) {
            e->accept();
            return;
        }
        QComboBox::keyPressEvent(e);
    }
    void showPopup() override
    {
        if (m_grid->BeginEditing()) QComboBox::showPopup();
    }
    void wheelEvent(QWheelEvent* e) override { e->ignore(); }
private:
    TDBGrid* m_grid;
};

}   // namespace

// The grid opens and fills its editors itself; Qt's own key and focus
// handling of editors would commit behind the data set's back.
class TDBGridDelegate : public QStyledItemDelegate {
public:
    explicit TDBGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        return m_grid->CreateEditor(parent, index);
    }
    // A row's other cells changing must not take what the user typed here.
    void setEditorData(QWidget*, const QModelIndex&) const override { m_grid->LoadEditorUnlessTyped(); }
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
protected:
    bool eventFilter(QObject*, QEvent*) override { return false; }
private:
    TDBGrid* m_grid;
};

// ------------------------------------------------------------------ grid

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent), m_link(std::make_unique<GridLink>(this)), m_model(new TDBGridModel(this)),
      m_delegate(new TDBGridDelegate(this))
{
    setModel(m_model);
    setItemDelegate(m_delegate);
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("\u25B6")) + 10);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setHighlightSections(false);
    ApplyOptions();
    connect(qApp, &QApplication::focusChanged, this, &TDBGrid::FocusChanged);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (m_applyingWidths) return;
        if (TField* f = m_model->FieldAt(column)) m_userWidths.insert(f->FieldName().toLower(), width);
    });
}

TDBGrid::~TDBGrid()
{
    disconnect(qApp, &QApplication::focusChanged, this, &TDBGrid::FocusChanged);
    m_destroying = true;
    m_link->SetDataSource(nullptr);
}

TDataSource* TDBGrid::DataSource() const { return m_link->DataSource(); }

TDataSet* TDBGrid::DataSetOf() const
{
    TDataSet* ds = m_link->DataSet();
    return ds && ds->Active() ? ds : nullptr;
}

void TDBGrid::SetDataSource(TDataSource* src)
{
    m_link->SetDataSource(src);
    Rebuild();
}

void TDBGrid::SetReadOnly(bool on)
{
    if (m_readOnly == on) return;
    m_readOnly = on;
    m_model->SetEditable(!on);
    if (on) {
        const bool focus = FocusWithin();
        HideEditor();
        if (focus) setFocus(Qt::OtherFocusReason);
    } else {
        ShowEditor();
    }
}

void TDBGrid::SetOptions(TDBGridOptions options)
{
    m_options = options;
    ApplyOptions();
    HideEditor();
    ShowEditor();
}

void TDBGrid::ApplyOptions()
{
    horizontalHeader()->setVisible(m_options & dgTitles);
    verticalHeader()->setVisible(m_options & dgIndicator);
    horizontalHeader()->setSectionResizeMode((m_options & dgColumnResize) ? QHeaderView::Interactive : QHeaderView::Fixed);
    setShowGrid(m_options & (dgColLines | dgRowLines));
    setSelectionBehavior((m_options & dgRowSelect) ? SelectRows : SelectItems);
    setSelectionMode((m_options & dgMultiSelect) ? ExtendedSelection : SingleSelection);
}

void TDBGrid::ApplyColumnWidths()
{
    QScopedValueRollback guard(m_applyingWidths, true);
    const QFontMetrics fm(font());
    const QFontMetrics hfm(horizontalHeader()->font());
    for (int c = 0; c < m_model->ColumnCount(); ++c) {
        TField* f = m_model->FieldAt(c);
        // Digits are wider than the average character; cells have a margin.
        int w = f->DisplayWidth() * std::max(fm.averageCharWidth(), fm.horizontalAdvance(u'0')) + 12;
        if (m_options & dgTitles) w = std::max(w, hfm.horizontalAdvance(f->DisplayLabel()) + 10);
        setColumnWidth(c, m_userWidths.value(f->FieldName().toLower(), w));
    }
}

void TDBGrid::SetUserColumnWidths(const QHash<QString, int>& widths)
{
    m_userWidths.clear();
    for (auto it = widths.begin(); it != widths.end(); ++it)
        if (it.value() > 0) m_userWidths.insert(it.key().toLower(), it.value());
    ApplyColumnWidths();
}

int TDBGrid::FieldCount() const { return m_model->ColumnCount(); }
TField* TDBGrid::Fields(int column) const { return m_model->FieldAt(column); }

int TDBGrid::SelectedIndex() const
{
    const QModelIndex cur = currentIndex();
    return cur.isValid() ? cur.column() : (m_model->ColumnCount() ? m_lastColumn : -1);
}

void TDBGrid::SetSelectedIndex(int column)
{
    if (column < 0 || column >= m_model->ColumnCount()) return;
    const int row = m_model->CurrentRow();
    if (row < 0) {
        m_lastColumn = column;
        return;
    }
    SetCurrentCell(row, column);
}

TField* TDBGrid::SelectedField() const { return m_model->FieldAt(SelectedIndex()); }

void TDBGrid::SetSelectedField(TField* f)
{
    const int c = m_model->ColumnOf(f);
    if (c >= 0) SetSelectedIndex(c);
}

QList<TBookmark> TDBGrid::SelectedRows() const
{
    QList<TBookmark> out;
    QList<int> rows;
    for (const QModelIndex& i : selectionModel()->selectedIndexes())
        if (!rows.contains(i.row())) rows << i.row();
    std::sort(rows.begin(), rows.end());
    for (int r : rows)
        if (TBookmark b = m_model->BookmarkAt(r)) out << b;
    return out;
}

bool TDBGrid::FocusWithin() const
{
    QWidget* fw = QApplication::focusWidget();
    return fw && (fw == this || isAncestorOf(fw));
}

// ---------------------------------------------------------- data notices

bool TDBGrid::CheckDataSet()
{
    if (m_model->DataSet() == DataSetOf() && (DataSetOf() || !m_model->ColumnCount())) return true;
    Rebuild();
    return false;
}

void TDBGrid::Rebuild()
{
    const bool focus = FocusWithin();
    HideEditor();
    m_model->Rebuild(DataSetOf());
    ApplyColumnWidths();
    SyncCurrent();
    ShowEditor();
    if (focus && m_editor) m_editor->setFocus(Qt::OtherFocusReason);
}

void TDBGrid::LinkActiveChanged()
{
    Rebuild();
}

void TDBGrid::LinkDataSetChanged()
{
    if (!CheckDataSet()) return;
    const bool focus = FocusWithin();
    if (m_model->NeedsReset()) HideEditor();
    m_model->Refresh();
    SyncCurrent();
    ShowEditor();
    LoadEditor();
    if (focus && m_editor && !m_editor->hasFocus()) {
        QScopedValueRollback guard(m_internalFocus, true);
        m_editor->setFocus(Qt::OtherFocusReason);
    }
}

void TDBGrid::LinkRecordChanged(TField* field)
{
    if (!CheckDataSet()) return;
    m_model->RowChanged(m_model->CurrentRow());
    if (!field || !m_editorModified || m_model->FieldAt(m_editorIndex.column()) == field) LoadEditor();
}

void TDBGrid::LinkEditingChanged()
{
    if (!CheckDataSet()) return;
    m_model->IndicatorChanged();
}

void TDBGrid::LinkUpdateData()
{
    CommitEditor();
}

void TDBGrid::LinkFocusControl(TField** field)
{
    if (!field || !*field) return;
    const int c = m_model->ColumnOf(*field);
    if (c < 0) return;
    *field = nullptr;
    SetSelectedIndex(c);
    if (m_editor) m_editor->setFocus(Qt::OtherFocusReason);
    else setFocus(Qt::OtherFocusReason);
}

// ------------------------------------------------------ current cell

void TDBGrid::SyncCurrent()
{
    const int row = m_model->CurrentRow();
    if (row < 0 || m_model->ColumnCount() == 0) return;
    const int col = std::clamp(currentIndex().isValid() ? currentIndex().column() : m_lastColumn, 0,
                               m_model->ColumnCount() - 1);
    const QModelIndex idx = m_model->index(row, col);
    if (idx == currentIndex()) return;
    QScopedValueRollback guard(m_syncing, true);
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::NoUpdate;
    if (!(m_options & dgMultiSelect))
        flags = QItemSelectionModel::ClearAndSelect | ((m_options & dgRowSelect) ? QItemSelectionModel::Rows
                                                                                 : QItemSelectionModel::NoUpdate);
    selectionModel()->setCurrentIndex(idx, flags);
}

void TDBGrid::SetCurrentCell(int row, int column)
{
    const QModelIndex idx = m_model->index(row, column);
    if (!idx.isValid() || idx == currentIndex()) return;
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
    if (m_options & dgRowSelect) flags |= QItemSelectionModel::Rows;
    selectionModel()->setCurrentIndex(idx, flags);
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (m_syncing) {
        QTableView::currentChanged(current, previous);
        if (current.isValid()) m_lastColumn = current.column();
        return;
    }
    const int prevColumn = previous.isValid() ? previous.column() : m_lastColumn;
    const QModelIndex prev = previous;
    bool rebuilt = false;
    try {
        if (previous.isValid() && current.isValid() && current != previous) {
            CommitEditor();
            if (current.column() != previous.column() && OnColExit) OnColExit(this);
        }
        if (current.isValid() && previous.isValid() && current.row() != previous.row()) {
            const QModelIndex before = currentIndex();
            MoveToRow(current.row());
            rebuilt = currentIndex() != before || !current.isValid();
        }
    } catch (...) {
        // Stay on the cell the user left, with what was typed there.
        {
            QScopedValueRollback guard(m_syncing, true);
            if (prev.isValid() && prev.model() == m_model) {
                QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
                if (m_options & dgRowSelect) flags |= QItemSelectionModel::Rows;
                selectionModel()->setCurrentIndex(prev, flags);
            }
        }
        if (m_editor) m_editor->setFocus(Qt::OtherFocusReason);
        HandleException(this);
        return;
    }
    if (!rebuilt) QTableView::currentChanged(current, previous);
    const QModelIndex now = currentIndex();
    if (now.isValid()) m_lastColumn = now.column();
    if (!(m_options & dgAlwaysShowEditor)) m_editorRequested = false;
    const bool focus = FocusWithin();
    if (now != m_editorIndex) {
        HideEditor();
        ShowEditor();
    }
    if (focus && m_editor && !m_editor->hasFocus()) m_editor->setFocus(Qt::OtherFocusReason);
    if (now.isValid() && now.column() != prevColumn && OnColEnter) OnColEnter(this);
}

void TDBGrid::MoveToRow(int row)
{
    TDataSet* ds = DataSetOf();
    if (!ds || row == m_model->CurrentRow()) return;
    const TBookmark target = m_model->BookmarkAt(row);
    // Writes the cell, posts the row, or drops a new row nobody typed into.
    ds->CheckBrowseMode();
    if (target && ds->BookmarkValid(target) && ds->GetBookmark() != target) ds->GotoBookmark(target);
    else SyncCurrent();
}

// -------------------------------------------------------------- editor

bool TDBGrid::EditorAllowed() const
{
    TDataSet* ds = DataSetOf();
    if (!ds || m_readOnly || !(m_options & dgEditing) || (m_options & dgRowSelect) || !ds->CanModify()) return false;
    if (!(m_options & dgAlwaysShowEditor) && !m_editorRequested) return false;
    const QModelIndex cur = currentIndex();
    return cur.isValid() && (m_model->flags(cur) & Qt::ItemIsEditable);
}

QWidget* TDBGrid::CreateEditor(QWidget* parent, const QModelIndex& index)
{
    TField* f = m_model->FieldAt(index.column());
    QWidget* w;
    if (f && f->FieldKind() == fkLookup) {
        auto* box = new TGridLookupBox(this, parent);
        QStringList items{QString()};
        TDataSet* lk = f->LookupDataSet();
        TField* res = lk && lk->Active() ? lk->FindField(f->LookupResultField()) : nullptr;
        if (res && res->FieldNo() > 0) {
            const int n = lk->RecordCount();
            for (int seq = 1; seq <= n; ++seq)
                if (TRecordPtr r = lk->RecordAt(seq)) items << res->FormatValue(r->value(res->FieldNo() - 1), false);
        }
        box->addItems(items);
        w = box;
    } else {
        auto* edit = new TGridLineEdit(this, parent);
        if (f && f->DataType() == ftString && f->Size() > 0) edit->setMaxLength(f->Size());
        edit->setAlignment(f && IsNumericType(f->DataType()) ? Qt::AlignRight : Qt::AlignLeft);
        w = edit;
    }
    m_editor = w;
    return w;
}

void TDBGrid::ShowEditor()
{
    if (!EditorAllowed()) return;
    const QModelIndex cur = currentIndex();
    if (m_editor && m_editorIndex == cur) return;
    HideEditor();
    m_editorIndex = cur;
    openPersistentEditor(cur);
    m_editorModified = false;
    LoadEditor();
    if (auto* le = qobject_cast<QLineEdit*>(m_editor.data())) le->selectAll();
    if (hasFocus() && m_editor) m_editor->setFocus(Qt::OtherFocusReason);
}

void TDBGrid::HideEditor()
{
    if (m_editor && m_editor->hasFocus()) {
        // Out of the editor first, so hiding it moves the focus nowhere else.
        QScopedValueRollback guard(m_internalFocus, true);
        setFocus(Qt::OtherFocusReason);
    }
    if (m_editorIndex.isValid()) closePersistentEditor(m_editorIndex);
    else if (m_editor) m_editor->deleteLater();
    m_editor = nullptr;
    m_editorIndex = QPersistentModelIndex();
    m_editorModified = false;
}

QString TDBGrid::EditorText() const
{
    if (auto* le = qobject_cast<QLineEdit*>(m_editor.data())) return le->text();
    if (auto* cb = qobject_cast<QComboBox*>(m_editor.data())) return cb->currentText();
    return QString();
}

void TDBGrid::LoadEditor()
{
    if (!m_editor || !m_editorIndex.isValid()) return;
    const QString t = m_model->data(m_editorIndex, Qt::EditRole).toString();
    if (auto* le = qobject_cast<QLineEdit*>(m_editor.data())) {
        // A value shown anew is selected whole, so a typed key replaces it
        // (as in every grid); the same text keeps where the caret is.
        if (le->text() != t) {
            le->setText(t);
            le->selectAll();
        }
    } else if (auto* cb = qobject_cast<QComboBox*>(m_editor.data())) {
        int i = cb->findText(t, Qt::MatchFixedString);
        if (i < 0) {
            cb->addItem(t);
            i = cb->count() - 1;
        }
        cb->setCurrentIndex(i);
    }
    m_editorModified = false;
}

bool TDBGrid::BeginEditing()
{
    TDataSet* ds = DataSetOf();
    TField* f = m_model->FieldAt(m_editorIndex.isValid() ? m_editorIndex.column() : SelectedIndex());
    if (!ds || m_readOnly || !(m_options & dgEditing) || !f) return false;
    if (!(m_model->flags(m_model->index(std::max(0, m_model->CurrentRow()), m_model->ColumnOf(f))) & Qt::ItemIsEditable))
        return false;
    if (ds->State() == dsEdit || ds->State() == dsInsert) return true;
    m_link->Edit();
    return m_link->Editing();
}

void TDBGrid::CommitEditor()
{
    if (!m_editor || !m_editorModified || !m_editorIndex.isValid()) return;
    TField* f = m_model->FieldAt(m_editorIndex.column());
    if (!f) return;
    if (!BeginEditing()) {
        LoadEditor();
        return;
    }
    // A refused text stays in the editor; the exception tells the user.
    f->SetText(EditorText());
    m_editorModified = false;
}

void TDBGrid::ChooseLookup(const QString& text)
{
    try {
        if (!BeginEditing()) {
            LoadEditor();
            return;
        }
        if (auto* cb = qobject_cast<QComboBox*>(m_editor.data())) cb->setCurrentIndex(cb->findText(text, Qt::MatchFixedString));
        m_editorModified = true;
        CommitEditor();
    } catch (...) {
        HandleException(this);
    }
}

// ---------------------------------------------------------------- keys

bool TDBGrid::HandleKey(QKeyEvent* e, bool fromEditor)
{
    Q_UNUSED(fromEditor);
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const bool plain = mods == Qt::NoModifier;
    switch (e->key()) {
    case Qt::Key_Tab:
        if (!(m_options & dgTabs) || mods & (Qt::ControlModifier | Qt::AltModifier)) return false;
        MoveColBy((mods & Qt::ShiftModifier) ? -1 : 1);
        return true;
    case Qt::Key_Backtab:
        if (!(m_options & dgTabs)) return false;
        MoveColBy(-1);
        return true;
    case Qt::Key_Up:
        if (!plain) return false;
        MoveRowBy(-1);
        return true;
    case Qt::Key_Down:
        if (!plain) return false;
        DownKey();
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        if (!plain) return false;
        const int page = std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()) - 1);
        MoveRowBy(e->key() == Qt::Key_PageUp ? -page : page);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!plain) return false;
        EnterKey();
        return true;
    case Qt::Key_Escape:
        if (!plain) return false;
        EscapeKey();
        return true;
    case Qt::Key_Delete:
        if (mods != Qt::ControlModifier) return false;
        DeleteKey();
        return true;
    case Qt::Key_Home:
    case Qt::Key_End:
        if (mods != Qt::ControlModifier) return false;
        if (TDataSet* ds = DataSetOf()) {
            CommitEditor();
            if (e->key() == Qt::Key_Home) ds->First();
            else ds->Last();
        }
        return true;
    default:
        return false;
    }
}

bool TDBGrid::event(QEvent* e)
{
    if ((m_options & dgTabs) && IsTabKey(e)) {
        keyPressEvent(static_cast<QKeyEvent*>(e));
        return true;
    }
    return QTableView::event(e);
}

void TDBGrid::keyPressEvent(QKeyEvent* e)
{
    if (HandleKey(e, false)) return;
    if ((IsEditingKey(e) || e->key() == Qt::Key_F2) && !m_editor) {
        if (m_readOnly || !(m_options & dgEditing) || (m_options & dgRowSelect)) {
            e->accept();
            return;
        }
        m_editorRequested = true;
        ShowEditor();
        if (m_editor) {
            m_editor->setFocus(Qt::OtherFocusReason);
            if (e->key() != Qt::Key_F2) QCoreApplication::sendEvent(m_editor, e);
        }
        return;
    }
    QTableView::keyPressEvent(e);
}

void TDBGrid::MoveRowBy(int delta)
{
    const int rows = m_model->rowCount();
    if (!rows) return;
    const int cur = m_model->CurrentRow();
    const int target = std::clamp(cur + delta, 0, rows - 1);
    if (target == cur) return;
    SetCurrentCell(target, std::max(0, SelectedIndex()));
}

void TDBGrid::MoveColBy(int delta)
{
    const int cols = m_model->ColumnCount();
    if (!cols) return;
    const int row = m_model->CurrentRow();
    const int col = SelectedIndex() + delta;
    if (col >= 0 && col < cols) {
        SetCurrentCell(row, col);
        return;
    }
    // Past the last column to the first of the next row, and back.
    if (col >= cols) {
        if (row < m_model->rowCount() - 1) {
            SetCurrentCell(row + 1, 0);
        } else {
            m_lastColumn = 0;
            DownKey();
            SetSelectedIndex(0);
        }
    } else if (row > 0) {
        SetCurrentCell(row - 1, cols - 1);
    }
}

void TDBGrid::DownKey()
{
    TDataSet* ds = DataSetOf();
    if (!ds) return;
    const int cur = m_model->CurrentRow();
    if (cur < m_model->rowCount() - 1) {
        MoveRowBy(1);
        return;
    }
    // A new row nobody typed into stays as it is.
    if (ds->State() == dsInsert && !ds->Modified() && !m_editorModified) return;
    if (!m_appendOnDown || m_readOnly || !(m_options & dgEditing) || !ds->CanModify()) return;
    CommitEditor();
    ds->CheckBrowseMode();
    ds->Append();
}

void TDBGrid::EnterKey()
{
    TDataSet* ds = DataSetOf();
    if (!ds) return;
    CommitEditor();
    if (ds->State() == dsEdit || ds->State() == dsInsert) ds->CheckBrowseMode();
}

void TDBGrid::EscapeKey()
{
    TDataSet* ds = DataSetOf();
    if (!ds) return;
    if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Cancel();
    else LoadEditor();
}

void TDBGrid::DeleteKey()
{
    TDataSet* ds = DataSetOf();
    if (!ds || m_readOnly || !ds->CanModify() || ds->IsEmpty()) return;
    if ((m_options & dgConfirmDelete) && MessageDlg(QStringLiteral("Datensatz löschen?"), mtConfirmation, mbYesNo) != mrYes)
        return;
    ds->Delete();
}

// --------------------------------------------------------------- focus

void TDBGrid::focusInEvent(QFocusEvent* e)
{
    QTableView::focusInEvent(e);
    if (m_internalFocus) return;
    if (!m_editor) ShowEditor();
    if (!m_editor) return;
    m_editor->setFocus(Qt::OtherFocusReason);
    // Losing the focus took the selection; coming back to an untouched
    // cell selects its value again, so typing replaces it.
    if (auto* le = qobject_cast<QLineEdit*>(m_editor.data()); le && !m_editorModified) le->selectAll();
}

void TDBGrid::FocusChanged(QWidget* old, QWidget* now)
{
    if (m_internalFocus || !old || !now || now->window() != window()) return;
    const bool wasIn = old == this || isAncestorOf(old);
    const bool isIn = now == this || isAncestorOf(now);
    if (wasIn && !isIn) LeaveGrid();
}

void TDBGrid::LeaveGrid()
{
    TDataSet* ds = DataSetOf();
    if (!ds) return;
    try {
        if ((m_options & dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified() && !m_editorModified) ds->Cancel();
        else CommitEditor();
    } catch (...) {
        QTimer::singleShot(0, this, [this] {
            if (m_editor) m_editor->setFocus(Qt::OtherFocusReason);
            else setFocus(Qt::OtherFocusReason);
        });
        HandleException(this);
    }
}
