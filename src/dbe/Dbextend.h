#pragma once
// The data-navigation extender: a non-visual component on a data form that
// gives every data-aware control of the form the 28 record actions, finds
// the data source and field the focused control works on, decides which
// actions are possible, executes them, handles keys and shows status and
// messages. One per form.
#include "DBENavigateBtn.h"
#include "DBEProps.h"
#include "DataSet.h"
#include "Application.h"
#include "DBErrors.h"
#include "BusyCursor.h"
#include "Dialogs.h"
#include "Panel.h"
#include "Table.h"
#include "UiTypes.h"
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class QWidget;
class QMenu;
class TPanel;
class TDBExtender;
class TTableDefs;
class TTableList;
class TDBEFilter;
struct TDBEFilterRow;
class TBMManager;
class TSrchItem;

// ---------------------------------------------------------------- types

enum TAllowKey {
    akSelectNext, akDBMove, akLookUp, akSearch, akIncSearch, akBookmark, akFilter, akDuplicate, akCancel,
    akDelete, akInsert, akTableView, akGlobalEdit, akIndexSelect, akSingleRecView
};
using TAllowKeys = TSet<TAllowKey>;
inline const TAllowKeys AllAllowKeys = TAllowKeys::FromBits((1u << 15) - 1);

enum TDBShowStatus { ssRecNo, ssRecCount, ssTblName, ssEdit, ssInsert };
using TDBShowStatusSet = TSet<TDBShowStatus>;

enum TStayOnMasterSource { somNo, somOnlyMove, somAllFuncs };
enum TAutoRefreshMode { armNone, armAll, armTblOnly };
enum TInterfacesEnabledVals { ieShortCuts, ieNavbars, ieDisplay };
using TInterfacesEnabledSet = TSet<TInterfacesEnabledVals>;
enum TDefaultIndexLabels { dilIdxName, dilFldNames, dilFldDisplayLabels };
enum TSingleRecLayout { srlHoriz, srlVertTop, srlVertLeftLeft, srlVertLeftRight };
enum TNeededwwProp { nwpColCount, nwpCurrentCol, nwpFirstSelectableCol };

enum TFormEventType : quint8 {
    fetTableView, fetMemo, fetBookmark, fetLookUp, fetFilter, fetSearch, fetGraphic, fetIndex, fetSingleRecView
};

// Offered to the form before any dialog or view of the extender opens.
// The kind-dependent part is added by the dialogs that use it.
struct TFormEventRec {
    bool Show = true;
    TFormBorderStyle BorderStyle = bsDialog;
    QString UserBtnCaption;
    QString UserBtnHint;
    std::function<void(QObject*)> UserBtnClick;
    TFormEventType FormType = fetTableView;
    QObject* DataSet = nullptr;     // the data set; a field for the viewers; the bookmark manager
    // Kind-dependent part.
    TField* Field = nullptr;                       // search, memo, graphic
    bool Synchron = false;                         // table and single-record view
    TSrchNavBtns VisBtnsSearch;                    // bar sets of views and the lookup dialog
    TMoveNavBtns VisBtnsMove;
    TRecordNavBtns VisBtnsRecord;
    TExtNavBtns VisBtnsExtend;
    bool ReadOnly = false, AutoEdit = false, ManageGlobalEdit = false, AutoIncSrch = false;
    TAllowKeys AllowKeys;
    // Table view and single-record view: fields and labels separated by ";"
    // (the labels count only when there are as many as fields).
    QString FieldList, LabelList;
    TSingleRecLayout Layout = srlVertLeftRight;
    bool UseCBOnBoolean = true, UseDBLUComboBox = true, RebuildOnResize = true, MemoMaxWidth = false,
         GenAccelChars = true;
    int FormStyle = 0;                             // 0 normal, 1 MDI child
    QVariantMap Extra;                             // further values of a kind (lookup definition, ...)
};

// What a single-record view creates for a field; empty for no control.
using TSRVControlClass = std::function<QWidget*(QWidget* parent)>;

struct TStatusRec {
    TDataSource* DataSource = nullptr;
    int RecNo = 0;
    int RecCount = 0;
    QString TblDesc;
    QString IncSrchText;
    QString StatusText;
};

// The user aborted a long operation with Escape.
class EUserAbort : public Exception {
public:
    EUserAbort();
};

// What the extender tells the navigator bars registered with it.
class TDBENavClient {
public:
    virtual ~TDBENavClient() = default;
    virtual void NavActiveChanged(TDataSource*) {}
    virtual void NavDataSetChanged(TDataSource*) {}
    virtual void NavDataSetScrolled(TDataSource*) {}
    virtual void NavEditingChanged(TDataSource*) {}
    virtual void NavInterfacesChanged() {}
    virtual void NavRebuildHints() {}          // shortcuts or interface set changed
    virtual void NavIncSearchTextChanged() {}
    virtual void NavSetUseTextIncSrchBtn(bool) {}
    virtual void NavSetFlatButtons(bool) {}
    virtual void NavRefresh() {}               // availability changed
    virtual void NavDetached() {}              // the extender lets go of the bar
};

// ------------------------------------------------------------ the registry

// The extender's memory of one data set (its data source, engine cursor,
// index list, lookups, search state, filter, bookmarks and views).
class TTableDefs : public TDataLink {
public:
    TTableDefs(TDBExtender* owner, TDataSource* source, TDBDataSet* dataSet);
    ~TTableDefs() override;

    TDBExtender* Owner() const { return m_owner; }
    TDBDataSet* DataSetOf() const { return m_dataSet; }
    quint64 CursorHandle() const { return m_cursorHandle; }

    void Revalidate();
    void Reset();
    // Exact first/last through a read-only clone of the cursor.
    TEngineCursor* ProbeCursor();
    void CloseProbe();
    bool IsFirst(TEngineCursor* probe);
    bool IsLast(TEngineCursor* probe);

    // Index list: captions with their index names ("" = primary/default).
    void BuildIndexList();
    int GetIndexList(QStringList& captions);
    int IndexCount() const { return int(m_indexCaptions.size()); }
    QString IndexNameAt(int i) const { return m_indexNames.value(i); }
    void SetIndex(const QString& indexName);

    struct TLookupEntry { int FieldNo; int LookupType; QString TableName; };
    void BuildLookupList();
    bool GetLookupEntry(int fieldNo, int& lookupType, QString& tableName) const;
    const std::vector<TLookupEntry>& LookupEntries() const { return m_lookups; }

    int FilterState() const;
    TDBEFilter* Filter() const { return m_filter; }
    TBMManager* Bookmarks() const { return m_bookmarks; }
    void ShareWith(TTableDefs* other);
    bool Shared() const { return m_shared; }

    // Value search state.
    TSrchItem* SearchItem() const { return m_searchItem.get(); }
    QString SearchField;
    bool SearchDown = true;
    // Value search on the data set: by key or nearest key where the field
    // leads the current index, else record by record; true when found.
    bool Search(const QString& fieldName, const QString& text, bool next, bool fromStart, bool incremental,
                bool down, bool ignoreCase);
    // Again with the stored field, pattern, case and direction (reversed
    // for this one search).
    bool SearchNext();
    bool SearchNextReverse();

    // Views opened on this entry (their separate tables), kept by the views.
    QPointer<QWidget> TableView, SingleRecView;
    QPointer<TTable> TableViewTable, SingleRecViewTable;
    bool OpeningTableView = false, OpeningSingleRecView = false;

    bool FollowActiveChanges = true;
    bool Building = false;

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void EditingChanged() override;

private:
    TDBExtender* m_owner;
    TDBDataSet* m_dataSet = nullptr;
    quint64 m_cursorHandle = 0;
    std::unique_ptr<TEngineCursor> m_probe;
    std::vector<TLookupEntry> m_lookups;
    QStringList m_indexCaptions, m_indexNames;
    std::unique_ptr<TSrchItem> m_searchItem;
    TDBEFilter* m_filter = nullptr;
    TBMManager* m_bookmarks = nullptr;
    bool m_shared = false;
    // --- table registry
    friend class TTableList;
    TDBDataSet* SourceDataSet() const;
    void AttachDataSet(TDBDataSet* ds);
    void RelinkTo(TDataSource* src);
    bool IgnoreNotices() const;
    void FilterProgress(int code);
    // --- value search
    bool SearchByIndex(TField* field, const QString& text, bool fromStart, bool incremental, bool& found);
    bool ScanOnClone(TField* field, bool next, bool fromStart, bool down, bool& found);
    bool ScanDataSet(TField* field, bool next, bool fromStart, bool down);
    QMetaObject::Connection m_dataSetGone, m_formGone;
    bool m_resetting = false;
    bool m_emptyReset = false;
    bool m_formDestroying = false;
};

class TTableList {
public:
    explicit TTableList(TDBExtender* owner) : m_owner(owner) {}
    ~TTableList();
    TTableDefs* FindOrAddByDataSet(TDBDataSet* ds);
    TTableDefs* FindOrAddBySource(TDataSource* src);
    TTableDefs* FindByDataSet(TDataSet* ds) const;
    TTableDefs* FindBySource(TDataSource* src) const;
    void PostAll();
    void SetBookmarkOptions(bool keepOnlyIndex, bool useInvisibleFields, bool allowMasterMove, bool allowUserAbort);
    const std::vector<std::unique_ptr<TTableDefs>>& Items() const { return m_items; }
private:
    TDBExtender* m_owner;
    std::vector<std::unique_ptr<TTableDefs>> m_items;
};

// Positions Target on the record Source stands on (same table), moving
// master records as needed.
bool LocateRecord(TDBDataSet* target, TDBDataSet* source, bool abortable);
// A second table on the same table as Source.
TTable* SecondTable(TDBDataSet* source, QObject* owner, bool readOnly, bool open, bool moveToCurrent);
QString TableTypeName(TDataSet* ds);

// Raises EUserAbort when Escape is waiting in the key queue (long loops),
// or was pressed while a search held the keys to its form back.
void CheckUserAbort();
// Escape arrived while keys were held back; the next CheckUserAbort sees it.
void NoteUserAbortKey(bool pending);
bool UserAbortKeyNoted();

// The search clock's frames are the screen cursors 27324 to 27336.
constexpr int DBEClockCursor = 27324;
constexpr int DBEClockFrames = 13;

// ------------------------------------------------------------ the extender

class TDBExtender : public QObject {
    Q_OBJECT
public:
    // The owner must be a form (a top-level widget) or a widget on one.
    explicit TDBExtender(QObject* owner);
    ~TDBExtender() override;

    QWidget* Form() const { return m_form; }
    bool Destroying() const { return m_destroying; }
    static TDBExtender* OfForm(QWidget* form);

    // Published properties without side effects.
    bool ErrorBeep = true;
    int MoveBy = 5;
    bool ConfirmDelete = true;
    QString ConfDelQuestion;
    bool ConfirmOverride = true;
    QString ConfOverQuestion;
    bool TVReadonly = true;
    bool TVAutoEdit = false;
    bool HandleDBExceptions = true;
    bool IncSrchAutoDisable = false;
    bool ShowSearchClock = true;
    bool UseIndexPopup = false;
    TAutoRefreshMode AutoRefresh = armTblOnly;
    bool TVSynchronIsDefault = false;
    bool TVShowSRVBtn = false;
    TFormBorderStyle BorderStyleTblView = bsDialog;
    TFormBorderStyle BorderStyleLookUp = bsDialog;
    TFormBorderStyle BorderStyleBookmark = bsDialog;
    TFormBorderStyle BorderStyleMemo = bsDialog;
    TFormBorderStyle BorderStyleGraphic = bsSizeable;
    TFormBorderStyle BorderStyleSingleRec = bsSizeable;
    bool MatchSelect = true;
    TEditCharCase IncSrchCharCase = ecNormal;
    bool HideBtnGlyphs = false;
    bool LUAutoIncSrch = true, LUReadOnly = true, LUAutoEdit = false, LUManageGlobalEdit = false;
    bool TVManageGlobalEdit = false;
    TSingleRecLayout SRVLayout = srlVertLeftRight;
    bool SRVUseCBOnBoolean = true, SRVUseDBLUComboBox = true, SRVRebuildOnResize = true, SRVMemoMaxWidth = false,
         SRVReadOnly = false, SRVAutoEdit = true, SRVManageGlobalEdit = false, SRVSynchronIsDefault = true,
         SRVGenAccelChars = true;
    TDefaultIndexLabels IndexNamesAs = dilIdxName;
    bool ExactBOF_EOF = true;

    // Published properties with side effects.
    TAllowKeys AllowKeys() const { return m_allowKeys; }
    void SetAllowKeys(TAllowKeys keys);
    QStringList DBGridComponents() const { return m_gridComponents; }
    void SetDBGridComponents(const QStringList& lines);
    TDBShowStatusSet ShowStatusOptions() const { return m_showStatus; }
    void SetShowStatusOptions(TDBShowStatusSet s);
    TPanel* StatusPanel() const { return m_statusPanel; }
    void SetStatusPanel(TPanel* p);
    TPanel* MessagePanel() const { return m_messagePanel; }
    void SetMessagePanel(TPanel* p);
    TDataSource* MasterSource() const { return m_masterSource; }
    void SetMasterSource(TDataSource* src);
    TStayOnMasterSource StayOnMasterSource() const { return m_stayOnMaster; }
    void SetStayOnMasterSource(TStayOnMasterSource v);
    bool ManageGlobalEdit() const { return m_manageGlobalEdit; }
    void SetManageGlobalEdit(bool on);
    bool UseNonVisFields() const { return m_useNonVisFields; }
    void SetUseNonVisFields(bool on);
    bool UseTextIncSrchBtn() const { return m_useTextIncSrchBtn; }
    void SetUseTextIncSrchBtn(bool on);
    bool FlatNavBtns() const { return m_flatNavBtns; }
    void SetFlatNavBtns(bool on);
    bool IncSrchOnlyIfIndexed() const { return m_incSrchOnlyIfIndexed; }
    void SetIncSrchOnlyIfIndexed(bool on);
    bool BMKeepOnlyIndex() const { return m_bmKeepOnlyIndex; }
    void SetBMKeepOnlyIndex(bool on);
    bool AllowUserAbort() const { return m_allowUserAbort; }
    void SetAllowUserAbort(bool on);
    bool AllowMasterMove() const { return m_allowMasterMove; }
    void SetAllowMasterMove(bool on);
    const TDBEShortCuts& ShortCuts() const { return m_shortCuts; }
    void SetShortCuts(const TDBEShortCuts& sc);
    TInterfacesEnabledSet InterfacesNormal() const { return m_ifNormal; }
    void SetInterfacesNormal(TInterfacesEnabledSet s);
    TInterfacesEnabledSet InterfacesMinimized() const { return m_ifMinimized; }
    void SetInterfacesMinimized(TInterfacesEnabledSet s);
    QStringList NoSelectNext() const { return m_noSelectNext; }
    void SetNoSelectNext(const QStringList& classes);

    // Run-time state.
    bool Possibilities(TDBENavigateBtn b) const { return m_poss[b]; }
    TDataSource* CurrentSource() const { return m_currentSource; }
    int FilterState() const { return m_filterState; }
    bool IncSearchActive() const { return m_incSearchActive; }
    QString IncSearchText() const { return m_incSearchText; }
    void SetIncSearchText(const QString& s);
    bool EditMode() const { return m_editMode; }
    TInterfacesEnabledSet ActiveInterfaces() const { return m_activeIf; }
    int BusyCount = 0;
    TTableList& Tables() { return *m_tables; }

    // Events (var parameters are references).
    std::function<void(QObject*, TDBENavigateBtn&, TShiftState&, int&)> BeforeHandleNBBtn, AfterHandleNBBtn;
    std::function<void(QObject*, TDataSource*)> OnActiveChanged, OnDataSetChanged, OnDataSetScrolled,
        OnEditingChanged, OnNewDataSource;
    std::function<void(QObject*)> OnChangePoss;
    std::function<void(QObject* control, TField* field)> BeforeCheckPoss;
    std::function<void(QObject*, TFormEventRec&)> OnSpecialForm;
    std::function<void(QWidget*, TFormEventType)> OnSpecialFormShow;
    std::function<void(QWidget*, TFormEventType, bool& canClose)> OnSpecialFormCloseQuery;
    std::function<void(QObject*, bool isEdit, bool& canChange)> OnEditChange;
    std::function<void(const QString& tblName, QString& tblDesc)> GetTblDescription;
    std::function<void(TTable*, const QString& idxName, QString& idxDesc, bool& showIdx)> GetIdxDescription;
    std::function<void(QObject*, TStatusRec&, bool& handled)> OnShowStatus;
    std::function<void(QObject*, QString& msg, TMsgDlgType, bool& handled)> OnShowMessage;
    std::function<void(QObject*, TDBDataSet*)> OnTblIndexChanged, OnFilterChanged;
    std::function<void(QObject* control, bool& dbAware)> IsDBComponent;
    std::function<void(QObject* control, TDataSource*& ds)> GetComponentDS;
    std::function<void(QObject* control, TField*& fld)> GetComponentFld;
    std::function<void(QObject* control, TDataSource*& ds, bool getValue)> ComponentDS;
    std::function<void(QObject* control, TField*& fld, bool getValue)> ComponentFld;
    std::function<void(QObject* control, bool& isReadOnly, bool getValue)> ComponentRO;
    std::function<void(QObject* grid, TNeededwwProp, bool getValue, int& value)> wwDBGridEvent;
    // Lookup definition (used by availability; the dialog comes with its own unit).
    std::function<void(TField*, bool& allCorresponding, QString& luDatabaseName, QString& luTblName,
                       QString& indexName, QString& copyFields, QString& showFields, QString& displayLabels)>
        GetLookupDef;
    std::function<void(TField*, bool onlyDefQuery, TDBDataSet*& luDataSet, QString& luSqlDatabaseName,
                       QStringList& luSql, bool& keepActive, QString& dataSetDescription, QString& locateFields,
                       bool& allCorresponding, QString& copyFields, QString& showFields, QString& displayLabels)>
        GetExtLookupDef;
    std::function<void(QObject*)> BeforeAssignFromLookup, AfterAssignFromLookup, BeforeAssignFromLUField,
        AfterAssignFromLUField;
    // Single-record view: the control class of a field (may be replaced or
    // cleared), each control once bound, and its size before it is placed.
    std::function<void(QObject*, TField*, TSRVControlClass&)> SRVClassForField;
    std::function<void(QObject*, TField*, QWidget*)> SRVInitControl;
    std::function<void(QObject*, TField*, QWidget*, bool& forceLineBreak)> SRVSetControlSize;
    // Handlers taken over from the form and the application (chained).
    std::function<void(QObject*)> FormOnActivate, FormOnDeactivate, FormOnFocusControl;
    std::function<void(int& key, TShiftState shift, bool& handled)> FormOnKeyPhysical;
    std::function<void(QObject*, const std::exception&, bool& handled)> FormOnException;

    // Operations.
    void RegisterNavigator(TDBENavClient* bar);
    void UnregisterNavigator(TDBENavClient* bar);
    const std::vector<TDBENavClient*>& Navigators() const { return m_navigators; }
    QString GetTblDesc(TDataSet* ds) const;
    TDataSource* GetCurrentSource();
    void AssignSettings(const TDBExtender& other);
    bool Search(TDataSet* ds, const QString& fieldName, bool fromStart, bool down, bool ignoreCase,
                const QString& text);
    bool SearchNext(TDataSet* ds);
    bool SearchNextReverse(TDataSet* ds);

    // Availability and dispatch.
    void CheckPoss();
    void HandleNBBtn(TDBENavigateBtn button, TShiftState shift = {}, int info = 0);

    // Status, messages, editing mode.
    virtual void ShowStatus(TDataSource* ds);
    virtual void ShowMessage(const QString& text, TMsgDlgType type);
    void ClearMessage();
    void SetEditMode(bool on);
    // A control made after the editing mode went off is made read-only too.
    void FollowEditMode(QWidget* control);
    int RecNoOf(TDataSet* ds) const;
    int RecCountOf(TDataSet* ds) const;

    // Control discovery.
    virtual bool IsDBControl(QObject* control);
    virtual bool GetControlSource(QObject* control, TDataSource*& ds);
    virtual bool GetControlInfo(QObject* control, TDataSource*& ds, bool& readOnly, int& fieldNo, TField*& field,
                                TDataSet*& dataSet);
    QWidget* FocusedControl() const;

    // Dialogs and views of the suite; each does what its unit says once built.
    virtual void OpenTableView(TDataSet* ds, TField* field, bool synchron);
    virtual void OpenSingleRecView(TDataSet* ds, TField* field, bool synchron);
    virtual void OpenMemoView(TField* field, bool readOnly);
    virtual void OpenGraphicView(TField* field, bool readOnly);
    virtual void OpenFilterDialog(TDataSet* ds, TField* field);
    virtual void RemoveFilter(TDataSet* ds);
    virtual void OpenSearchDialog(TDataSet* ds, TField* field);
    virtual void OpenBookmarkDialog(TTableDefs* entry);
    virtual void OpenIndexChoice(TTable* table);
    virtual void OpenLookup(TField* field, bool readOnly);
    void SetFilterActive(TTableDefs* entry, bool on);
    void LoadFilter(TDataSet* ds, const QString& fileName);
    void SaveFilter(TDataSet* ds, const QString& fileName);
    void ResetFilter(TDataSet* ds);
    // A filter set by program code: up to ten rows, switched on when asked.
    void ApplyFilterRows(TDataSet* ds, const TDBEFilterRow* rows, int count, bool activate);

    // Keys.
    void HandleGridColEnter(QObject* sender);
    bool ProcessKey(int virtualKey, TShiftState shift);   // true when handled

    // Notices from the registry and the filters.
    void NoticeActiveChanged(TDataSource* ds);
    void NoticeDataSetChanged(TDataSource* ds);
    void NoticeDataSetScrolled(TDataSource* ds);
    void NoticeEditingChanged(TDataSource* ds);
    void NoticeFilterChanged(TDataSource* ds);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TTableDefs;
    void FormActivated();
    void FormDeactivated();
    void ActiveControlChanged(QWidget* old, QWidget* now);
    void ScanForm();
    void ChooseInterfaces();
    void SetActiveInterfaces(TInterfacesEnabledSet s);
    void ReleaseHooks();
    void ShowLookupHint();

    QPointer<QWidget> m_form;
    bool m_destroying = false;
    bool m_hooked = false, m_scanned = false, m_inActiveControl = false;
    bool m_awaitSetBookmark = false, m_awaitGotoBookmark = false;
    QPointer<QWidget> m_hookedGrid;
    TExceptionEvent m_prevOnException;
    bool m_holdsException = false;

    TAllowKeys m_allowKeys = AllAllowKeys;
    QStringList m_gridComponents{QStringLiteral("TwwDBGrid"), QStringLiteral("TDBScroll (OnColArrived)")};
    TDBShowStatusSet m_showStatus = TDBShowStatusSet::FromBits(0x1f);
    QPointer<TPanel> m_statusPanel, m_messagePanel;
    QPointer<TDataSource> m_masterSource;
    TStayOnMasterSource m_stayOnMaster = somNo;
    bool m_manageGlobalEdit = false, m_useNonVisFields = true, m_useTextIncSrchBtn = false, m_flatNavBtns = false,
         m_incSrchOnlyIfIndexed = false, m_bmKeepOnlyIndex = true, m_allowUserAbort = true,
         m_allowMasterMove = true;
    TDBEShortCuts m_shortCuts;
    TInterfacesEnabledSet m_ifNormal{ieShortCuts, ieNavbars, ieDisplay};
    TInterfacesEnabledSet m_ifMinimized{ieDisplay};
    TInterfacesEnabledSet m_activeIf;
    QStringList m_noSelectNext;

    std::array<bool, NavigateBtnCount> m_poss{};
    QPointer<TDataSource> m_currentSource;
    int m_filterState = 0;
    bool m_incSearchActive = false;
    QString m_incSearchText;
    bool m_editMode = true;
    std::vector<QPointer<QObject>> m_readOnlyControls;
    std::vector<TDBENavClient*> m_navigators;
    std::unique_ptr<TTableList> m_tables;
    QMenu* m_indexPopup = nullptr;
    // A lookup's query result the form wants kept open, with the alias and
    // text it was run from, so the next lookup shows it without running it again.
    QPointer<class TQuery> m_keptLookupQuery;
    QString m_keptLookupKey;

    // --- keys
    // Grid column hook: called by the active-control handler with the newly
    // focused data control (undoes the previous hook first) and with none
    // on deactivation and destruction.
    void HookGridColumnEvent(QWidget* control);
    void UnhookGridColumnEvent();
    bool HandleShortCutAndEnter(int key, TShiftState shift, QWidget* control, bool dataAware, bool readOnly,
                                TField* field, TDataSet* ds, TTableDefs* entry);
    bool HandleIncSearchKey(int key, TShiftState shift, TField* field, TDataSet* ds, TTableDefs* entry);
    void GridColumnStep(QWidget* grid, bool backwards);
    void MoveGridRecord(TDBENavigateBtn btn);
    std::function<void(class TDBGrid*)> m_prevColEnter;   // the hooked grid's handler before ours
    QMetaObject::Connection m_gridColConnection;          // column signal of a listed foreign grid
    QObject* m_gridColReceiver = nullptr;
    // Text of the key being processed, set by the key routing before
    // ProcessKey; when empty the character is derived from the key.
    QString m_keyText;

    // --- availability and dispatch
protected:
    // Where the lookup values of a field come from.
    enum TLookupKind { lkNone, lkTable, lkDataSet, lkQuery };
    struct TLookupDef {
        TLookupKind Kind = lkNone;
        QString DatabaseName, TableName, IndexName;
        TDBDataSet* DataSet = nullptr;             // outside data set (or the field's own lookup set)
        QString SqlDatabaseName;
        QStringList Sql;                           // query text
        bool KeepActive = false;
        QString DataSetDescription, LocateFields, CopyFields, ShowFields, DisplayLabels;
        bool AllCorresponding = false;
    };
    // The field's own lookup, GetLookupDef with the table's validity check,
    // then GetExtLookupDef; false when none gives a definition.
    bool ResolveLookupDef(TField* field, TLookupDef& def, bool onlyDefQuery);
    // The result of a lookup's query text: the one kept open from before
    // when the form keeps it, else run now (own then holds it).
    TDataSet* LookupQuery(const TLookupDef& def, TField* field, std::unique_ptr<class TQuery>& own);
private:
    // Goes to a bookmark; failures become a warning with its number.
    void GotoBookmarkReported(TBMManager* bm, int number);
    void DuplicateField(TField* field);
    void DuplicateRecord(TDataSet* ds);
    void ShowIndexPopup(TTable* table);

    // --- attachment, status, messages, exceptions, editing mode
public:
    // Sees every alert sound instead of the speaker (tests).
    static std::function<void(TMsgDlgType)> BeepObserver;
private:
    bool FormIsActive() const;
    void TakeHooks();
    bool RouteKey(QObject* watched, QEvent* event);
    bool ProcessPhysicalKey(class QKeyEvent* event);
    void AppException(QObject* sender, const std::exception& e);
    void ChainException(QObject* sender, const std::exception& e);
    void MasterDestroyed();
    void MakeControlsReadOnly();
    void MakeReadOnly(QWidget* w);
    void MakeControlsWritable();
    void AfterEditModeChange();
    QObject* m_keyRouter = nullptr;            // the application filter while the form is active
    QMetaObject::Connection m_focusConnection, m_masterConnection;
    // One key press reaches the filter once per widget it is offered to
    // (and first as a shortcut override); it is routed only once.
    const QEvent* m_keySeen = nullptr;
    int m_keySeenType = 0;
    QPointer<QObject> m_keySeenAt;
    int m_keyPending = 0;                      // 1 swallow, 2 pass the press after its override
    int m_pendingKey = 0;
    int m_pendingModifiers = 0;
};
