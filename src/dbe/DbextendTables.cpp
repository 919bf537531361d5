// The extender's registry of data sets: one entry per data set met on the
// form, rebuilt whenever its table is reopened, with the exact first/last
// probes, the index and lookup lists and the master/detail positioning.
#include "Panel.h"
#include <QWidget>
#include "DBEFilt.h"
#include "DBErrors.h"
#include "Dbebmdlg.h"
#include "Dbeconst.h"
#include "Dbeobj.h"
#include "Dbextend.h"
#include <QCoreApplication>
#include <QEvent>

namespace {

const QString ParadoxType = QString::fromLatin1(szPARADOX);
const QString TextTableType = QStringLiteral("ASCIIDRV");
// Posted to an open single-record view: refresh your contents later.
constexpr QEvent::Type SRVRefreshEvent = QEvent::Type(QEvent::User + 1);

bool Alive(TDataSet* ds) { return ds && !ds->Destroying(); }

// Restores a flag when the scope ends, also on an exception.
class TFlagGuard {
public:
    TFlagGuard(bool& flag, bool value) : m_flag(flag), m_old(flag) { m_flag = value; }
    ~TFlagGuard() { m_flag = m_old; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;
private:
    bool& m_flag;
    bool m_old;
};

QStringList SplitFieldNames(const QString& names)
{
    QStringList out;
    for (const QString& n : names.split(u';', Qt::SkipEmptyParts))
        if (!n.trimmed().isEmpty()) out << n.trimmed();
    return out;
}

bool MeansNotFound(const EDBEngineError& e)
{
    const int c = e.ErrorCode();
    return c == DbiErr::RECNOTFOUND || c == DbiErr::OUTOFRANGE || c == DbiErr::BOF || c == DbiErr::EOF_;
}

// T onto the record S stands on; false when T cannot show it.
bool PositionOn(TDBDataSet* target, TDBDataSet* source)
{
    try {
        target->GotoCursorOf(source);
        return true;
    } catch (const EDBEngineError& e) {
        if (MeansNotFound(e)) return false;
        throw;
    }
}

} // namespace

// ------------------------------------------------------------- the entry

TTableDefs::TTableDefs(TDBExtender* owner, TDataSource* source, TDBDataSet* dataSet) : m_owner(owner)
{
    Building = true;
    // A form deletes its tables before the extender: no notices from then on.
    if (QWidget* form = m_owner ? m_owner->Form() : nullptr)
        m_formGone = QObject::connect(form, &QObject::destroyed, [this] { m_formDestroying = true; });
    m_searchItem = std::make_unique<TSrchItem>();
    m_filter = new TDBEFilter;
    m_filter->OnMessage = [this](int code) { FilterProgress(code); };
    m_filter->OnDialogShow = [this](QWidget* form) {
        if (m_owner && m_owner->OnSpecialFormShow) m_owner->OnSpecialFormShow(form, fetFilter);
    };
    m_filter->OnDialogCloseQuery = [this](QWidget* form, bool& canClose) {
        if (m_owner && m_owner->OnSpecialFormCloseQuery) m_owner->OnSpecialFormCloseQuery(form, fetFilter, canClose);
    };
    if (source) {
        SetDataSource(source);
        AttachDataSet(SourceDataSet());
    } else {
        AttachDataSet(Alive(dataSet) ? dataSet : nullptr);
    }
    if (m_dataSet && m_dataSet->Active()) m_cursorHandle = m_dataSet->Handle();
    m_filter->SetDataSet(m_dataSet);
    m_bookmarks = new TBMManager(m_dataSet, m_owner ? m_owner->AllowUserAbort() : true,
                                 m_owner ? m_owner->AllowMasterMove() : true,
                                 m_owner ? m_owner->UseNonVisFields() : true,
                                 m_owner ? m_owner->BMKeepOnlyIndex() : true);
    BuildLookupList();
    BuildIndexList();
    m_emptyReset = !m_dataSet;
    Building = false;
}

TTableDefs::~TTableDefs()
{
    Building = true;
    m_probe.reset();
    QObject::disconnect(m_dataSetGone);
    QObject::disconnect(m_formGone);
    SetDataSource(nullptr);
    if (!m_shared) {
        delete m_filter;
        delete m_bookmarks;
    }
}

TDBDataSet* TTableDefs::SourceDataSet() const
{
    TDataSource* src = DataSource();
    TDataSet* ds = src ? src->DataSet() : nullptr;
    return Alive(ds) ? qobject_cast<TDBDataSet*>(ds) : nullptr;
}

void TTableDefs::AttachDataSet(TDBDataSet* ds)
{
    if (ds == m_dataSet) return;
    QObject::disconnect(m_dataSetGone);
    m_dataSet = ds;
    // A bare data set has no source to tell us it is gone.
    if (ds) m_dataSetGone = QObject::connect(ds, &QObject::destroyed, [this] { m_dataSet = nullptr; });
}

bool TTableDefs::IgnoreNotices() const
{
    return Building || m_formDestroying || !m_owner || m_owner->Destroying();
}

void TTableDefs::Revalidate()
{
    if (m_resetting || m_formDestroying || (m_owner && m_owner->Destroying())) return;
    TDBDataSet* current = Alive(m_dataSet) ? m_dataSet : nullptr;
    bool stale;
    if (DataSource() && SourceDataSet() != m_dataSet)
        stale = true;
    else if (!current)
        stale = !m_emptyReset;   // once is enough for an entry without data set
    else
        stale = current->Handle() != m_cursorHandle;
    if (stale) Reset();
}

void TTableDefs::Reset()
{
    if (m_resetting || m_formDestroying || (m_owner && m_owner->Destroying())) return;
    TFlagGuard guard(m_resetting, true);
    m_lookups.clear();
    if (DataSource())
        AttachDataSet(SourceDataSet());
    else if (!Alive(m_dataSet))
        AttachDataSet(nullptr);
    if (m_bookmarks) {
        m_bookmarks->SetDataSet(m_dataSet);
        m_bookmarks->Clear();
    }
    m_cursorHandle = m_dataSet ? m_dataSet->Handle() : 0;
    m_probe.reset();
    BuildLookupList();
    BuildIndexList();
    m_searchItem->Clear();
    SearchField.clear();
    if (m_filter) {
        m_filter->SetDataSet(nullptr);
        m_filter->SetDataSet(m_dataSet);
    }
    m_emptyReset = !m_dataSet;
    if (m_owner) m_owner->NoticeFilterChanged(DataSource());
    if (SingleRecView) {
        // The view builds its controls anew for the re-attached data set.
        QMetaObject::invokeMethod(SingleRecView.data(), "RebuildControls", Qt::DirectConnection);
        if (m_dataSet && m_dataSet->State() == dsBrowse)
            QCoreApplication::postEvent(SingleRecView.data(), new QEvent(SRVRefreshEvent));
    }
}

// --------------------------------------------------------------- notices

void TTableDefs::ActiveChanged()
{
    if (IgnoreNotices() || !FollowActiveChanges) return;
    if (m_dataSet && SourceDataSet() == m_dataSet && m_dataSet->Active() && m_dataSet->Handle() == m_cursorHandle)
        return;
    Reset();
    m_owner->NoticeActiveChanged(DataSource());
}

void TTableDefs::DataSetChanged()
{
    if (IgnoreNotices()) return;
    m_owner->NoticeDataSetChanged(DataSource());
}

void TTableDefs::DataSetScrolled(int)
{
    if (IgnoreNotices()) return;
    m_owner->NoticeDataSetScrolled(DataSource());
}

void TTableDefs::EditingChanged()
{
    if (IgnoreNotices()) return;
    m_owner->NoticeEditingChanged(DataSource());
}

void TTableDefs::RelinkTo(TDataSource* src)
{
    if (src == DataSource()) return;
    TDataSet* ds = src ? src->DataSet() : nullptr;
    if (ds && ds == m_dataSet) {
        // Same data set behind another source: nothing to rebuild.
        TFlagGuard guard(FollowActiveChanges, false);
        SetDataSource(src);
    } else {
        SetDataSource(src);
    }
}

void TTableDefs::FilterProgress(int code)
{
    if (code != 4 || !m_owner) return;
    QString text = DBEString(DBEStr::ActivateFilter);
    if (m_owner->ShowStatusOptions().Contains(ssTblName))
        text = QLatin1Char('[') + m_owner->GetTblDesc(m_filter ? m_filter->DataSet() : m_dataSet) + QStringLiteral("] ")
            + text;
    m_owner->ShowMessage(text, mtInformation);
    if (TPanel* p = m_owner->MessagePanel()) p->repaint();
}

// ---------------------------------------------------------------- probes

TEngineCursor* TTableDefs::ProbeCursor()
{
    Revalidate();
    m_probe.reset();
    TDBDataSet* ds = m_dataSet;
    if (!Alive(ds) || !ds->Active() || !ds->Cursor()) return nullptr;
    if (TableTypeName(ds) == TextTableType) return nullptr;
    // The data set's cursor always stands on its current record here.
    m_probe = ds->CloneCursor();
    return m_probe.get();
}

void TTableDefs::CloseProbe() { m_probe.reset(); }

bool TTableDefs::IsFirst(TEngineCursor* probe)
{
    TDBDataSet* ds = Alive(m_dataSet) ? m_dataSet : nullptr;
    if (!ds) return true;
    if (!probe || !ds->Active() || !ds->Cursor()) return ds->Bof();
    try {
        probe->SetToCursor(*ds->Cursor());
    } catch (const EDBEngineError& e) {
        return e.ErrorCode() == DbiErr::BOF ? true : ds->Bof();
    } catch (...) {
        return ds->Bof();
    }
    try {
        probe->GetPriorRecord();
        return false;
    } catch (const EDBEngineError& e) {
        return e.ErrorCode() == DbiErr::BOF ? true : ds->Bof();
    } catch (...) {
        return ds->Bof();
    }
}

bool TTableDefs::IsLast(TEngineCursor* probe)
{
    TDBDataSet* ds = Alive(m_dataSet) ? m_dataSet : nullptr;
    if (!ds) return true;
    if (!probe || !ds->Active() || !ds->Cursor()) return ds->Eof();
    try {
        probe->SetToCursor(*ds->Cursor());
    } catch (const EDBEngineError& e) {
        return e.ErrorCode() == DbiErr::EOF_ ? true : ds->Eof();
    } catch (...) {
        return ds->Eof();
    }
    try {
        probe->GetNextRecord();
        return false;
    } catch (const EDBEngineError& e) {
        return e.ErrorCode() == DbiErr::EOF_ ? true : ds->Eof();
    } catch (...) {
        return ds->Eof();
    }
}

// ------------------------------------------------------------ index list

void TTableDefs::BuildIndexList()
{
    m_indexCaptions.clear();
    m_indexNames.clear();
    auto* table = qobject_cast<TTable*>(m_dataSet);
    if (!Alive(table) || table->TableName().isEmpty()) return;
    const QString type = TableTypeName(table);
    if (type == TextTableType) return;
    const TDefaultIndexLabels mode = m_owner ? m_owner->IndexNamesAs : dilIdxName;
    const auto offer = [&](const QString& indexName, QString caption) {
        bool show = true;
        if (m_owner && m_owner->GetIdxDescription) m_owner->GetIdxDescription(table, indexName, caption, show);
        if (show && !caption.isEmpty()) {
            m_indexCaptions << caption;
            m_indexNames << indexName;
        }
    };

    QString first;
    if (type != ParadoxType)
        first = DBEString(DBEStr::NoIndex);
    else if (mode == dilIdxName)
        first = DBEString(DBEStr::Primary);
    offer(QString(), first);

    std::vector<TIndexDef> defs;
    try {
        defs = table->IndexDefs();
    } catch (const std::exception&) {
        return;   // the first entry only
    }
    for (const TIndexDef& d : defs) {
        QString caption;
        switch (mode) {
        case dilIdxName:
            caption = d.Name;
            break;
        case dilFldNames:
            caption = d.Fields;
            break;
        case dilFldDisplayLabels: {
            QStringList labels;
            for (const QString& name : SplitFieldNames(d.Fields)) {
                TField* f = table->FindField(name);
                labels << (f ? f->DisplayLabel() : name);
            }
            caption = labels.join(u';');
            break;
        }
        }
        offer(d.Name, caption);
    }
}

int TTableDefs::GetIndexList(QStringList& captions)
{
    Revalidate();
    captions = m_indexCaptions;
    auto* table = qobject_cast<TTable*>(m_dataSet);
    if (!Alive(table)) return -1;
    const QString current = table->IndexName();
    for (int i = 0; i < m_indexNames.size(); ++i)
        if (m_indexNames.at(i).compare(current, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void TTableDefs::SetIndex(const QString& indexName)
{
    Revalidate();
    auto* table = qobject_cast<TTable*>(m_dataSet);
    if (!Alive(table)) return;
    {
        // The switch reopens the cursor: not a reason to rebuild the entry.
        TFlagGuard guard(Building, true);
        table->SetIndexName(indexName);
    }
    m_cursorHandle = table->Handle();
    m_probe.reset();
    if (m_bookmarks) m_bookmarks->Clear();   // captured index values no longer fit
    if (m_owner && !m_owner->Destroying()) m_owner->NoticeDataSetChanged(DataSource());
}

// ----------------------------------------------------------- lookup list

void TTableDefs::BuildLookupList()
{
    m_lookups.clear();
    auto* table = qobject_cast<TTable*>(m_dataSet);
    if (!Alive(table) || table->TableName().isEmpty() || TableTypeName(table) != ParadoxType) return;
    std::vector<TValCheckDesc> checks;
    try {
        checks = table->ValChecks();
    } catch (const std::exception&) {
        return;
    }
    for (const TValCheckDesc& c : checks)
        if (c.LookupType != 0 && !c.LookupTable.isEmpty())
            m_lookups.insert(m_lookups.begin(), TLookupEntry{c.FieldNo, c.LookupType, c.LookupTable.left(255)});
}

bool TTableDefs::GetLookupEntry(int fieldNo, int& lookupType, QString& tableName) const
{
    for (const TLookupEntry& e : m_lookups)
        if (e.FieldNo == fieldNo) {
            lookupType = e.LookupType;
            tableName = e.TableName;
            return true;
        }
    lookupType = 0;
    tableName.clear();
    return false;
}

// ----------------------------------------------------- filter, bookmarks

int TTableDefs::FilterState() const { return m_filter ? m_filter->State() : 0; }

void TTableDefs::ShareWith(TTableDefs* other)
{
    if (m_shared || !other || other == this) return;
    delete m_filter;
    delete m_bookmarks;
    m_filter = other->m_filter;
    m_bookmarks = other->m_bookmarks;
    m_shared = true;
}

// ------------------------------------------------------------ the list

TTableList::~TTableList()
{
    // Sharing entries first: they hold what the others own.
    for (auto& e : m_items)
        if (e && e->Shared()) e.reset();
    m_items.clear();
}

TTableDefs* TTableList::FindByDataSet(TDataSet* ds) const
{
    if (!ds) return nullptr;
    for (const auto& e : m_items)
        if (e->DataSetOf() == ds) return e.get();
    return nullptr;
}

TTableDefs* TTableList::FindBySource(TDataSource* src) const
{
    if (!src) return nullptr;
    for (const auto& e : m_items)
        if (e->DataSource() == src) return e.get();
    return nullptr;
}

TTableDefs* TTableList::FindOrAddByDataSet(TDBDataSet* ds)
{
    if (!ds) return nullptr;
    if (TTableDefs* e = FindByDataSet(ds)) return e;
    m_items.push_back(std::make_unique<TTableDefs>(m_owner, nullptr, ds));
    return m_items.back().get();
}

TTableDefs* TTableList::FindOrAddBySource(TDataSource* src)
{
    if (!src) return nullptr;
    if (TTableDefs* e = FindBySource(src)) return e;
    if (TTableDefs* e = FindByDataSet(src->DataSet())) {
        e->RelinkTo(src);
        return e;
    }
    m_items.push_back(std::make_unique<TTableDefs>(m_owner, src, nullptr));
    return m_items.back().get();
}

void TTableList::PostAll()
{
    for (const auto& e : m_items) {
        TDBDataSet* ds = e->DataSetOf();
        if (Alive(ds) && (ds->State() == dsEdit || ds->State() == dsInsert)) ds->Post();
    }
}

void TTableList::SetBookmarkOptions(bool keepOnlyIndex, bool useInvisibleFields, bool allowMasterMove,
                                    bool allowUserAbort)
{
    for (const auto& e : m_items)
        if (TBMManager* bm = e->Bookmarks()) {
            bm->SetKeepOnlyIndex(keepOnlyIndex);
            bm->SetUseNonVisFields(useInvisibleFields);
            bm->SetAllowMasterMove(allowMasterMove);
            bm->SetAllowUserAbort(allowUserAbort);
        }
}

// ------------------------------------------------------ free routines

QString TableTypeName(TDataSet* ds) { return ds ? ds->TableTypeName() : QString(); }

TTable* SecondTable(TDBDataSet* source, QObject* owner, bool readOnly, bool open, bool moveToCurrent)
{
    if (!source) return nullptr;
    auto* t = new TTable(owner);
    try {
        t->SetDatabaseName(source->DatabaseName());
        if (auto* st = qobject_cast<TTable*>(source)) {
            t->SetTableName(st->TableName());
            if (!st->IndexFieldNames().isEmpty())
                t->SetIndexFieldNames(st->IndexFieldNames());
            else
                t->SetIndexName(st->IndexName());
        }
        t->SetReadOnly(readOnly);
        if (open) {
            t->Open();
            if (moveToCurrent && source->Active() && !source->IsEmpty()) {
                if (t->BeforeScroll) t->BeforeScroll(t);
                t->GotoCursorOf(source);
                if (t->AfterScroll) t->AfterScroll(t);
            }
        }
    } catch (...) {
        delete t;
        throw;
    }
    return t;
}

bool LocateRecord(TDBDataSet* target, TDBDataSet* source, bool abortable)
{
    if (!target || !source) return false;
    if (target->BeforeScroll) target->BeforeScroll(target);
    bool found = PositionOn(target, source);
    if (!found) {
        auto* detail = qobject_cast<TTable*>(target);
        TDataSource* masterSource = detail ? detail->MasterSource() : nullptr;
        auto* master = masterSource ? qobject_cast<TDBDataSet*>(masterSource->DataSet()) : nullptr;
        if (Alive(master)) {
            // Find the master record the source's key values belong to.
            std::unique_ptr<TTable> second(SecondTable(master, nullptr, true, true, true));
            const QStringList masterFields = SplitFieldNames(detail->MasterFields());
            const QStringList keyFields = SplitFieldNames(detail->IndexFieldNames());
            bool hit = false;
            if (!masterFields.isEmpty() && masterFields.size() == keyFields.size()) {
                QStringList want;
                for (const QString& k : keyFields) want << source->FieldByName(k)->AsString();
                for (second->First(); !second->Eof(); second->Next()) {
                    if (abortable) CheckUserAbort();
                    bool equal = true;
                    for (int i = 0; i < masterFields.size() && equal; ++i)
                        equal = second->FieldByName(masterFields.at(i))->AsString() == want.at(i);
                    if (equal) {
                        hit = true;
                        break;
                    }
                }
            }
            if (hit) {
                LocateRecord(master, second.get(), abortable);
                found = PositionOn(target, source);
            } else {
                MessageDlg(FormatStr(QStringLiteral("Fehler in Referentieller Integrität!\n"
                                                    "Schlüsselwerte in Haupttabelle %s nicht gefunden."),
                                     {second->TableName()}),
                           mtError, mbOK);
            }
        }
    }
    if (target->AfterScroll) target->AfterScroll(target);
    return found;
}
