#include "DBENav.h"
#include "Dbeconst.h"
#include "FileDialog.h"
#include "KeyCodes.h"
#include "Table.h"
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QResizeEvent>

namespace {

// Glyph count and default hint text of each button, in action order.
struct TBtnDef {
    int glyphs;
    int hintId;
};
const TBtnDef kDefs[NavigateBtnCount] = {
    {2, 59700}, {4, 59735}, {2, 59701}, {2, 59702}, {2, 59703}, {1, 59705}, {4, 59706},
    {1, 59707}, {2, 59704}, {2, 59736}, {2, 59710}, {2, 59711}, {2, 59712}, {2, 59713},
    {2, 59714}, {2, 59715}, {2, 59720}, {2, 59721}, {2, 59722}, {2, 59723}, {2, 59724},
    {2, 59725}, {2, 0},     {2, 59734}, {1, 59730}, {1, 59731}, {2, 59732}, {1, 59733},
};

constexpr int kMinBtn = 25;   // the fixed layout never makes a button smaller

bool IsMoveButton(int i) { return i >= nbFirst && i <= nbLast; }

// TableName of a table, else the component's name.
QString TableNameOf(TDataSet* ds)
{
    if (!ds) return {};
    if (auto* t = qobject_cast<TTable*>(ds)) return t->TableName();
    return ds->objectName();
}

}   // namespace

// ------------------------------------------------------------ building

TDBENavigator::TDBENavigator(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    BuildButtons();
    m_built = true;
    m_horiz = true;
    m_buttonWidth = m_buttonHeight = 25;
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    Rebuild();
    PlaceScrollButtons();
    SetBounds(x(), y(), 320, 25);
}

TDBENavigator::~TDBENavigator()
{
    m_destroying = true;
    if (m_ext && !m_ext->Destroying()) m_ext->UnregisterNavigator(this);
    m_ext = nullptr;
}

void TDBENavigator::BuildButtons()
{
    const auto makeScroll = [this](bool next) {
        auto* b = new TDBENavButton(this);
        b->setObjectName(next ? QStringLiteral("DBEScrollNext") : QStringLiteral("DBEScrollPrior"));
        b->SetAutoRepeat(true);
        b->SetNumGlyphs(1);
        b->resize(m_scrollBtnWidth, 25);
        b->hide();
        b->OnClick = [this, next](TDBENavButton*) { ScrollBy(next ? 1 : -1); };
        b->SetHint(next ? QStringLiteral("Weitere Tasten rechts") : QStringLiteral("Weitere Tasten links"));
        return b;
    };
    m_scrollPrior = makeScroll(false);
    m_scrollNext = makeScroll(true);

    int x = 0;
    for (int i = 0; i < NavigateBtnCount; ++i) {
        TDBENavButton* b = (i == nbSearchInc) ? nullptr : MakeButton(i);
        if (i == nbSearchInc) {
            MakeIncSrchSlot(m_useNIS);
            b = m_buttons[i];
        }
        b->move(x, 0);
        x += (i == nbSearchInc && m_useNIS) ? m_incSrchWidth : kMinBtn;
    }
    LoadOrientationGlyphs();
    BuildFilterPopup();
    RebuildHints();
    for (int i = nbPGroup; i <= nbNGroup; ++i) m_buttons[i]->SetAutoRepeat(true);
}

TDBENavButton* TDBENavigator::MakeButton(int i)
{
    auto* b = new TDBENavButton(this);
    b->setObjectName(NavigateBtnName(TDBENavigateBtn(i)));
    b->SetIndex(TDBENavigateBtn(i));
    b->resize(kMinBtn, kMinBtn);
    b->SetFlat(m_flat);
    b->setVisible(Bit(i));
    b->ShowHintQuery = [this] { return m_showHint; };
    b->OnClick = [this](TDBENavButton* btn) { BtnClick(btn->Index()); };
    m_buttons[i] = b;
    if (i == nbUserBtn) {
        b->setEnabled(m_userEnabled);
        UpdateUserBtn();
    } else {
        LoadGlyph(i);
        if (i == nbActiveFilter || i == nbGlobalEdit) {
            b->SetAllowAllUp(true);
            b->SetGroupIndex(32767 - i);
        }
    }
    return b;
}

// Slot 1 holds either the incremental-search button or the text box.
void TDBENavigator::MakeIncSrchSlot(bool box)
{
    TDBENavButton* old = m_buttons[nbSearchInc];
    TDBENavButton* b = box ? new TDBENavIncSrch(this) : new TDBENavButton(this);
    b->setObjectName(NavigateBtnName(nbSearchInc));
    b->SetIndex(nbSearchInc);
    b->SetFlat(m_flat);
    b->SetAllowAllUp(true);
    b->SetGroupIndex(32767 - nbSearchInc);
    b->ShowHintQuery = [this] { return m_showHint; };
    b->OnClick = [this](TDBENavButton* btn) { BtnClick(btn->Index()); };
    if (box) {
        b->resize(m_incSrchWidth, kMinBtn);
    } else {
        b->SetGlyph(DBEGlyphStrip(QStringLiteral("DBE_INCSEARCH"), 4));
        b->SetNumGlyphs(4);
        b->resize(kMinBtn, kMinBtn);
    }
    if (old) {
        b->move(old->pos());
        b->SetHint(old->Hint());
        b->setEnabled(old->isEnabled());
        b->stackUnder(old);
        old->hide();
        old->deleteLater();
        old->setParent(nullptr);
    }
    b->setVisible(Bit(nbSearchInc));
    m_buttons[nbSearchInc] = b;
    if (box && m_ext) static_cast<TDBENavIncSrch*>(b)->SetText(m_ext->IncSearchText());
}

void TDBENavigator::LoadGlyph(int i)
{
    if (i == nbUserBtn || i == nbSearchInc) return;
    TDBENavButton* b = m_buttons[i];
    if (!b) return;
    const QString fmt = (IsMoveButton(i) && !m_horiz) ? QStringLiteral("dbev_%1") : QStringLiteral("dbe_%1");
    b->SetGlyph(DBEGlyphStrip(fmt.arg(NavigateBtnGlyph(TDBENavigateBtn(i))), kDefs[i].glyphs));
    b->SetNumGlyphs(kDefs[i].glyphs);
}

void TDBENavigator::LoadOrientationGlyphs()
{
    const QString pre = m_horiz ? QStringLiteral("DBE_") : QStringLiteral("DBEV_");
    m_scrollPrior->SetGlyph(DBEGlyphStrip(pre + QStringLiteral("LSCROLL"), 1));
    m_scrollNext->SetGlyph(DBEGlyphStrip(pre + QStringLiteral("RSCROLL"), 1));
    for (int i = nbFirst; i <= nbLast; ++i) LoadGlyph(i);
}

void TDBENavigator::UpdateUserBtn()
{
    TDBENavButton* b = m_buttons[nbUserBtn];
    if (!b) return;
    b->SetGlyph(m_userGlyph.isNull() ? DBEGlyphStrip(QStringLiteral("DBE_USERBTN"), m_userNumGlyphs) : m_userGlyph);
    b->SetNumGlyphs(m_userNumGlyphs);
    b->SetPopupMenu(m_userPopup);
    b->SetHint(m_userHint);
    b->setEnabled(m_userEnabled);
}

void TDBENavigator::BuildFilterPopup()
{
    m_filterPopup = new QMenu(this);
    m_filterPopup->setObjectName(QStringLiteral("DBEFilterPopUp"));
    const auto item = [this](int textId, const char* name) {
        QAction* a = m_filterPopup->addAction(DBEString(textId));
        a->setObjectName(QLatin1String(name));
        return a;
    };
    QAction* edit = item(59570, "DBEFEditItem");
    m_clearItem = item(59569, "DBEFClearItem");
    m_clearItem->setEnabled(false);
    QAction* load = item(59571, "DBEFLoadItem");
    QAction* save = item(59572, "DBEFSaveItem");
    connect(edit, &QAction::triggered, this, [this] {
        // Straight to the dispatch: the filter dialog, no OnClick.
        TDataSource* cur = Current();
        if (m_ext && SourceActive(cur)) m_ext->HandleNBBtn(nbTblFilter, TShiftState(), 0);
    });
    connect(m_clearItem, &QAction::triggered, this, [this] {
        TDataSource* cur = Current();
        if (m_ext && SourceActive(cur)) m_ext->ResetFilter(cur->DataSet());
    });
    connect(load, &QAction::triggered, this, [this] { LoadFilterFromFile(); });
    connect(save, &QAction::triggered, this, [this] { SaveFilterToFile(); });
    m_buttons[nbTblFilter]->SetPopupMenu(m_filterPopup);
}

TDBENavIncSrch* TDBENavigator::IncSrchBox() const
{
    return m_useNIS ? qobject_cast<TDBENavIncSrch*>(m_buttons[nbSearchInc]) : nullptr;
}

// ------------------------------------------------------------ loading

void TDBENavigator::BeginLoading() { m_loading = true; }

void TDBENavigator::EndLoading()
{
    if (!m_loading) return;
    m_loading = false;
    if (m_useNIS && Scrolling()) m_useNIS = false;
    if (m_useNIS != (qobject_cast<TDBENavIncSrch*>(m_buttons[nbSearchInc]) != nullptr)) MakeIncSrchSlot(m_useNIS);
    for (TDBENavButton* b : m_buttons) b->SetFlat(m_flat);
    m_scrollPrior->SetFlat(m_flat);
    m_scrollNext->SetFlat(m_flat);
    UpdateUserBtn();
    const QRect streamed = geometry();
    Rebuild();
    PlaceScrollButtons();
    SetBounds(streamed);
    RebuildHints();
    ActiveRefresh(Current());
}

// ------------------------------------------------------------ extender

void TDBENavigator::SetDBExtender(TDBExtender* ext)
{
    if (m_ext == ext) return;
    if (m_ext) {
        TDBExtender* old = m_ext;
        old->UnregisterNavigator(this);
        m_ext = nullptr;
        if (!m_loading) DisableAll();
    }
    m_ext = ext;
    m_lastNavbars = false;
    if (m_ext) {
        m_ext->RegisterNavigator(this);
        m_lastNavbars = m_ext->ActiveInterfaces().Contains(ieNavbars);
        if (!m_loading) FullRefresh();
    }
    if (!m_loading) RebuildHints();
}

TDataSource* TDBENavigator::Current() const
{
    return m_ext ? m_ext->GetCurrentSource() : nullptr;
}

bool TDBENavigator::SourceActive(TDataSource* s)
{
    return s && s->DataSet() && s->State() != dsInactive;
}

void TDBENavigator::NavActiveChanged(TDataSource* ds) { ActiveRefresh(ds); }

void TDBENavigator::NavDataSetChanged(TDataSource* ds)
{
    if (!m_ext) return;
    if (ds == Current() || (m_ext->StayOnMasterSource() == somOnlyMove && ds == m_ext->MasterSource())) {
        StateRefresh(ds);
        EditRefresh(ds);
    }
}

void TDBENavigator::NavDataSetScrolled(TDataSource* ds)
{
    if (!m_ext) return;
    if (ds == Current() || (m_ext->StayOnMasterSource() == somOnlyMove && ds == m_ext->MasterSource()))
        StateRefresh(ds);
}

void TDBENavigator::NavEditingChanged(TDataSource* ds) { EditRefresh(ds); }

void TDBENavigator::NavInterfacesChanged()
{
    RebuildHints();
    const bool navbars = m_ext && m_ext->ActiveInterfaces().Contains(ieNavbars);
    if (navbars != m_lastNavbars) {
        m_lastNavbars = navbars;
        FullRefresh();
    }
}

void TDBENavigator::NavRebuildHints() { RebuildHints(); }

void TDBENavigator::NavIncSearchTextChanged()
{
    if (m_ext) SetIncSrchText(m_ext->IncSearchText());
}

void TDBENavigator::NavSetUseTextIncSrchBtn(bool on) { SetUseNISBtn(on); }

void TDBENavigator::NavSetFlatButtons(bool on) { SetFlat(on); }

void TDBENavigator::NavRefresh()
{
    if (m_ext) m_lastNavbars = m_ext->ActiveInterfaces().Contains(ieNavbars);
    FullRefresh();
}

void TDBENavigator::NavDetached()
{
    m_ext = nullptr;
    if (!m_destroying && !m_loading) DisableAll();
}

void TDBENavigator::SetIncSrchText(const QString& text)
{
    if (TDBENavIncSrch* box = IncSrchBox()) box->SetText(text);
}

// ------------------------------------------------------------ refreshing

bool TDBENavigator::E() const
{
    return OwnEnabled() && m_ext && m_ext->ActiveInterfaces().Contains(ieNavbars);
}

bool TDBENavigator::Avail(int i) const { return m_ext && m_ext->Possibilities(TDBENavigateBtn(i)); }

void TDBENavigator::SetBtn(int i, bool enabled)
{
    if (m_buttons[i]) m_buttons[i]->setEnabled(enabled);
}

void TDBENavigator::StateRefresh(TDataSource* s)
{
    if (!m_ext || !m_built || m_destroying) return;
    const bool e = E();
    TDataSource* cur = Current();
    if (m_ext->StayOnMasterSource() == somOnlyMove || s == cur)
        for (int i = nbFirst; i <= nbLast; ++i) SetBtn(i, e && Avail(i));
    if (s != cur) return;
    for (int i : {nbDelete, nbSearch}) SetBtn(i, e && Avail(i));
    SetBtn(nbSearchInc, e && Avail(nbSearchInc));
    m_buttons[nbSearchInc]->SetDown(m_buttons[nbSearchInc]->isEnabled() && m_ext->IncSearchActive());
    for (int i : {nbSearchNext, nbSetBookmark, nbGotoBookmark, nbIndexSelect, nbTableView, nbSingleRecView,
                  nbMemoView, nbDupField, nbDupRecord})
        SetBtn(i, e && Avail(i));
    SetBtn(nbGlobalEdit, e && Avail(nbGlobalEdit));
    m_buttons[nbGlobalEdit]->SetDown(m_ext->ManageGlobalEdit() && m_ext->EditMode());
    SetBtn(nbTblFilter, e && Avail(nbTblFilter));
    SetBtn(nbActiveFilter, e && Avail(nbActiveFilter));
    const int fs = m_ext->FilterState();
    m_buttons[nbActiveFilter]->SetDown(m_buttons[nbActiveFilter]->isEnabled() && fs == 3);
    m_clearItem->setEnabled(e && m_ext->AllowKeys().Contains(akFilter) && (fs == 2 || fs == 3));
}

void TDBENavigator::EditRefresh(TDataSource* s)
{
    if (!m_ext || !m_built || m_destroying || s != Current()) return;
    const bool e = E();
    for (int i : {nbInsert, nbEdit, nbPost, nbCancel, nbRefresh, nbDupField, nbDupRecord, nbLookUp})
        SetBtn(i, e && Avail(i));
}

void TDBENavigator::ActiveRefresh(TDataSource* s)
{
    if (!m_ext || !m_built || m_destroying || m_loading || s != Current()) return;
    if (OwnEnabled() && SourceActive(s)) {
        StateRefresh(s);
        EditRefresh(s);
    } else {
        DisableAll();
    }
}

void TDBENavigator::FullRefresh()
{
    if (!m_ext || !m_built || m_destroying || m_loading) return;
    TDataSource* cur = Current();
    ActiveRefresh(cur);
    EditRefresh(cur);
}

void TDBENavigator::DisableAll()
{
    if (!m_built || m_destroying) return;
    for (int i = 0; i < NavigateBtnCount; ++i)
        if (i != nbUserBtn) SetBtn(i, false);
    SetBtn(nbUserBtn, OwnEnabled() && m_userEnabled);
    if (m_clearItem) m_clearItem->setEnabled(false);
}

void TDBENavigator::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange && !m_loading) {
        if (m_ext)
            ActiveRefresh(Current());
        else
            DisableAll();
    }
    QWidget::changeEvent(e);
}

// ------------------------------------------------------------ clicks

void TDBENavigator::BtnClick(TDBENavigateBtn index)
{
    if (index == nbUserBtn && OnUserBtnClick) OnUserBtnClick(this);
    const Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
    TShiftState shift;
    if (mods & Qt::ShiftModifier) shift.Include(ssShift);
    if (mods & Qt::ControlModifier) shift.Include(ssCtrl);
    TDBENavigateBtn button = index;
    if (OnClick) OnClick(this, button, shift);
    if (!m_ext) return;
    TDataSource* cur = m_ext->GetCurrentSource();
    if (SourceActive(cur)) m_ext->HandleNBBtn(button, shift, 0);
}

void TDBENavigator::SaveFilterToFile()
{
    if (!m_ext) return;
    TDataSource* cur = m_ext->GetCurrentSource();
    if (!SourceActive(cur)) return;
    const QString file = PromptForFileName(TFileDialogKind::Save, DBEFormat(59578, {TableNameOf(cur->DataSet())}),
                                           DBEString(59580), QString(), QStringLiteral("TFD"));
    if (file.isEmpty()) return;
    m_ext->SaveFilter(cur->DataSet(), file);
}

void TDBENavigator::LoadFilterFromFile()
{
    if (!m_ext) return;
    TDataSource* cur = m_ext->GetCurrentSource();
    if (!SourceActive(cur)) return;
    const QString file = PromptForFileName(TFileDialogKind::Open, DBEFormat(59579, {TableNameOf(cur->DataSet())}),
                                           DBEString(59580), QString(), QStringLiteral("TFD"));
    if (file.isEmpty()) return;
    m_ext->LoadFilter(cur->DataSet(), file);
}

void TDBENavigator::contextMenuEvent(QContextMenuEvent* e)
{
    if (m_popupMenu) {
        m_popupMenu->popup(e->globalPos());
        e->accept();
        return;
    }
    QWidget::contextMenuEvent(e);
}

void TDBENavigator::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (OnDblClick) OnDblClick(this);
    QWidget::mouseDoubleClickEvent(e);
}

// ------------------------------------------------------------ hints

QString TDBENavigator::AddShortcut(const QString& text, TDBENavigateBtn i) const
{
    QString s;
    if (m_ext && m_ext->ActiveInterfaces().Contains(ieShortCuts)) {
        const TShortCut sc = m_ext->ShortCuts().ShortCut(i);
        if (sc != 0) s = QStringLiteral(" [") + ShortCutToText(sc) + QStringLiteral("]");
    }
    const bool toShort = m_addSCHint == ahShortOnly || m_addSCHint == ahBoth;
    const bool toLong = m_addSCHint == ahLongOnly || m_addSCHint == ahBoth;
    const int bar = text.indexOf(u'|');
    if (bar >= 0)
        return text.left(bar) + (toShort ? s : QString()) + u'|' + text.mid(bar + 1).left(255) +
               (toLong ? s : QString());
    return toShort ? text + s : text;
}

void TDBENavigator::RebuildHints()
{
    for (TDBENavButton* b : m_buttons)
        if (!b) return;
    for (int i = 0; i < NavigateBtnCount; ++i) {
        const QString text = i == nbUserBtn ? m_userHint : DBEString(kDefs[i].hintId);
        m_buttons[i]->SetHint(AddShortcut(text, TDBENavigateBtn(i)));
    }
    for (int j = 0; j < qMin<int>(NavigateBtnCount, m_hints.size()); ++j)
        if (!m_hints[j].isEmpty()) m_buttons[j]->SetHint(AddShortcut(m_hints[j], TDBENavigateBtn(j)));
}

void TDBENavigator::SetHints(const QStringList& lines)
{
    m_hints = lines;
    if (!m_loading) RebuildHints();
}

void TDBENavigator::SetAddSCHint(TAddSCHint v)
{
    if (m_addSCHint == v) return;
    m_addSCHint = v;
    if (!m_loading) RebuildHints();
}

// ------------------------------------------------------------ properties

void TDBENavigator::SetMaskSlice(int first, int count, quint32 bits)
{
    const quint32 sliceMask = ((1u << count) - 1) << first;
    const quint32 mask = (m_mask & ~sliceMask) | ((bits << first) & sliceMask);
    if (mask == m_mask) return;
    m_mask = mask;
    if (m_loading) return;
    m_scrollOffset = 0;
    Rebuild();
}

void TDBENavigator::SetGroupSpace(int which, int v)
{
    if (m_groupSpace[which] == v) return;
    m_groupSpace[which] = v;
    if (!m_loading) Rebuild();
}

void TDBENavigator::SetHorizOrientation(bool on)
{
    if (m_horiz == on) return;
    m_horiz = on;
    LoadOrientationGlyphs();
    setSizePolicy(m_horiz ? QSizePolicy::Preferred : QSizePolicy::Fixed,
                  m_horiz ? QSizePolicy::Fixed : QSizePolicy::Preferred);
    if (m_loading) return;
    if (Scrolling()) {
        PlaceScrollButtons();
        ReapplyBounds();
    } else {
        const QSize n = NaturalSize();
        SetBounds(x(), y(), n.width(), n.height());
    }
}

void TDBENavigator::SetButtonWidth(int v)
{
    if (m_buttonWidth == v) return;
    if (m_loading) {
        m_buttonWidth = v;
        return;
    }
    if (Scrolling()) {
        m_buttonWidth = v;
        for (TDBENavButton* b : m_buttons) b->resize(m_buttonWidth, m_buttonHeight);
        PlaceScrollButtons();
        ReapplyBounds();
    } else if (m_horiz) {
        SetBounds(x(), y(), NaturalSizeFor(v, m_buttonHeight).width(), height());
    } else {
        SetBounds(x(), y(), v, height());
    }
}

void TDBENavigator::SetButtonHeight(int v)
{
    if (m_buttonHeight == v) return;
    if (m_loading) {
        m_buttonHeight = v;
        return;
    }
    if (Scrolling()) {
        m_buttonHeight = v;
        for (TDBENavButton* b : m_buttons) b->resize(m_buttonWidth, m_buttonHeight);
        PlaceScrollButtons();
        ReapplyBounds();
    } else if (m_horiz) {
        SetBounds(x(), y(), width(), v);
    } else {
        SetBounds(x(), y(), width(), NaturalSizeFor(m_buttonWidth, v).height());
    }
}

void TDBENavigator::SetIncSrchWidth(int v)
{
    if (m_incSrchWidth == v) return;
    const int old = m_incSrchWidth;
    m_incSrchWidth = v;
    if (m_loading) return;
    if (m_horiz)
        SetBounds(x(), y(), width() + v - old, height());
    else
        SetBounds(x(), y(), m_buttonWidth < old ? v : m_buttonWidth, height());
}

void TDBENavigator::SetUseNISBtn(bool on)
{
    if (m_useNIS == on) return;
    if (on && Scrolling() && !m_loading) return;   // the box only fits the fixed layout
    m_useNIS = on;
    if (m_loading) return;
    MakeIncSrchSlot(on);
    Rebuild();
    RebuildHints();
    FullRefresh();
}

void TDBENavigator::SetNavStyle(TNavStyle v)
{
    if (m_navStyle == v) return;
    if (m_navStyle == nsStatic && v != nsStatic) {
        m_scrollOffset = 0;
        SetUseNISBtn(false);
    }
    m_navStyle = v;
    if (m_loading) return;
    PlaceScrollButtons();
    Rebuild();
    Realign();
}

void TDBENavigator::SetScrollBtnWidth(int v)
{
    v = qMax(v, 14);
    if (m_scrollBtnWidth == v) return;
    m_scrollBtnWidth = v;
    if (m_loading || !Scrolling()) return;
    PlaceScrollButtons();
    ReapplyBounds();
}

void TDBENavigator::SetAlwaysShowSB(bool on)
{
    if (m_alwaysShowSB == on) return;
    m_alwaysShowSB = on;
    if (!m_loading && Scrolling()) ReapplyBounds();
}

void TDBENavigator::SetFlat(bool on)
{
    if (m_flat == on) return;
    m_flat = on;
    m_scrollPrior->SetFlat(on);
    m_scrollNext->SetFlat(on);
    for (TDBENavButton* b : m_buttons) b->SetFlat(on);
}

void TDBENavigator::SetUserBtnGlyph(const QPixmap& strip)
{
    if (m_userGlyph.cacheKey() == strip.cacheKey()) return;
    m_userGlyph = strip;
    if (!m_loading) UpdateUserBtn();
}

void TDBENavigator::SetUserBtnNumGlyphs(int n)
{
    if (m_userNumGlyphs == n) return;
    m_userNumGlyphs = n;
    if (!m_loading) UpdateUserBtn();
}

void TDBENavigator::SetUserBtnPopupMenu(QMenu* menu)
{
    if (m_userPopup == menu) return;
    m_userPopup = menu;
    if (!m_loading) UpdateUserBtn();
}

void TDBENavigator::SetUserBtnHint(const QString& hint)
{
    if (m_userHint == hint) return;
    m_userHint = hint;
    if (!m_loading) UpdateUserBtn();
}

void TDBENavigator::SetUserBtnEnabled(bool on)
{
    if (m_userEnabled == on) return;
    m_userEnabled = on;
    if (!m_loading) UpdateUserBtn();
}

void TDBENavigator::SetColor(const QColor& c)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, c);
    setPalette(pal);
    setAutoFillBackground(true);
}

void TDBENavigator::SetAlign(TNavAlign a)
{
    if (m_align == a) return;
    if (parentWidget()) {
        if (m_align == TNavAlign::None) parentWidget()->installEventFilter(this);
        if (a == TNavAlign::None) parentWidget()->removeEventFilter(this);
    }
    m_align = a;
    if (!m_loading) Realign();
}

// Aligned bars follow their parent unless a layout places them.
void TDBENavigator::Realign()
{
    QWidget* p = parentWidget();
    if (m_align == TNavAlign::None || !p || p->layout()) return;
    const QRect r = p->contentsRect();
    switch (m_align) {
    case TNavAlign::Top: SetBounds(r.x(), r.y(), r.width(), height()); break;
    case TNavAlign::Bottom: SetBounds(r.x(), r.bottom() + 1 - height(), r.width(), height()); break;
    case TNavAlign::Left: SetBounds(r.x(), r.y(), width(), r.height()); break;
    case TNavAlign::Right: SetBounds(r.right() + 1 - width(), r.y(), width(), r.height()); break;
    case TNavAlign::Client: SetBounds(r); break;
    case TNavAlign::None: break;
    }
}

bool TDBENavigator::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == parentWidget() && e->type() == QEvent::Resize && !m_loading) Realign();
    return QWidget::eventFilter(watched, e);
}

// ------------------------------------------------------------ layout

bool TDBENavigator::IsBox(int i) const { return i == nbSearchInc && m_useNIS; }

bool TDBENavigator::ButtonShown(int i) const { return m_buttons[i] && !m_buttons[i]->isHidden(); }

int TDBENavigator::GroupSum() const
{
    return (VisBtnsSearch().IsEmpty() ? 0 : m_groupSpace[0]) + (VisBtnsMove().IsEmpty() ? 0 : m_groupSpace[1]) +
           (VisBtnsRecord().IsEmpty() ? 0 : m_groupSpace[2]);
}

QSize TDBENavigator::NaturalSize() const { return NaturalSizeFor(m_buttonWidth, m_buttonHeight); }

QSize TDBENavigator::NaturalSizeFor(int bw, int bh) const
{
    const int g = GroupSum();
    int c = 0, all = 0;
    bool boxShown = false;
    for (int i = 0; i < NavigateBtnCount; ++i) {
        if (!ButtonShown(i)) continue;
        ++all;
        if (IsBox(i))
            boxShown = true;
        else
            ++c;
    }
    c = qMax(c, 1);
    all = qMax(all, 1);
    if (m_horiz) return {g + (boxShown ? m_incSrchWidth : 0) + c * bw, bh};
    return {(boxShown && m_incSrchWidth > bw) ? m_incSrchWidth : bw, g + all * bh};
}

void TDBENavigator::HideAt(QWidget* w)
{
    w->hide();
    w->move(w->x(), -2 * m_buttonHeight);
}

void TDBENavigator::Rebuild()
{
    if (m_loading || !m_built) return;
    if (Scrolling()) {
        m_scrollList.clear();
        bool gap1 = false, gap2 = false, gap3 = false;
        for (int i = 0; i < NavigateBtnCount; ++i) {
            if (!Bit(i)) {
                HideAt(m_buttons[i]);
                continue;
            }
            if (i >= nbFirst && !gap1) {
                gap1 = true;
                if (!VisBtnsSearch().IsEmpty()) m_scrollList.push_back(-1);
            }
            if (i >= nbInsert && !gap2) {
                gap2 = true;
                if (!VisBtnsMove().IsEmpty()) m_scrollList.push_back(-1);
            }
            if (i >= nbUserBtn && !gap3) {
                gap3 = true;
                if (!VisBtnsRecord().IsEmpty()) m_scrollList.push_back(-1);
            }
            m_scrollList.push_back(i);
        }
        if (m_scrollOffset >= int(m_scrollList.size())) m_scrollOffset = qMax(0, int(m_scrollList.size()) - 1);
        ReapplyBounds();
    } else {
        for (int i = 0; i < NavigateBtnCount; ++i) m_buttons[i]->setVisible(Bit(i));
        const QSize n = NaturalSize();
        SetBounds(x(), y(), n.width(), n.height());
    }
}

void TDBENavigator::PlaceScrollButtons()
{
    const int sb = m_scrollBtnWidth;
    for (TDBENavButton* b : {m_scrollPrior, m_scrollNext}) {
        if (m_horiz)
            b->resize(sb, m_buttonHeight);
        else
            b->resize(m_buttonWidth, sb);
        if (!Scrolling()) HideAt(b);
    }
}

void TDBENavigator::SetBounds(int left, int top, int w, int h)
{
    if (!m_loading && m_built) {
        if (Scrolling())
            ScrollLayout(w, h);
        else
            FixedLayout(w, h);
    }
    m_laidOut = QSize(w, h);
    m_inSetBounds = true;
    QWidget::setGeometry(left, top, w, h);
    m_inSetBounds = false;
    const QSize hint = sizeHint();
    if (hint != m_lastHint) {
        m_lastHint = hint;
        updateGeometry();
    }
}

void TDBENavigator::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (!m_inSetBounds && !m_loading && m_built && e->size() != m_laidOut) {
        // Someone else (a layout, the window) sized the bar: lay it out anew.
        SetBounds(x(), y(), e->size().width(), e->size().height());
    }
    if (OnResize) OnResize(this);
}

void TDBENavigator::FixedLayout(int& w, int& h)
{
    HideAt(m_scrollPrior);
    HideAt(m_scrollNext);
    const int g = GroupSum();
    const bool searchOn = !VisBtnsSearch().IsEmpty(), moveOn = !VisBtnsMove().IsEmpty(),
               recordOn = !VisBtnsRecord().IsEmpty();
    const bool aligned = m_align != TNavAlign::None;
    // Places the shown buttons one after the other along the bar: a gap
    // before each group, and the spare pixels spread one per button.
    auto walk = [&](int count, int spare, auto place, auto hide) {
        int counter = count / 2, pos = 0;
        bool gap1 = false, gap2 = false, gap3 = false;
        for (int i = 0; i < NavigateBtnCount; ++i) {
            TDBENavButton* b = m_buttons[i];
            if (!ButtonShown(i)) {
                hide(b);
                continue;
            }
            int extra = 0;
            if (spare != 0) {
                counter -= spare;
                if (counter < 0) {
                    counter += count;
                    extra = 1;
                }
            }
            if (searchOn && i >= nbFirst && !gap1) { gap1 = true; pos += m_groupSpace[0]; }
            if (moveOn && i >= nbInsert && !gap2) { gap2 = true; pos += m_groupSpace[1]; }
            if (recordOn && i >= nbUserBtn && !gap3) { gap3 = true; pos += m_groupSpace[2]; }
            pos += place(b, i, pos, extra);
        }
    };

    int c = 0;
    if (m_horiz) {
        const int s = (m_useNIS && ButtonShown(nbSearchInc)) ? m_incSrchWidth : 0;
        for (int i = 0; i < NavigateBtnCount; ++i)
            if (ButtonShown(i) && !IsBox(i)) ++c;
        c = qMax(c, 1);
        w = qMax(w, c * kMinBtn + s + g);
        h = qMax(h, kMinBtn);
        m_buttonHeight = h;
        m_buttonWidth = (w - g - s) / c;
        const int t = g + s + c * m_buttonWidth;
        if (!aligned) w = t;
        walk(c, w - t, [&](TDBENavButton* b, int i, int x, int extra) {
            const int bw = IsBox(i) ? m_incSrchWidth : m_buttonWidth;
            b->setGeometry(x, 0, bw + extra, m_buttonHeight);
            return bw + extra;
        }, [&](TDBENavButton* b) { b->setGeometry(w + 1, 0, m_buttonWidth, m_buttonHeight); });
    } else {
        for (int i = 0; i < NavigateBtnCount; ++i)
            if (ButtonShown(i)) ++c;
        c = qMax(c, 1);
        h = qMax(h, c * kMinBtn + g);
        w = qMax(w, kMinBtn);
        const int bw = w;
        if (m_useNIS && Bit(nbSearchInc) && w < m_incSrchWidth) w = m_incSrchWidth;
        m_buttonHeight = (h - g) / c;
        const int t = g + c * m_buttonHeight;
        if (!aligned) h = t;
        walk(c, h - t, [&](TDBENavButton* b, int i, int y, int extra) {
            b->setGeometry(0, y, IsBox(i) ? m_incSrchWidth : bw, m_buttonHeight + extra);
            return m_buttonHeight + extra;
        }, [&](TDBENavButton* b) { b->setGeometry(w + 1, 0, bw, m_buttonHeight); });
    }
}

void TDBENavigator::ScrollLayout(int& w, int& h)
{
    const int sb = m_scrollBtnWidth;
    int len, k;
    if (m_horiz) {
        if (w - 2 * sb < m_buttonWidth) w = m_buttonWidth + 2 * sb;
        h = m_buttonHeight;
        len = w;
        k = m_buttonWidth;
    } else {
        if (h - 2 * sb < m_buttonHeight) h = m_buttonHeight + 2 * sb;
        w = m_buttonWidth;
        len = h;
        k = m_buttonHeight;
    }
    const int n = int(m_scrollList.size());
    int sum = 0;
    for (int e : m_scrollList) sum += e < 0 ? m_groupSpace[0] : k;
    const bool need = sum > len;
    if (!need && m_scrollOffset > 0) m_scrollOffset = 0;

    const auto place = [this](QWidget* b, int along, int bw, int bh) {
        if (m_horiz)
            b->setGeometry(along, 0, bw, bh);
        else
            b->setGeometry(0, along, bw, bh);
    };
    const bool show = need || m_alwaysShowSB;
    int p = 0, limit = len;
    if (show) {
        int a = 0, b = 0;
        switch (m_navStyle) {
        case nsScrollBothLeft: a = 0; b = sb; p = 2 * sb; limit = len; break;
        case nsScrollBothRight: a = len - 2 * sb; b = len - sb; p = 0; limit = len - 2 * sb; break;
        default: a = 0; b = len - sb; p = sb; limit = len - sb; break;
        }
        const int sw = m_horiz ? sb : m_buttonWidth, sh = m_horiz ? m_buttonHeight : sb;
        place(m_scrollPrior, a, sw, sh);
        place(m_scrollNext, b, sw, sh);
        m_scrollPrior->show();
        m_scrollNext->show();
    } else {
        HideAt(m_scrollPrior);
        HideAt(m_scrollNext);
    }

    int idx = 0;
    for (; idx < qMin(m_scrollOffset, n); ++idx)
        if (m_scrollList[idx] >= 0) HideAt(m_buttons[m_scrollList[idx]]);
    int lastPlaced = idx - 1;
    for (; idx < n; ++idx) {
        if (show && p + k > limit) break;
        const int e = m_scrollList[idx];
        if (e < 0) {
            p += m_groupSpace[0];
        } else {
            place(m_buttons[e], p, m_buttonWidth, m_buttonHeight);
            m_buttons[e]->show();
            p += k;
        }
        lastPlaced = idx;
    }
    for (; idx < n; ++idx)
        if (m_scrollList[idx] >= 0) HideAt(m_buttons[m_scrollList[idx]]);
    m_scrollPrior->setEnabled(m_scrollOffset > 0);
    m_scrollNext->setEnabled(lastPlaced < n - 1);
}

void TDBENavigator::ScrollBy(int delta)
{
    const int n = int(m_scrollList.size());
    const int offset = qBound(0, m_scrollOffset + delta, qMax(0, n - 1));
    if (offset == m_scrollOffset) return;
    m_scrollOffset = offset;
    ReapplyBounds();
}

QSize TDBENavigator::sizeHint() const
{
    if (!Scrolling()) return NaturalSize();
    int sum = 0;
    const int k = m_horiz ? m_buttonWidth : m_buttonHeight;
    for (int e : m_scrollList) sum += e < 0 ? m_groupSpace[0] : k;
    sum = qMax(sum, k + 2 * m_scrollBtnWidth);
    return m_horiz ? QSize(sum, m_buttonHeight) : QSize(m_buttonWidth, sum);
}

QSize TDBENavigator::minimumSizeHint() const
{
    if (Scrolling())
        return m_horiz ? QSize(m_buttonWidth + 2 * m_scrollBtnWidth, m_buttonHeight)
                       : QSize(m_buttonWidth, m_buttonHeight + 2 * m_scrollBtnWidth);
    return NaturalSizeFor(kMinBtn, kMinBtn);
}

// ------------------------------------------------------------ main bar

QStringList MainNavigatorHints()
{
    QStringList h(NavigateBtnCount);
    h[0] = QStringLiteral("Feldwert suchen");
    h[1] = QStringLiteral("Inkr. Suche ein/aus");
    h[2] = QStringLiteral("Nächsten Feldwert suchen");
    h[3] = QStringLiteral("Lesezeichen setzen");
    h[4] = QStringLiteral("Lesezeichenverwaltung");
    h[6] = QStringLiteral("Filter ein/aus");
    h[8] = QStringLiteral("Tabellenansicht");
    h[10] = QStringLiteral("Erste Maschine");
    h[12] = QStringLiteral("Vorherige Maschine");
    h[13] = QStringLiteral("Nächste Maschine");
    h[15] = QStringLiteral("Letzte Maschine");
    h[16] = QStringLiteral("Neue Maschine");
    h[17] = QStringLiteral("Maschine löschen");
    h[19] = QStringLiteral("Neue Maschine/Änderungen speichern");
    h[20] = QStringLiteral("Neue Maschine/Änderungen wiederrufen");
    h[24] = QStringLiteral("Feldwert kopieren");
    h[25] = QStringLiteral("Maschine kopieren");
    h[27] = QStringLiteral("Daten ändern ein/aus");
    return h;
}

void ConfigureMainNavigator(TDBENavigator* nav)
{
    if (nav->objectName().isEmpty()) nav->setObjectName(QStringLiteral("TDBENavMain"));
    nav->BeginLoading();
    nav->SetVisBtnsSearch({snbSearch, snbSearchInc, snbSearchNext, snbSetBookmark, snbGotoBookmark, snbActiveFilter,
                           snbTableView});
    nav->SetVisBtnsMove({mnbFirst, mnbPrior, mnbNext, mnbLast});
    nav->SetVisBtnsRecord({rnbInsert, rnbDelete, rnbPost, rnbCancel});
    nav->SetVisBtnsExtend({enbDupRecord, enbGlobalEdit});
    nav->SetButtonWidth(29);
    nav->SetButtonHeight(25);
    nav->SetIncSrchWidth(50);
    nav->SetAddSCHint(ahNone);
    nav->SetNavStyle(nsStatic);
    nav->SetHints(MainNavigatorHints());
    nav->SetBounds(4, 0, 523, 25);
    nav->EndLoading();
}
