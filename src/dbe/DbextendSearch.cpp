// The value search of a registry entry: lookups by key and by nearest key
// where the field leads the current index, the scan on a second cursor or
// on the data set itself, the progress clock and the abort by Escape.
#include "BusyCursor.h"
#include "DBErrors.h"
#include "DBESrch.h"
#include "Dbeconst.h"
#include "Dbeobj.h"
#include "Dbeutil.h"
#include "Dbextend.h"
#include "Table.h"
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int MemoSearchBytes = 64000;
const QString Wildcard = QStringLiteral("..");

// The umlauts and ß keep a nearest-key lookup from being used when they
// stand right before the trailing wildcard.
bool UmlautBeforeTrailingWildcard(const QString& text)
{
    if (!text.endsWith(Wildcard) || text.size() < 3) return false;
    static const QString umlauts = QStringLiteral("ÄÖÜßäöü");
    return umlauts.contains(text.at(text.size() - 3));
}

bool IsNumericKeyType(TFieldType t)
{
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftFloat || t == ftCurrency || t == ftAutoInc;
}

// The text a record offers to the matcher: memos by their first bytes,
// every other field by its display text.
QString SearchTextOf(const TField* field, const QVariant& v)
{
    if (field->DataType() == ftMemo) return v.toString().left(MemoSearchBytes);
    return field->FormatValue(v, true);
}

// The clock frames and the abort test of one scan. The cursor changes and
// the event loop runs only when the frame changes; Escape is looked for
// through the event loop at most every few milliseconds (an Escape the key
// routing held back is seen at once), so a long scan is not slowed by
// the user interface.
class TScanProgress {
public:
    TScanProgress(const TDBExtender& ext, int recordCount)
        : m_clock(ext.ShowSearchClock && recordCount > 0), m_abort(ext.AllowUserAbort()), m_count(recordCount)
    {
        m_sinceCheck.start();
    }

    // After each record read by a second cursor, counted from 1.
    void Read(int readSoFar)
    {
        if (m_clock) Frame(int(qint64(readSoFar) * 12 / m_count));
        CheckAbort();
    }

    // After each step of the data set; its sequence number when it has one.
    void Stepped(int seqNo, int readSoFar)
    {
        if (m_clock) {
            if (seqNo > 0) {
                const int per = std::max(1, (m_count + 11) / 12);
                Frame(seqNo / per);
            } else {
                Frame(int(qint64(readSoFar) * 12 / m_count));
            }
        }
        CheckAbort();
    }

private:
    void Frame(int n)
    {
        if (n > 12) n %= 12;
        if (n == m_frame) return;
        m_frame = n;
        ShowScreenCursor(DBEClockCursor + n);
        // The new frame shows, and a pending Escape is taken with it.
        if (m_abort) {
            m_sinceCheck.restart();
            CheckUserAbort();
        } else {
            QCoreApplication::processEvents();
        }
    }

    void CheckAbort()
    {
        if (!m_abort) return;
        if (UserAbortKeyNoted() || m_sinceCheck.elapsed() >= 20) {
            m_sinceCheck.restart();
            CheckUserAbort();
        }
    }

    bool m_clock, m_abort;
    int m_count;
    int m_frame = -1;
    QElapsedTimer m_sinceCheck;
};

// A search in progress: keys to the form are held back meanwhile, and an
// Escape left over from before does not stop it.
struct TSearchBusy {
    explicit TSearchBusy(int& count) : m_count(count)
    {
        if (m_count++ == 0) NoteUserAbortKey(false);
    }
    ~TSearchBusy()
    {
        if (--m_count == 0) NoteUserAbortKey(false);
    }
    TSearchBusy(const TSearchBusy&) = delete;
    TSearchBusy& operator=(const TSearchBusy&) = delete;
    int& m_count;
};

// The key value of a text for a field; none when the text does not fit.
bool KeyValueOf(TField* field, const QString& text, QVariant& value)
{
    if (text.isEmpty()) {
        value = QVariant();
        return true;
    }
    try {
        value = field->ConvertText(text);
        return true;
    } catch (const EConvertError&) {
        return false;
    } catch (const EDatabaseError&) {
        return false;
    }
}

// Selects what the pattern matched in the focused edit.
void SelectMatch(TDBExtender& ext, const TSrchItem& item)
{
    QWidget* control = ext.FocusedControl();
    auto* edit = qobject_cast<QLineEdit*>(control);
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->isEditable()) edit = combo->lineEdit();
    if (!edit) return;
    TSrchItem probe;
    probe.IgnoreCase = item.IgnoreCase;
    probe.SetPattern(item.Pattern);
    if (probe.Matches(edit->text())) edit->setSelection(probe.MatchPos, probe.MatchLen);
}

}   // namespace

// ------------------------------------------------------------ table entry

bool TTableDefs::Search(const QString& fieldName, const QString& text, bool next, bool fromStart, bool incremental,
                        bool down, bool ignoreCase)
{
    Revalidate();
    TDataSet* ds = m_dataSet;
    if (!ds || ds->Destroying()) return false;
    TSrchItem& item = *m_searchItem;
    SearchField = fieldName;
    SearchDown = down;
    item.IgnoreCase = ignoreCase;
    item.SetPattern(text);

    TField* field = ds->FindField(fieldName);
    bool found = false;
    bool done = false;
    if (field && down && FieldLeadsIndex(ds, fieldName))
        done = SearchByIndex(field, text, fromStart, incremental, found);
    if (!done) {
        found = ScanDataSet(field, next, fromStart, down);
        m_owner->NoticeDataSetScrolled(SourceOf(this, ds));
    }
    if (found && m_owner->MatchSelect) SelectMatch(*m_owner, item);
    return found;
}

bool TTableDefs::SearchNext()
{
    if (SearchField.isEmpty()) return false;
    const QString field = SearchField, pattern = m_searchItem->Pattern;
    return Search(field, pattern, true, false, false, SearchDown, m_searchItem->IgnoreCase);
}

bool TTableDefs::SearchNextReverse()
{
    if (SearchField.isEmpty()) return false;
    const QString field = SearchField, pattern = m_searchItem->Pattern;
    const bool down = SearchDown;
    // The reversal holds for this one search only.
    struct TRestore {
        bool& dir;
        bool was;
        ~TRestore() { dir = was; }
    } restore{SearchDown, down};
    return Search(field, pattern, true, false, false, !down, m_searchItem->IgnoreCase);
}

// The lookups through the current index; false when neither applies and
// the records have to be scanned.
bool TTableDefs::SearchByIndex(TField* field, const QString& text, bool fromStart, bool incremental, bool& found)
{
    auto* table = qobject_cast<TTable*>(m_dataSet);
    if (!table) return false;
    const TSrchItem& item = *m_searchItem;

    // By key: the text is the whole value.
    if (fromStart && (text.isEmpty() || (!item.IgnoreCase && !incremental && !text.contains(Wildcard)))) {
        QVariant key;
        found = KeyValueOf(field, text, key) && table->FindKey({key});
        return true;
    }

    // By nearest key: the text is the start of the value.
    if (!(fromStart || incremental)) return false;
    const bool oneLeadingPiece = item.Pieces.size() == 1 && !text.startsWith(Wildcard)
        && (!text.contains(Wildcard) || !UmlautBeforeTrailingWildcard(text));
    if (!(text == Wildcard || oneLeadingPiece)) return false;
    const TFieldType type = field->DataType();
    if (!(type == ftString || (IsNumericKeyType(type) && !text.contains(Wildcard)))) return false;

    QString key = text;
    if (key.endsWith(Wildcard)) key.chop(2);
    if (key.isEmpty()) {
        table->First();
        found = true;
        return true;
    }
    table->CheckBrowseMode();
    QVariant value;
    if (!KeyValueOf(field, key, value)) {
        found = false;
        return true;
    }
    // Positioned on a second cursor: the data set moves only to a match.
    if (table->BeforeScroll) table->BeforeScroll(table);
    std::unique_ptr<TEngineCursor> probe = table->CloneCursor();
    const int fi = field->FieldNo() - 1;
    const int pos = fi >= 0 ? probe->FindKey({table->Phys()->ToSql(fi, value)}, true) : -1;
    const TRecordPtr rec = pos >= 0 ? probe->RecordAt(pos) : nullptr;
    TSrchItem test;
    test.IgnoreCase = item.IgnoreCase;
    test.SetPattern(item.Pattern);
    found = rec && test.Matches(SearchTextOf(field, rec->value(fi)));
    if (found) {
        probe->SetPosition(pos);
        table->SetToCursor(*probe);
        if (table->AfterScroll) table->AfterScroll(table);
        return true;
    }
    // A case-sensitive order keeps "bag" apart from "BAG": a search that
    // ignores case must not stop at the one place the typed case sorts to.
    const bool orderIgnoresCase = [&] {
        for (const TIndexDef& ix : table->IndexDefs())
            if (ix.FieldList().value(0).compare(field->FieldName(), Qt::CaseInsensitive) == 0
                && (ix.Options & ixCaseInsensitive))
                return true;
        return false;
    }();
    if (item.IgnoreCase && type == ftString && !orderIgnoresCase && key.toUpper() != key.toLower()) return false;
    return true;
}

// The scan on a second cursor; false when it could not run and the data
// set itself has to be walked. Only the searched field is read, a block
// of records at a time.
bool TTableDefs::ScanOnClone(TField* field, bool next, bool fromStart, bool down, bool& found)
{
    TDataSet* ds = m_dataSet;
    if (field->FieldKind() != fkData || !m_owner->ExactBOF_EOF || !ds->Cursor()
        || ds->TableTypeName() == QLatin1String("ASCIIDRV"))
        return false;
    const int fi = field->FieldNo() - 1;
    if (fi < 0) return false;
    constexpr int Block = 256;
    found = false;
    try {
        std::unique_ptr<TEngineCursor> clone = ds->CloneCursor();
        if (ds->BeforeScroll) ds->BeforeScroll(ds);
        TBusyCursor busy;
        const int count = clone->Count();
        TScanProgress progress(*m_owner, count);
        TSrchItem& matcher = *m_searchItem;
        const int step = down ? 1 : -1;
        // The current record first when neither going on nor starting over.
        int pos = fromStart ? (down ? 0 : count - 1) : clone->Position() + (next ? step : 0);
        std::vector<std::optional<QVariant>> block;
        int blockFrom = 0;
        int read = 0;
        for (; pos >= 0 && pos < count; pos += step) {
            if (pos < blockFrom || pos >= blockFrom + int(block.size())) {
                blockFrom = down ? pos : std::max(0, pos - Block + 1);
                block = clone->FieldValuesAt(fi, blockFrom, Block);
            }
            const std::optional<QVariant>& v = block[size_t(pos - blockFrom)];
            // Gone meanwhile (another user): the data set's own walk copes.
            if (!v) return false;
            ++read;
            const bool blank = v->isNull() || (v->typeId() == QMetaType::QString && v->toString().isEmpty());
            if (blank ? matcher.Pattern.isEmpty() : matcher.Matches(SearchTextOf(field, *v))) {
                found = true;
                break;
            }
            progress.Read(read);
        }
        if (found) {
            clone->SetPosition(pos);
            ds->SetToCursor(*clone);
            if (ds->AfterScroll) ds->AfterScroll(ds);
        }
    } catch (const EUserAbort&) {
        found = false;
        return true;
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool TTableDefs::ScanDataSet(TField* field, bool next, bool fromStart, bool down)
{
    TDataSet* ds = m_dataSet;
    // A pending record would be lost by moving: post what was typed.
    ds->CheckBrowseMode();
    if (!field || !IsSearchableField(field)) return false;

    bool found = false;
    if (ScanOnClone(field, next, fromStart, down, found)) return found;

    TSrchItem& matcher = *m_searchItem;
    const bool memo = field->DataType() == ftMemo;
    const TBookmark start = ds->GetBookmark();
    auto goBack = [&] {
        if (start && ds->Active() && ds->BookmarkValid(start)) ds->GotoBookmark(start);
    };
    try {
        TBusyCursor busy;
        TControlsDisabled still(ds);
        TScanProgress progress(*m_owner, ds->RecordCount());
        const int step = down ? 1 : -1;
        if (fromStart) {
            if (down) ds->First();
            else ds->Last();
        } else if (next && !(down ? ds->Eof() : ds->Bof())) {
            ds->MoveBy(step);
        }
        int read = 0;
        while (!(down ? ds->Eof() : ds->Bof())) {
            const QString text = memo ? field->AsString().left(MemoSearchBytes) : field->DisplayText();
            if ((!memo || !text.isEmpty()) && matcher.Matches(text)) {
                found = true;
                break;
            }
            ds->MoveBy(step);
            progress.Stepped(ds->RecNo(), ++read);
        }
        if (!found) goBack();
    } catch (...) {
        goBack();
        throw;
    }
    return found;
}

// ------------------------------------------------------------ extender

bool TDBExtender::Search(TDataSet* ds, const QString& fieldName, bool fromStart, bool down, bool ignoreCase,
                         const QString& text)
{
    TTableDefs* entry = EntryOfDataSet(*this, ds);
    if (!entry) return false;
    TSearchBusy busy(BusyCount);
    return entry->Search(fieldName, text, !m_incSearchActive, fromStart, m_incSearchActive, down, ignoreCase);
}

bool TDBExtender::SearchNext(TDataSet* ds)
{
    TTableDefs* entry = EntryOfDataSet(*this, ds);
    if (!entry) return false;
    TSearchBusy busy(BusyCount);
    return entry->SearchNext();
}

bool TDBExtender::SearchNextReverse(TDataSet* ds)
{
    TTableDefs* entry = EntryOfDataSet(*this, ds);
    if (!entry) return false;
    TSearchBusy busy(BusyCount);
    return entry->SearchNextReverse();
}

// ------------------------------------------------------------ the dialog

void TDBExtender::OpenSearchDialog(TDataSet* ds, TField* field)
{
    if (!ds || ds->Destroying()) return;
    TTableDefs* entry = EntryOfDataSet(*this, ds);
    if (!entry) return;
    TFormEventRec rec;
    rec.FormType = fetSearch;
    rec.BorderStyle = bsDialog;
    rec.DataSet = ds;
    rec.Field = field;
    if (OnSpecialForm) OnSpecialForm(this, rec);
    if (!rec.Show) return;

    TSrchForm dlg(this, rec);
    dlg.setWindowTitle(DBEFormat(59006, {GetTblDesc(ds)}));
    // The fields a search can test, by their labels in field order.
    std::vector<TField*> fields;
    for (const auto& f : ds->Fields())
        if (IsSearchableField(f.get()) && (f->Visible() || UseNonVisFields())) fields.push_back(f.get());
    for (TField* f : fields) dlg.FieldListBox->addItem(f->DisplayLabel());
    QString chosen;
    if (!fields.empty()) {
        int index = 0;
        if (IsSearchableField(field)) index = std::max(0, dlg.FieldListBox->findText(field->DisplayLabel()));
        dlg.FieldListBox->setCurrentIndex(index);
        chosen = fields[size_t(index)]->FieldName();
    }
    // Without a field there is nothing to search.
    dlg.SrchBtn->setEnabled(!fields.empty());
    dlg.SrchNextBtn->setEnabled(!fields.empty());
    entry->Revalidate();
    TSrchItem& item = *entry->SearchItem();
    if (!chosen.isEmpty() && chosen.compare(entry->SearchField, Qt::CaseInsensitive) == 0)
        dlg.SrchEdit->setText(item.Pattern);
    dlg.RegardCaseCheck->setChecked(!item.IgnoreCase);
    dlg.SearchDown->setChecked(entry->SearchDown);

    const int result = dlg.exec();
    if (result != SrchResultFromStart && result != SrchResultNext) return;
    const bool ignoreCase = !dlg.RegardCaseCheck->isChecked();
    const bool down = dlg.SearchDown->isChecked();
    const QString text = dlg.SrchEdit->text();
    QString fieldName;
    for (TField* f : fields)
        if (f->DisplayLabel() == dlg.FieldListBox->currentText()) {
            fieldName = f->FieldName();
            break;
        }
    if (fieldName.isEmpty()) return;

    bool found;
    {
        TSearchBusy busy(BusyCount);
        found = entry->Search(fieldName, text, true, result == SrchResultFromStart, false, down, ignoreCase);
    }
    if (found) ShowMessage(QString(), mtInformation);
    else ShowMessage(DBEFormat(DBEStr::SearchNotFound, {text}), mtInformation);
}
