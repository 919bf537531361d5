// The navigator bar: layouts, refreshing from the extender, clicks,
// auto-repeat, hints, the incremental-search box and the filter popup.
#include "UiTestSupport.h"
#include "DBEFilt.h"
#include "DBENav.h"
#include "DBEdit.h"
#include "Dbeconst.h"
#include "FileDialog.h"
#include "Table.h"
#include <QAccessible>
#include <QMenu>
#include <QTimer>

Q_DECLARE_METATYPE(TAddSCHint)

namespace {

// Left edges of the shown buttons, in button order.
QList<int> ShownLefts(TDBENavigator* nav)
{
    QList<int> out;
    for (int i = 0; i < NavigateBtnCount; ++i)
        if (!nav->Button(TDBENavigateBtn(i))->isHidden()) out << nav->Button(TDBENavigateBtn(i))->x();
    return out;
}

QList<int> ShownWidths(TDBENavigator* nav)
{
    QList<int> out;
    for (int i = 0; i < NavigateBtnCount; ++i)
        if (!nav->Button(TDBENavigateBtn(i))->isHidden()) out << nav->Button(TDBENavigateBtn(i))->width();
    return out;
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

}   // namespace

class TestDBENav : public QObject {
    Q_OBJECT
private slots:
    void cleanup();

    // layouts
    void defaultScrollingBar();
    void scrollButtonsMoveTheList();
    void mainBarSettings();
    void spareWidth_data();
    void spareWidth();
    void allSetsEmpty();
    void onlyExtendGroup();
    void onlySearchGroup();
    void verticalFixedBar();
    void verticalScrollingBar();
    void scrollStyles_data();
    void scrollStyles();
    void scrollBtnWidthAtLeast14();
    void incSrchBoxOnlyInFixedStyle();
    void incSrchBoxShowsEndOfLongText();
    void glyphStrips_data();
    void glyphStrips();

    // buttons without an extender
    void disabledToggleNeverShowsDown();
    void clickWithoutExtenderRaisesEvents();
    void autoRepeatOfNext();
    void repeatStopsOnException();
    void filterPopupItems();
    void mainBarHints();
    void accessibleButtons();

    // with the extender
    void registration();
    void enablingFollowsPossibilities();
    void activeFilterDownOnlyWhenEnabled();
    void onClickTurnsEveryClickIntoLast();
    void hintShortcuts_data();
    void hintShortcuts();
    void hintsWithoutShortCutInterface();
    void filterFileDialogs();

private:
    void MakeForm();
    std::unique_ptr<TTestDatabases> m_db;
    std::unique_ptr<QWidget> m_form;
    TTable* m_table = nullptr;
    TDataSource* m_src = nullptr;
    TDBEdit* m_edit = nullptr;
    TDBExtender* m_ext = nullptr;
    TDBENavigator* m_nav = nullptr;
};

void TestDBENav::cleanup()
{
    SetFileDialogResponder({});
    if (m_ext) {
        // Handlers of a finished test refer to its locals.
        m_ext->OnFilterChanged = nullptr;
        m_ext->BeforeHandleNBBtn = nullptr;
    }
    m_form.reset();
    m_nav = nullptr;
    m_ext = nullptr;
    m_db.reset();
}

// A small data form: machines, an edit on them, the extender and a bar.
void TestDBENav::MakeForm()
{
    m_db = std::make_unique<TTestDatabases>();
    m_form = std::make_unique<QWidget>();
    m_form->resize(600, 200);
    m_table = new TTable(m_form.get());
    m_table->setObjectName(QStringLiteral("TTblMain"));
    m_table->SetDatabaseName(QStringLiteral("Pelmora"));
    m_table->SetTableName(QStringLiteral("KfzStamm.db"));
    m_table->Open();
    for (const char* id : {"M1", "M2", "M3", "M4", "M5", "M6", "M7", "M8"})
        m_table->AppendRecord({QString::fromLatin1(id), QStringLiteral("Bagger"), QStringLiteral("Halle 1")});
    m_table->AppendRecord({QStringLiteral("M9"), QStringLiteral("Kran"), QStringLiteral("Halle 2")});
    m_table->First();
    m_src = new TDataSource(m_form.get());
    m_src->SetDataSet(m_table);
    m_nav = new TDBENavigator(m_form.get());
    m_nav->SetBounds(0, 0, 560, 25);
    m_edit = new TDBEdit(m_form.get());
    m_edit->setGeometry(10, 60, 200, 24);
    m_edit->SetDataSource(m_src);
    m_edit->SetDataField(QStringLiteral("Gruppe"));
    m_ext = new TDBExtender(m_form.get());
    m_ext->SetMasterSource(m_src);
    QVERIFY(ShowActive(m_form.get()));
    m_edit->setFocus();
    QCoreApplication::processEvents();
    m_nav->SetDBExtender(m_ext);
}

// ------------------------------------------------------------ layouts

void TestDBENav::defaultScrollingBar()
{
    TDBENavigator nav;
    QCOMPARE(nav.size(), QSize(320, 25));
    QCOMPARE(nav.NavStyle(), nsScrollLeftRight);
    QCOMPARE(nav.VisibleMask(), quint32(0x0FFFFFFF & ~(1u << 9)));
    // 27 buttons and three gaps.
    std::vector<int> expected;
    for (int i = 0; i < NavigateBtnCount; ++i) {
        if (i == 10 || i == 16 || i == 22) expected.push_back(-1);
        if (i != nbSingleRecView) expected.push_back(i);
    }
    QCOMPARE(nav.ScrollList(), expected);
    QVERIFY(!nav.ScrollButtonPrior()->isHidden());
    QVERIFY(!nav.ScrollButtonNext()->isHidden());
    QCOMPARE(nav.ScrollButtonPrior()->geometry(), QRect(0, 0, 14, 25));
    QCOMPARE(nav.ScrollButtonNext()->geometry(), QRect(306, 0, 14, 25));
    QCOMPARE(nav.Button(nbSearch)->geometry(), QRect(14, 0, 25, 25));
    QCOMPARE(nav.Button(nbSearchInc)->x(), 39);
    QVERIFY(!nav.ScrollButtonPrior()->isEnabled());
    QVERIFY(nav.ScrollButtonNext()->isEnabled());
    // Whatever is shown lies between the scroll buttons.
    for (int i = 0; i < NavigateBtnCount; ++i) {
        TDBENavButton* b = nav.Button(TDBENavigateBtn(i));
        if (!b->isHidden()) QVERIFY2(b->x() >= 14 && b->x() + 25 <= 306, qPrintable(b->objectName()));
    }
    QVERIFY(nav.Button(nbLast)->isHidden());
    QVERIFY(nav.Button(nbSingleRecView)->isHidden());
}

void TestDBENav::scrollButtonsMoveTheList()
{
    TDBENavigator nav;
    nav.ScrollButtonNext()->Click();
    QCOMPARE(nav.ScrollOffset(), 1);
    QVERIFY(nav.Button(nbSearch)->isHidden());
    QCOMPARE(nav.Button(nbSearchInc)->x(), 14);
    QVERIFY(nav.ScrollButtonPrior()->isEnabled());
    nav.ScrollButtonPrior()->Click();
    QCOMPARE(nav.ScrollOffset(), 0);
    QCOMPARE(nav.Button(nbSearch)->x(), 14);
    // Scrolled to the end, the right button gives up.
    for (int i = 0; i < 40 && nav.ScrollButtonNext()->isEnabled(); ++i) nav.ScrollButtonNext()->Click();
    QVERIFY(!nav.ScrollButtonNext()->isEnabled());
    QVERIFY(!nav.Button(nbGlobalEdit)->isHidden());
    // A bar wide enough for everything shows no scroll buttons and starts at 0.
    nav.SetBounds(0, 0, 800, 25);
    QCOMPARE(nav.ScrollOffset(), 0);
    QVERIFY(nav.ScrollButtonPrior()->isHidden());
    QCOMPARE(nav.Button(nbSearch)->x(), 0);
    nav.SetAlwaysShowSB(true);
    QVERIFY(!nav.ScrollButtonPrior()->isHidden());
    QCOMPARE(nav.Button(nbSearch)->x(), 14);
}

void TestDBENav::mainBarSettings()
{
    TDBENavigator nav;
    ConfigureMainNavigator(&nav);
    QCOMPARE(nav.geometry(), QRect(4, 0, 523, 25));
    QCOMPARE(nav.ButtonWidth(), 29);
    QCOMPARE(nav.ButtonHeight(), 25);
    QCOMPARE(nav.NavStyle(), nsStatic);
    QCOMPARE(nav.AddSCHint(), ahNone);
    const QList<int> widths = ShownWidths(&nav);
    QCOMPARE(widths.size(), 17);
    for (int w : widths) QCOMPARE(w, 29);
    // Three gaps of ten: after the search, move and record groups.
    QCOMPARE(ShownLefts(&nav), (QList<int>{0, 29, 58, 87, 116, 145, 174, 213, 242, 271, 300, 339, 368, 397, 426,
                                           465, 494}));
    QVERIFY(nav.ScrollButtonPrior()->isHidden());
    QVERIFY(nav.Button(nbIndexSelect)->isHidden());
}

void TestDBENav::spareWidth_data()
{
    QTest::addColumn<bool>("aligned");
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<int>>("wide");   // 1-based numbers of the shown buttons one pixel wider
    QTest::newRow("snaps back") << false << 523 << QList<int>{};
    QTest::newRow("aligned keeps the width") << true << 530 << QList<int>{2, 4, 7, 9, 11, 14, 16};
}

void TestDBENav::spareWidth()
{
    QFETCH(bool, aligned);
    QFETCH(int, width);
    QFETCH(QList<int>, wide);
    TDBENavigator nav;
    ConfigureMainNavigator(&nav);
    if (aligned) nav.SetAlign(TNavAlign::Top);
    nav.SetBounds(0, 0, 530, 25);
    QCOMPARE(nav.width(), width);
    QCOMPARE(nav.ButtonWidth(), 29);
    const QList<int> widths = ShownWidths(&nav);
    for (int n = 1; n <= widths.size(); ++n) QCOMPARE(widths[n - 1], wide.contains(n) ? 30 : 29);
    const QList<int> lefts = ShownLefts(&nav);
    QCOMPARE(lefts.last() + widths.last(), width);
}

void TestDBENav::allSetsEmpty()
{
    TDBENavigator nav;
    nav.SetNavStyle(nsStatic);
    nav.SetVisBtnsSearch({});
    nav.SetVisBtnsMove({});
    nav.SetVisBtnsRecord({});
    nav.SetVisBtnsExtend({});
    QCOMPARE(nav.VisibleMask(), quint32(0));
    QCOMPARE(nav.size(), QSize(25, 25));
    QVERIFY(ShownLefts(&nav).isEmpty());
    // Parked out of sight, right of the bar.
    QVERIFY(nav.Button(nbSearch)->x() > nav.width());
}

void TestDBENav::onlyExtendGroup()
{
    TDBENavigator nav;
    nav.SetNavStyle(nsStatic);
    nav.SetVisBtnsSearch({});
    nav.SetVisBtnsMove({});
    nav.SetVisBtnsRecord({});
    QCOMPARE(nav.size(), QSize(150, 25));
    QCOMPARE(ShownLefts(&nav), (QList<int>{0, 25, 50, 75, 100, 125}));
}

void TestDBENav::onlySearchGroup()
{
    TDBENavigator nav;
    nav.SetNavStyle(nsStatic);
    nav.SetVisBtnsMove({});
    nav.SetVisBtnsRecord({});
    nav.SetVisBtnsExtend({});
    // Nine buttons and the reserved first gap, never placed.
    QCOMPARE(nav.size(), QSize(235, 25));
    const QList<int> lefts = ShownLefts(&nav);
    QCOMPARE(lefts.size(), 9);
    QCOMPARE(lefts.first(), 0);
    QCOMPARE(lefts.last() + 25, 225);
}

void TestDBENav::verticalFixedBar()
{
    TDBENavigator nav;
    nav.SetNavStyle(nsStatic);
    nav.SetHorizOrientation(false);
    // 27 buttons of 25 and three gaps.
    QCOMPARE(nav.size(), QSize(25, 705));
    QCOMPARE(nav.Button(nbSearch)->geometry(), QRect(0, 0, 25, 25));
    QCOMPARE(nav.Button(nbFirst)->y(), 9 * 25 + 10);
    QCOMPARE(nav.Button(nbInsert)->y(), 15 * 25 + 20);
    QCOMPARE(nav.Button(nbUserBtn)->y(), 21 * 25 + 30);
    // The move buttons now show their upright glyphs.
    QCOMPARE(nav.Button(nbNext)->Glyph().deviceIndependentSize().toSize(), QSize(26, 9));
    // A taller bar keeps its height only when aligned; its buttons grow.
    nav.SetAlign(TNavAlign::Left);
    nav.SetBounds(0, 0, 30, 732);
    QCOMPARE(nav.size(), QSize(30, 732));
    QCOMPARE(nav.ButtonHeight(), 26);
    QCOMPARE(nav.Button(nbSearch)->width(), 30);
    QCOMPARE(nav.Button(nbGlobalEdit)->geometry().bottom() + 1, 732);
}

void TestDBENav::verticalScrollingBar()
{
    TDBENavigator nav;
    nav.SetHorizOrientation(false);
    nav.SetBounds(0, 0, 60, 200);
    QCOMPARE(nav.size(), QSize(25, 200));
    QCOMPARE(nav.ScrollButtonPrior()->geometry(), QRect(0, 0, 25, 14));
    QCOMPARE(nav.ScrollButtonNext()->geometry(), QRect(0, 186, 25, 14));
    QCOMPARE(nav.Button(nbSearch)->geometry(), QRect(0, 14, 25, 25));
    QCOMPARE(nav.ScrollButtonNext()->Glyph().deviceIndependentSize().toSize(), QSize(18, 8));
    // Too short for one button between the scroll buttons.
    nav.SetBounds(0, 0, 25, 30);
    QCOMPARE(nav.height(), 25 + 2 * 14);
    // Back to a row: horizontal glyphs again.
    nav.SetHorizOrientation(true);
    QCOMPARE(nav.Button(nbNext)->Glyph().deviceIndependentSize().toSize(), QSize(32, 16));
    QCOMPARE(nav.ScrollButtonNext()->Glyph().deviceIndependentSize().toSize(), QSize(8, 18));
}

void TestDBENav::scrollStyles_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("prior");
    QTest::addColumn<int>("next");
    QTest::addColumn<int>("first");
    QTest::newRow("left and right") << int(nsScrollLeftRight) << 0 << 306 << 14;
    QTest::newRow("both left") << int(nsScrollBothLeft) << 0 << 14 << 28;
    QTest::newRow("both right") << int(nsScrollBothRight) << 292 << 306 << 0;
}

void TestDBENav::scrollStyles()
{
    QFETCH(int, style);
    QFETCH(int, prior);
    QFETCH(int, next);
    QFETCH(int, first);
    TDBENavigator nav;
    nav.SetNavStyle(TNavStyle(style));
    QCOMPARE(nav.ScrollButtonPrior()->x(), prior);
    QCOMPARE(nav.ScrollButtonNext()->x(), next);
    QCOMPARE(nav.Button(nbSearch)->x(), first);
    // Nothing shown reaches into a scroll button.
    const QRect pr = nav.ScrollButtonPrior()->geometry(), nr = nav.ScrollButtonNext()->geometry();
    for (int i = 0; i < NavigateBtnCount; ++i) {
        TDBENavButton* b = nav.Button(TDBENavigateBtn(i));
        if (b->isHidden()) continue;
        QVERIFY2(!b->geometry().intersects(pr) && !b->geometry().intersects(nr), qPrintable(b->objectName()));
        QVERIFY(b->geometry().right() < nav.width());
    }
}

void TestDBENav::scrollBtnWidthAtLeast14()
{
    TDBENavigator nav;
    nav.SetScrollBtnWidth(5);
    QCOMPARE(nav.ScrollBtnWidth(), 14);
    nav.SetScrollBtnWidth(20);
    QCOMPARE(nav.ScrollBtnWidth(), 20);
    QCOMPARE(nav.ScrollButtonNext()->geometry(), QRect(300, 0, 20, 25));
    QCOMPARE(nav.Button(nbSearch)->x(), 20);
}

void TestDBENav::incSrchBoxOnlyInFixedStyle()
{
    TDBENavigator nav;
    nav.SetUseNISBtn(true);
    QVERIFY(!nav.UseNISBtn());
    QVERIFY(!nav.IncSrchBox());

    nav.SetNavStyle(nsStatic);
    nav.SetUseNISBtn(true);
    QVERIFY(nav.UseNISBtn());
    TDBENavIncSrch* box = nav.IncSrchBox();
    QVERIFY(box);
    QCOMPARE(nav.Button(nbSearchInc), box);
    QCOMPARE(box->width(), 50);
    QCOMPARE(box->GroupIndex(), 32766);
    // 26 buttons, the box and three gaps.
    QCOMPARE(nav.width(), 26 * 25 + 50 + 30);
    QCOMPARE(nav.Button(nbSearchNext)->x(), 25 + 50);
    nav.SetIncSrchWidth(60);
    QCOMPARE(nav.width(), 26 * 25 + 60 + 30);
    QCOMPARE(box->width(), 60);

    nav.SetNavStyle(nsScrollLeftRight);
    QVERIFY(!nav.UseNISBtn());
    QVERIFY(!nav.IncSrchBox());
    TDBENavButton* b = nav.Button(nbSearchInc);
    QVERIFY(!qobject_cast<TDBENavIncSrch*>(b));
    QCOMPARE(b->NumGlyphs(), 4);
    QCOMPARE(b->GroupIndex(), 32766);
    QCOMPARE(b->size(), QSize(25, 25));
}

void TestDBENav::incSrchBoxShowsEndOfLongText()
{
    TDBENavigator nav;
    nav.SetNavStyle(nsStatic);
    nav.SetUseNISBtn(true);
    TDBENavIncSrch* box = nav.IncSrchBox();
    QVERIFY(box);
    const QRect r = box->TextRect();
    QCOMPARE(r.x(), 4);
    QCOMPARE(r.x() + r.width(), box->width() - 6);

    nav.SetIncSrchText(QStringLiteral("ab"));
    QCOMPARE(box->Text(), QStringLiteral("ab"));
    QCOMPARE(box->TextX(), r.x());

    const QString longText = QStringLiteral("Raupenbagger mit Tieflöffel WWWW");
    nav.SetIncSrchText(longText);
    const int w = QFontMetrics(TDBENavIncSrch::TextFont()).horizontalAdvance(longText);
    QVERIFY(w > r.width());
    QCOMPARE(box->TextX() + w, r.x() + r.width() - 2);

    // The end is what the box shows: ink near the right edge, not at the
    // first characters' place when drawn from the left.
    const QImage img = box->grab().toImage();
    bool inkRight = false;
    for (int x = r.x() + r.width() - 10; x < r.x() + r.width() - 2; ++x)
        for (int y = r.y(); y < r.y() + r.height(); ++y)
            if (qGray(img.pixel(x, y)) < 128) inkRight = true;
    QVERIFY(inkRight);
    // The frame around the text: black, one pixel outside.
    QCOMPARE(QColor(img.pixel(r.x() - 1, r.y() + r.height() / 2)), QColor(Qt::black));
}

void TestDBENav::glyphStrips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("glyphs");
    QTest::addColumn<QSize>("size");
    for (int i = 0; i < NavigateBtnCount; ++i) {
        const TDBENavigateBtn b = TDBENavigateBtn(i);
        const int n = (b == nbSearchInc || b == nbActiveFilter) ? 4
                      : (b == nbTblFilter || b == nbIndexSelect || b == nbDupField || b == nbDupRecord ||
                         b == nbGlobalEdit)
                          ? 1
                          : 2;
        const QSize one = b == nbSearchInc ? QSize(16, 18) : b == nbActiveFilter ? QSize(17, 16) : QSize(16, 16);
        const QString name = QStringLiteral("DBE_") + NavigateBtnGlyph(b);
        QTest::newRow(qPrintable(name)) << name << n << QSize(one.width() * n, one.height());
        if (b >= nbFirst && b <= nbLast) {
            const QString v = QStringLiteral("DBEV_") + NavigateBtnGlyph(b);
            QTest::newRow(qPrintable(v)) << v << 2 << QSize(26, 9);
        }
    }
    QTest::newRow("DBE_LSCROLL") << QStringLiteral("DBE_LSCROLL") << 1 << QSize(8, 18);
    QTest::newRow("DBE_RSCROLL") << QStringLiteral("DBE_RSCROLL") << 1 << QSize(8, 18);
    QTest::newRow("DBEV_LSCROLL") << QStringLiteral("dbev_lscroll") << 1 << QSize(18, 8);
    QTest::newRow("DBEV_RSCROLL") << QStringLiteral("Dbev_RScroll") << 1 << QSize(18, 8);
}

void TestDBENav::glyphStrips()
{
    QFETCH(QString, name);
    QFETCH(int, glyphs);
    QFETCH(QSize, size);
    const QPixmap strip = DBEGlyphStrip(name, glyphs);
    QVERIFY2(!strip.isNull(), qPrintable(name));
    QCOMPARE(strip.deviceIndependentSize().toSize(), size);
    // Something is drawn, and the disabled picture differs from the normal one.
    const QImage img = strip.toImage();
    const int w = img.width() / glyphs;
    const QImage up = img.copy(0, 0, w, img.height());
    QVERIFY(up != QImage(up.size(), up.format()));
    if (glyphs >= 2) QVERIFY(img.copy(w, 0, w, img.height()) != up);
}

// ------------------------------------------------------------ without extender

void TestDBENav::disabledToggleNeverShowsDown()
{
    TDBENavigator nav;
    nav.show();
    TDBENavButton* b = nav.Button(nbActiveFilter);
    QCOMPARE(b->GroupIndex(), 32761);
    QVERIFY(b->AllowAllUp());
    b->setEnabled(true);
    b->SetDown(true);
    b->grab();
    QVERIFY(b->Down());
    b->setEnabled(false);
    b->grab();   // painting forces it up
    QVERIFY(!b->Down());
}

void TestDBENav::clickWithoutExtenderRaisesEvents()
{
    TDBENavigator nav;
    int userClicks = 0;
    QList<TDBENavigateBtn> seen;
    nav.OnUserBtnClick = [&](QObject* sender) {
        QCOMPARE(sender, &nav);
        ++userClicks;
    };
    nav.OnClick = [&](QObject*, TDBENavigateBtn& b, TShiftState& shift) {
        seen << b;
        QVERIFY(shift.IsEmpty());
    };
    nav.BtnClick(nbUserBtn);
    nav.BtnClick(nbNext);
    QCOMPARE(userClicks, 1);
    QCOMPARE(seen, (QList<TDBENavigateBtn>{nbUserBtn, nbNext}));
    // Toggles go down and, being allowed all up, come up again.
    nav.Button(nbGlobalEdit)->setEnabled(true);
    nav.Button(nbGlobalEdit)->Click();
    QVERIFY(nav.Button(nbGlobalEdit)->Down());
    nav.Button(nbGlobalEdit)->Click();
    QVERIFY(!nav.Button(nbGlobalEdit)->Down());
}

void TestDBENav::autoRepeatOfNext()
{
    TDBENavigator nav;
    nav.SetNavStyle(nsStatic);
    nav.show();
    int steps = 0;
    nav.OnClick = [&](QObject*, TDBENavigateBtn& b, TShiftState&) {
        if (b == nbNext) ++steps;
    };
    TDBENavButton* next = nav.Button(nbNext);
    next->setEnabled(true);
    QVERIFY(next->AutoRepeat());
    QVERIFY(!nav.Button(nbFirst)->AutoRepeat());
    QVERIFY(nav.Button(nbPGroup)->AutoRepeat() && nav.Button(nbNGroup)->AutoRepeat());
    const QPoint in(5, 5), out(-20, 5);

    SendMouse(next, QEvent::MouseButtonPress, in, Qt::LeftButton);
    QVERIFY(next->RepeatTimer());
    QVERIFY(next->RepeatTimer()->isActive());
    QCOMPARE(next->RepeatTimer()->interval(), 400);
    QCOMPARE(steps, 0);   // nothing until the first repeat

    next->RepeatTimerExpired();
    QCOMPARE(steps, 1);
    QCOMPARE(next->RepeatTimer()->interval(), 100);
    next->RepeatTimerExpired();
    next->RepeatTimerExpired();
    QCOMPARE(steps, 3);

    // Off the button the stepping pauses, back on it goes on.
    SendMouse(next, QEvent::MouseMove, out, Qt::LeftButton);
    QVERIFY(!next->Pressed());
    next->RepeatTimerExpired();
    QCOMPARE(steps, 3);
    SendMouse(next, QEvent::MouseMove, in, Qt::LeftButton);
    next->RepeatTimerExpired();
    QCOMPARE(steps, 4);

    // Released over the button: one more, the ordinary click; then quiet.
    SendMouse(next, QEvent::MouseButtonRelease, in, Qt::NoButton);
    QCOMPARE(steps, 5);
    QVERIFY(!next->RepeatTimer()->isActive());
    next->RepeatTimerExpired();
    QCOMPARE(steps, 5);

    // Released off the button: no click at all.
    SendMouse(next, QEvent::MouseButtonPress, in, Qt::LeftButton);
    SendMouse(next, QEvent::MouseMove, out, Qt::LeftButton);
    SendMouse(next, QEvent::MouseButtonRelease, out, Qt::NoButton);
    QCOMPARE(steps, 5);
}

void TestDBENav::repeatStopsOnException()
{
    TDBENavigator nav;
    nav.SetNavStyle(nsStatic);
    nav.show();
    nav.OnClick = [](QObject*, TDBENavigateBtn&, TShiftState&) { throw EAbort(); };
    TDBENavButton* prior = nav.Button(nbPrior);
    prior->setEnabled(true);
    SendMouse(prior, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    QVERIFY(prior->RepeatTimer()->isActive());
    QVERIFY_THROWS_EXCEPTION(EAbort, prior->RepeatTimerExpired());
    QVERIFY(!prior->RepeatTimer()->isActive());
    nav.OnClick = nullptr;
    SendMouse(prior, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
}

void TestDBENav::filterPopupItems()
{
    TDBENavigator nav;
    QMenu* popup = nav.FilterPopup();
    QVERIFY(popup);
    QCOMPARE(popup->objectName(), QStringLiteral("DBEFilterPopUp"));
    QCOMPARE(nav.Button(nbTblFilter)->PopupMenu(), popup);
    const QList<QAction*> items = popup->actions();
    QCOMPARE(items.size(), 4);
    const QStringList names{"DBEFEditItem", "DBEFClearItem", "DBEFLoadItem", "DBEFSaveItem"};
    const QStringList texts{"Bearbeiten", "Zurücksetzen", "Laden", "Speichern"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(items[i]->objectName(), names[i]);
        QCOMPARE(items[i]->text(), texts[i]);
        QCOMPARE(items[i]->isEnabled(), i != 1);
    }
    // Without an extender the items do nothing, and ask for no file.
    int dialogs = 0;
    SetFileDialogResponder([&](const TFileDialogRecord&) {
        ++dialogs;
        return QString();
    });
    for (QAction* a : items) a->trigger();
    QCOMPARE(dialogs, 0);
}

void TestDBENav::mainBarHints()
{
    TDBENavigator nav;
    ConfigureMainNavigator(&nav);
    QCOMPARE(nav.objectName(), QStringLiteral("TDBENavMain"));
    QCOMPARE(nav.Hints().size(), NavigateBtnCount);
    QCOMPARE(nav.Button(nbFirst)->Hint(), QStringLiteral("Erste Maschine"));
    QCOMPARE(nav.Button(nbGotoBookmark)->Hint(), QStringLiteral("Lesezeichenverwaltung"));
    QCOMPARE(nav.Button(nbCancel)->Hint(), QStringLiteral("Neue Maschine/Änderungen wiederrufen"));
    // Empty lines keep the defaults.
    QCOMPARE(nav.Button(nbTblFilter)->Hint(), QStringLiteral("Filter bearbeiten"));
    QCOMPARE(nav.Button(nbNGroup)->Hint(), QStringLiteral("Nächste Datensatzgruppe"));
    QCOMPARE(nav.Button(nbFirst)->toolTip(), QStringLiteral("Erste Maschine"));
}

// Each drawn button is a button to a screen reader, named by its hint and
// kept in step with it; toggles say whether they are down; pressing clicks.
void TestDBENav::accessibleButtons()
{
    TDBENavigator nav;
    ConfigureMainNavigator(&nav);
    nav.show();
    for (int i = 0; i < NavigateBtnCount; ++i) {
        TDBENavButton* b = nav.Button(TDBENavigateBtn(i));
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(b);
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::Button);
        QCOMPARE(a->text(QAccessible::Name), b->toolTip());
        if (b->isVisible()) QVERIFY2(!a->text(QAccessible::Name).isEmpty(), qPrintable(NavigateBtnName(b->Index())));
    }
    QAccessibleInterface* first = QAccessible::queryAccessibleInterface(nav.Button(nbFirst));
    QCOMPARE(first->text(QAccessible::Name), QStringLiteral("Erste Maschine"));
    QStringList hints = nav.Hints();
    hints[nbFirst] = QStringLiteral("Anfang|Zur ersten Maschine");
    nav.SetHints(hints);
    QCOMPARE(first->text(QAccessible::Name), QStringLiteral("Anfang"));
    QCOMPARE(first->text(QAccessible::Description), QStringLiteral("Zur ersten Maschine"));

    TDBENavButton* edit = nav.Button(nbGlobalEdit);
    QAccessibleInterface* toggle = QAccessible::queryAccessibleInterface(edit);
    QVERIFY(toggle->state().checkable);
    QVERIFY(!toggle->state().checked);
    QVERIFY(!first->state().checkable);
    int clicks = 0;
    TDBENavigateBtn clicked = nbSearch;
    nav.OnClick = [&](QObject*, TDBENavigateBtn& b, TShiftState&) {
        ++clicks;
        clicked = b;
    };
    QAccessibleActionInterface* press = toggle->actionInterface();
    QVERIFY(press);
    QVERIFY(press->actionNames().contains(QAccessibleActionInterface::pressAction()));
    press->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(clicks, 1);
    QCOMPARE(NavigateBtnName(clicked), NavigateBtnName(nbGlobalEdit));
    QVERIFY(toggle->state().checked);
    // A disabled button is not pressed.
    edit->setEnabled(false);
    press->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(clicks, 1);
}

// ------------------------------------------------------------ with the extender

void TestDBENav::registration()
{
    MakeForm();
    const auto& bars = m_ext->Navigators();
    QVERIFY(std::find(bars.begin(), bars.end(), static_cast<TDBENavClient*>(m_nav)) != bars.end());
    QVERIFY(m_nav->Button(nbNext)->isEnabled());

    m_ext->SetFlatNavBtns(true);
    QVERIFY(m_nav->Flat());
    QVERIFY(m_nav->Button(nbSearch)->Flat());
    QVERIFY(m_nav->ScrollButtonNext()->Flat());
    // The text box needs the fixed style.
    m_ext->SetUseTextIncSrchBtn(true);
    QVERIFY(!m_nav->UseNISBtn());
    m_nav->SetNavStyle(nsStatic);
    m_ext->SetUseTextIncSrchBtn(false);
    m_ext->SetUseTextIncSrchBtn(true);
    QVERIFY(m_nav->IncSrchBox());

    m_nav->SetUserBtnEnabled(true);
    m_nav->SetDBExtender(nullptr);
    QVERIFY(m_ext->Navigators().empty());
    for (int i = 0; i < NavigateBtnCount; ++i)
        QCOMPARE(m_nav->Button(TDBENavigateBtn(i))->isEnabled(), i == nbUserBtn);
    m_nav->SetUserBtnEnabled(false);
    QVERIFY(!m_nav->Button(nbUserBtn)->isEnabled());

    // The extender going away lets go of the bar.
    m_nav->SetDBExtender(m_ext);
    delete m_ext;
    m_ext = nullptr;
    QVERIFY(!m_nav->DBExtender());
}

void TestDBENav::enablingFollowsPossibilities()
{
    MakeForm();
    // Every button but the user's own says what the extender allows.
    const auto follows = [this](const char* where) {
        for (int i = 0; i < NavigateBtnCount; ++i) {
            if (i == nbUserBtn) continue;
            const TDBENavigateBtn b = TDBENavigateBtn(i);
            if (m_nav->Button(b)->isEnabled() != m_ext->Possibilities(b))
                QFAIL(qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(where), NavigateBtnName(b))));
        }
    };
    follows("start");
    QVERIFY(!m_nav->Button(nbPrior)->isEnabled());
    QVERIFY(m_nav->Button(nbNext)->isEnabled());

    m_nav->BtnClick(nbNext);
    QCOMPARE(m_table->RecNo(), 2);
    follows("after next");
    QVERIFY(m_nav->Button(nbPrior)->isEnabled());

    m_nav->BtnClick(nbLast);
    QCOMPARE(m_table->RecNo(), 9);
    follows("at the end");
    QVERIFY(!m_nav->Button(nbNext)->isEnabled());

    m_table->Edit();
    follows("editing");
    QVERIFY(m_nav->Button(nbPost)->isEnabled());
    QVERIFY(m_nav->Button(nbCancel)->isEnabled());
    m_nav->BtnClick(nbCancel);
    follows("cancelled");
    QVERIFY(!m_nav->Button(nbCancel)->isEnabled());

    TTableDefs* entry = m_ext->Tables().FindBySource(m_src);
    QVERIFY(entry && entry->Filter());
    entry->Filter()->ApplyRows({{QStringLiteral("Gruppe"), foEqual, QStringLiteral("Bagger")}}, true);
    m_ext->SetFilterActive(entry, true);
    QCOMPARE(m_ext->FilterState(), 3);
    follows("filtered");
    QVERIFY(m_nav->Button(nbActiveFilter)->isEnabled());
    QVERIFY(m_nav->Button(nbActiveFilter)->Down());
    QVERIFY(m_nav->FilterPopup()->actions().at(1)->isEnabled());
    m_ext->SetFilterActive(entry, false);
    follows("filter off");
    QVERIFY(!m_nav->Button(nbActiveFilter)->Down());

    // A disabled bar disables all but the user button.
    m_nav->setEnabled(false);
    for (int i = 0; i < NavigateBtnCount; ++i)
        if (i != nbUserBtn) QVERIFY(!m_nav->Button(TDBENavigateBtn(i))->isEnabled());
    m_nav->setEnabled(true);
    follows("enabled again");
}

void TestDBENav::activeFilterDownOnlyWhenEnabled()
{
    MakeForm();
    TTableDefs* entry = m_ext->Tables().FindBySource(m_src);
    QVERIFY(entry && entry->Filter());
    entry->Filter()->ApplyRows({{QStringLiteral("Gruppe"), foEqual, QStringLiteral("Kran")}}, false);
    m_ext->SetFilterActive(entry, true);
    QVERIFY(m_nav->Button(nbActiveFilter)->Down());
    // Without the navigator interface the toggle goes up with the button.
    m_ext->SetInterfacesNormal({ieShortCuts, ieDisplay});
    QVERIFY(!m_nav->Button(nbActiveFilter)->isEnabled());
    QVERIFY(!m_nav->Button(nbActiveFilter)->Down());
    m_ext->SetInterfacesNormal({ieShortCuts, ieNavbars, ieDisplay});
    QVERIFY(m_nav->Button(nbActiveFilter)->Down());
}

void TestDBENav::onClickTurnsEveryClickIntoLast()
{
    MakeForm();
    QList<TDBENavigateBtn> dispatched;
    m_ext->BeforeHandleNBBtn = [&](QObject*, TDBENavigateBtn& b, TShiftState&, int&) { dispatched << b; };
    m_nav->OnClick = [](QObject*, TDBENavigateBtn& b, TShiftState&) { b = nbLast; };
    m_nav->Button(nbNext)->Click();
    QCOMPARE(m_table->RecNo(), 9);
    QCOMPARE(dispatched, QList<TDBENavigateBtn>{nbLast});
    m_nav->BtnClick(nbFirst);
    QCOMPARE(m_table->RecNo(), 9);
}

void TestDBENav::hintShortcuts_data()
{
    QTest::addColumn<TAddSCHint>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QString bar = QStringLiteral("Speichern|Änderung bestätigen");
    const QString plain = QStringLiteral("Speichern");
    QTest::newRow("both") << ahBoth << bar << "Speichern [Strg+S]|Änderung bestätigen [Strg+S]";
    QTest::newRow("long only") << ahLongOnly << bar << "Speichern|Änderung bestätigen [Strg+S]";
    QTest::newRow("short only") << ahShortOnly << bar << "Speichern [Strg+S]|Änderung bestätigen";
    QTest::newRow("none") << ahNone << bar << "Speichern|Änderung bestätigen";
    QTest::newRow("plain both") << ahBoth << plain << "Speichern [Strg+S]";
    QTest::newRow("plain short only") << ahShortOnly << plain << "Speichern [Strg+S]";
    QTest::newRow("plain long only") << ahLongOnly << plain << "Speichern";
    QTest::newRow("plain none") << ahNone << plain << "Speichern";
}

void TestDBENav::hintShortcuts()
{
    QFETCH(TAddSCHint, mode);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    MakeForm();
    TDBEShortCuts sc = m_ext->ShortCuts();
    sc.SetShortCut(nbPost, ShortCut('S', {ssCtrl}));
    m_ext->SetShortCuts(sc);
    m_nav->SetAddSCHint(mode);
    QCOMPARE(m_nav->AddShortcut(text, nbPost), expected);
    // The bar's hint lines get the same treatment.
    QStringList lines(NavigateBtnCount);
    lines[nbPost] = text;
    m_nav->SetHints(lines);
    QCOMPARE(m_nav->Button(nbPost)->Hint(), expected);
    QCOMPARE(m_nav->Button(nbPost)->toolTip(), expected.section(u'|', 0, 0));
}

void TestDBENav::hintsWithoutShortCutInterface()
{
    MakeForm();
    TDBEShortCuts sc = m_ext->ShortCuts();
    sc.SetShortCut(nbPost, ShortCut('S', {ssCtrl}));
    sc.SetShortCut(nbLookUp, 0);
    m_ext->SetShortCuts(sc);
    QCOMPARE(m_nav->AddShortcut(QStringLiteral("A|B"), nbLookUp), QStringLiteral("A|B"));
    QCOMPARE(m_nav->Button(nbPost)->Hint(), QStringLiteral("Änderung bestätigen [Strg+S]"));
    m_ext->SetInterfacesNormal({ieNavbars, ieDisplay});
    QCOMPARE(m_nav->AddShortcut(QStringLiteral("A|B"), nbPost), QStringLiteral("A|B"));
    QCOMPARE(m_nav->Button(nbPost)->Hint(), QStringLiteral("Änderung bestätigen"));
    // The user button's hint is its own, with the same rule.
    m_nav->SetUserBtnHint(QStringLiteral("Eigene Aktion"));
    QCOMPARE(m_nav->Button(nbUserBtn)->Hint(), QStringLiteral("Eigene Aktion"));
}

void TestDBENav::filterFileDialogs()
{
    MakeForm();
    QList<TFileDialogRecord> asked;
    SetFileDialogResponder([&](const TFileDialogRecord& r) {
        asked << r;
        return QString();   // cancelled
    });
    int changes = 0;
    m_ext->OnFilterChanged = [&](QObject*, TDBDataSet*) { ++changes; };
    m_nav->SaveFilterToFile();
    m_nav->LoadFilterFromFile();
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[0].Kind, TFileDialogKind::Save);
    QCOMPARE(asked[0].Title, QStringLiteral("Speichere Filter für [KfzStamm.db]"));
    QCOMPARE(asked[0].Filter, QStringLiteral("Filterdefinitionen (*.TFD)|*.TFD"));
    QCOMPARE(asked[0].DefaultExt, QStringLiteral("TFD"));
    QCOMPARE(asked[1].Kind, TFileDialogKind::Open);
    QCOMPARE(asked[1].Title, QStringLiteral("Lade Filter für [KfzStamm.db]"));
    QCOMPARE(changes, 0);

    // Chosen files go to the extender; the menu items do the same.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bagger.TFD"));
    TTableDefs* entry = m_ext->Tables().FindBySource(m_src);
    QVERIFY(entry && entry->Filter());
    entry->Filter()->ApplyRows({{QStringLiteral("Gruppe"), foEqual, QStringLiteral("Bagger")}}, true);
    SetFileDialogResponder([&](const TFileDialogRecord&) { return file; });
    m_nav->FilterPopup()->actions().at(3)->trigger();
    QVERIFY(changes > 0);
    QVERIFY(QFile::exists(file));
    changes = 0;
    m_nav->FilterPopup()->actions().at(2)->trigger();
    QVERIFY(changes > 0);
}

TARVOS_UI_TEST_MAIN(TestDBENav)
#include "tst_dbenav.moc"
