// The extender itself: attaching to its form, the hooks it holds while the
// form is active, finding the data controls, the data notices, the status
// text, messages, exception routing, interface sets and the editing mode.
#include "Dbextend.h"
#include "DBEFilt.h"
#include "DBErrors.h"
#include "DBGrid.h"
#include "Dbebmdlg.h"
#include "Dbeconst.h"
#include "Panel.h"
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaProperty>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QScopedValueRollback>
#include <QWidget>
#include <algorithm>

std::function<void(TMsgDlgType)> TDBExtender::BeepObserver;

namespace {

// Every living extender, to find the one of a form.
std::vector<TDBExtender*>& Extenders()
{
    static std::vector<TDBExtender*> list;
    return list;
}

// Qt knows one alert sound; the kind still tells error from warning.
void AlertSound(TMsgDlgType kind)
{
    if (TDBExtender::BeepObserver) TDBExtender::BeepObserver(kind);
    else QApplication::beep();
}

[[noreturn]] void PlacementError(const QString& text)
{
    AlertSound(mtCustom);
    throw Exception(text);
}

// The application filter of the active form: hands key events to its extender.
class TDBEKeyRouter : public QObject {
public:
    TDBEKeyRouter(QObject* parent, std::function<bool(QObject*, QEvent*)> route)
        : QObject(parent), m_route(std::move(route))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override { return m_route(watched, event); }

private:
    std::function<bool(QObject*, QEvent*)> m_route;
};

bool Publishes(const QObject* o, const char* property)
{
    return o->metaObject()->indexOfProperty(property) >= 0;
}

TDataSource* PublishedSource(const QObject* o)
{
    return qobject_cast<TDataSource*>(o->property("DataSource").value<QObject*>());
}

// One level up, stopping below the form.
QObject* ParentBelow(const QObject* o, const QWidget* form)
{
    QObject* p = nullptr;
    if (o->isWidgetType()) p = static_cast<const QWidget*>(o)->parentWidget();
    else p = o->parent();
    return p == form ? nullptr : p;
}

TDataSet* LiveDataSet(const TDataSource* ds)
{
    TDataSet* set = ds ? ds->DataSet() : nullptr;
    return set && !set->Destroying() ? set : nullptr;
}

bool IsFilteredTable(const TDataSet* ds)
{
    const auto* t = qobject_cast<const TTable*>(ds);
    return t && t->Filtered();
}

}   // namespace

// ------------------------------------------------------------ user abort

EUserAbort::EUserAbort() : Exception(DBEString(DBEStr::UserAbort)) {}

namespace {

// Takes the first key press out of the pending events and remembers whether
// it was Escape; later presses pass on.
class TAbortPeek : public QObject {
public:
    bool Taken = false, Escape = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (Taken) return false;
        if (event->type() == QEvent::ShortcutOverride) {
            // No shortcut may fire for the key taken here.
            event->accept();
            return true;
        }
        if (event->type() != QEvent::KeyPress) return false;
        Taken = true;
        Escape = static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
        return true;
    }
};

}   // namespace

namespace {

bool g_escapeNoted = false;

// Eats the key press that follows a shortcut override the extender acted on,
// when the form's own routing is switched off meanwhile.
class TKeyPressSwallow : public QObject {
public:
    TKeyPressSwallow(int key, Qt::KeyboardModifiers modifiers, QObject* owner)
        : QObject(owner), m_key(key), m_modifiers(modifiers)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride) return false;
        // Only the very next key event can be the press; whatever comes, the work is done.
        QCoreApplication::instance()->removeEventFilter(this);
        deleteLater();
        const auto* ke = static_cast<QKeyEvent*>(event);
        if (type != QEvent::KeyPress || ke->key() != m_key || ke->modifiers() != m_modifiers) return false;
        event->accept();
        return true;
    }

private:
    int m_key;
    Qt::KeyboardModifiers m_modifiers;
};

}   // namespace

void NoteUserAbortKey(bool pending) { g_escapeNoted = pending; }

bool UserAbortKeyNoted() { return g_escapeNoted; }

void CheckUserAbort()
{
    if (!QCoreApplication::instance()) return;
    TAbortPeek peek;
    QCoreApplication::instance()->installEventFilter(&peek);
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(&peek);
    if (peek.Escape || g_escapeNoted) {
        g_escapeNoted = false;
        throw EUserAbort();
    }
}

// ------------------------------------------------------------ attachment

// Resources of a static library are linked in only when asked for.
static void InitCursorResources() { Q_INIT_RESOURCE(cursors); }

namespace {

// The search clock: thirteen frames from the program's resources, entered
// into the screen's cursor table once for all extenders.
void RegisterClockCursors()
{
    if (HasScreenCursor(DBEClockCursor)) return;
    InitCursorResources();
    for (int n = 0; n < DBEClockFrames; ++n) {
        QSvgRenderer svg(QStringLiteral(":/cursors/dbe_clock%1.svg").arg(n));
        QPixmap pm(32, 32);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        svg.render(&p);
        p.end();
        RegisterScreenCursor(DBEClockCursor + n, QCursor(pm, 16, 16));
    }
}

}   // namespace

TDBExtender::TDBExtender(QObject* owner) : QObject(owner)
{
    auto* ownerWidget = owner && owner->isWidgetType() ? static_cast<QWidget*>(owner) : nullptr;
    if (!ownerWidget) PlacementError(QStringLiteral("TDBExtender kann nur in ein Formular plaziert werden."));
    QWidget* form = ownerWidget->window();
    if (OfForm(form)) PlacementError(QStringLiteral("Ein TDBExtender pro Formular reicht."));

    m_form = form;
    Extenders().push_back(this);
    m_tables = std::make_unique<TTableList>(this);
    m_keyRouter = new TDBEKeyRouter(this, [this](QObject* w, QEvent* e) { return RouteKey(w, e); });
    m_indexPopup = new QMenu();
    m_shortCuts.OnChange = [this] {
        for (TDBENavClient* bar : std::vector<TDBENavClient*>(m_navigators)) bar->NavRebuildHints();
    };
    m_poss.fill(false);
    m_poss[nbUserBtn] = true;
    m_editMode = true;
    m_activeIf = form->isMinimized() ? m_ifMinimized : m_ifNormal;
    RegisterClockCursors();
    // Activation, window state and size of the form come through its events.
    form->installEventFilter(this);
}

TDBExtender::~TDBExtender()
{
    m_destroying = true;
    UnhookGridColumnEvent();
    ReleaseHooks();
    if (m_masterConnection) disconnect(m_masterConnection);
    for (TDBENavClient* bar : std::vector<TDBENavClient*>(m_navigators)) UnregisterNavigator(bar);
    // Open views share what the entries own: they go first.
    for (const auto& e : m_tables->Items()) {
        delete e->TableView.data();
        delete e->SingleRecView.data();
    }
    m_tables.reset();
    if (m_form) m_form->removeEventFilter(this);
    delete m_indexPopup;
    m_indexPopup = nullptr;
    auto& list = Extenders();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

TDBExtender* TDBExtender::OfForm(QWidget* form)
{
    if (!form) return nullptr;
    for (TDBExtender* e : Extenders())
        if (e->m_form == form && !e->m_destroying) return e;
    return nullptr;
}

bool TDBExtender::FormIsActive() const
{
    return m_form && QApplication::activeWindow() == m_form;
}

bool TDBExtender::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_form || m_destroying) return false;
    switch (event->type()) {
    case QEvent::WindowActivate:
        ChooseInterfaces();
        FormActivated();
        break;
    case QEvent::WindowDeactivate:
        ChooseInterfaces();
        FormDeactivated();
        break;
    case QEvent::WindowStateChange:
    case QEvent::Resize:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (FormIsActive()) ChooseInterfaces();
        break;
    default:
        break;
    }
    return false;
}

void TDBExtender::TakeHooks()
{
    if (m_hooked) return;
    m_hooked = true;
    qApp->installEventFilter(m_keyRouter);
    if (TApplication* app = TApplication::Instance()) {
        m_prevOnException =
            app->SetOnException([this](QObject* sender, const std::exception& e) { AppException(sender, e); });
        m_holdsException = true;
    }
    m_focusConnection = connect(qApp, &QApplication::focusChanged, this, &TDBExtender::ActiveControlChanged);
}

void TDBExtender::ReleaseHooks()
{
    if (!m_hooked) return;
    m_hooked = false;
    // The router stays: the release may come from inside its own filtering
    // (a key that opens a modal dialog).
    qApp->removeEventFilter(m_keyRouter);
    if (m_holdsException) {
        if (TApplication* app = TApplication::Instance()) app->SetOnException(m_prevOnException);
        m_prevOnException = nullptr;
        m_holdsException = false;
    }
    disconnect(m_focusConnection);
    m_focusConnection = {};
    m_keySeen = nullptr;
    m_keyPending = 0;
}

void TDBExtender::FormActivated()
{
    if (m_destroying || !m_form) return;
    TakeHooks();
    if (!m_scanned) {
        m_scanned = true;
        ScanForm();
    }
    if (FormOnActivate) FormOnActivate(this);
    ActiveControlChanged(nullptr, nullptr);
}

void TDBExtender::FormDeactivated()
{
    ReleaseHooks();
    HookGridColumnEvent(nullptr);
    if (FormOnDeactivate) FormOnDeactivate(this);
}

void TDBExtender::ScanForm()
{
    if (!m_form) return;
    for (QWidget* w : m_form->findChildren<QWidget*>()) {
        if (w->window() != m_form) continue;
        TDataSource* ds = nullptr;
        if (GetControlSource(w, ds) && ds) m_tables->FindOrAddBySource(ds);
    }
}

void TDBExtender::ActiveControlChanged(QWidget* old, QWidget* now)
{
    if (m_destroying || !m_form || m_inActiveControl) return;
    if (!FormIsActive()) return;
    QScopedValueRollback guard(m_inActiveControl, true);
    const bool fromScreen = old || now;
    CheckPoss();
    if (IncSrchAutoDisable && m_incSearchActive && fromScreen) HandleNBBtn(nbSearchInc);
    else SetIncSearchText(QString());
    NoticeDataSetChanged(m_currentSource);
    ShowLookupHint();
    QWidget* focused = FocusedControl();
    if (FormOnFocusControl) FormOnFocusControl(focused);
    if (focused && IsDBControl(focused)) HookGridColumnEvent(focused);
}

void TDBExtender::ShowLookupHint()
{
    if (m_poss[nbLookUp])
        ShowMessage(DBEFormat(DBEStr::LookupHint, {ShortCutToText(m_shortCuts.ShortCut(nbLookUp))}), mtInformation);
    else
        ShowMessage(QString(), mtInformation);
}

void TDBExtender::SetIncSearchText(const QString& s)
{
    if (s == m_incSearchText) return;
    m_incSearchText = s;
    for (TDBENavClient* bar : std::vector<TDBENavClient*>(m_navigators)) bar->NavIncSearchTextChanged();
    ShowStatus(m_currentSource);
}

// ------------------------------------------------------------ key routing

bool TDBExtender::RouteKey(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyRelease) {
        m_keySeen = nullptr;
        m_keyPending = 0;
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) return false;
    if (m_destroying || !watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w == m_form || !m_form->isAncestorOf(w)) return false;
    // The same event handed on to a parent was routed at its first receiver.
    if (event == m_keySeen && int(type) == m_keySeenType && m_keySeenAt && m_keySeenAt != w
        && w->isAncestorOf(static_cast<QWidget*>(m_keySeenAt.data())))
        return false;
    m_keySeen = event;
    m_keySeenType = int(type);
    m_keySeenAt = w;

    auto* ke = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress && m_keyPending && ke->key() == m_pendingKey
        && int(ke->modifiers()) == m_pendingModifiers) {
        // Decided already at its shortcut override.
        const bool swallow = m_keyPending == 1;
        m_keyPending = 0;
        if (swallow) event->accept();
        return swallow;
    }
    m_keyPending = 0;
    if (!FormIsActive()) return false;

    bool handled = true;   // no shortcuts, or a search running: the key is dropped
    if (m_activeIf.Contains(ieShortCuts) && BusyCount <= 0) handled = ProcessPhysicalKey(ke);
    // Escape dropped during a search still asks the search to stop.
    else if (BusyCount > 0 && ke->key() == Qt::Key_Escape) NoteUserAbortKey(true);
    if (type == QEvent::ShortcutOverride) {
        m_keyPending = handled ? 1 : 2;
        m_pendingKey = ke->key();
        m_pendingModifiers = int(ke->modifiers());
        // The action may have shown a modal box, which takes this routing
        // away with the form's activation; its press must still not reach
        // the control (Ctrl+Del would start editing the record).
        if (handled && !FormIsActive()) new TKeyPressSwallow(ke->key(), ke->modifiers(), this);
    }
    if (handled) event->accept();
    return handled;
}

bool TDBExtender::ProcessPhysicalKey(QKeyEvent* event)
{
    int key = VirtualKeyOf(event);
    const TShiftState shift = ShiftStateOf(event->modifiers());
    bool handled = false;
    try {
        if (FormOnKeyPhysical) FormOnKeyPhysical(key, shift, handled);
        if (!handled) {
            m_keyText = event->text();
            handled = ProcessKey(key, shift);
        }
    } catch (...) {
        m_keyText.clear();
        ::HandleException(this);
        handled = false;
    }
    return handled;
}

// ------------------------------------------------------------ data controls

bool TDBExtender::IsDBControl(QObject* control)
{
    for (QObject* o = control; o && o != m_form; o = ParentBelow(o, m_form)) {
        if (Publishes(o, "DataSource")) return true;
        if (IsDBComponent) {
            bool aware = false;
            IsDBComponent(o, aware);
            if (aware) return true;
        }
    }
    return false;
}

bool TDBExtender::GetControlSource(QObject* control, TDataSource*& ds)
{
    ds = nullptr;
    if (m_stayOnMaster == somAllFuncs && m_masterSource) {
        ds = m_masterSource;
        return true;
    }
    for (QObject* o = control; o && o != m_form; o = ParentBelow(o, m_form)) {
        if (Publishes(o, "DataSource")) {
            ds = PublishedSource(o);
        } else {
            if (GetComponentDS) GetComponentDS(o, ds);
            if (ComponentDS) ComponentDS(o, ds, true);
        }
        if (ds) return true;
    }
    return false;
}

bool TDBExtender::GetControlInfo(QObject* control, TDataSource*& ds, bool& readOnly, int& fieldNo, TField*& field,
                                 TDataSet*& dataSet)
{
    ds = nullptr;
    readOnly = true;
    fieldNo = -1;
    field = nullptr;
    dataSet = nullptr;
    if (!GetControlSource(control, ds) || !ds) return false;
    TDataSet* set = LiveDataSet(ds);

    for (QObject* o = control; o && o != m_form; o = ParentBelow(o, m_form)) {
        if (Publishes(o, "ReadOnly")) {
            readOnly = o->property("ReadOnly").toBool();
        } else if (ComponentRO) {
            bool ro = readOnly;
            ComponentRO(o, ro, true);
            readOnly = ro;
        }
        const bool hasDataField = Publishes(o, "DataField");
        if (hasDataField) {
            field = set ? set->FindField(o->property("DataField").toString()) : nullptr;
        } else if (auto* grid = qobject_cast<TDBGrid*>(o)) {
            field = grid->SelectedField();
        } else {
            if (GetComponentFld) GetComponentFld(o, field);
            if (ComponentFld) ComponentFld(o, field, true);
        }
        if (hasDataField || field) break;
    }

    dataSet = set;
    // A grid may show another data set than the source's (the master source
    // serves every control); its field counts unless its data set is going.
    if (field && (!field->DataSet() || field->DataSet()->Destroying())) field = nullptr;
    if (!readOnly && (!dataSet || !dataSet->CanModify())) readOnly = true;
    if (field) {
        switch (field->FieldKind()) {
        case fkData:
            fieldNo = field->FieldNo();
            readOnly = readOnly || field->ReadOnly();
            break;
        case fkLookup:
            fieldNo = -1;
            readOnly = readOnly || field->ReadOnly();
            break;
        default:
            fieldNo = -1;
            readOnly = true;
            break;
        }
    }
    return true;
}

QWidget* TDBExtender::FocusedControl() const
{
    if (!m_form) return nullptr;
    QWidget* w = m_form->focusWidget();
    return w == m_form ? nullptr : w;
}

// ------------------------------------------------------------ data notices

void TDBExtender::NoticeActiveChanged(TDataSource* ds)
{
    if (m_destroying) return;
    for (TDBENavClient* bar : std::vector<TDBENavClient*>(m_navigators)) bar->NavActiveChanged(ds);
    if (OnActiveChanged) OnActiveChanged(this, ds);
    ShowStatus(ds);
}

void TDBExtender::NoticeDataSetChanged(TDataSource* ds)
{
    if (m_destroying) return;
    ShowMessage(QString(), mtInformation);
    CheckPoss();
    for (TDBENavClient* bar : std::vector<TDBENavClient*>(m_navigators)) bar->NavDataSetChanged(ds);
    if (OnDataSetChanged) OnDataSetChanged(this, ds);
    ShowStatus(ds);
}

void TDBExtender::NoticeDataSetScrolled(TDataSource* ds)
{
    if (m_destroying) return;
    ShowMessage(QString(), mtInformation);
    CheckPoss();
    for (TDBENavClient* bar : std::vector<TDBENavClient*>(m_navigators)) bar->NavDataSetScrolled(ds);
    if (OnDataSetScrolled) OnDataSetScrolled(this, ds);
    ShowStatus(ds);
}

void TDBExtender::NoticeEditingChanged(TDataSource* ds)
{
    if (m_destroying) return;
    CheckPoss();
    for (TDBENavClient* bar : std::vector<TDBENavClient*>(m_navigators)) bar->NavEditingChanged(ds);
    ShowLookupHint();
    if (OnEditingChanged) OnEditingChanged(this, ds);
    ShowStatus(ds);
}

void TDBExtender::NoticeFilterChanged(TDataSource* ds)
{
    if (m_destroying) return;
    if (TTableDefs* entry = ds ? m_tables->FindBySource(ds) : nullptr) m_filterState = entry->FilterState();
    if (OnFilterChanged) OnFilterChanged(this, qobject_cast<TDBDataSet*>(LiveDataSet(ds)));
    NoticeDataSetChanged(ds);
}

// ------------------------------------------------------------ properties

void TDBExtender::SetAllowKeys(TAllowKeys keys)
{
    m_allowKeys = keys;
    CheckPoss();
    NoticeDataSetChanged(m_currentSource);
}

void TDBExtender::SetIncSrchOnlyIfIndexed(bool on)
{
    m_incSrchOnlyIfIndexed = on;
    CheckPoss();
    NoticeDataSetChanged(m_currentSource);
}

void TDBExtender::SetDBGridComponents(const QStringList& lines) { m_gridComponents = lines; }

void TDBExtender::SetNoSelectNext(const QStringList& classes) { m_noSelectNext = classes; }

void TDBExtender::SetShowStatusOptions(TDBShowStatusSet s)
{
    m_showStatus = s;
    TDataSource* ds = nullptr;
    if (QWidget* c = FocusedControl(); c && GetControlSource(c, ds) && ds) {
        m_tables->FindOrAddBySource(ds);
        ShowStatus(ds);
    }
}

void TDBExtender::SetStatusPanel(TPanel* p)
{
    m_statusPanel = p;
    TDataSource* ds = nullptr;
    if (QWidget* c = FocusedControl(); c && GetControlSource(c, ds) && ds) {
        m_tables->FindOrAddBySource(ds);
        ShowStatus(ds);
    }
}

void TDBExtender::SetMessagePanel(TPanel* p) { m_messagePanel = p; }

void TDBExtender::SetMasterSource(TDataSource* src)
{
    TDataSource* old = m_masterSource;
    if (src != old) {
        if (m_currentSource == old) m_currentSource = src;
        if (m_masterConnection) disconnect(m_masterConnection);
        m_masterConnection = {};
        // A master destroyed with its form is dropped as if set to none.
        if (src) m_masterConnection = connect(src, &QObject::destroyed, this, [this] { MasterDestroyed(); });
    }
    m_masterSource = src;
    if (src) m_tables->FindOrAddBySource(src);
    else m_stayOnMaster = somNo;
    NoticeDataSetChanged(src);
}

void TDBExtender::MasterDestroyed()
{
    m_masterConnection = {};
    m_masterSource = nullptr;
    m_stayOnMaster = somNo;
    if (m_destroying || !m_form) return;
    NoticeDataSetChanged(nullptr);
}

void TDBExtender::SetStayOnMasterSource(TStayOnMasterSource v)
{
    m_stayOnMaster = m_masterSource ? v : somNo;
    if (m_masterSource) m_tables->FindOrAddBySource(m_masterSource);
    CheckPoss();
    NoticeDataSetChanged(m_currentSource);
}

void TDBExtender::SetUseNonVisFields(bool on)
{
    m_useNonVisFields = on;
    m_tables->SetBookmarkOptions(m_bmKeepOnlyIndex, m_useNonVisFields, m_allowMasterMove, m_allowUserAbort);
}

void TDBExtender::SetBMKeepOnlyIndex(bool on)
{
    m_bmKeepOnlyIndex = on;
    m_tables->SetBookmarkOptions(m_bmKeepOnlyIndex, m_useNonVisFields, m_allowMasterMove, m_allowUserAbort);
}

void TDBExtender::SetAllowUserAbort(bool on)
{
    m_allowUserAbort = on;
    m_tables->SetBookmarkOptions(m_bmKeepOnlyIndex, m_useNonVisFields, m_allowMasterMove, m_allowUserAbort);
}

void TDBExtender::SetAllowMasterMove(bool on)
{
    m_allowMasterMove = on;
    m_tables->SetBookmarkOptions(m_bmKeepOnlyIndex, m_useNonVisFields, m_allowMasterMove, m_allowUserAbort);
}

void TDBExtender::SetUseTextIncSrchBtn(bool on)
{
    m_useTextIncSrchBtn = on;
    for (TDBENavClient* bar : std::vector<TDBENavClient*>(m_navigators)) bar->NavSetUseTextIncSrchBtn(on);
}

void TDBExtender::SetFlatNavBtns(bool on)
{
    m_flatNavBtns = on;
    for (TDBENavClient* bar : std::vector<TDBENavClient*>(m_navigators)) bar->NavSetFlatButtons(on);
}

void TDBExtender::SetShortCuts(const TDBEShortCuts& sc)
{
    // Assign raises OnChange, which has the bars rebuild their hints.
    m_shortCuts.Assign(sc);
}

void TDBExtender::SetInterfacesNormal(TInterfacesEnabledSet s)
{
    m_ifNormal = s;
    if (m_form && !m_form->isMinimized()) SetActiveInterfaces(s);
}

void TDBExtender::SetInterfacesMinimized(TInterfacesEnabledSet s)
{
    m_ifMinimized = s;
    if (m_form && m_form->isMinimized()) SetActiveInterfaces(s);
}

// ------------------------------------------------------------ bars and settings

void TDBExtender::RegisterNavigator(TDBENavClient* bar)
{
    if (!bar || std::find(m_navigators.begin(), m_navigators.end(), bar) != m_navigators.end()) return;
    m_navigators.push_back(bar);
    bar->NavSetUseTextIncSrchBtn(m_useTextIncSrchBtn);
    bar->NavSetFlatButtons(m_flatNavBtns);
    bar->NavRefresh();
}

void TDBExtender::UnregisterNavigator(TDBENavClient* bar)
{
    auto it = std::find(m_navigators.begin(), m_navigators.end(), bar);
    if (it == m_navigators.end()) return;
    bar->NavDetached();
    m_navigators.erase(std::find(m_navigators.begin(), m_navigators.end(), bar));
    bar->NavRefresh();
}

QString TDBExtender::GetTblDesc(TDataSet* ds) const
{
    if (!ds || ds->Destroying()) return QString();
    const auto* t = qobject_cast<const TTable*>(ds);
    const QString name = t ? t->TableName() : ds->Name();
    QString desc = name;
    if (GetTblDescription) GetTblDescription(name, desc);
    return desc;
}

TDataSource* TDBExtender::GetCurrentSource()
{
    if (!m_form || m_destroying) return nullptr;
    if (m_currentSource) return m_currentSource;
    TDataSource* ds = nullptr;
    if (FormIsActive())
        if (QWidget* c = FocusedControl()) GetControlSource(c, ds);
    if (!ds) ds = m_masterSource;
    m_currentSource = ds;
    return ds;
}

void TDBExtender::AssignSettings(const TDBExtender& o)
{
    SetBMKeepOnlyIndex(o.m_bmKeepOnlyIndex);
    ErrorBeep = o.ErrorBeep;
    MoveBy = o.MoveBy;
    ShowSearchClock = o.ShowSearchClock;
    SetShowStatusOptions(o.m_showStatus);
    SetUseNonVisFields(o.m_useNonVisFields);
    GetTblDescription = o.GetTblDescription;
    GetIdxDescription = o.GetIdxDescription;
    SetUseTextIncSrchBtn(o.m_useTextIncSrchBtn);
    SetFlatNavBtns(o.m_flatNavBtns);
    UseIndexPopup = o.UseIndexPopup;
    IncSrchAutoDisable = o.IncSrchAutoDisable;
    SetIncSrchOnlyIfIndexed(o.m_incSrchOnlyIfIndexed);
    AutoRefresh = o.AutoRefresh;
    SetAllowUserAbort(o.m_allowUserAbort);
    TVSynchronIsDefault = o.TVSynchronIsDefault;
    TVShowSRVBtn = o.TVShowSRVBtn;
    SetAllowMasterMove(o.m_allowMasterMove);
    BorderStyleTblView = o.BorderStyleTblView;
    BorderStyleLookUp = o.BorderStyleLookUp;
    BorderStyleBookmark = o.BorderStyleBookmark;
    BorderStyleMemo = o.BorderStyleMemo;
    BorderStyleGraphic = o.BorderStyleGraphic;
    BorderStyleSingleRec = o.BorderStyleSingleRec;
    SetShortCuts(o.m_shortCuts);
    SetInterfacesNormal(o.m_ifNormal);
    SetInterfacesMinimized(o.m_ifMinimized);
    SetNoSelectNext(o.m_noSelectNext);
    IncSrchCharCase = o.IncSrchCharCase;
    HideBtnGlyphs = o.HideBtnGlyphs;
    LUAutoIncSrch = o.LUAutoIncSrch;
    LUReadOnly = o.LUReadOnly;
    LUAutoEdit = o.LUAutoEdit;
    LUManageGlobalEdit = o.LUManageGlobalEdit;
    TVManageGlobalEdit = o.TVManageGlobalEdit;
    SRVLayout = o.SRVLayout;
    SRVUseCBOnBoolean = o.SRVUseCBOnBoolean;
    SRVUseDBLUComboBox = o.SRVUseDBLUComboBox;
    SRVRebuildOnResize = o.SRVRebuildOnResize;
    SRVMemoMaxWidth = o.SRVMemoMaxWidth;
    SRVReadOnly = o.SRVReadOnly;
    SRVAutoEdit = o.SRVAutoEdit;
    SRVManageGlobalEdit = o.SRVManageGlobalEdit;
    SRVSynchronIsDefault = o.SRVSynchronIsDefault;
    SRVGenAccelChars = o.SRVGenAccelChars;
    IndexNamesAs = o.IndexNamesAs;
    ExactBOF_EOF = o.ExactBOF_EOF;
    OnSpecialForm = o.OnSpecialForm;
    OnSpecialFormShow = o.OnSpecialFormShow;
    OnSpecialFormCloseQuery = o.OnSpecialFormCloseQuery;
    GetLookupDef = o.GetLookupDef;
    GetExtLookupDef = o.GetExtLookupDef;
    AfterAssignFromLookup = o.AfterAssignFromLookup;
    BeforeAssignFromLookup = o.BeforeAssignFromLookup;
    AfterAssignFromLUField = o.AfterAssignFromLUField;
    BeforeAssignFromLUField = o.BeforeAssignFromLUField;
    ComponentDS = o.ComponentDS;
    ComponentFld = o.ComponentFld;
    ComponentRO = o.ComponentRO;
    SRVClassForField = o.SRVClassForField;
    SRVInitControl = o.SRVInitControl;
    SRVSetControlSize = o.SRVSetControlSize;
}

// ------------------------------------------------------------ status

int TDBExtender::RecNoOf(TDataSet* ds) const
{
    if (!ds || !ds->Active() || (ds->State() != dsBrowse && ds->State() != dsEdit)) return 0;
    try {
        return ds->RecNo();
    } catch (...) {
        return 0;
    }
}

int TDBExtender::RecCountOf(TDataSet* ds) const
{
    if (!ds || !ds->Active()) return 0;
    try {
        return ds->RecordCount();
    } catch (...) {
        return 0;
    }
}

void TDBExtender::ShowStatus(TDataSource* ds)
{
    if (ds != m_currentSource.data()) return;
    TStatusRec rec;
    rec.DataSource = ds;
    bool handled = false;
    TDataSet* set = LiveDataSet(ds);
    if (!ds || !set || !ds->Enabled() || !set->Active()) {
        if (OnShowStatus) OnShowStatus(this, rec, handled);
        if (!handled && m_statusPanel) m_statusPanel->SetCaption(QString());
        return;
    }

    const bool isDB = qobject_cast<TDBDataSet*>(set) != nullptr;
    const TDBShowStatusSet opt = m_showStatus;
    rec.RecCount = opt.Contains(ssRecCount) && isDB ? RecCountOf(set) : 0;
    rec.RecNo = opt.Contains(ssRecNo) && isDB ? RecNoOf(set) : 0;
    rec.TblDesc = GetTblDesc(set);
    rec.IncSrchText = m_incSearchText;

    // While a filter hides records the count would mislead: only the number.
    const bool countShown = m_filterState != 3 && !IsFilteredTable(set);
    QString t;
    if (set->State() == dsInsert) {
        if (opt.Contains(ssTblName)) t = QLatin1Char('[') + rec.TblDesc + QStringLiteral("] ");
        if (opt.Contains(ssInsert) && isDB) t += QStringLiteral("Neuer Datensatz");
    } else {
        if (rec.RecCount != 0) {
            if (opt.Contains(ssRecNo) && rec.RecNo > 0) {
                t = QString::number(rec.RecNo);
                if (opt.Contains(ssRecCount) && countShown) t += QStringLiteral(" von ");
            }
            if (opt.Contains(ssRecCount) && isDB && countShown) t += QString::number(rec.RecCount);
        } else if (opt.Contains(ssRecCount)) {
            t += QStringLiteral("Leere Tabelle");
        }
        if (opt.Contains(ssTblName)) t += QStringLiteral(" [") + rec.TblDesc + QLatin1Char(']');
        if (opt.Contains(ssEdit) && set->State() == dsEdit) t += QStringLiteral(" Editieren");
    }
    if (m_incSearchActive) {
        t += QLatin1Char(' ');
        t += m_useTextIncSrchBtn ? DBEString(DBEStr::SearchMode) : DBEFormat(DBEStr::SearchText, {m_incSearchText});
    }
    rec.StatusText = t;
    if (OnShowStatus) OnShowStatus(this, rec, handled);
    if (!handled && m_statusPanel && m_activeIf.Contains(ieDisplay)) m_statusPanel->SetCaption(rec.StatusText);
}

// ------------------------------------------------------------ messages

void TDBExtender::ShowMessage(const QString& text, TMsgDlgType type)
{
    QString msg = text;
    bool handled = false;
    if (OnShowMessage) OnShowMessage(this, msg, type, handled);
    if (handled || !m_activeIf.Contains(ieDisplay)) return;
    // An empty message must not wipe the status sharing its panel.
    if (msg.isEmpty() && m_messagePanel == m_statusPanel) return;
    if (ErrorBeep && (type == mtError || type == mtWarning)) AlertSound(type);
    if (m_messagePanel) m_messagePanel->SetCaption(msg);
    else if (type == mtError || type == mtWarning) MessageDlg(msg, type, mbOK);
}

void TDBExtender::ClearMessage()
{
    QString msg;
    bool handled = false;
    if (OnShowMessage) OnShowMessage(this, msg, mtInformation, handled);
    if (!handled && m_messagePanel) m_messagePanel->SetCaption(QString());
}

// ------------------------------------------------------------ exceptions

void TDBExtender::ChainException(QObject* sender, const std::exception& e)
{
    if (m_prevOnException) {
        // A copy: the chained handler may replace handlers on its way.
        TExceptionEvent prev = m_prevOnException;
        prev(sender, e);
    } else {
        TApplication::ShowException(e);
    }
}

void TDBExtender::AppException(QObject* sender, const std::exception& e)
{
    if (!FormIsActive() || m_destroying) {
        ChainException(sender, e);
        return;
    }
    bool handled = false;
    if (FormOnException) FormOnException(sender, e, handled);
    if (handled) return;
    if (HandleDBExceptions) {
        if (dynamic_cast<const EDatabaseError*>(&e) || dynamic_cast<const EDBEFilter*>(&e)
            || dynamic_cast<const EDBEFilterDefError*>(&e) || dynamic_cast<const EDBEBookMarks*>(&e)) {
            ShowMessage(ExceptionText(e), mtError);
            return;
        }
        if (dynamic_cast<const EUserAbort*>(&e)) {
            ShowMessage(ExceptionText(e), mtInformation);
            return;
        }
    }
    ChainException(sender, e);
}

// ------------------------------------------------------------ interface sets

void TDBExtender::ChooseInterfaces()
{
    if (!m_form || m_destroying) return;
    SetActiveInterfaces(m_form->isMinimized() ? m_ifMinimized : m_ifNormal);
}

void TDBExtender::SetActiveInterfaces(TInterfacesEnabledSet s)
{
    if (s == m_activeIf) return;
    const TInterfacesEnabledSet old = m_activeIf;
    m_activeIf = s;
    if (old.IsEmpty()) CheckPoss();
    const std::vector<TDBENavClient*> bars(m_navigators);
    for (TDBENavClient* bar : bars) bar->NavRebuildHints();
    if (old.Contains(ieNavbars) != s.Contains(ieNavbars))
        for (TDBENavClient* bar : bars) bar->NavRefresh();
    for (TDBENavClient* bar : bars) bar->NavInterfacesChanged();
    if (old.Contains(ieDisplay) != s.Contains(ieDisplay)) {
        ClearMessage();
        ShowStatus(m_currentSource);
    }
    if (OnChangePoss) OnChangePoss(this);
}

// ------------------------------------------------------------ editing mode

void TDBExtender::SetManageGlobalEdit(bool on)
{
    if (on == m_manageGlobalEdit) return;
    if (on) {
        m_manageGlobalEdit = true;
        SetEditMode(false);
    } else {
        SetEditMode(true);
        m_manageGlobalEdit = false;
    }
}

void TDBExtender::SetEditMode(bool on)
{
    if (m_destroying || !m_manageGlobalEdit || m_editMode == on) return;
    bool canChange = true;
    if (OnEditChange) OnEditChange(this, on, canChange);
    if (!canChange) return;
    m_editMode = on;
    try {
        if (on) MakeControlsWritable();
        else MakeControlsReadOnly();
    } catch (...) {
        AfterEditModeChange();
        throw;
    }
    AfterEditModeChange();
}

void TDBExtender::AfterEditModeChange()
{
    CheckPoss();
    for (TDBENavClient* bar : std::vector<TDBENavClient*>(m_navigators)) bar->NavRefresh();
}

void TDBExtender::MakeControlsWritable()
{
    const std::vector<QPointer<QObject>> list = std::move(m_readOnlyControls);
    m_readOnlyControls.clear();
    for (const QPointer<QObject>& c : list) {
        if (!c) continue;
        if (Publishes(c, "ReadOnly")) {
            c->setProperty("ReadOnly", false);
        } else if (ComponentRO) {
            bool ro = false;
            ComponentRO(c, ro, false);
        }
    }
}

void TDBExtender::MakeControlsReadOnly()
{
    m_tables->PostAll();
    if (!m_form) return;
    for (QWidget* w : m_form->findChildren<QWidget*>())
        if (w->window() == m_form) MakeReadOnly(w);
}

void TDBExtender::MakeReadOnly(QWidget* w)
{
    const QMetaObject* mo = w->metaObject();
    const int idx = mo->indexOfProperty("ReadOnly");
    if (idx >= 0) {
        const QMetaProperty p = mo->property(idx);
        if (p.isWritable() && !p.read(w).toBool()) {
            p.write(w, true);
            m_readOnlyControls.emplace_back(w);
        }
    } else if (ComponentRO) {
        bool ro = true;   // a control the handler does not know stays alone
        ComponentRO(w, ro, true);
        if (!ro) {
            bool set = true;
            ComponentRO(w, set, false);
            m_readOnlyControls.emplace_back(w);
        }
    }
}

void TDBExtender::FollowEditMode(QWidget* control)
{
    if (m_destroying || !control || !m_manageGlobalEdit || m_editMode) return;
    MakeReadOnly(control);
    for (QWidget* w : control->findChildren<QWidget*>()) MakeReadOnly(w);
}
