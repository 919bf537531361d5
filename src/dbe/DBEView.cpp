// The frame of the views with an extender and a bar of their own.
#include "DBEView.h"
#include "Application.h"
#include "BusyCursor.h"
#include "DBENav.h"
#include "DBErrors.h"
#include "DBGrid.h"
#include "Dbeconst.h"
#include "KeyCodes.h"
#include "Panel.h"
#include "Table.h"
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>
#include <memory>

namespace {

QStringList SplitList(const QString& list)
{
    QStringList out;
    for (const QString& s : list.left(255).split(u';')) out << s.trimmed();
    if (out.size() == 1 && out.first().isEmpty()) out.clear();
    return out;
}

TFieldDesc DescOf(const TField* f)
{
    TFieldDesc d;
    d.FieldName = f->FieldName();
    d.FieldKind = f->FieldKind();
    d.DisplayLabel = f->DisplayLabel();
    d.DisplayFormat = f->DisplayFormat();
    d.DisplayWidth = f->DisplayWidth();
    d.Visible = f->Visible();
    if (f->FieldKind() == fkLookup) {
        d.DataType = f->DataType();
        d.Size = f->Size();
        d.KeyFields = f->KeyFields();
        d.LookupDataSet = f->LookupDataSet();
        d.LookupKeyFields = f->LookupKeyFields();
        d.LookupResultField = f->LookupResultField();
    }
    return d;
}

bool MeansNotFound(const EDBEngineError& e)
{
    const int c = e.ErrorCode();
    return c == DbiErr::RECNOTFOUND || c == DbiErr::OUTOFRANGE || c == DbiErr::BOF || c == DbiErr::EOF_;
}

}   // namespace

std::vector<TFieldDesc> ViewFieldDescs(TDataSet* table, const QString& fieldList, const QString& labelList)
{
    std::vector<TFieldDesc> out;
    if (!table) return out;
    std::vector<const TField*> fields;
    for (const auto& f : table->Fields())
        if (f->FieldKind() != fkCalculated) fields.push_back(f.get());
    const QStringList names = SplitList(fieldList);
    if (names.isEmpty()) {
        for (const TField* f : fields) out.push_back(DescOf(f));
        return out;
    }
    const QStringList labels = SplitList(labelList);
    const bool useLabels = labels.size() == names.size();
    std::vector<const TField*> listed;
    for (int i = 0; i < names.size(); ++i) {
        const TField* f = table->FindField(names.at(i));
        if (!f || f->FieldKind() == fkCalculated || std::find(listed.begin(), listed.end(), f) != listed.end())
            continue;
        listed.push_back(f);
        TFieldDesc d = DescOf(f);
        d.Visible = true;
        if (useLabels && !labels.at(i).isEmpty()) d.DisplayLabel = labels.at(i);
        out.push_back(d);
    }
    // The others stay in the copy for searching and bookmarks, hidden.
    for (const TField* f : fields) {
        if (std::find(listed.begin(), listed.end(), f) != listed.end()) continue;
        TFieldDesc d = DescOf(f);
        d.Visible = false;
        out.push_back(d);
    }
    return out;
}

// ------------------------------------------------------------ the frame

TDBEViewForm::TDBEViewForm(TDBExtender* caller, TDataSet* ds, const TFormEventRec& rec, const TNames& names)
    : TDBEForm(caller, rec), m_caller(caller), m_callerDs(ds), m_rec(rec)
{
    BuildFrame(names);
    Source = new TDataSource(this);
    Source->setObjectName(names.Extender + QStringLiteral("Source"));
    Source->SetAutoEdit(false);

    m_ext = new TDBExtender(this);
    m_ext->setObjectName(names.Extender);
    m_ext->AutoRefresh = armNone;
    m_ext->SetAllowKeys(rec.AllowKeys);
    if (caller) m_ext->AssignSettings(*caller);
    m_ext->SetManageGlobalEdit(rec.ManageGlobalEdit);
    m_ext->SetStatusPanel(StatusPanel);
    m_ext->SetMessagePanel(StatusPanel);
    m_ext->FormOnKeyPhysical = [this](int& key, TShiftState shift, bool& handled) { FormKey(key, shift, handled); };
    m_ext->FormOnException = [this](QObject*, const std::exception& e, bool& handled) { FormException(e, handled); };
    Nav->SetDBExtender(m_ext);

    OpenData(ds);
    m_ext->SetMasterSource(Source);
    if (!m_copy && caller) {
        // Bookmarks and filter are those of the opening form.
        TTableDefs* own = m_ext->Tables().FindOrAddBySource(Source);
        TTableDefs* theirs = caller->Tables().FindByDataSet(ds);
        if (own && theirs) own->ShareWith(theirs);
    }
    if (!m_copy) {
        // Nothing to cancel: OK takes the place of "Abbruch".
        CancelBtn->hide();
        OKBtn->move(CancelBtn->geometry().right() + 1 - OKBtn->width(), OKBtn->y());
    }
    FrameButtons(UserBtn, {OKBtn, CancelBtn});
}

TDBEViewForm::~TDBEViewForm()
{
    // The extender first: a source emptied under it would reset the entry
    // it shares with the caller and drop the caller's bookmarks.
    delete m_ext;
    m_ext = nullptr;
    delete m_center.data();
    delete Source;
    delete m_copy;
}

void TDBEViewForm::BuildFrame(const TNames& names)
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    TopPanel = new TPanel(this);
    TopPanel->setObjectName(QStringLiteral("BetaVLabel"));
    TopPanel->setFixedHeight(31);
    TopPanel->SetBevelOuter(bvNone);
    Nav = new TDBENavigator(TopPanel);
    Nav->setObjectName(names.Navigator);
    Nav->BeginLoading();
    Nav->SetVisBtnsSearch(m_rec.VisBtnsSearch);
    Nav->SetVisBtnsMove(m_rec.VisBtnsMove);
    Nav->SetVisBtnsRecord(m_rec.VisBtnsRecord);
    Nav->SetVisBtnsExtend(m_rec.VisBtnsExtend);
    Nav->SetButtonWidth(25);
    Nav->SetButtonHeight(25);
    Nav->SetIncSrchWidth(60);
    Nav->SetAddSCHint(ahBoth);
    Nav->SetAlign(TNavAlign::Top);
    Nav->EndLoading();
    m_layout->addWidget(TopPanel);
    // An MDI child shows no bar of its own.
    if (m_rec.FormStyle != 0) TopPanel->hide();

    BottomPanel = new TPanel(this);
    BottomPanel->setObjectName(QStringLiteral("BottomPanel"));
    BottomPanel->setFixedHeight(38);
    BottomPanel->SetBevelOuter(bvNone);
    auto* row = new QHBoxLayout(BottomPanel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    UserBtnPanel = new TPanel(BottomPanel);
    UserBtnPanel->setObjectName(QStringLiteral("UserBtnPanel"));
    UserBtnPanel->SetBevelOuter(bvNone);
    UserBtnPanel->setFixedWidth(86);
    UserBtn = new QPushButton(UserBtnPanel);
    UserBtn->setGeometry(3, 4, 80, 30);
    StatusPanel = new TPanel(BottomPanel);
    StatusPanel->setObjectName(names.StatusPanel);
    StatusPanel->SetBevelOuter(bvLowered);
    StatusPanel->SetAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StatusPanel->setMinimumWidth(40);
    StatusPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Panel1 = new TPanel(BottomPanel);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->SetBevelOuter(bvNone);
    Panel1->setFixedWidth(173);
    OKBtn = GlyphButton(bkOK, QStringLiteral("&OK"), QStringLiteral("OKBtn"));
    OKBtn->setParent(Panel1);
    OKBtn->show();
    OKBtn->setGeometry(2, 4, 80, 30);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    CancelBtn = GlyphButton(bkCancel, DBEString(59581), QStringLiteral("CancelBtn"));
    CancelBtn->setParent(Panel1);
    CancelBtn->show();
    CancelBtn->setGeometry(85, 4, 85, 30);
    SetModalResult(CancelBtn, mrCancel);
    row->addWidget(UserBtnPanel);
    row->addWidget(StatusPanel, 1);
    row->addWidget(Panel1);
    m_layout->addWidget(BottomPanel);
}

void TDBEViewForm::SetCenter(QWidget* w)
{
    w->setParent(this);
    m_center = w;
    m_layout->insertWidget(1, w, 1);
}

TDBGrid* TDBEViewForm::CenterGrid(const QString& name)
{
    auto* grid = new TDBGrid(this);
    grid->setObjectName(name);
    TDBGridOptions options = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs;
    if (!m_rec.ReadOnly) options |= dgConfirmDelete | dgCancelOnExit;
    grid->SetOptions(options);
    grid->SetReadOnly(m_rec.ReadOnly && !m_rec.ManageGlobalEdit);
    Source->SetAutoEdit(m_rec.AutoEdit);
    grid->SetDataSource(Source);
    SetCenter(grid);
    return grid;
}

void TDBEViewForm::OpenData(TDataSet* ds)
{
    if (m_rec.Synchron || !qobject_cast<TDBDataSet*>(ds)) {
        Source->SetDataSet(ds);
        return;
    }
    std::unique_ptr<TTable> copy(SecondTable(static_cast<TDBDataSet*>(ds), nullptr, m_rec.ReadOnly, false, false));
    copy->setObjectName(ds->objectName());
    copy->DeclareFields(ViewFieldDescs(ds, m_rec.FieldList, m_rec.LabelList));
    copy->Open();
    // What a field description does not carry.
    for (const auto& f : copy->Fields()) {
        const TField* from = ds->FindField(f->FieldName());
        if (!from) continue;
        f->SetEditFormat(from->EditFormat());
        f->SetDisplayValues(from->DisplayValues());
        f->SetReadOnly(from->ReadOnly());
        f->SetRequired(from->Required());
    }
    if (ds->Active() && !ds->IsEmpty() && ds->State() == dsBrowse) {
        try {
            if (copy->BeforeScroll) copy->BeforeScroll(copy.get());
            copy->GotoCursorOf(ds);
            if (copy->AfterScroll) copy->AfterScroll(copy.get());
        } catch (const EDBEngineError& e) {
            if (!MeansNotFound(e)) throw;
        }
    }
    m_copy = copy.release();
    m_copy->setParent(this);
    Source->SetDataSet(m_copy);
}

TDataSet* TDBEViewForm::ShownDataSet() const { return Source ? Source->DataSet() : nullptr; }

TField* TDBEViewForm::CallerField() const
{
    TDataSet* shown = ShownDataSet();
    if (!m_rec.Field || !shown) return nullptr;
    return shown->FindField(m_rec.Field->FieldName());
}

bool TDBEViewForm::MoveCaller()
{
    if (!m_copy) return true;
    TDataSet* target = m_callerDs;
    if (!target || target->Destroying() || !target->Active()) return false;
    if (!m_copy->Active() || m_copy->IsEmpty()) return true;
    auto* table = qobject_cast<TTable*>(target);
    if (table && table->MasterSource() && m_ext->AllowMasterMove()) {
        m_ext->ShowMessage(DBEString(DBEStr::SearchMaster), mtInformation);
        bool found = false;
        {
            TBusyCursor busy;
            found = LocateRecord(table, m_copy, m_ext->AllowUserAbort());
        }
        if (found) m_ext->ClearMessage();
        else m_ext->ShowMessage(DBEString(59585), mtError);
        return found;
    }
    if (target->BeforeScroll) target->BeforeScroll(target);
    bool found = true;
    try {
        target->GotoCursorOf(m_copy);
    } catch (const EDBEngineError& e) {
        if (!MeansNotFound(e)) throw;
        found = false;
        // The caller's filter or range does not show this record.
        m_ext->ShowMessage(e.ErrorCode() == DbiErr::OUTOFRANGE ? DBEString(59585) : e.Message(), mtError);
    }
    if (target->AfterScroll) target->AfterScroll(target);
    return found;
}

void TDBEViewForm::FollowCaller()
{
    TDataSet* ds = m_callerDs;
    if (!m_copy || !ds || !ds->Active() || ds->IsEmpty() || ds->State() != dsBrowse || !m_copy->Active()) return;
    try {
        m_copy->CheckBrowseMode();
        m_copy->GotoCursorOf(ds);
    } catch (const EDBEngineError& e) {
        // The copy's own filter hides it: the copy stays where it is.
        if (!MeansNotFound(e)) throw;
    }
}

void TDBEViewForm::OKBtnClick()
{
    try {
        // What was typed into the copy is kept, not dropped with it.
        if (m_copy && m_copy->Active()) m_copy->CheckBrowseMode();
        if (!MoveCaller()) return;
    } catch (...) {
        HandleException(this);
        return;
    }
    done(mrOk);
}

bool TDBEViewForm::BringToFront(QWidget* view)
{
    auto* v = qobject_cast<TDBEViewForm*>(view);
    if (!v) return false;
    v->FollowCaller();
    if (v->isMinimized()) v->showNormal();
    v->show();
    v->raise();
    v->activateWindow();
    return true;
}

void TDBEViewForm::RefreshCaller()
{
    TDBExtender* caller = m_caller;
    if (!caller || caller->Destroying()) return;
    caller->CheckPoss();
    for (TDBENavClient* bar : std::vector<TDBENavClient*>(caller->Navigators())) bar->NavRefresh();
}

bool TDBEViewForm::EscapeCloses() const
{
    return m_ext && !m_ext->IncSearchActive() && m_ext->BusyCount <= 0;
}

void TDBEViewForm::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        e->accept();
        if (EscapeCloses()) reject();
        return;
    }
    TDBEForm::keyPressEvent(e);
}

void TDBEViewForm::FormKey(int& key, TShiftState shift, bool& handled)
{
    // The table-view key inside an open view takes the caller to this
    // record and brings the calling form forward; the view stays open.
    const TShortCut sc = m_ext->ShortCuts().ShortCut(nbTableView);
    if (Modal() || sc == 0 || ShortCut(key, shift) != sc) return;
    handled = true;
    if (!MoveCaller()) return;
    if (QWidget* form = m_caller ? m_caller->Form() : nullptr) {
        if (form->isMinimized()) form->showNormal();
        form->raise();
        form->activateWindow();
    }
}

void TDBEViewForm::FormException(const std::exception& e, bool& handled)
{
    const auto* engine = dynamic_cast<const EDBEngineError*>(&e);
    if (!engine || engine->ErrorCode() != DbiErr::OUTOFRANGE) return;
    m_ext->ShowMessage(DBEString(59585), mtError);
    handled = true;
}

// ------------------------------------------------------------ opening

void RunDBEView(TDBExtender& caller, QPointer<QWidget>& viewSlot, QPointer<TTable>& tableSlot, bool& opening,
                int openingTextId, const std::function<TDBEViewForm*()>& make)
{
    if (opening) return;
    std::unique_ptr<TDBEViewForm> form;
    {
        QScopedValueRollback guard(opening, true);
        caller.ShowMessage(DBEString(openingTextId), mtInformation);
        try {
            form.reset(make());
        } catch (...) {
            caller.ClearMessage();
            throw;
        }
        viewSlot = form.get();
        tableSlot = form->Copy();
        caller.ClearMessage();
    }
    if (form->Modal()) {
        form->exec();
        return;   // freed here, with its copy
    }
    form->setAttribute(Qt::WA_DeleteOnClose);
    form.release()->show();
}
