// Which record actions are possible at the moment and how each one runs.
#include "Dbextend.h"
#include "DBEFilt.h"
#include "DBErrors.h"
#include "DBESRec.h"
#include "Dbebmdlg.h"
#include "Dbetview.h"
#include "DBEGrph.h"
#include "DBEIndex.h"
#include "Dbelu.h"
#include "Dbememo.h"
#include "Dbeconst.h"
#include "Dbeobj.h"
#include "Dbeutil.h"
#include "Query.h"
#include "Table.h"
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

namespace {

// What an action or a check works on: the focused data control, or the
// master source when the focus is elsewhere.
struct TWorkData {
    QWidget* Control = nullptr;
    TDataSource* Source = nullptr;
    bool ReadOnly = true;
    int FieldNo = -1;
    TField* Field = nullptr;
    TDataSet* DataSet = nullptr;
    TTableDefs* Entry = nullptr;
};

TWorkData WorkDataOf(TDBExtender& ext, bool forDispatch)
{
    TWorkData w;
    w.Control = ext.FocusedControl();
    TDataSource* src = nullptr;
    bool ro = true;
    int fieldNo = -1;
    TField* field = nullptr;
    TDataSet* ds = nullptr;
    if (w.Control && ext.IsDBControl(w.Control) && ext.GetControlInfo(w.Control, src, ro, fieldNo, field, ds)) {
        w.Source = src;
        w.ReadOnly = ro;
        w.FieldNo = fieldNo;
        w.Field = field;
        w.DataSet = ds;
        if (src) w.Entry = ext.Tables().FindOrAddBySource(src);
    } else if (TDataSource* master = ext.MasterSource(); master && master->DataSet()) {
        w.Source = master;
        w.Entry = ext.Tables().FindOrAddBySource(master);
        w.DataSet = master->DataSet()->Destroying() ? nullptr : master->DataSet();
        w.ReadOnly = true;
    }
    if (forDispatch) {
        const bool editing = w.DataSet && (w.DataSet->State() == dsEdit || w.DataSet->State() == dsInsert);
        if (!w.Source || !w.DataSet || (!w.Source->AutoEdit() && !editing)) w.ReadOnly = true;
    }
    return w;
}

bool IsQuery(const TDataSet* ds) { return ds && ds->inherits("TQuery"); }

bool InEditStates(TDataSet* ds)
{
    const TDataSetState s = ds->State();
    return s == dsEdit || s == dsInsert || s == dsSetKey;
}

// A field takes its value from a record read by a second cursor; the
// record holds the values in physical field order. Blobs come through a
// blob stream, so memos and pictures are copied whole.
void AssignFromRecord(TField* field, const TEngineCursor& cursor, const TRecordPtr& rec)
{
    const int i = field->FieldNo() - 1;
    QVariant v;
    if (i >= 0 && i < rec->size()) {
        if (field->IsBlob()) v = TDirectBlobReadStream(cursor, rec, field->FieldNo()).ReadValue();
        else v = rec->at(i);
    }
    if (v.isNull() || !v.isValid()) field->Clear();
    else field->SetValue(v);
}

bool IsEngineError(const EDBEngineError& e, int code) { return e.ErrorCode() == code; }

} // namespace

// ------------------------------------------------------------ availability

void TDBExtender::CheckPoss()
{
    if (m_destroying || !FormIsActive()) return;

    const TWorkData w = WorkDataOf(*this, false);
    if (BeforeCheckPoss) BeforeCheckPoss(w.Control, w.Field);

    int filterState = m_filterState;
    TEngineCursor* probe = nullptr;
    if (w.Entry) {
        // The probe revalidates the entry, which may reset its filter.
        if (ExactBOF_EOF) probe = w.Entry->ProbeCursor();
        filterState = w.Entry->FilterState();
    }

    TDataSet* ds = w.DataSet;
    TField* field = w.Field;
    const TAllowKeys keys = m_allowKeys;
    const bool active = w.Source && w.Source->State() != dsInactive && ds;
    const bool dsActive = ds && ds->Active();
    const bool notEmpty = active && !(ds->Bof() && ds->Eof());
    const bool mayEdit = m_editMode || !m_manageGlobalEdit;
    const bool canModify = ds && ds->CanModify();
    const bool editing = ds && (ds->State() == dsEdit || ds->State() == dsInsert);
    const bool isFirst = !active || (w.Entry ? w.Entry->IsFirst(probe) : ds->Bof());
    const bool isLast = !active || (w.Entry ? w.Entry->IsLast(probe) : ds->Eof());

    // Moves may follow the master while the focus sits in a detail.
    bool moveActive = active, moveFirst = isFirst, moveLast = isLast;
    if (m_stayOnMaster == somOnlyMove && m_masterSource) {
        TDataSource* master = m_masterSource;
        TDataSet* mds = master->DataSet();
        moveActive = master->State() != dsInactive && mds && !mds->Destroying();
        TTableDefs* me = Tables().FindOrAddBySource(master);
        TEngineCursor* mprobe = (me && ExactBOF_EOF) ? me->ProbeCursor() : nullptr;
        moveFirst = !moveActive || (me ? me->IsFirst(mprobe) : mds->Bof());
        moveLast = !moveActive || (me ? me->IsLast(mprobe) : mds->Eof());
    }

    std::array<bool, NavigateBtnCount> p{};
    p[nbMemoView] = field && active
        && (field->DataType() == ftMemo || field->DataType() == ftGraphic || field->DataType() == ftTypedBinary);
    if (keys.Contains(akLookUp) && field && field->FieldKind() != fkCalculated
        && IsSearchableType(field->DataType())) {
        TLookupDef def;
        p[nbLookUp] = ResolveLookupDef(field, def, true);
    }
    p[nbGotoBookmark] = dsActive && w.Entry && w.Entry->Bookmarks() && w.Entry->Bookmarks()->Count() > 0
        && keys.Contains(akBookmark);
    p[nbSearch] = dsActive && notEmpty && keys.Contains(akSearch);
    p[nbSearchInc] = dsActive && notEmpty && field && IsSearchableType(field->DataType())
        && keys.Contains(akIncSearch) && (!m_incSrchOnlyIfIndexed || FieldLeadsIndex(ds, field->FieldName()));
    p[nbSearchNext] = dsActive && notEmpty && w.Entry && !w.Entry->SearchField.isEmpty() && keys.Contains(akSearch);
    if (auto* t = qobject_cast<TTable*>(ds))
        p[nbIndexSelect] = !t->MasterSource() && !t->TableName().isEmpty() && keys.Contains(akIndexSelect)
            && w.Entry && w.Entry->IndexCount() > 1;
    const bool viewable = dsActive && (qobject_cast<TTable*>(ds) || IsQuery(ds));
    p[nbTableView] = viewable && keys.Contains(akTableView);
    p[nbSingleRecView] = viewable && keys.Contains(akSingleRecView);
    const bool mayDuplicate = dsActive && (w.Source->AutoEdit() || editing) && mayEdit && canModify
        && keys.Contains(akDuplicate);
    p[nbDupField] = mayDuplicate && !w.ReadOnly && !isFirst;
    p[nbDupRecord] = mayDuplicate && notEmpty;
    p[nbSetBookmark] = active && notEmpty && keys.Contains(akBookmark);
    p[nbTblFilter] = active && keys.Contains(akFilter) && filterState != 0;
    p[nbActiveFilter] = active && keys.Contains(akFilter) && (filterState == 2 || filterState == 3);
    const bool mayMove = moveActive && keys.Contains(akDBMove);
    p[nbFirst] = p[nbPGroup] = p[nbPrior] = mayMove && !moveFirst;
    p[nbNext] = p[nbNGroup] = p[nbLast] = mayMove && !moveLast;
    p[nbInsert] = active && canModify && mayEdit && !m_incSearchActive && keys.Contains(akInsert);
    p[nbDelete] = active && mayEdit && canModify && notEmpty && keys.Contains(akDelete);
    p[nbEdit] = active && canModify && !InEditStates(ds) && mayEdit;
    p[nbPost] = active && canModify && InEditStates(ds);
    p[nbCancel] = p[nbPost] && keys.Contains(akCancel);
    p[nbRefresh] = w.Source && !IsQuery(w.Source->DataSet());
    p[nbUserBtn] = true;
    p[nbGlobalEdit] = active && m_manageGlobalEdit && keys.Contains(akGlobalEdit);

    const bool incSearch = m_incSearchActive && p[nbSearch] && p[nbSearchInc];

    const bool sourceChanged = m_currentSource != w.Source;
    if (p != m_poss || filterState != m_filterState || sourceChanged || incSearch != m_incSearchActive) {
        m_poss = p;
        m_filterState = filterState;
        m_currentSource = w.Source;
        m_incSearchActive = incSearch;
        if (OnChangePoss) OnChangePoss(this);
        for (TDBENavClient* bar : std::vector<TDBENavClient*>(m_navigators)) bar->NavRefresh();
        if (sourceChanged && OnNewDataSource) OnNewDataSource(this, w.Source);
    }
}

// ------------------------------------------------------------ dispatch

void TDBExtender::HandleNBBtn(TDBENavigateBtn button, TShiftState shift, int info)
{
    ClearMessage();
    // A silent abort here is the handler's veto and leaves at once.
    if (BeforeHandleNBBtn) BeforeHandleNBBtn(this, button, shift, info);
    if (button == nbUserBtn || int(button) < 0 || int(button) >= NavigateBtnCount) return;

    auto refreshFirst = [this](TDataSet* ds) {
        if (AutoRefresh == armAll
            || (AutoRefresh == armTblOnly && QString::fromLatin1(ds->metaObject()->className()).contains(u"Table")))
            ds->Refresh();
    };
    auto refreshBars = [this] {
        for (TDBENavClient* bar : std::vector<TDBENavClient*>(m_navigators)) bar->NavRefresh();
    };

    try {
        const TWorkData w = WorkDataOf(*this, true);
        TDataSet* ds = w.DataSet;
        TField* field = w.Field;
        TTableDefs* entry = w.Entry;
        const bool ctrl = shift.Contains(ssCtrl);
        TDataSet* moveDs = (m_stayOnMaster == somOnlyMove && m_masterSource) ? m_masterSource->DataSet() : ds;

        switch (button) {
        case nbSearch:
            if (ds) {
                refreshFirst(ds);
                OpenSearchDialog(ds, field);
            }
            break;
        case nbSearchInc:
            m_incSearchActive = !m_incSearchActive;
            m_incSearchText.clear();
            if (m_useTextIncSrchBtn)
                for (TDBENavClient* bar : std::vector<TDBENavClient*>(m_navigators)) bar->NavIncSearchTextChanged();
            CheckPoss();
            refreshBars();
            ShowStatus(m_currentSource);
            if (OnChangePoss) OnChangePoss(this);
            break;
        case nbSearchNext:
            if (ds) {
                refreshFirst(ds);
                const bool found = ctrl ? SearchNextReverse(ds) : SearchNext(ds);
                if (found) {
                    ClearMessage();
                } else {
                    TTableDefs* e = EntryOfDataSet(*this, ds);
                    const QString pattern = e && e->SearchItem() ? e->SearchItem()->Pattern : QString();
                    ShowMessage(DBEFormat(DBEStr::SearchNextNotFound, {pattern}), mtInformation);
                }
            }
            break;
        case nbSetBookmark:
            if (entry && entry->Bookmarks()) {
                TBMManager* bm = entry->Bookmarks();
                if (info != 0) bm->SetNumbered(info);
                else bm->Add();
                if (bm->Count() == 1) {
                    CheckPoss();
                    refreshBars();
                }
            }
            break;
        case nbGotoBookmark:
            if (info != 0) {
                TBMManager* bm = entry ? entry->Bookmarks() : nullptr;
                if (bm && bm->IndexOfNumber(info) >= 0) GotoBookmarkReported(bm, info);
            } else if (ds && entry && entry->Bookmarks() && entry->Bookmarks()->Count() > 0) {
                OpenBookmarkDialog(entry);
            }
            break;
        case nbTblFilter:
            if (ds) OpenFilterDialog(ds, field);
            break;
        case nbActiveFilter:
            if (entry) SetFilterActive(entry, entry->FilterState() != 3);
            break;
        case nbIndexSelect:
            if (auto* t = qobject_cast<TTable*>(ds)) {
                if (UseIndexPopup) ShowIndexPopup(t);
                else OpenIndexChoice(t);
            }
            break;
        case nbTableView:
            if (ds) {
                refreshFirst(ds);
                OpenTableView(ds, field, ctrl != TVSynchronIsDefault);
            }
            break;
        case nbSingleRecView:
            if (ds) {
                refreshFirst(ds);
                OpenSingleRecView(ds, field, ctrl != SRVSynchronIsDefault);
            }
            break;
        case nbFirst:
        case nbLast:
            if (moveDs) {
                refreshFirst(moveDs);
                if (button == nbFirst) moveDs->First();
                else moveDs->Last();
                if (OnDataSetScrolled) OnDataSetScrolled(this, w.Source);
            }
            break;
        case nbPGroup:
        case nbNGroup:
        case nbPrior:
        case nbNext:
            if (moveDs) {
                refreshFirst(moveDs);
                const int by = (button == nbPGroup || button == nbNGroup) ? MoveBy : 1;
                moveDs->MoveBy((button == nbPGroup || button == nbPrior) ? -by : by);
                // Auto-repeated buttons must show every step.
                if (m_form) m_form->repaint();
            }
            break;
        case nbInsert:
            if (ds && !m_incSearchActive) ds->Insert();
            break;
        case nbDelete:
            if (ds) {
                if (ConfirmDelete) {
                    const QString q = ConfDelQuestion.isEmpty() ? QStringLiteral("Datensatz wirklich löschen ?")
                                                                : ConfDelQuestion;
                    if (MessageDlg(q, mtConfirmation, mbOKCancel) != mrOk) break;
                }
                ds->Delete();
            }
            break;
        case nbEdit:
            if (ds) {
                refreshFirst(ds);
                ds->Edit();
            }
            break;
        case nbPost:
            if (ds) ds->Post();
            break;
        case nbCancel:
            if (ds) ds->Cancel();
            break;
        case nbRefresh:
            if (ds) ds->Refresh();
            break;
        case nbMemoView:
            if (field && field->IsBlob()) {
                if (field->DataType() == ftMemo) OpenMemoView(field, w.ReadOnly);
                else if (field->DataType() == ftGraphic || field->DataType() == ftTypedBinary)
                    OpenGraphicView(field, w.ReadOnly);
            }
            break;
        case nbDupField:
            if (field) DuplicateField(field);
            break;
        case nbDupRecord:
            if (ds) DuplicateRecord(ds);
            break;
        case nbLookUp:
            if (field) OpenLookup(field, w.ReadOnly);
            break;
        case nbGlobalEdit:
            SetEditMode(!EditMode());
            break;
        default:
            break;
        }
    } catch (...) {
        ::HandleException(this);
    }

    if (AfterHandleNBBtn) AfterHandleNBBtn(this, button, shift, info);
}

// ------------------------------------------------------------ duplicating

void TDBExtender::DuplicateField(TField* field)
{
    auto* ds = qobject_cast<TDBDataSet*>(field->DataSet());
    if (!ds) return;
    if (ConfirmOverride && !field->IsNull()) {
        const QString q = ConfOverQuestion.isEmpty()
            ? FormatStr(QStringLiteral("Wert des Feldes %s überschreiben ?"), {field->FieldName()})
            : ConfOverQuestion;
        if (MessageDlg(q, mtConfirmation, mbYesNo) == mrNo) return;
    }
    Tables().FindOrAddByDataSet(ds);

    std::unique_ptr<TEngineCursor> second = ds->CloneCursor();
    TRecordPtr prev;
    try {
        prev = second->GetPriorRecord();
    } catch (const EDBEngineError& e) {
        if (IsEngineError(e, DbiErr::BOF)) return;   // the first record has nothing before it
        throw;
    }
    if (!prev) return;

    ds->Edit();
    if (field->FieldKind() == fkLookup) {
        for (const QString& name : field->KeyFields().split(u';', Qt::SkipEmptyParts)) {
            TField* key = ds->FieldByName(name.trimmed());
            AssignFromRecord(key, *second, prev);
        }
    } else {
        AssignFromRecord(field, *second, prev);
    }
}

void TDBExtender::DuplicateRecord(TDataSet* dataSet)
{
    auto* ds = qobject_cast<TDBDataSet*>(dataSet);
    if (!ds) return;
    if (ds->State() != dsBrowse) ds->Post();

    std::unique_ptr<TEngineCursor> second = ds->CloneCursor();
    const TRecordPtr rec = second->GetRecord();
    bool last = false;
    try {
        second->GetNextRecord();
    } catch (const EDBEngineError& e) {
        if (!IsEngineError(e, DbiErr::EOF_)) throw;
        last = true;
    }

    // The copy lands right behind the copied record in index order.
    if (last) {
        ds->Append();
    } else {
        ds->Next();
        ds->Insert();
    }
    for (const auto& f : ds->Fields()) {
        // Auto-increment values are the engine's to give.
        if (f->FieldKind() != fkData || f->ReadOnly() || f->DataType() == ftAutoInc || !f->IsNull()) continue;
        AssignFromRecord(f.get(), *second, rec);
    }
}

// ------------------------------------------------------------ index popup

void TDBExtender::ShowIndexPopup(TTable* table) { ShowIdxPopup(*this, table, m_indexPopup); }

// ------------------------------------------------------------ lookup definition

bool TDBExtender::ResolveLookupDef(TField* field, TLookupDef& def, bool onlyDefQuery)
{
    def = TLookupDef();
    if (!field) return false;
    auto* ds = qobject_cast<TDBDataSet*>(field->DataSet());

    // The field's own definition.
    if (field->FieldKind() == fkLookup && field->LookupDataSet()) {
        TDataSet* lds = field->LookupDataSet();
        def.Kind = lkDataSet;
        def.DataSet = qobject_cast<TDBDataSet*>(lds);
        if (def.DataSet) def.DatabaseName = def.DataSet->DatabaseName();
        if (auto* t = qobject_cast<TTable*>(lds)) def.TableName = t->TableName();
        def.DataSetDescription = GetTblDesc(lds);
        const QStringList lkeys = field->LookupKeyFields().split(u';', Qt::SkipEmptyParts);
        const QStringList keys = field->KeyFields().split(u';', Qt::SkipEmptyParts);
        QStringList pairs;
        for (int i = 0; i < lkeys.size() && i < keys.size(); ++i) pairs << lkeys[i].trimmed() << keys[i].trimmed();
        def.LocateFields = def.CopyFields = pairs.join(u';');
        return true;
    }

    // A lookup table: the table's own validity check, which the form may change.
    int lookupType = 0;
    QString tableName;
    if (ds) {
        if (TTableDefs* entry = Tables().FindOrAddByDataSet(ds))
            entry->GetLookupEntry(field->FieldNo(), lookupType, tableName);
        def.DatabaseName = ds->DatabaseName();
    }
    def.TableName = tableName;
    def.AllCorresponding = lookupType == 4;
    if (GetLookupDef)
        GetLookupDef(field, def.AllCorresponding, def.DatabaseName, def.TableName, def.IndexName, def.CopyFields,
                     def.ShowFields, def.DisplayLabels);
    if (!def.TableName.isEmpty()) {
        def.Kind = lkTable;
        return true;
    }

    // An outside data set or a query text.
    def = TLookupDef();
    if (GetExtLookupDef) {
        TDBDataSet* lds = nullptr;
        GetExtLookupDef(field, onlyDefQuery, lds, def.SqlDatabaseName, def.Sql, def.KeepActive,
                        def.DataSetDescription, def.LocateFields, def.AllCorresponding, def.CopyFields,
                        def.ShowFields, def.DisplayLabels);
        if (lds) {
            def.Kind = lkDataSet;
            def.DataSet = lds;
            def.DatabaseName = lds->DatabaseName();
            return true;
        }
        if (!def.Sql.isEmpty()) {
            def.Kind = lkQuery;
            def.DatabaseName = def.SqlDatabaseName;
            return true;
        }
    }
    def = TLookupDef();
    return false;
}

// ------------------------------------------------------------ dialogs and views

void TDBExtender::GotoBookmarkReported(TBMManager* bm, int number)
{
    try {
        bm->GotoNumber(number, true);
        ClearMessage();
    } catch (const EDBEngineError& e) {
        ShowMessage(DBEFormat(DBEStr::BookmarkError, {QString::number(number), e.Message()}), mtWarning);
    } catch (const EAbort&) {
        throw;
    } catch (...) {
        ShowMessage(DBEFormat(DBEStr::BookmarkError, {QString::number(number), QString()}), mtWarning);
    }
}

namespace {
// The record both views get: their own settings, keys and bar sets; a view
// does not offer itself, and offers the other view only where allowed.
TFormEventRec ViewEventRec(TFormEventType type, TFormBorderStyle border, TDataSet* ds, TField* field, bool synchron,
                           bool readOnly, bool autoEdit, bool manageGlobalEdit, TSrchNavBtn ownBtn,
                           TAllowKey otherKey, TSrchNavBtn otherBtn, bool offerOther)
{
    TFormEventRec rec;
    rec.FormType = type;
    rec.BorderStyle = border;
    rec.DataSet = ds;
    rec.Field = field;
    rec.Synchron = synchron || IsQuery(ds) || ds->TableTypeName() == QLatin1String("ASCIIDRV");
    rec.ReadOnly = readOnly;
    rec.AutoEdit = autoEdit;
    rec.ManageGlobalEdit = manageGlobalEdit;
    rec.AllowKeys = TAllowKeys{akSelectNext, akDBMove, akLookUp, akSearch, akIncSearch, akBookmark, akFilter,
                               akIndexSelect, otherKey};
    rec.VisBtnsSearch = TSrchNavBtns::FromBits((1u << 10) - 1) - TSrchNavBtns{ownBtn};
    rec.VisBtnsMove = TMoveNavBtns::FromBits((1u << 6) - 1);
    rec.VisBtnsExtend = {enbMemoView, enbLookUp};
    if (!rec.ReadOnly) {
        rec.VisBtnsRecord = {rnbInsert, rnbDelete, rnbEdit, rnbPost, rnbCancel};
        rec.AllowKeys += {akDuplicate, akCancel, akDelete, akInsert};
    }
    if (rec.ManageGlobalEdit) {
        rec.AllowKeys.Include(akGlobalEdit);
        rec.VisBtnsExtend.Include(enbGlobalEdit);
    }
    if (!offerOther) {
        rec.AllowKeys.Exclude(otherKey);
        rec.VisBtnsSearch.Exclude(otherBtn);
    }
    return rec;
}

bool FormIs(const QWidget* form, const char* className)
{
    return form && QLatin1String(form->metaObject()->className()) == QLatin1String(className);
}
}

void TDBExtender::OpenTableView(TDataSet* ds, TField* field, bool synchron)
{
    if (!ds || ds->Destroying() || !(qobject_cast<TTable*>(ds) || IsQuery(ds))) return;
    TTableDefs* entry = EntryOfDataSet(*this, ds);
    if (!entry || entry->OpeningTableView || TDBEViewForm::BringToFront(entry->TableView)) return;
    TFormEventRec rec = ViewEventRec(fetTableView, BorderStyleTblView, ds, field, synchron, TVReadonly, TVAutoEdit,
                                     TVManageGlobalEdit, snbTableView, akSingleRecView, snbSingleRecView,
                                     TVShowSRVBtn && !FormIs(m_form, "TSingleRecViewForm"));
    if (OnSpecialForm) OnSpecialForm(this, rec);
    if (!rec.Show) return;
    ShowTableView(*this, entry, ds, rec);
}

void TDBExtender::OpenSingleRecView(TDataSet* ds, TField* field, bool synchron)
{
    if (!ds || ds->Destroying() || !(qobject_cast<TTable*>(ds) || IsQuery(ds))) return;
    TTableDefs* entry = EntryOfDataSet(*this, ds);
    if (!entry || entry->OpeningSingleRecView || TDBEViewForm::BringToFront(entry->SingleRecView)) return;
    TFormEventRec rec = ViewEventRec(fetSingleRecView, BorderStyleSingleRec, ds, field, synchron, SRVReadOnly,
                                     SRVAutoEdit, SRVManageGlobalEdit, snbSingleRecView, akTableView,
                                     snbTableView, !FormIs(m_form, "TTableViewForm"));
    rec.Layout = SRVLayout;
    rec.UseCBOnBoolean = SRVUseCBOnBoolean;
    rec.UseDBLUComboBox = SRVUseDBLUComboBox;
    rec.RebuildOnResize = SRVRebuildOnResize;
    rec.MemoMaxWidth = SRVMemoMaxWidth;
    rec.GenAccelChars = SRVGenAccelChars;
    if (OnSpecialForm) OnSpecialForm(this, rec);
    if (!rec.Show) return;
    ShowSingleRecView(*this, entry, ds, rec);
}

void TDBExtender::OpenMemoView(TField* field, bool readOnly)
{
    if (!field) return;
    TFormEventRec rec;
    rec.FormType = fetMemo;
    rec.BorderStyle = BorderStyleMemo;
    rec.DataSet = field->DataSet();
    rec.Field = field;
    rec.ReadOnly = readOnly;
    if (OnSpecialForm) OnSpecialForm(this, rec);
    if (!rec.Show) return;
    ShowMemoForm(*this, rec, field, readOnly);
}

void TDBExtender::OpenGraphicView(TField* field, bool readOnly)
{
    if (!field) return;
    TFormEventRec rec;
    rec.FormType = fetGraphic;
    rec.BorderStyle = BorderStyleGraphic;
    rec.DataSet = field->DataSet();
    rec.Field = field;
    rec.ReadOnly = readOnly;
    if (OnSpecialForm) OnSpecialForm(this, rec);
    if (!rec.Show) return;
    ShowGraphicForm(*this, rec, field, readOnly);
}

void TDBExtender::OpenFilterDialog(TDataSet* ds, TField* field)
{
    if (!ds || ds->Destroying()) return;
    TFormEventRec rec;
    rec.FormType = fetFilter;
    rec.BorderStyle = bsDialog;
    rec.DataSet = ds;
    rec.Field = field;
    if (OnSpecialForm) OnSpecialForm(this, rec);
    if (!rec.Show) return;
    TTableDefs* entry = EntryOfDataSet(*this, ds);
    if (!entry || !entry->Filter()) return;
    TDBEFilter* filter = entry->Filter();
    filter->HideBtnGlyphs = HideBtnGlyphs;
    try {
        filter->EditDialog(this, rec, GetTblDesc(ds), UseNonVisFields(), field);
    } catch (...) {
        NoticeFilterChanged(SourceOf(entry, ds));
        throw;
    }
    NoticeFilterChanged(SourceOf(entry, ds));
}

void TDBExtender::RemoveFilter(TDataSet* ds)
{
    if (!ds || ds->Destroying()) return;
    TTableDefs* entry = EntryOfDataSet(*this, ds);
    if (!entry || !entry->Filter()) return;
    try {
        if (entry->Filter()->Registered()) {
            entry->Filter()->SetRegistered(false);
            ds->Resync();
        }
    } catch (...) {
        NoticeFilterChanged(SourceOf(entry, ds));
        throw;
    }
    NoticeFilterChanged(SourceOf(entry, ds));
}

void TDBExtender::OpenBookmarkDialog(TTableDefs* entry)
{
    if (!entry || !entry->DataSetOf() || entry->DataSetOf()->Destroying()) return;
    TBMManager* bm = entry->Bookmarks();
    TFormEventRec rec;
    rec.FormType = fetBookmark;
    rec.BorderStyle = BorderStyleBookmark;
    rec.DataSet = bm;
    if (OnSpecialForm) OnSpecialForm(this, rec);
    if (!rec.Show || !bm) return;
    const QString desc = GetTblDesc(entry->DataSetOf());
    if (bm->Count() == 0) {
        MessageDlg(DBEFormat(59576, {desc}), mtInformation, mbOK);
        return;
    }
    int number = 0;
    {
        TBMForm dlg(this, rec, bm);
        dlg.setWindowTitle(DBEFormat(DBEStr::BookmarkCaption, {desc}));
        if (dlg.exec() != mrOk) return;
        number = dlg.SelectedNumber();
    }
    GotoBookmarkReported(bm, number);
}

void TDBExtender::OpenIndexChoice(TTable* table)
{
    if (!table || table->Destroying()) return;
    TFormEventRec rec;
    rec.FormType = fetIndex;
    rec.BorderStyle = bsDialog;
    rec.DataSet = table;
    if (OnSpecialForm) OnSpecialForm(this, rec);
    if (!rec.Show) return;
    ShowIdxDlg(*this, table, rec);
}

void TDBExtender::OpenLookup(TField* field, bool readOnly)
{
    if (!field) return;
    TLookupDef def;
    if (!ResolveLookupDef(field, def, false)) return;
    TFormEventRec rec;
    rec.FormType = fetLookUp;
    rec.BorderStyle = BorderStyleLookUp;
    rec.DataSet = field->DataSet();
    rec.Field = field;
    rec.AutoIncSrch = LUAutoIncSrch;
    rec.ReadOnly = LUReadOnly;
    rec.AutoEdit = LUAutoEdit;
    rec.ManageGlobalEdit = LUManageGlobalEdit;
    rec.AllowKeys = {akDBMove, akLookUp, akSearch, akIncSearch, akBookmark, akFilter, akIndexSelect};
    rec.VisBtnsSearch = TSrchNavBtns::FromBits((1u << 8) - 1);
    rec.VisBtnsMove = TMoveNavBtns::FromBits((1u << 6) - 1);
    rec.VisBtnsExtend = {enbMemoView};
    if (!rec.ReadOnly) {
        rec.AllowKeys += {akDuplicate, akCancel, akDelete, akInsert};
        rec.VisBtnsRecord = {rnbInsert, rnbDelete, rnbEdit, rnbPost, rnbCancel};
    }
    if (rec.ManageGlobalEdit) rec.VisBtnsExtend.Include(enbGlobalEdit);
    rec.Extra.insert(QStringLiteral("LookupKind"), def.Kind == lkTable ? 1 : 2);
    rec.Extra.insert(QStringLiteral("DatabaseName"), def.DatabaseName);
    rec.Extra.insert(QStringLiteral("TableName"), def.TableName);
    rec.Extra.insert(QStringLiteral("IndexName"), def.IndexName);
    rec.Extra.insert(QStringLiteral("DataSetDescription"), def.DataSetDescription);
    rec.Extra.insert(QStringLiteral("LocateFields"), def.LocateFields);
    rec.Extra.insert(QStringLiteral("CopyFields"), def.CopyFields);
    rec.Extra.insert(QStringLiteral("ShowFields"), def.ShowFields);
    rec.Extra.insert(QStringLiteral("DisplayLabels"), def.DisplayLabels);
    rec.Extra.insert(QStringLiteral("AllCorresponding"), def.AllCorresponding);
    rec.Extra.insert(QStringLiteral("DispatchedReadOnly"), readOnly);
    if (OnSpecialForm) OnSpecialForm(this, rec);
    if (!rec.Show) return;
    // The dialog shows the lookup data set itself, never a copy.
    rec.Synchron = true;
    std::unique_ptr<TTable> own;
    TDataSet* lu = def.DataSet;
    if (def.Kind == lkTable) {
        // A lookup table is opened for this lookup and closed afterwards.
        own = std::make_unique<TTable>();
        own->SetDatabaseName(def.DatabaseName);
        own->SetTableName(def.TableName);
        if (!def.IndexName.isEmpty()) own->SetIndexName(def.IndexName);
        own->Open();
        lu = own.get();
    }
    std::unique_ptr<TQuery> ownQuery;
    if (def.Kind == lkQuery) lu = LookupQuery(def, field, ownQuery);
    if (!lu) return;
    if (!lu->Active()) lu->Open();
    ShowLUDlg(*this, rec, field, lu, readOnly);
}

TDataSet* TDBExtender::LookupQuery(const TLookupDef& def, TField* field, std::unique_ptr<TQuery>& own)
{
    // Without an alias of its own the text runs where the field's table lies.
    QString alias = def.SqlDatabaseName;
    if (alias.isEmpty())
        if (auto* ds = qobject_cast<TDBDataSet*>(field->DataSet())) alias = ds->DatabaseName();
    const QString key = alias.toLower() + u'\n' + def.Sql.join(u'\n');
    if (m_keptLookupQuery && m_keptLookupKey == key && m_keptLookupQuery->Active()) {
        if (def.KeepActive) return m_keptLookupQuery;
        own.reset(m_keptLookupQuery.data());
        own->setParent(nullptr);
        return own.get();
    }
    delete m_keptLookupQuery.data();
    auto query = std::make_unique<TQuery>();
    query->SetDatabaseName(alias);
    query->SetSQL(def.Sql);
    query->Open();
    if (!def.KeepActive) {
        own = std::move(query);
        return own.get();
    }
    query->setParent(this);
    m_keptLookupQuery = query.release();
    m_keptLookupKey = key;
    return m_keptLookupQuery;
}

// ------------------------------------------------------------ filters

void TDBExtender::SetFilterActive(TTableDefs* entry, bool on)
{
    if (!entry) return;
    TDataSet* ds = entry->DataSetOf();
    if (!ds || ds->Destroying() || !entry->Filter()) return;
    try {
        entry->Filter()->SetActive(on);
        ds->Resync();
    } catch (...) {
        NoticeFilterChanged(SourceOf(entry, ds));
        throw;
    }
    NoticeFilterChanged(SourceOf(entry, ds));
}

void TDBExtender::ResetFilter(TDataSet* ds) { RemoveFilter(ds); }

void TDBExtender::ApplyFilterRows(TDataSet* ds, const TDBEFilterRow* rows, int count, bool activate)
{
    if (!ds || ds->Destroying()) return;
    TTableDefs* entry = EntryOfDataSet(*this, ds);
    if (!entry || !entry->Filter()) return;
    try {
        entry->Filter()->ApplyRows(rows, count, activate);
    } catch (...) {
        NoticeFilterChanged(SourceOf(entry, ds));
        throw;
    }
    NoticeFilterChanged(SourceOf(entry, ds));
}

void TDBExtender::LoadFilter(TDataSet* ds, const QString& fileName)
{
    if (!ds || ds->Destroying()) return;
    TTableDefs* entry = EntryOfDataSet(*this, ds);
    if (!entry || !entry->Filter()) return;
    try {
        entry->Filter()->LoadFromFile(fileName);
        ds->Resync();
    } catch (...) {
        NoticeFilterChanged(SourceOf(entry, ds));
        throw;
    }
    NoticeFilterChanged(SourceOf(entry, ds));
}

void TDBExtender::SaveFilter(TDataSet* ds, const QString& fileName)
{
    if (!ds || ds->Destroying()) return;
    TTableDefs* entry = EntryOfDataSet(*this, ds);
    if (!entry || !entry->Filter()) return;
    entry->Filter()->SaveToFile(fileName);
    NoticeFilterChanged(SourceOf(entry, ds));
}
