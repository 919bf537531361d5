// The extender's keys: the shortcut table and its stored forms, and what
// keys do on a data form (shortcuts, bookmark digits, Enter as next field,
// grid columns, paging keys, incremental search).
#include "Application.h"
#include "DBEProps.h"
#include "DBErrors.h"
#include "Panel.h"
#include "Dbextend.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "DBMemo.h"
#include "Dialogs.h"
#include "Session.h"
#include "Table.h"
#include "TestTables.h"
#include "UiTestSupport.h"
#include <QLineEdit>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

namespace {

// Three machines in key order, the first with three cost lines, the second with two.
void createData()
{
    CreateTestTable(QStringLiteral("Stamm.DB"),
                {{"Nr", ftString, 5, true}, {"Name", ftString, 20}, {"Ort", ftString, 20}, {"Notiz", ftMemo, 240}},
                {{QString(), "Nr", ixPrimary | ixUnique}});
    CreateTestTable(QStringLiteral("Posten.DB"),
                {{"Nr", ftString, 5, true}, {"Pos", ftInteger, 0, true}, {"Text", ftString, 20}, {"Betrag", ftFloat}},
                {{QString(), "Nr;Pos", ixPrimary | ixUnique}});
    TTable m;
    m.SetDatabaseName(QStringLiteral("Pelmora"));
    m.SetTableName(QStringLiteral("Stamm.DB"));
    m.Open();
    m.AppendRecord({QStringLiteral("A1"), QStringLiteral("Becker"), QStringLiteral("Ulm")});
    m.AppendRecord({QStringLiteral("A2"), QStringLiteral("Maier"), QStringLiteral("Bonn")});
    m.AppendRecord({QStringLiteral("A3"), QStringLiteral("Müller"), QStringLiteral("Köln")});
    TTable d;
    d.SetDatabaseName(QStringLiteral("Pelmora"));
    d.SetTableName(QStringLiteral("Posten.DB"));
    d.Open();
    for (int pos = 1; pos <= 3; ++pos) d.AppendRecord({QStringLiteral("A1"), pos, QStringLiteral("Teil %1").arg(pos), pos * 10.0});
    for (int pos = 1; pos <= 2; ++pos) d.AppendRecord({QStringLiteral("A2"), pos, QStringLiteral("Rad %1").arg(pos), pos * 5.0});
}

// Records the keys that reach a control.
class TKeySpy : public QObject {
public:
    QList<int> Keys;
protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress) Keys << static_cast<QKeyEvent*>(e)->key();
        return false;
    }
};

// A grid of another make, known to the extender only by its class name in
// DBGridComponents ("TDBScroll (OnColArrived)" by default).
class TDBScroll : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TDataSource* DataSource READ DataSource)
public:
    explicit TDBScroll(TDataSource* src, QWidget* parent) : QWidget(parent), m_src(src)
    {
        setFocusPolicy(Qt::StrongFocus);
    }
    TDataSource* DataSource() const { return m_src; }
signals:
    void OnColArrived();
private:
    TDataSource* m_src;
};

// Master with two edits and a memo, its cost lines in a grid.
class TKeyForm : public TMasterDetailForm {
public:
    TKeyForm() : TMasterDetailForm(Options()) {}

private:
    static TOptions Options()
    {
        TOptions o;
        o.MasterFile = QStringLiteral("Stamm.DB");
        o.DetailFile = QStringLiteral("Posten.DB");
        o.GridName = QStringLiteral("GridPosten");
        return o;
    }
};

struct TCall {
    int Btn;
    int Info;
    quint32 Shift;
};

QVariantList positional(int first, int count)
{
    QVariantList l;
    for (int i = 0; i < count; ++i) l << first + i;
    return l;
}

}   // namespace

Q_DECLARE_METATYPE(Qt::Key)

class TestDBExtendKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void actionTexts_data();
    void actionTexts();
    void actionByNameIgnoresCase();
    void defaultTable_data();
    void defaultTable();
    void findAction_data();
    void findAction();
    void assignNotifies();
    void readNamedList();
    void readPositionalList_data();
    void readPositionalList();
    void readBadName_data();
    void readBadName();
    void textRoundTrip();
    void textReadsNamedAndOld_data();
    void textReadsNamedAndOld();

    void bookmarkDigit_data();
    void bookmarkDigit();
    void enterMovesFocus_data();
    void enterMovesFocus();
    void enterInMemo_data();
    void enterInMemo();
    void enterInGrid_data();
    void enterInGrid();
    void shortcutKeys_data();
    void shortcutKeys();
    void downOnLastGridRow_data();
    void downOnLastGridRow();
    void keysSwallowed_data();
    void keysSwallowed();
    void incrementalSearch_data();
    void incrementalSearch();
    void gridColumnHook();
    void foreignGrid_data();
    void foreignGrid();

private:
    void focus(QWidget* w);
    std::unique_ptr<TTestDatabases> m_db;
    std::unique_ptr<TKeyForm> m_form;
    std::vector<TCall> m_calls;
    bool m_veto = false;
};

void TestDBExtendKeys::initTestCase()
{
    m_db = std::make_unique<TTestDatabases>(TTestDatabases::Empty);
    createData();
}

void TestDBExtendKeys::cleanupTestCase()
{
    m_db.reset();
}

void TestDBExtendKeys::init()
{
    m_calls.clear();
    m_veto = false;
    // Only the tests of the form need it; the table tests are cheap anyway.
    m_form = std::make_unique<TKeyForm>();
    m_form->Ext->BeforeHandleNBBtn = [this](QObject*, TDBENavigateBtn& b, TShiftState& s, int& info) {
        m_calls.push_back({int(b), info, s.Bits()});
        if (m_veto) throw EAbort();
    };
    // No dialog of the suite opens during these tests.
    m_form->Ext->OnSpecialForm = [](QObject*, TFormEventRec& rec) { rec.Show = false; };
}

void TestDBExtendKeys::cleanup()
{
    if (m_form) {
        for (TTable* t : {m_form->Detail, m_form->Master})
            if (t->State() == dsEdit || t->State() == dsInsert) t->Cancel();
    }
    m_form.reset();
}

void TestDBExtendKeys::focus(QWidget* w)
{
    w->setFocus(Qt::OtherFocusReason);
    // A grid with its cell editor open hands the focus on to it.
    QTRY_VERIFY(QApplication::focusWidget() == w || w->isAncestorOf(QApplication::focusWidget()));
}

// ------------------------------------------------------------ the table

void TestDBExtendKeys::actionTexts_data()
{
    QTest::addColumn<int>("btn");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("glyph");
    QTest::newRow("search") << int(nbSearch) << "nbSearch" << "Feldwert suchen" << "SEARCH";
    QTest::newRow("search next") << int(nbSearchNext) << "nbSearchNext" << "Nächsten Feldwert suchen" << "SEARCHNEXT";
    QTest::newRow("goto bookmark") << int(nbGotoBookmark) << "nbGotoBookmark" << "Gehezu Lesezeichen" << "GOTOBOOKMARK";
    QTest::newRow("table filter") << int(nbTblFilter) << "nbTblFilter" << "Filter bearbeiten" << "GLOBFILTER";
    QTest::newRow("index") << int(nbIndexSelect) << "nbIndexSelect" << "Index wählen" << "INDEX";
    QTest::newRow("post") << int(nbPost) << "nbPost" << "Änderung bestätigen" << "POST";
    QTest::newRow("user button") << int(nbUserBtn) << "nbUserBtn" << "" << "USERBTN";
    QTest::newRow("dup field") << int(nbDupField) << "nbDupField" << "Feld aus vorh. Datensatz duplizieren" << "DUPFIELD";
    QTest::newRow("global edit") << int(nbGlobalEdit) << "nbGlobalEdit" << "Bearbeitungsmodus ein/aus" << "GLOBALEDIT";
}

void TestDBExtendKeys::actionTexts()
{
    QFETCH(int, btn);
    QFETCH(QString, name);
    QFETCH(QString, hint);
    QFETCH(QString, glyph);
    QCOMPARE(NavigateBtnName(TDBENavigateBtn(btn)), name);
    QCOMPARE(NavigateBtnHint(TDBENavigateBtn(btn)), hint);
    QCOMPARE(NavigateBtnGlyph(TDBENavigateBtn(btn)), glyph);
}

void TestDBExtendKeys::actionByNameIgnoresCase()
{
    for (int i = 0; i < NavigateBtnCount; ++i) {
        TDBENavigateBtn found = nbSearch;
        QVERIFY(NavigateBtnByName(NavigateBtnName(TDBENavigateBtn(i)).toUpper(), found));
        QCOMPARE(int(found), i);
        QVERIFY(NavigateBtnName(TDBENavigateBtn(i)).size() <= 15);
    }
    TDBENavigateBtn found = nbLast;
    QVERIFY(!NavigateBtnByName(QStringLiteral("nbNothing"), found));
    QCOMPARE(found, nbLast);
}

void TestDBExtendKeys::defaultTable_data()
{
    QTest::addColumn<int>("btn");
    QTest::addColumn<int>("value");
    const int values[NavigateBtnCount] = {16467, 16457, 114,   16459, 16465, 16454, 0,   16472, 118, 0,
                                          16417, 8225,  33,    34,    8226,  16418, 45,  16430, 0,   0,
                                          16392, 0,     0,     113,   16452, 24644, 16416, 120};
    for (int i = 0; i < NavigateBtnCount; ++i)
        QTest::newRow(qPrintable(NavigateBtnName(TDBENavigateBtn(i)))) << i << values[i];
}

void TestDBExtendKeys::defaultTable()
{
    QFETCH(int, btn);
    QFETCH(int, value);
    QCOMPARE(int(TDBEShortCuts().ShortCut(TDBENavigateBtn(btn))), value);
    QCOMPARE(int(m_form->Ext->ShortCuts().ShortCut(TDBENavigateBtn(btn))), value);
}

void TestDBExtendKeys::findAction_data()
{
    QTest::addColumn<int>("vk");
    QTest::addColumn<quint32>("shift");
    QTest::addColumn<int>("btn");   // -1: none
    QTest::newRow("ctrl+page up") << 0x21 << TShiftState{ssCtrl}.Bits() << int(nbFirst);
    QTest::newRow("page up") << 0x21 << TShiftState().Bits() << int(nbPrior);
    QTest::newRow("shift+page down") << 0x22 << TShiftState{ssShift}.Bits() << int(nbNGroup);
    QTest::newRow("ctrl+F3 as F3") << 0x72 << TShiftState{ssCtrl}.Bits() << int(nbSearchNext);
    QTest::newRow("ctrl+insert as insert") << 0x2D << TShiftState{ssCtrl}.Bits() << int(nbInsert);
    QTest::newRow("ctrl+S") << 0x53 << TShiftState{ssCtrl}.Bits() << int(nbSearch);
    QTest::newRow("ctrl+shift+D") << 0x44 << TShiftState{ssShift, ssCtrl}.Bits() << int(nbDupRecord);
    QTest::newRow("shift+F3 unknown") << 0x72 << TShiftState{ssShift}.Bits() << -1;
    QTest::newRow("plain S unknown") << 0x53 << TShiftState().Bits() << -1;
    QTest::newRow("alt+page up unknown") << 0x21 << TShiftState{ssAlt}.Bits() << -1;
}

void TestDBExtendKeys::findAction()
{
    QFETCH(int, vk);
    QFETCH(quint32, shift);
    QFETCH(int, btn);
    TDBENavigateBtn found = nbUserBtn;
    const bool ok = TDBEShortCuts().FindAction(vk, TShiftState::FromBits(shift), found);
    QCOMPARE(ok, btn >= 0);
    if (ok) QCOMPARE(int(found), btn);
}

void TestDBExtendKeys::assignNotifies()
{
    TDBEShortCuts a, b;
    b.SetShortCut(nbEdit, 0x71);
    int changes = 0;
    a.OnChange = [&] { ++changes; };
    a.Assign(b);
    QCOMPARE(changes, 1);
    QCOMPARE(int(a.ShortCut(nbEdit)), 0x71);
    QVERIFY(a == b);
    // The first action in order wins when two share a key.
    a.SetShortCut(nbRefresh, 0x71);
    TDBENavigateBtn found;
    QVERIFY(a.FindAction(0x71, {}, found));
    QCOMPARE(found, nbEdit);
}

void TestDBExtendKeys::readNamedList()
{
    TDBEShortCuts changed;
    changed.SetShortCut(nbEdit, 0x71);
    changed.SetShortCut(nbSearch, 0);
    const QVariantList list = changed.WriteList();
    QCOMPARE(list.size(), 1 + 2 * NavigateBtnCount);
    QCOMPARE(list.at(0).toInt(), -27);
    QCOMPARE(list.at(1).toString(), QStringLiteral("nbSearch"));
    QCOMPARE(list.at(2).toInt(), 0);
    QCOMPARE(list.at(55).toString(), QStringLiteral("nbGlobalEdit"));
    QCOMPARE(list.at(56).toInt(), 120);

    TDBEShortCuts read;
    read.ReadList(list);
    QVERIFY(read == changed);

    // Names in any case and order; actions not named keep their value.
    TDBEShortCuts partial;
    partial.ReadList({-27, QStringLiteral("NBLAST"), 0x23, QStringLiteral("nbfirst"), 0x24});
    QCOMPARE(int(partial.ShortCut(nbLast)), 0x23);
    QCOMPARE(int(partial.ShortCut(nbFirst)), 0x24);
    QCOMPARE(int(partial.ShortCut(nbSearch)), 16467);
}

void TestDBExtendKeys::readPositionalList_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("expected");   // per action; values start at 1000
    QList<int> full;
    for (int i = 0; i <= 8; ++i) full << 1000 + i;
    full << 0;   // the single-record view keeps its default
    for (int i = 10; i <= 27; ++i) full << 1000 + i - 1;
    QTest::newRow("27 values") << 27 << full;
    QList<int> surplus = full;
    surplus[27] = 1027;
    QTest::newRow("28 values, the last on action 27") << 28 << surplus;
    QList<int> more = full;
    more[27] = 1030;
    QTest::newRow("31 values") << 31 << more;
    QList<int> few;
    TDBEShortCuts def;
    for (int i = 0; i < NavigateBtnCount; ++i) few << def.ShortCut(TDBENavigateBtn(i));
    few[0] = 1000;
    few[1] = 1001;
    few[2] = 1002;
    QTest::newRow("3 values") << 3 << few;
}

void TestDBExtendKeys::readPositionalList()
{
    QFETCH(int, count);
    QFETCH(QList<int>, expected);
    TDBEShortCuts sc;
    sc.ReadList(positional(1000, count));
    for (int i = 0; i < NavigateBtnCount; ++i)
        QCOMPARE(int(sc.ShortCut(TDBENavigateBtn(i))), expected.at(i));
}

void TestDBExtendKeys::readBadName_data()
{
    QTest::addColumn<QVariantList>("list");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown name") << QVariantList{-27, QStringLiteral("nbSearch"), 1, QStringLiteral("nbFoo"), 2}
                                  << QStringLiteral("Error reading TDBEShortCuts nbFoo");
    QTest::newRow("short name") << QVariantList{-27, QStringLiteral("nb"), 1}
                                << QStringLiteral("Error reading TDBEShortCuts nb");
}

void TestDBExtendKeys::readBadName()
{
    QFETCH(QVariantList, list);
    QFETCH(QString, error);
    TDBEShortCuts sc;
    QString message;
    try {
        sc.ReadList(list);
    } catch (const Exception& e) {
        message = e.Message();
    }
    QCOMPARE(message, error);

    // The same through the text form.
    QStringList tokens;
    for (const QVariant& v : list) tokens << v.toString();
    message.clear();
    try {
        sc.FromText(QLatin1Char('(') + tokens.join(QLatin1Char(' ')) + QLatin1Char(')'));
    } catch (const Exception& e) {
        message = e.Message();
    }
    QCOMPARE(message, error);
}

void TestDBExtendKeys::textRoundTrip()
{
    const QString text = TDBEShortCuts().ToText();
    QVERIFY2(text.startsWith(QStringLiteral("(-27 nbSearch 16467 nbSearchInc 16457 nbSearchNext 114 ")), qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral(" nbGlobalEdit 120)")), qPrintable(text));

    TDBEShortCuts changed;
    changed.SetShortCut(nbPost, 0x4000 | 0x0D);
    changed.SetShortCut(nbNext, 0);
    TDBEShortCuts read;
    read.FromText(changed.ToText());
    QVERIFY(read == changed);
}

void TestDBExtendKeys::textReadsNamedAndOld_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("btn");
    QTest::addColumn<int>("value");
    QTest::newRow("named, line breaks") << "(-27\n  nbPost 16397\n  nbEdit 113)" << int(nbPost) << 16397;
    QTest::newRow("positional") << "(1 2 3 4 5 6 7 8 9 10 11)" << int(nbFirst) << 10;
    QTest::newRow("positional keeps single record view") << "(1 2 3 4 5 6 7 8 9 10)" << int(nbSingleRecView) << 0;
}

void TestDBExtendKeys::textReadsNamedAndOld()
{
    QFETCH(QString, text);
    QFETCH(int, btn);
    QFETCH(int, value);
    TDBEShortCuts sc;
    sc.FromText(text);
    QCOMPARE(int(sc.ShortCut(TDBENavigateBtn(btn))), value);
}

// ------------------------------------------------------------ on the form

void TestDBExtendKeys::bookmarkDigit_data()
{
    QTest::addColumn<Qt::Key>("armKey");
    QTest::addColumn<Qt::Key>("nextKey");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<int>("btn");      // -1: no action
    QTest::addColumn<int>("info");
    QTest::newRow("ctrl+K then 3 sets bookmark 3") << Qt::Key_K << Qt::Key_3 << false << int(nbSetBookmark) << 3;
    QTest::newRow("ctrl+Q then 0 goes to the dialog") << Qt::Key_Q << Qt::Key_0 << false << int(nbGotoBookmark) << 0;
    QTest::newRow("ctrl+Q then 5") << Qt::Key_Q << Qt::Key_5 << false << int(nbGotoBookmark) << 5;
    QTest::newRow("ctrl+K then A sets nothing") << Qt::Key_K << Qt::Key_A << false << -1 << 0;
    QTest::newRow("keypad digit is no bookmark") << Qt::Key_K << Qt::Key_3 << true << -1 << 0;
}

void TestDBExtendKeys::bookmarkDigit()
{
    QFETCH(Qt::Key, armKey);
    QFETCH(Qt::Key, nextKey);
    QFETCH(bool, keypad);
    QFETCH(int, btn);
    QFETCH(int, info);
    QVERIFY(ShowActive(m_form.get()));
    focus(m_form->EditName);
    TKeySpy spy;
    m_form->EditName->installEventFilter(&spy);

    QTest::keyClick(m_form->EditName, armKey, Qt::ControlModifier);
    QVERIFY(m_calls.empty());
    QVERIFY(!spy.Keys.contains(armKey));
    QTest::keyClick(m_form->EditName, nextKey, keypad ? Qt::KeypadModifier : Qt::NoModifier);
    if (btn < 0) {
        QVERIFY(m_calls.empty());
        QVERIFY(spy.Keys.contains(nextKey));
    } else {
        QCOMPARE(int(m_calls.size()), 1);
        QCOMPARE(m_calls[0].Btn, btn);
        QCOMPARE(m_calls[0].Info, info);
        QVERIFY(!spy.Keys.contains(nextKey));
    }
    // The wait for a digit is over either way.
    m_calls.clear();
    QTest::keyClick(m_form->EditName, Qt::Key_4);
    QVERIFY(m_calls.empty());
    m_form->EditName->removeEventFilter(&spy);
}

void TestDBExtendKeys::enterMovesFocus_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("reaches");
    QTest::newRow("enter to the next control") << "EditName" << int(Qt::NoModifier) << "EditOrt" << false;
    QTest::newRow("keypad enter") << "EditName" << int(Qt::KeypadModifier) << "EditOrt" << false;
    QTest::newRow("shift+enter to the previous control") << "EditOrt" << int(Qt::ShiftModifier) << "EditName" << false;
    QTest::newRow("ctrl+enter is not handled") << "EditOrt" << int(Qt::ControlModifier) << "EditOrt" << true;
    QTest::newRow("enter from the memo") << "MemoNotiz" << int(Qt::NoModifier) << "GridPosten" << false;
}

void TestDBExtendKeys::enterMovesFocus()
{
    QFETCH(QString, from);
    QFETCH(int, modifiers);
    QFETCH(QString, to);
    QFETCH(bool, reaches);
    QVERIFY(ShowActive(m_form.get()));
    QWidget* start = m_form->Control(from);
    focus(start);
    TKeySpy spy;
    start->installEventFilter(&spy);
    QTest::keyClick(start, Qt::Key_Return, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(QApplication::focusWidget(), m_form->Control(to));
    QCOMPARE(spy.Keys.contains(Qt::Key_Return), reaches);
    QVERIFY(m_calls.empty());
    start->removeEventFilter(&spy);
}

void TestDBExtendKeys::enterInMemo_data()
{
    QTest::addColumn<QStringList>("noSelectNext");
    QTest::addColumn<bool>("lineBreak");
    QTest::newRow("memo listed, other case") << QStringList{QStringLiteral("TDBEdit"), QStringLiteral("tdbmemo")} << true;
    QTest::newRow("memo not listed") << QStringList{QStringLiteral("TDBEdit")} << false;
    QTest::newRow("only part of the name") << QStringList{QStringLiteral("TDBMem")} << false;
}

void TestDBExtendKeys::enterInMemo()
{
    QFETCH(QStringList, noSelectNext);
    QFETCH(bool, lineBreak);
    m_form->Ext->SetNoSelectNext(noSelectNext);
    QVERIFY(ShowActive(m_form.get()));
    focus(m_form->Memo);
    m_form->Memo->moveCursor(QTextCursor::End);
    QTest::keyClick(m_form->Memo, Qt::Key_Return);
    QCOMPARE(m_form->Memo->toPlainText().contains(QLatin1Char('\n')), lineBreak);
    QCOMPARE(QApplication::focusWidget() == m_form->Memo, lineBreak);
}

void TestDBExtendKeys::enterInGrid_data()
{
    QTest::addColumn<int>("startRec");
    QTest::addColumn<int>("startCol");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("stayOnMaster");
    QTest::addColumn<bool>("editor");
    QTest::addColumn<int>("rec");
    QTest::addColumn<int>("col");
    QTest::newRow("next column") << 1 << 1 << int(Qt::NoModifier) << false << false << 1 << 2;
    QTest::newRow("last column to the next record") << 1 << 3 << int(Qt::NoModifier) << false << false << 2 << 0;
    QTest::newRow("master pinned, the grid still moves") << 1 << 3 << int(Qt::NoModifier) << true << false << 2 << 0;
    QTest::newRow("back a column") << 2 << 2 << int(Qt::ShiftModifier) << false << false << 2 << 1;
    QTest::newRow("first column back to the previous record")
        << 2 << 0 << int(Qt::ShiftModifier) << false << false << 1 << 3;
    QTest::newRow("in the cell editor") << 1 << 1 << int(Qt::NoModifier) << false << true << 1 << 2;
    QTest::newRow("cell editor, last column") << 1 << 3 << int(Qt::NoModifier) << false << true << 2 << 0;
    QTest::newRow("cell editor, back to the previous record")
        << 3 << 0 << int(Qt::ShiftModifier) << false << true << 2 << 3;
}

void TestDBExtendKeys::enterInGrid()
{
    QFETCH(int, startRec);
    QFETCH(int, startCol);
    QFETCH(int, modifiers);
    QFETCH(bool, stayOnMaster);
    QFETCH(bool, editor);
    QFETCH(int, rec);
    QFETCH(int, col);
    TDBExtender* ext = m_form->Ext;
    if (editor) m_form->Grid->SetOptions(dgDefaultOptions | dgAlwaysShowEditor);
    if (stayOnMaster) {
        ext->SetMasterSource(m_form->SrcMaster);
        ext->SetStayOnMasterSource(somOnlyMove);
    }
    QVERIFY(ShowActive(m_form.get()));
    m_form->Detail->SetRecNo(startRec);
    focus(m_form->Grid);
    m_form->Grid->SetSelectedIndex(startCol);
    QCOMPARE(m_form->Grid->SelectedIndex(), startCol);
    QCOMPARE(m_form->Grid->FieldCount(), 4);
    QCOMPARE(QApplication::focusWidget() != m_form->Grid, editor);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(m_form->Detail->RecNo(), rec);
    QCOMPARE(m_form->Grid->SelectedIndex(), col);
    QCOMPARE(m_form->Master->RecNo(), 1);
    QCOMPARE(ext->StayOnMasterSource(), stayOnMaster ? somOnlyMove : somNo);
    QVERIFY(m_form->Grid->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == m_form->Grid);
}

void TestDBExtendKeys::shortcutKeys_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("btn");   // -1: the extender leaves the key alone
    QTest::addColumn<quint32>("shift");
    const quint32 none = TShiftState().Bits();
    const quint32 ctrl = TShiftState{ssCtrl}.Bits();
    QTest::newRow("page down in an edit") << "EditName" << Qt::Key_PageDown << int(Qt::NoModifier) << int(nbNext) << none;
    QTest::newRow("page down in the grid") << "GridPosten" << Qt::Key_PageDown << int(Qt::NoModifier) << -1 << none;
    QTest::newRow("page down in the memo") << "MemoNotiz" << Qt::Key_PageDown << int(Qt::NoModifier) << -1 << none;
    QTest::newRow("ctrl+page up in an edit") << "EditName" << Qt::Key_PageUp << int(Qt::ControlModifier) << int(nbFirst) << ctrl;
    QTest::newRow("page down in the cell editor") << "editor" << Qt::Key_PageDown << int(Qt::NoModifier) << -1 << none;
    QTest::newRow("ctrl+page down in the grid") << "GridPosten" << Qt::Key_PageDown << int(Qt::ControlModifier) << -1 << ctrl;
    QTest::newRow("ctrl+F3 searches backwards") << "EditName" << Qt::Key_F3 << int(Qt::ControlModifier) << int(nbSearchNext) << ctrl;
    QTest::newRow("shift+F3 is no search") << "EditName" << Qt::Key_F3 << int(Qt::ShiftModifier) << -1 << none;
    QTest::newRow("ctrl+insert inserts") << "EditName" << Qt::Key_Insert << int(Qt::ControlModifier) << int(nbInsert) << ctrl;
    QTest::newRow("insert in the grid") << "GridPosten" << Qt::Key_Insert << int(Qt::NoModifier) << int(nbInsert) << none;
    QTest::newRow("ctrl+S opens the search") << "EditOrt" << Qt::Key_S << int(Qt::ControlModifier) << int(nbSearch) << ctrl;
    QTest::newRow("F9 without managed editing") << "EditName" << Qt::Key_F9 << int(Qt::NoModifier) << -1 << none;
    QTest::newRow("plain letter") << "EditName" << Qt::Key_S << int(Qt::NoModifier) << -1 << none;
}

void TestDBExtendKeys::shortcutKeys()
{
    QFETCH(QString, control);
    QFETCH(Qt::Key, key);
    QFETCH(int, modifiers);
    QFETCH(int, btn);
    QFETCH(quint32, shift);
    m_veto = true;   // what the actions do is tested elsewhere
    const bool editor = control == QLatin1String("editor");
    if (editor) m_form->Grid->SetOptions(dgDefaultOptions | dgAlwaysShowEditor);
    QVERIFY(ShowActive(m_form.get()));
    QWidget* w = m_form->Control(editor ? QStringLiteral("GridPosten") : control);
    focus(w);
    TKeySpy spy;
    QWidget* target = QApplication::focusWidget();
    QCOMPARE(target != w, editor);
    target->installEventFilter(&spy);
    QTest::keyClick(target, key, Qt::KeyboardModifiers(modifiers));
    if (btn < 0) {
        QVERIFY(m_calls.empty());
        QVERIFY(spy.Keys.contains(key));
    } else {
        QCOMPARE(int(m_calls.size()), 1);
        QCOMPARE(m_calls[0].Btn, btn);
        QCOMPARE(m_calls[0].Shift, shift);
    }
    target->removeEventFilter(&spy);
}

void TestDBExtendKeys::downOnLastGridRow_data()
{
    QTest::addColumn<bool>("manageEdit");
    QTest::addColumn<bool>("exact");
    QTest::addColumn<bool>("byScrolling");
    QTest::addColumn<bool>("reaches");
    QTest::newRow("editing off, exact probe") << true << true << true << false;
    QTest::newRow("editing off, end flag") << true << false << false << false;
    QTest::newRow("editing not managed") << false << true << true << true;
}

void TestDBExtendKeys::downOnLastGridRow()
{
    QFETCH(bool, manageEdit);
    QFETCH(bool, exact);
    QFETCH(bool, byScrolling);
    QFETCH(bool, reaches);
    TDBExtender* ext = m_form->Ext;
    ext->ExactBOF_EOF = exact;
    QVERIFY(ShowActive(m_form.get()));
    ext->SetManageGlobalEdit(manageEdit);
    QCOMPARE(ext->EditMode(), !manageEdit);
    focus(m_form->Grid);
    // Scrolling onto the last record leaves the end flag down.
    if (byScrolling) {
        m_form->Detail->First();
        m_form->Detail->MoveBy(2);
        QVERIFY(!m_form->Detail->Eof());
    } else {
        m_form->Detail->Last();
    }
    QCOMPARE(m_form->Detail->RecNo(), 3);
    TKeySpy spy;
    QWidget* target = QApplication::focusWidget();
    target->installEventFilter(&spy);
    QTest::keyClick(target, Qt::Key_Down);
    QCOMPARE(spy.Keys.contains(Qt::Key_Down), reaches);
    if (!reaches) {
        QCOMPARE(m_form->Detail->State(), dsBrowse);
        QCOMPARE(m_form->Detail->RecordCount(), 3);
    }
    target->removeEventFilter(&spy);
}

void TestDBExtendKeys::keysSwallowed_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("reaches");
    QTest::newRow("normal") << "normal" << true;
    QTest::newRow("search running") << "busy" << false;
    QTest::newRow("form minimised") << "minimised" << false;
}

void TestDBExtendKeys::keysSwallowed()
{
    QFETCH(QString, situation);
    QFETCH(bool, reaches);
    m_veto = true;   // the typed letter is not to be saved
    QVERIFY(ShowActive(m_form.get()));
    focus(m_form->EditName);
    if (situation == QLatin1String("busy")) m_form->Ext->BusyCount = 1;
    if (situation == QLatin1String("minimised")) {
        m_form->setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(!m_form->Ext->ActiveInterfaces().Contains(ieShortCuts));
    }
    TKeySpy spy;
    m_form->EditName->installEventFilter(&spy);
    QTest::keyClick(m_form->EditName, Qt::Key_X);
    QTest::keyClick(m_form->EditName, Qt::Key_PageDown);
    QCOMPARE(spy.Keys.contains(Qt::Key_X), reaches);
    QVERIFY(m_calls.empty() || reaches);
    m_form->EditName->removeEventFilter(&spy);
    m_form->Ext->BusyCount = 0;
}

void TestDBExtendKeys::incrementalSearch_data()
{
    QTest::addColumn<QString>("typed");      // \b Backspace, \x7f Delete, \x1b Escape
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");       // the record reached
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("charCase");
    QTest::newRow("one letter") << "m" << "m" << "Maier" << true << int(ecNormal);
    QTest::newRow("umlaut") << "mü" << "mü" << "Müller" << true << int(ecNormal);
    QTest::newRow("no match is dropped") << "max" << "ma" << "Maier" << true << int(ecNormal);
    QTest::newRow("backspace shortens") << "mü\b" << "m" << "Müller" << true << int(ecNormal);
    QTest::newRow("delete empties") << "mü\x7f" << "" << "Müller" << true << int(ecNormal);
    QTest::newRow("escape ends") << "b\x1b" << "" << "Becker" << false << int(ecNormal);
    QTest::newRow("upper case") << "mü" << "MÜ" << "Müller" << true << int(ecUpperCase);
}

void TestDBExtendKeys::incrementalSearch()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(bool, active);
    QFETCH(int, charCase);
    TDBExtender* ext = m_form->Ext;
    ext->IncSrchCharCase = TEditCharCase(charCase);
    QVERIFY(ShowActive(m_form.get()));
    focus(m_form->EditName);
    QTest::keyClick(m_form->EditName, Qt::Key_I, Qt::ControlModifier);
    QVERIFY(ext->IncSearchActive());
    m_calls.clear();
    TKeySpy spy;
    m_form->EditName->installEventFilter(&spy);
    for (QChar c : typed) {
        if (c == QLatin1Char('\b')) QTest::keyClick(m_form->EditName, Qt::Key_Backspace);
        else if (c == QChar(0x7f)) QTest::keyClick(m_form->EditName, Qt::Key_Delete);
        else if (c == QChar(0x1b)) QTest::keyClick(m_form->EditName, Qt::Key_Escape);
        else if (c == QChar(0xfc))
            QTest::sendKeyEvent(QTest::Click, m_form->EditName, Qt::Key_Udiaeresis, QString(c), Qt::NoModifier);
        else QTest::keyClick(m_form->EditName, c.toLatin1());
    }
    QCOMPARE(ext->IncSearchText(), text);
    QCOMPARE(ext->IncSearchActive(), active);
    QCOMPARE(m_form->Master->FieldByName(QStringLiteral("Name"))->AsString(), name);
    // The typed keys went to the search, not into the edit.
    QVERIFY(spy.Keys.isEmpty());
    QCOMPARE(m_form->Master->State(), dsBrowse);
    m_form->EditName->removeEventFilter(&spy);
    // Tab still moves on while searching.
    if (active) {
        QTest::keyClick(m_form->EditName, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), m_form->EditOrt);
    }
}

void TestDBExtendKeys::gridColumnHook()
{
    QVERIFY(ShowActive(m_form.get()));
    int previous = 0;
    m_form->Grid->OnColEnter = [&](TDBGrid*) { ++previous; };
    int changes = 0;
    m_form->Ext->OnDataSetChanged = [&](QObject*, TDataSource*) { ++changes; };
    focus(m_form->Grid);
    m_form->Grid->SetSelectedIndex(0);
    previous = changes = 0;
    m_form->Grid->SetSelectedIndex(2);
    // The extender notices the column and calls on the handler it replaced.
    QVERIFY(changes > 0);
    QCOMPARE(previous, 1);

    // Leaving the grid gives the handler back.
    focus(m_form->EditName);
    previous = changes = 0;
    m_form->Grid->SetSelectedIndex(1);
    QCOMPARE(previous, 1);
    QCOMPARE(changes, 0);
    // Nothing of the extender stays behind in a grid that outlives it.
    m_form->Grid->OnColEnter = nullptr;
    focus(m_form->Grid);
    QVERIFY(m_form->Grid->OnColEnter);
    delete m_form->Ext;
    m_form->Ext = nullptr;
    QVERIFY(!m_form->Grid->OnColEnter);   // given back
    m_form->Grid->SetSelectedIndex(3);
}

void TestDBExtendKeys::foreignGrid_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("startCol");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("col");   // -1: no grid, Enter moves on
    QTest::addColumn<int>("btn");   // -1: no record move
    const QStringList defaults{QStringLiteral("TwwDBGrid"), QStringLiteral("TDBScroll (OnColArrived)")};
    QTest::newRow("next column") << defaults << 1 << int(Qt::NoModifier) << 2 << -1;
    QTest::newRow("last to the first selectable, next record") << defaults << 3 << int(Qt::NoModifier) << 1 << int(nbNext);
    QTest::newRow("first selectable back to the last") << defaults << 1 << int(Qt::ShiftModifier) << 3 << int(nbPrior);
    QTest::newRow("listed without event") << QStringList{QStringLiteral("TDBScroll")} << 1 << int(Qt::NoModifier) << 2 << -1;
    QTest::newRow("empty event name: no grid") << QStringList{QStringLiteral("TDBScroll ()")} << 1 << int(Qt::NoModifier) << -1 << -1;
    QTest::newRow("not listed") << QStringList{QStringLiteral("TwwDBGrid")} << 1 << int(Qt::NoModifier) << -1 << -1;
}

void TestDBExtendKeys::foreignGrid()
{
    QFETCH(QStringList, lines);
    QFETCH(int, startCol);
    QFETCH(int, modifiers);
    QFETCH(int, col);
    QFETCH(int, btn);
    m_veto = true;
    auto* scroll = new TDBScroll(m_form->SrcDetail, m_form.get());
    scroll->setObjectName(QStringLiteral("ScrollPosten"));
    m_form->layout()->addWidget(scroll);
    TDBExtender* ext = m_form->Ext;
    ext->SetDBGridComponents(lines);
    // Columns 1 to 3 can be selected, column 0 is fixed.
    int current = startCol;
    ext->wwDBGridEvent = [&](QObject* grid, TNeededwwProp prop, bool get, int& value) {
        QCOMPARE(grid, scroll);
        if (!get) {
            QCOMPARE(prop, nwpCurrentCol);
            current = value;
            return;
        }
        value = prop == nwpColCount ? 4 : prop == nwpFirstSelectableCol ? 1 : current;
    };
    int changes = 0;
    ext->OnDataSetChanged = [&](QObject*, TDataSource*) { ++changes; };
    QVERIFY(ShowActive(m_form.get()));
    focus(scroll);
    QTest::keyClick(scroll, Qt::Key_Return, Qt::KeyboardModifiers(modifiers));
    if (col < 0) {
        QCOMPARE(current, startCol);
        QCOMPARE(QApplication::focusWidget(), m_form->EditName);   // round to the first control
        return;
    }
    QCOMPARE(QApplication::focusWidget(), scroll);
    QCOMPARE(current, col);
    QCOMPARE(int(m_calls.size()), btn < 0 ? 0 : 1);
    if (btn >= 0) QCOMPARE(m_calls[0].Btn, btn);

    // Its column signal reaches the extender while it has the focus.
    const bool named = lines.last().contains(QLatin1String("(OnColArrived)"));
    changes = 0;
    emit scroll->OnColArrived();
    QCOMPARE(changes > 0, named);
    focus(m_form->EditName);
    changes = 0;
    emit scroll->OnColArrived();
    QCOMPARE(changes, 0);
}

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    TestDBExtendKeys tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_dbextend_keys.moc"
