#include "Dbebmdlg.h"
#include "Application.h"
#include "Dbeconst.h"
#include "Dbextend.h"
#include "Table.h"
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

// ------------------------------------------------------------------ item

TBMItem::TBMItem(TDataSet* ds, int number, bool keepOnlyIndex, bool useNonVisFields)
    : Number(number), KeepOnlyIndex(keepOnlyIndex), UseNonVisFields(useNonVisFields), m_dataSet(ds)
{
    if (!ds) throw EDBEBookMarks(DBEString(59583));
    EngineBookmark = ds->GetBookmark();
    if (!EngineBookmark) throw EDBEBookMarks(DBEString(59584));
    for (const QString& name : TBMManager::CapturedFields(ds, KeepOnlyIndex, UseNonVisFields, MaxFields))
        if (TField* f = ds->FindField(name)) Values << f->DisplayText();
}

TBMItem::~TBMItem()
{
    if (m_dataSet && !m_dataSet->Destroying()) m_dataSet->FreeBookmark(EngineBookmark);
}

// --------------------------------------------------------------- manager

TBMManager::TBMManager(TDataSet* ds, bool allowUserAbort, bool allowMasterMove, bool useNonVisFields,
                       bool keepOnlyIndex, QObject* parent)
    : QObject(parent), m_dataSet(ds), m_keepOnlyIndex(keepOnlyIndex), m_useNonVisFields(useNonVisFields),
      m_allowMasterMove(allowMasterMove), m_allowUserAbort(allowUserAbort)
{
}

TBMManager::~TBMManager() = default;

QStringList TBMManager::CapturedFields(TDataSet* ds, bool keepOnlyIndex, bool useNonVisFields, int maxFields)
{
    QStringList out;
    if (!ds) return out;
    if (!keepOnlyIndex) {
        for (const auto& f : ds->Fields())
            if (f->FieldKind() == fkData && (f->Visible() || useNonVisFields)) out << f->FieldName();
        return out;
    }
    if (auto* t = qobject_cast<TTable*>(ds); t && t->Active()) {
        const int n = t->IndexFieldCount();
        for (int i = 0; i < n; ++i)
            if (TField* f = t->IndexField(i)) out << f->FieldName();
        if (!out.isEmpty()) return out;
    }
    for (int i = 0; i < ds->FieldCount() && i < maxFields; ++i) out << ds->FieldAt(i)->FieldName();
    return out;
}

QStringList TBMManager::ColumnFields() const
{
    return CapturedFields(m_dataSet, m_keepOnlyIndex, m_useNonVisFields);
}

std::unique_ptr<TBMItem> TBMManager::NewItem(int number) const
{
    return std::make_unique<TBMItem>(m_dataSet, number, m_keepOnlyIndex, m_useNonVisFields);
}

int TBMManager::IndexOfNumber(int number) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_items[i]->Number == number) return i;
    return -1;
}

int TBMManager::Add()
{
    if (!Live()) return -1;
    const int number = m_items.empty() ? 1 : m_items.back()->Number + 1;
    m_items.push_back(NewItem(number));
    return number;
}

void TBMManager::SetNumbered(int number)
{
    if (!Live()) return;
    auto item = NewItem(number);
    auto it = std::find_if(m_items.begin(), m_items.end(), [&](const auto& b) { return b->Number >= number; });
    if (it == m_items.end())
        m_items.push_back(std::move(item));
    else if ((*it)->Number == number)
        *it = std::move(item);
    else
        m_items.insert(it, std::move(item));
}

void TBMManager::Delete(int number)
{
    const int i = IndexOfNumber(number);
    if (i >= 0) m_items.erase(m_items.begin() + i);
}

void TBMManager::Renumber(int oldNumber, int newNumber)
{
    if (oldNumber == newNumber) return;
    const int from = IndexOfNumber(oldNumber);
    if (from < 0) return;
    std::unique_ptr<TBMItem> moved = std::move(m_items[from]);
    m_items.erase(m_items.begin() + from);
    moved->Number = newNumber;
    const int n = Count();
    if (oldNumber < newNumber) {
        int q = from;
        while (q < n && m_items[q]->Number < newNumber) ++q;
        if (q == n) {
            m_items.push_back(std::move(moved));
            return;
        }
        int insertAt = q;
        if (m_items[q]->Number == newNumber) {
            // The run ending at the new number moves one down, up to a gap.
            int expected = newNumber;
            for (int j = q; j >= 0 && m_items[j]->Number == expected; --j, --expected) m_items[j]->Number = expected - 1;
            insertAt = q + 1;
        }
        m_items.insert(m_items.begin() + insertAt, std::move(moved));
    } else {
        int q = 0;
        while (q < n && m_items[q]->Number < newNumber) ++q;
        if (q == n) {
            m_items.push_back(std::move(moved));
            return;
        }
        // The run starting at the new number moves one up, up to a gap.
        int expected = newNumber;
        for (int j = q; j < n && m_items[j]->Number == expected; ++j, ++expected) m_items[j]->Number = expected + 1;
        m_items.insert(m_items.begin() + q, std::move(moved));
    }
}

bool TBMManager::GotoNumber(int number, bool raiseErrors)
{
    const int i = IndexOfNumber(number);
    if (i < 0 || !Live()) return false;
    const TBookmark b = m_items[i]->EngineBookmark;
    try {
        m_dataSet->GotoBookmark(b);
        return true;
    } catch (const EUserAbort&) {
        if (raiseErrors) throw;
        return false;
    } catch (...) {
        auto* table = qobject_cast<TTable*>(m_dataSet.data());
        if (m_allowMasterMove && table && table->MasterSource()) {
            // The record may lie outside the detail range: find it in a copy
            // of the whole table and move the master there.
            try {
                std::unique_ptr<TTable> copy(SecondTable(table, nullptr, true, true, false));
                copy->GotoBookmark(b);
                if (LocateRecord(table, copy.get(), m_allowUserAbort)) return true;
            } catch (...) {
                if (raiseErrors) throw;
                return false;
            }
        }
        if (raiseErrors) throw;
        return false;
    }
}

void TBMManager::Clear() { m_items.clear(); }

void TBMManager::SetDataSet(TDataSet* ds)
{
    if (ds == m_dataSet.data()) return;
    Clear();
    m_dataSet = ds;
}

void TBMManager::SetKeepOnlyIndex(bool on)
{
    if (on == m_keepOnlyIndex) return;
    Clear();
    m_keepOnlyIndex = on;
}

void TBMManager::SetUseNonVisFields(bool on)
{
    if (on == m_useNonVisFields) return;
    Clear();
    m_useNonVisFields = on;
}

// ------------------------------------------------------------------ grid

TBMGrid::TBMGrid(QWidget* parent) : QTableWidget(parent)
{
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
}

void TBMGrid::mousePressEvent(QMouseEvent* e)
{
    QTableWidget::mousePressEvent(e);
    m_dragging = false;
    m_pressRow = e->button() == Qt::LeftButton ? rowAt(e->position().toPoint().y()) : -1;
    m_pressPos = e->position().toPoint();
}

void TBMGrid::mouseMoveEvent(QMouseEvent* e)
{
    if ((e->buttons() & Qt::LeftButton) && m_pressRow >= 0) {
        if (!m_dragging && (e->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
            m_dragging = true;
            viewport()->setCursor(Qt::ClosedHandCursor);
        }
        if (m_dragging) return;
    }
    QTableWidget::mouseMoveEvent(e);
}

void TBMGrid::mouseReleaseEvent(QMouseEvent* e)
{
    if (!m_dragging) {
        m_pressRow = -1;
        QTableWidget::mouseReleaseEvent(e);
        return;
    }
    m_dragging = false;
    viewport()->unsetCursor();
    const int y = e->position().toPoint().y();
    int to = rowAt(y);
    if (to < 0) to = y < 0 ? 0 : rowCount() - 1;
    const int from = m_pressRow;
    m_pressRow = -1;
    if (to != from && OnRowMoved) {
        try {
            OnRowMoved(from, to);
        } catch (...) {
            HandleException(this);
        }
    }
}

// ---------------------------------------------------------------- dialog

TBMForm::TBMForm(TDBExtender* ext, const TFormEventRec& rec, TBMManager* manager) : TDBEForm(ext, rec), m_bm(manager)
{
    setObjectName(QStringLiteral("BMForm"));
    SetClientSize(592, 314);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(5, 5, 5, 0);
    lay->setSpacing(0);
    GroupBox1 = new QGroupBox(DBEString(59021), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* inner = new QVBoxLayout(GroupBox1);
    inner->setContentsMargins(6, 6, 6, 6);
    BMGrid = new TBMGrid(GroupBox1);
    BMGrid->setObjectName(QStringLiteral("BMGrid"));
    inner->addWidget(BMGrid);
    lay->addWidget(GroupBox1, 1);
    BottomPanel = new QWidget(this);
    BottomPanel->setObjectName(QStringLiteral("BottomPanel"));
    BottomPanel->setFixedHeight(43);
    lay->addWidget(BottomPanel);

    DelBtn = new QPushButton(DBEString(59022), BottomPanel);
    DelBtn->setObjectName(QStringLiteral("DelBtn"));
    DelBtn->setGeometry(0, 6, 80, 30);
    DelBtn->setAutoDefault(false);
    connect(DelBtn, &QPushButton::clicked, this, [this] {
        try {
            DelBtnClick();
        } catch (...) {
            HandleException(this);
        }
    });
    UserBtn = new QPushButton(BottomPanel);
    UserBtn->setGeometry(84, 6, 80, 30);
    OKBtn = GlyphButton(bkOK, QStringLiteral("&OK"), QStringLiteral("OKBtn"));
    OKBtn->setParent(BottomPanel);
    OKBtn->show();
    OKBtn->resize(80, 30);
    OKBtn->setDefault(true);
    SetModalResult(OKBtn, mrOk);
    CancelBtn = GlyphButton(bkCancel, DBEString(59581), QStringLiteral("CancelBtn"));
    CancelBtn->setParent(BottomPanel);
    CancelBtn->show();
    CancelBtn->resize(80, 30);
    SetModalResult(CancelBtn, mrCancel);
    FrameButtons(UserBtn, {OKBtn, CancelBtn});

    BMGrid->OnRowMoved = [this](int from, int to) { BMGridRowMoved(from, to); };
    connect(BMGrid, &QAbstractItemView::doubleClicked, this, [this] {
        if (SelectedNumber() > 0) done(mrOk);
    });
    FillGrid();
}

void TBMForm::resizeEvent(QResizeEvent* e)
{
    TDBEForm::resizeEvent(e);
    // "Abbruch" 4 pixels from the right edge, OK 4 pixels to its left.
    const int right = width() - BottomPanel->x();
    CancelBtn->move(right - CancelBtn->width() - 4, 6);
    OKBtn->move(right - OKBtn->width() - CancelBtn->width() - 8, 6);
}

void TBMForm::FillGrid()
{
    TDataSet* ds = m_bm ? m_bm->DataSet() : nullptr;
    const QStringList names = m_bm ? m_bm->ColumnFields() : QStringList();
    const QFontMetrics fm(BMGrid->font());
    const int zero = fm.horizontalAdvance(u'0');
    // Cells keep a margin of their own on both sides.
    const int margin = 2 * (BMGrid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, BMGrid) + 1);
    QStringList heads{DBEString(59023)};
    QList<int> widths{2 * zero + 4 + margin};
    for (const QString& name : names) {
        TField* f = ds ? ds->FindField(name) : nullptr;
        const QString label = f ? f->DisplayLabel() : name;
        heads << label;
        const int chars = zero * (f ? f->DisplayWidth() : 10) + 4;
        widths << std::max(chars, fm.horizontalAdvance(label) + 4) + margin;
    }
    const int count = m_bm ? m_bm->Count() : 0;
    BMGrid->clear();
    BMGrid->setColumnCount(int(heads.size()));
    BMGrid->setHorizontalHeaderLabels(heads);
    BMGrid->setRowCount(std::max(1, count));
    BMGrid->verticalHeader()->setDefaultSectionSize(std::max(18, fm.height() + 4));
    for (int c = 0; c < widths.size(); ++c) BMGrid->setColumnWidth(c, widths.at(c));
    for (int r = 0; r < count; ++r) {
        const TBMItem* item = m_bm->Item(r);
        BMGrid->setItem(r, 0, new QTableWidgetItem(QString::number(item->Number)));
        for (int c = 0; c < item->Values.size() && c + 1 < heads.size(); ++c)
            BMGrid->setItem(r, c + 1, new QTableWidgetItem(item->Values.at(c)));
    }
    if (count > 0) BMGrid->selectRow(0);
    DelBtn->setEnabled(count > 0);
    OKBtn->setEnabled(count > 0);
}

int TBMForm::SelectedNumber() const
{
    const int row = BMGrid->currentRow();
    if (!m_bm || row < 0 || row >= m_bm->Count()) return 0;
    return m_bm->Item(row)->Number;
}

void TBMForm::SelectNumber(int number)
{
    const int row = m_bm ? m_bm->IndexOfNumber(number) : -1;
    if (row >= 0) BMGrid->selectRow(row);
}

void TBMForm::DelBtnClick()
{
    const int number = SelectedNumber();
    if (!number) return;
    const int row = BMGrid->currentRow();
    m_bm->Delete(number);
    FillGrid();
    if (m_bm->Count() > 0) BMGrid->selectRow(std::min(row, m_bm->Count() - 1));
}

void TBMForm::BMGridRowMoved(int from, int to)
{
    const int count = m_bm ? m_bm->Count() : 0;
    if (from == to || from < 0 || to < 0 || from >= count || to >= count) return;
    const int oldNumber = m_bm->Item(from)->Number;
    int newNumber;
    if (to > from) newNumber = to == count - 1 ? m_bm->Item(count - 1)->Number : m_bm->Item(to + 1)->Number - 1;
    else newNumber = to == 0 ? 1 : m_bm->Item(to - 1)->Number + 1;
    m_bm->Renumber(oldNumber, newNumber);
    FillGrid();
    SelectNumber(newNumber);
}
