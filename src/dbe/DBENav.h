#pragma once
// The navigator bar: up to 28 buttons, one per record action of the
// extender, in four groups (search, move, record, extend). The bar does no
// data work: a click becomes a call of the extender's dispatch, and the
// extender tells the bar what is possible, which toggles are down and what
// the incremental search has typed.
#include "DBENavButton.h"
#include "Panel.h"   // Dbextend.h keeps panels by QPointer
#include "Dbextend.h"
#include <QPointer>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

class QAction;

enum TNavStyle { nsStatic, nsScrollLeftRight, nsScrollBothLeft, nsScrollBothRight };
enum TAddSCHint { ahNone, ahShortOnly, ahLongOnly, ahBoth };
using TSrchBtnSet = TSrchNavBtns;
using TMoveBtnSet = TMoveNavBtns;
using TRecordBtnSet = TRecordNavBtns;
using TExtBtnSet = TExtNavBtns;

// How the parent places the bar. Without alignment the bar keeps the size
// its layout gives it; aligned, the width (or height) is the parent's.
enum class TNavAlign { None, Top, Bottom, Left, Right, Client };

// Raised for every click before the action is dispatched; the handler may
// replace the action and the shift state.
using TDBENavClick = std::function<void(QObject* sender, TDBENavigateBtn& button, TShiftState& shift)>;

class TDBENavigator : public QWidget, public TDBENavClient {
    Q_OBJECT
public:
    explicit TDBENavigator(QWidget* parent = nullptr);
    ~TDBENavigator() override;

    // Settings from a form description: between these two the setters only
    // store their values; EndLoading then builds and lays out once.
    void BeginLoading();
    void EndLoading();
    bool Loading() const { return m_loading; }

    TDBExtender* DBExtender() const { return m_ext; }
    void SetDBExtender(TDBExtender* ext);

    // The four visibility sets are slices of one mask (bit i = button i).
    quint32 VisibleMask() const { return m_mask; }
    TSrchBtnSet VisBtnsSearch() const { return TSrchBtnSet::FromBits(m_mask & 0x3FF); }
    void SetVisBtnsSearch(TSrchBtnSet s) { SetMaskSlice(0, 10, s.Bits()); }
    TMoveBtnSet VisBtnsMove() const { return TMoveBtnSet::FromBits((m_mask >> 10) & 0x3F); }
    void SetVisBtnsMove(TMoveBtnSet s) { SetMaskSlice(10, 6, s.Bits()); }
    TRecordBtnSet VisBtnsRecord() const { return TRecordBtnSet::FromBits((m_mask >> 16) & 0x3F); }
    void SetVisBtnsRecord(TRecordBtnSet s) { SetMaskSlice(16, 6, s.Bits()); }
    TExtBtnSet VisBtnsExtend() const { return TExtBtnSet::FromBits((m_mask >> 22) & 0x3F); }
    void SetVisBtnsExtend(TExtBtnSet s) { SetMaskSlice(22, 6, s.Bits()); }

    int GroupSpace1() const { return m_groupSpace[0]; }
    void SetGroupSpace1(int v) { SetGroupSpace(0, v); }
    int GroupSpace2() const { return m_groupSpace[1]; }
    void SetGroupSpace2(int v) { SetGroupSpace(1, v); }
    int GroupSpace3() const { return m_groupSpace[2]; }
    void SetGroupSpace3(int v) { SetGroupSpace(2, v); }
    bool HorizOrientation() const { return m_horiz; }
    void SetHorizOrientation(bool on);
    int ButtonWidth() const { return m_buttonWidth; }
    void SetButtonWidth(int v);
    int ButtonHeight() const { return m_buttonHeight; }
    void SetButtonHeight(int v);
    int IncSrchWidth() const { return m_incSrchWidth; }
    void SetIncSrchWidth(int v);
    bool UseNISBtn() const { return m_useNIS; }
    void SetUseNISBtn(bool on);
    TAddSCHint AddSCHint() const { return m_addSCHint; }
    void SetAddSCHint(TAddSCHint v);
    TNavStyle NavStyle() const { return m_navStyle; }
    void SetNavStyle(TNavStyle v);
    int ScrollBtnWidth() const { return m_scrollBtnWidth; }
    void SetScrollBtnWidth(int v);
    bool AlwaysShowSB() const { return m_alwaysShowSB; }
    void SetAlwaysShowSB(bool on);
    bool Flat() const { return m_flat; }
    void SetFlat(bool on);
    QPixmap UserBtnGlyph() const { return m_userGlyph; }
    void SetUserBtnGlyph(const QPixmap& strip);
    int UserBtnNumGlyphs() const { return m_userNumGlyphs; }
    void SetUserBtnNumGlyphs(int n);
    QMenu* UserBtnPopupMenu() const { return m_userPopup; }
    void SetUserBtnPopupMenu(QMenu* menu);
    QString UserBtnHint() const { return m_userHint; }
    void SetUserBtnHint(const QString& hint);
    bool UserBtnEnabled() const { return m_userEnabled; }
    void SetUserBtnEnabled(bool on);
    QStringList Hints() const { return m_hints; }
    void SetHints(const QStringList& lines);
    TNavAlign Align() const { return m_align; }
    void SetAlign(TNavAlign a);
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool on) { m_showHint = on; }
    QMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(QMenu* menu) { m_popupMenu = menu; }
    void SetColor(const QColor& c);

    std::function<void(QObject*)> OnUserBtnClick;
    TDBENavClick OnClick;
    std::function<void(QObject*)> OnResize, OnDblClick;

    // What a click on that button does; menu items call it so that menu and
    // bar behave alike.
    void BtnClick(TDBENavigateBtn index);
    // The incremental-search text, shown when the bar has the text box.
    void SetIncSrchText(const QString& text);
    virtual void SaveFilterToFile();
    virtual void LoadFilterFromFile();

    // Position and size; the layout may change the size asked for.
    void SetBounds(int left, int top, int width, int height);
    void SetBounds(const QRect& r) { SetBounds(r.x(), r.y(), r.width(), r.height()); }

    // The hint text of button i with its shortcut added as AddSCHint says.
    QString AddShortcut(const QString& text, TDBENavigateBtn i) const;
    void RebuildHints();

    // Parts, for the form and for tests.
    TDBENavButton* Button(TDBENavigateBtn i) const { return m_buttons[i]; }
    TDBENavIncSrch* IncSrchBox() const;
    TDBENavButton* ScrollButtonPrior() const { return m_scrollPrior; }
    TDBENavButton* ScrollButtonNext() const { return m_scrollNext; }
    QMenu* FilterPopup() const { return m_filterPopup; }
    int ScrollOffset() const { return m_scrollOffset; }
    // Visible buttons in order; -1 stands for a group gap.
    const std::vector<int>& ScrollList() const { return m_scrollList; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Notices of the extender.
    void NavActiveChanged(TDataSource* ds) override;
    void NavDataSetChanged(TDataSource* ds) override;
    void NavDataSetScrolled(TDataSource* ds) override;
    void NavEditingChanged(TDataSource* ds) override;
    void NavInterfacesChanged() override;
    void NavRebuildHints() override;
    void NavIncSearchTextChanged() override;
    void NavSetUseTextIncSrchBtn(bool on) override;
    void NavSetFlatButtons(bool on) override;
    void NavRefresh() override;
    void NavDetached() override;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildButtons();
    TDBENavButton* MakeButton(int i);
    void MakeIncSrchSlot(bool box);
    void LoadGlyph(int i);
    void LoadOrientationGlyphs();
    void UpdateUserBtn();
    void BuildFilterPopup();
    void SetMaskSlice(int first, int count, quint32 bits);
    void SetGroupSpace(int which, int v);
    bool Bit(int i) const { return (m_mask >> i) & 1u; }
    bool Scrolling() const { return m_navStyle != nsStatic; }
    bool IsBox(int i) const;
    bool ButtonShown(int i) const;
    int GroupSum() const;
    QSize NaturalSize() const;
    QSize NaturalSizeFor(int buttonWidth, int buttonHeight) const;
    void Rebuild();
    void ReapplyBounds() { SetBounds(x(), y(), width(), height()); }
    void PlaceScrollButtons();
    void HideAt(QWidget* w);
    void FixedLayout(int& w, int& h);
    void ScrollLayout(int& w, int& h);
    void ScrollBy(int delta);
    void Realign();
    void HintsChanged();

    bool OwnEnabled() const { return !testAttribute(Qt::WA_ForceDisabled); }
    bool E() const;
    bool Avail(int i) const;
    TDataSource* Current() const;
    static bool SourceActive(TDataSource* s);
    void SetBtn(int i, bool enabled);
    void StateRefresh(TDataSource* s);
    void EditRefresh(TDataSource* s);
    void ActiveRefresh(TDataSource* s);
    void FullRefresh();
    void DisableAll();

    QPointer<TDBExtender> m_ext;
    bool m_loading = false, m_built = false, m_destroying = false, m_inSetBounds = false;
    std::array<TDBENavButton*, NavigateBtnCount> m_buttons{};
    TDBENavButton* m_scrollPrior = nullptr;
    TDBENavButton* m_scrollNext = nullptr;
    std::vector<int> m_scrollList;
    int m_scrollOffset = 0;
    QMenu* m_filterPopup = nullptr;
    QAction* m_clearItem = nullptr;

    quint32 m_mask = ((1u << 28) - 1) & ~(1u << 9);
    int m_groupSpace[3] = {10, 10, 10};
    bool m_horiz = true;
    int m_buttonWidth = 25, m_buttonHeight = 25, m_incSrchWidth = 50;
    bool m_useNIS = false;
    TAddSCHint m_addSCHint = ahBoth;
    TNavStyle m_navStyle = nsScrollLeftRight;
    int m_scrollBtnWidth = 14;
    bool m_alwaysShowSB = false, m_flat = false;
    QPixmap m_userGlyph;
    int m_userNumGlyphs = 2;
    QPointer<QMenu> m_userPopup, m_popupMenu;
    QString m_userHint;
    bool m_userEnabled = true;
    QStringList m_hints;
    TNavAlign m_align = TNavAlign::None;
    bool m_showHint = true;
    bool m_lastNavbars = false;
    QSize m_laidOut;
    QSize m_lastHint;
};

// The main window's bar "TDBENavMain": its groups, sizes, fixed style,
// bounds 523 x 25 at (4, 0) and hint lines. Call before binding the extender.
void ConfigureMainNavigator(TDBENavigator* nav);
QStringList MainNavigatorHints();
