// The value search: the pattern matcher, the search of a registry entry
// (index lookups, scans both ways, on a second cursor and on the data set),
// abort, edit state, selecting the match, the clock, the dialog and
// incremental search typed into a form.
#include "BusyCursor.h"
#include "DBEdit.h"
#include "DBESrch.h"
#include "DBErrors.h"
#include "DBMemo.h"
#include "Dbeobj.h"
#include "Dbextend.h"
#include "Dialogs.h"
#include "Panel.h"
#include "Session.h"
#include "Table.h"
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

namespace {

struct TMachineRow {
    const char* nr;
    const char* name;
    const char* ort;
    int power;   // 0: blank
    const char* note;
};

// Primary order by Nr; by name: Mai, Maier, Mustermann, Müller, Obermaier, Zander.
const TMachineRow kRows[] = {
    {"B01", "Maier", "Berlin", 12, "Kettenbagger mit Löffel"},
    {"B02", "Müller", "Hamburg", 120, ""},
    {"B03", "Mustermann", "berlin", 12, "Alter Bagger"},
    {"B04", "Obermaier", "Köln", 7, ""},
    {"B05", "Mai", "Bonn", 125, ""},
    {"B06", "Zander", "", 0, ""},
};

void createMachines()
{
    TTable t;
    t.SetDatabaseName(QStringLiteral("Pelmora"));
    t.SetTableName(QStringLiteral("Masch.DB"));
    t.DefsForCreate() = {{"Nr", ftString, 3, true}, {"Name", ftString, 20}, {"Ort", ftString, 20},
                         {"Leistung", ftInteger, 0}, {"Notiz", ftMemo, 240}};
    t.IndexDefsForCreate() = {{QString(), "Nr", ixPrimary | ixUnique}, {"ByName", "Name", 0},
                              {"ByLeistung", "Leistung", 0}};
    t.CreateTable();
    t.Open();
    for (const TMachineRow& r : kRows) {
        t.Append();
        t.FieldByName("Nr")->SetAsString(QString::fromUtf8(r.nr));
        t.FieldByName("Name")->SetAsString(QString::fromUtf8(r.name));
        if (*r.ort) t.FieldByName("Ort")->SetAsString(QString::fromUtf8(r.ort));
        if (r.power) t.FieldByName("Leistung")->SetAsInteger(r.power);
        if (*r.note) t.FieldByName("Notiz")->SetAsString(QString::fromUtf8(r.note));
        t.Post();
    }
}

bool showActive(QWidget* w)
{
    w->show();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    return QTest::qWaitForWindowActive(w);
}

// A data form over the machines: number, name, place and note.
class TSearchForm : public QWidget {
public:
    TSearchForm()
    {
        Table = new TTable(this);
        Table->SetDatabaseName(QStringLiteral("Pelmora"));
        Table->SetTableName(QStringLiteral("Masch.DB"));
        Source = new TDataSource(this);
        Source->SetDataSet(Table);
        auto* lay = new QVBoxLayout(this);
        auto edit = [&](const char* name, const char* field) {
            auto* e = new TDBEdit(this);
            e->setObjectName(QString::fromLatin1(name));
            e->SetDataSource(Source);
            e->SetDataField(QString::fromLatin1(field));
            lay->addWidget(e);
            return e;
        };
        EditNr = edit("EditNr", "Nr");
        EditName = edit("EditName", "Name");
        EditOrt = edit("EditOrt", "Ort");
        Memo = new TDBMemo(this);
        Memo->SetDataSource(Source);
        Memo->SetDataField(QStringLiteral("Notiz"));
        lay->addWidget(Memo);
        Panel = new TPanel(this);
        lay->addWidget(Panel);
        Table->Open();
        Ext = new TDBExtender(this);
        Ext->SetMessagePanel(Panel);
        Ext->ErrorBeep = false;
    }
    void Focus(QWidget* w)
    {
        w->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        Ext->CheckPoss();
    }
    QString Nr() const { return Table->FieldByName("Nr")->AsString(); }
    void GotoNr(const QString& nr)
    {
        Table->First();
        while (!Table->Eof() && Nr() != nr) Table->Next();
    }
    TTableDefs* Entry() { return Ext->Tables().FindOrAddByDataSet(Table); }

    TTable* Table;
    TDataSource* Source;
    TDBEdit* EditNr;
    TDBEdit* EditName;
    TDBEdit* EditOrt;
    TDBMemo* Memo;
    TPanel* Panel;
    TDBExtender* Ext;
};

QStringList piecesOf(const TSrchItem& item) { return item.Pieces; }

}   // namespace

class TestDBESrch : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_shared, m_priv;
    std::unique_ptr<TSearchForm> m_form;

    TSearchForm& form()
    {
        m_shared = std::make_unique<QTemporaryDir>();
        m_priv = std::make_unique<QTemporaryDir>();
        Session().Reset();
        Session().SetAliasPath(QStringLiteral("Pelmora"), m_shared->path());
        Session().SetAliasPath(QStringLiteral("PelmoraPriv"), m_priv->path());
        createMachines();
        m_form = std::make_unique<TSearchForm>();
        if (!showActive(m_form.get())) qWarning("search form did not become active");
        m_form->Focus(m_form->EditName);
        return *m_form;
    }

private slots:
    void cleanup()
    {
        m_form.reset();
        Session().Reset();
    }

    // --- the pattern

    void setPattern_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<bool>("anchoredStart");
        QTest::addColumn<bool>("anchoredEnd");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("start anchored") << "Mai.." << true << QStringList{"MAI"} << true << false << "MAI..";
        QTest::newRow("case kept") << "Mai.." << false << QStringList{"Mai"} << true << false << "Mai..";
        QTest::newRow("floating") << "..mai.." << true << QStringList{"MAI"} << false << false << "..MAI..";
        QTest::newRow("end anchored") << "..er" << true << QStringList{"ER"} << false << true << "..ER";
        QTest::newRow("both anchored") << "Berlin" << true << QStringList{"BERLIN"} << true << true << "BERLIN";
        QTest::newRow("several pieces") << "A..B..C" << true << QStringList{"A", "B", "C"} << true << true
                                        << "A..B..C";
        QTest::newRow("four dots not collapsed") << "A....B" << true << QStringList{"A", "..B"} << true << true
                                                 << "A....B";
        QTest::newRow("three dots") << "A...B" << true << QStringList{"A", ".B"} << true << true << "A...B";
        QTest::newRow("only the wildcard") << ".." << true << QStringList{} << false << false << "..";
        QTest::newRow("empty") << "" << true << QStringList{} << true << true << "";
        QTest::newRow("umlaut upper-cased") << "..müller" << true << QStringList{"MÜLLER"} << false << true
                                            << "..MÜLLER";
    }
    void setPattern()
    {
        QFETCH(QString, text);
        QFETCH(bool, ignoreCase);
        TSrchItem item;
        item.IgnoreCase = ignoreCase;
        item.SetPattern(QStringLiteral("A..B"));   // compiled anew, nothing kept
        item.SetPattern(text);
        QTEST(piecesOf(item), "pieces");
        QTEST(item.AnchoredStart, "anchoredStart");
        QTEST(item.AnchoredEnd, "anchoredEnd");
        QTEST(item.Pattern, "pattern");
    }

    void matches_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("match");
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("len");
        QTest::newRow("start: longer value") << "Mai.." << true << "Maier" << true << 0 << 3;
        QTest::newRow("start: the piece alone") << "Mai.." << true << "Mai" << true << 0 << 3;
        QTest::newRow("start: inside only") << "Mai.." << true << "Obermaier" << false << 0 << 0;
        QTest::newRow("floating ignoring case") << "..mai.." << true << "Obermaier" << true << 4 << 3;
        QTest::newRow("floating with case") << "..mai.." << false << "ObeRMAIER" << false << 0 << 0;
        QTest::newRow("end") << "..er" << true << "Maier" << true << 3 << 2;
        QTest::newRow("end: not at the end") << "..er" << true << "Erna" << false << 0 << 0;
        QTest::newRow("whole value") << "berlin" << true << "Berlin" << true << 0 << 6;
        QTest::newRow("whole value with case") << "berlin" << false << "Berlin" << false << 0 << 0;
        QTest::newRow("value shorter than the piece") << "Maier" << true << "Mai" << false << 0 << 0;
        QTest::newRow("wildcard: any text") << ".." << true << "x" << true << 0 << 1;
        QTest::newRow("wildcard: not empty") << ".." << true << "" << false << 0 << 0;
        QTest::newRow("empty: empty value") << "" << true << "" << true << 0 << 0;
        QTest::newRow("empty: any text") << "" << true << "x" << false << 0 << 0;
        QTest::newRow("pieces in order") << "A..B..C" << true << "AxBxC" << true << 0 << 5;
        QTest::newRow("pieces: end anchored") << "A..B..C" << true << "AxBxCx" << false << 0 << 0;
        QTest::newRow("pieces: first B must end it") << "A..B" << true << "AxBxB" << false << 0 << 0;
        QTest::newRow("pieces floating") << "..A..B.." << true << "xxAyyBzz" << true << 2 << 4;
        QTest::newRow("pieces out of order") << "..B..A.." << true << "xxAyyBzz" << false << 0 << 0;
        QTest::newRow("four dots: literal dots") << "A....B" << true << "A..B" << true << 0 << 4;
        QTest::newRow("four dots: no dots") << "A....B" << true << "AxB" << false << 0 << 0;
        QTest::newRow("sharp s keeps positions") << "..straße" << true << "Hauptstraße" << true << 5 << 6;
        QTest::newRow("umlaut ignoring case") << "..müller" << true << "MÜLLER" << true << 0 << 6;
    }
    void matches()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, ignoreCase);
        QFETCH(QString, value);
        TSrchItem item;
        item.IgnoreCase = ignoreCase;
        item.SetPattern(pattern);
        QFETCH(bool, match);
        QCOMPARE(item.Matches(value), match);
        if (!match) return;   // position and length tell only about a match
        QTEST(item.MatchPos, "pos");
        QTEST(item.MatchLen, "len");
    }

    // --- searching a table

    void search_data()
    {
        QTest::addColumn<bool>("clonePath");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("next");
        QTest::addColumn<bool>("fromStart");
        QTest::addColumn<bool>("incremental");
        QTest::addColumn<bool>("down");
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<QString>("foundNr");   // empty: not found, stays on start
        QTest::addColumn<bool>("viaIndex");

        struct Case {
            const char* name;
            const char* index;
            const char* start;
            const char* field;
            const char* text;
            bool next, fromStart, incremental, down, ignoreCase;
            const char* found;
            bool viaIndex;
        };
        const Case cases[] = {
            {"key lookup", "", "B02", "Nr", "B04", true, true, false, true, false, "B04", true},
            {"key lookup: whole key only", "", "B02", "Nr", "B0", true, true, false, true, false, "", true},
            {"nearest key", "ByName", "B06", "Name", "Mu..", true, true, false, true, true, "B03", true},
            {"nearest key: umlaut before the wildcard", "ByName", "B06", "Name", "Mü..", true, true, false, true, true,
             "B02", false},
            {"nearest key: umlaut further in", "ByName", "B06", "Name", "Mül..", true, true, false, true, true, "B02",
             true},
            {"nearest key: typed in another case", "ByName", "B06", "Name", "mu..", true, true, false, true, true,
             "B03", false},
            {"nearest key: leading wildcard scans", "ByName", "B06", "Name", "..maier", true, true, false, true, true,
             "B01", false},
            {"nearest key: only downwards", "ByName", "B06", "Name", "Mai..", true, true, false, false, true, "B01",
             false},
            {"nearest number equal", "ByLeistung", "B06", "Leistung", "12", true, true, false, true, true, "B01",
             true},
            {"nearest number unequal", "ByLeistung", "B06", "Leistung", "13", true, true, false, true, true, "", true},
            {"number with wildcard scans", "ByLeistung", "B06", "Leistung", "12..", true, true, false, true, true,
             "B01", false},
            {"scan forwards", "", "B05", "Ort", "..berl..", true, true, false, true, true, "B01", false},
            {"scan backwards", "", "B01", "Ort", "berlin", true, true, false, false, true, "B03", false},
            {"scan with case", "", "B01", "Ort", "berlin", true, true, false, true, false, "B03", false},
            {"scan on from the next record", "", "B01", "Ort", "..berl..", true, false, false, true, true, "B03",
             false},
            {"scan back from the prior record", "", "B03", "Ort", "..berl..", true, false, false, false, true, "B01",
             false},
            {"scan from the current record", "", "B03", "Ort", "..berl..", false, false, true, true, true, "B03",
             false},
            {"not found stays", "", "B02", "Ort", "Paris", true, true, false, true, true, "", false},
            {"memo", "", "B05", "Notiz", "..bagger..", true, true, false, true, true, "B01", false},
            {"empty pattern finds a blank", "", "B01", "Ort", "", true, true, false, true, true, "B06", false},
            {"wildcard finds any value", "", "B04", "Ort", "..", true, true, false, true, true, "B01", false},
        };
        for (bool clonePath : {true, false})
            for (const Case& c : cases)
                QTest::addRow("%s (%s)", c.name, clonePath ? "second cursor" : "data set")
                    << clonePath << c.index << c.start << c.field << QString::fromUtf8(c.text) << c.next
                    << c.fromStart << c.incremental << c.down << c.ignoreCase << c.found << c.viaIndex;
    }
    void search()
    {
        QFETCH(bool, clonePath);
        QFETCH(QString, index);
        QFETCH(QString, start);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, next);
        QFETCH(bool, fromStart);
        QFETCH(bool, incremental);
        QFETCH(bool, down);
        QFETCH(bool, ignoreCase);
        QFETCH(QString, foundNr);
        QFETCH(bool, viaIndex);
        TSearchForm& f = form();
        f.Ext->ExactBOF_EOF = clonePath;
        f.Table->SetIndexName(index);
        f.GotoNr(start);
        // A scan runs under the busy cursor, an index lookup does not.
        int busyAtArrival = -1;
        f.Table->AfterScroll = [&](TDataSet*) { busyAtArrival = BusyCursorLevel(); };
        const bool found = f.Entry()->Search(field, text, next, fromStart, incremental, down, ignoreCase);
        f.Table->AfterScroll = nullptr;
        QCOMPARE(found, !foundNr.isEmpty());
        QCOMPARE(f.Nr(), found ? foundNr : start);
        if (found) QCOMPARE(busyAtArrival == 0, viaIndex);
        QCOMPARE(f.Entry()->SearchField, field);
        QCOMPARE(f.Entry()->SearchDown, down);
        QCOMPARE(BusyCursorLevel(), 0);
    }

    // Search next keeps field, pattern, case and direction; Ctrl reverses
    // the direction for one search only.
    void searchNextAndReverse()
    {
        TSearchForm& f = form();
        f.Focus(f.EditOrt);
        QVERIFY(!f.Ext->SearchNext(f.Table));   // nothing searched yet
        QVERIFY(f.Ext->Search(f.Table, QStringLiteral("Ort"), true, false, false, QStringLiteral("B..")));
        QCOMPARE(f.Nr(), QStringLiteral("B05"));   // upwards from the end: Bonn
        QVERIFY(f.Ext->SearchNext(f.Table));
        QCOMPARE(f.Nr(), QStringLiteral("B01"));   // upwards, case kept: Berlin, not berlin
        QVERIFY(!f.Ext->SearchNext(f.Table));
        QCOMPARE(f.Nr(), QStringLiteral("B01"));
        QVERIFY(f.Ext->SearchNextReverse(f.Table));
        QCOMPARE(f.Nr(), QStringLiteral("B05"));
        QVERIFY(!f.Entry()->SearchDown);
        QVERIFY(f.Ext->SearchNext(f.Table));
        QCOMPARE(f.Nr(), QStringLiteral("B01"));
    }

    // Escape during a scan: the second cursor ends as "not found", the data
    // set's own walk raises the abort; both leave the record where it was.
    void escapeDuringScan_data()
    {
        QTest::addColumn<bool>("clonePath");
        QTest::newRow("second cursor") << true;
        QTest::newRow("data set") << false;
    }
    void escapeDuringScan()
    {
        QFETCH(bool, clonePath);
        TSearchForm& f = form();
        f.Ext->ExactBOF_EOF = clonePath;
        f.Focus(f.EditOrt);
        f.GotoNr(QStringLiteral("B02"));
        // Pressed right away; it arrives while the search holds the keys back.
        QCoreApplication::postEvent(f.EditOrt, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        bool found = false;
        QString error;
        try {
            found = f.Ext->Search(f.Table, QStringLiteral("Ort"), true, true, true, QStringLiteral("Köln"));
        } catch (const EUserAbort& e) {
            error = e.Message();
        }
        QVERIFY(!found);
        QCOMPARE(error, clonePath ? QString() : QStringLiteral("Operation abgebrochen"));
        QCOMPARE(f.Nr(), QStringLiteral("B02"));
        QCOMPARE(f.Ext->BusyCount, 0);
        QCOMPARE(BusyCursorLevel(), 0);
        // The next search is not stopped by the Escape already taken.
        QVERIFY(f.Ext->Search(f.Table, QStringLiteral("Ort"), true, true, true, QStringLiteral("Köln")));
    }

    // Without the user's permission Escape does not stop a search.
    void escapeIgnoredWithoutAllowUserAbort()
    {
        TSearchForm& f = form();
        f.Ext->SetAllowUserAbort(false);
        f.Focus(f.EditOrt);
        QCoreApplication::postEvent(f.EditOrt, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        QVERIFY(f.Ext->Search(f.Table, QStringLiteral("Ort"), true, true, true, QStringLiteral("Köln")));
        QCOMPARE(f.Nr(), QStringLiteral("B04"));
    }

    // A record being edited is posted when changed and cancelled otherwise
    // before the records are walked.
    void editStateEndsFirst_data()
    {
        QTest::addColumn<bool>("insert");
        QTest::addColumn<QString>("ort");   // empty: nothing typed
        QTest::addColumn<bool>("found");
        QTest::newRow("edited and changed: posted") << false << "Paris" << true;
        QTest::newRow("edited, unchanged: cancelled") << false << QString() << false;
        QTest::newRow("inserted: posted") << true << "Paris" << true;
    }
    void editStateEndsFirst()
    {
        QFETCH(bool, insert);
        QFETCH(QString, ort);
        QFETCH(bool, found);
        TSearchForm& f = form();
        f.GotoNr(QStringLiteral("B02"));
        if (insert) {
            f.Table->Insert();
            f.Table->FieldByName("Nr")->SetAsString(QStringLiteral("B07"));
        } else {
            f.Table->Edit();
        }
        if (!ort.isEmpty()) f.Table->FieldByName("Ort")->SetAsString(ort);
        QCOMPARE(f.Ext->Search(f.Table, QStringLiteral("Ort"), true, true, true, QStringLiteral("paris")), found);
        QCOMPARE(f.Table->State(), dsBrowse);
        TTable check;
        check.SetDatabaseName(QStringLiteral("Pelmora"));
        check.SetTableName(QStringLiteral("Masch.DB"));
        check.Open();
        QCOMPARE(check.RecordCount(), insert ? 7 : 6);
    }

    void closedTableRaises()
    {
        TSearchForm& f = form();
        f.Table->Close();
        QString error;
        try {
            f.Entry()->Search(QStringLiteral("Ort"), QStringLiteral("x"), true, true, false, true, true);
        } catch (const EDatabaseError& e) {
            error = e.Message();
        }
        QCOMPARE(error, QStringLiteral("Operation bei geschlossener Datenmenge nicht ausführbar"));
    }

    // The found part is selected in the focused edit, unless switched off.
    void matchSelect_data()
    {
        QTest::addColumn<bool>("matchSelect");
        QTest::addColumn<QString>("selected");
        QTest::newRow("on") << true << "ster";
        QTest::newRow("off") << false << QString();
    }
    void matchSelect()
    {
        QFETCH(bool, matchSelect);
        TSearchForm& f = form();
        f.Ext->MatchSelect = matchSelect;
        f.Focus(f.EditName);
        f.EditName->deselect();
        QVERIFY(f.Ext->Search(f.Table, QStringLiteral("Name"), true, true, true, QStringLiteral("..STER..")));
        QCOMPARE(f.EditName->text(), QStringLiteral("Mustermann"));
        QTEST(f.EditName->selectedText(), "selected");
    }

    // The clock frames are registered once and show while the records are
    // walked; without the clock the hourglass stays.
    void searchClock_data()
    {
        QTest::addColumn<bool>("showClock");
        QTest::newRow("clock") << true;
        QTest::newRow("hourglass") << false;
    }
    void searchClock()
    {
        QFETCH(bool, showClock);
        TSearchForm& f = form();
        for (int n = 0; n < DBEClockFrames; ++n) QVERIFY(HasScreenCursor(DBEClockCursor + n));
        f.Ext->ShowSearchClock = showClock;
        f.Ext->ExactBOF_EOF = false;   // the data set's walk scrolls record by record
        QSet<int> shapes;
        f.Table->AfterScroll = [&](TDataSet*) {
            if (const QCursor* c = QGuiApplication::overrideCursor()) shapes << int(c->shape());
        };
        QVERIFY(!f.Ext->Search(f.Table, QStringLiteral("Ort"), true, true, true, QStringLiteral("Rom")));
        f.Table->AfterScroll = nullptr;
        QCOMPARE(shapes.contains(Qt::BitmapCursor), showClock);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // --- the dialog

    void dialogLayout()
    {
        TSearchForm& f = form();
        TFormEventRec rec;
        rec.FormType = fetSearch;
        TSrchForm dlg(f.Ext, rec);
        QCOMPARE(dlg.size(), QSize(360, 188));
        const QList<QPair<QWidget*, QRect>> geometry = {
            {dlg.GroupBox2, {8, 8, 243, 49}},  {dlg.SrchEdit, {8, 17, 224, 21}}, {dlg.GB3, {8, 61, 243, 63}},
            {dlg.GroupBox1, {8, 130, 243, 48}}, {dlg.SrchBtn, {260, 13, 90, 30}}, {dlg.SrchNextBtn, {260, 45, 90, 30}},
            {dlg.UserBtn, {260, 77, 90, 30}},   {dlg.CancelBtn, {260, 147, 90, 30}}};
        for (const auto& [w, r] : geometry) QCOMPARE(w->geometry(), r);
        QCOMPARE(dlg.GroupBox2->title(), QStringLiteral("Wert"));
        QCOMPARE(dlg.GB3->title(), QStringLiteral("Optionen"));
        QCOMPARE(dlg.GroupBox1->title(), QStringLiteral("Felder"));
        QCOMPARE(dlg.RegardCaseCheck->text(), QStringLiteral("Groß-/Kleinschreibung beachten"));
        QCOMPARE(dlg.SearchDown->text(), QStringLiteral("Suche Richtung Tabellenende"));
        QCOMPARE(dlg.SrchEdit->toolTip(), QStringLiteral("Suchstring, .. als Wildcard"));
        QCOMPARE(dlg.SrchBtn->text(), QStringLiteral("Suchen"));
        QVERIFY(dlg.SrchBtn->isDefault());
        QCOMPARE(dlg.SrchNextBtn->text(), QStringLiteral("&Weitersuchen"));
        QCOMPARE(dlg.CancelBtn->text(), QStringLiteral("Abbruch"));
        QVERIFY(!dlg.CancelBtn->icon().isNull());
        dlg.show();
        QVERIFY(dlg.UserBtn->isHidden());
        QCOMPARE(dlg.focusWidget(), dlg.SrchEdit);
        const QList<QWidget*> order = {dlg.SrchEdit, dlg.RegardCaseCheck, dlg.SearchDown, dlg.FieldListBox,
                                       dlg.SrchBtn, dlg.SrchNextBtn, dlg.CancelBtn};
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab);
            QCOMPARE(dlg.focusWidget(), order[i]);
        }
    }

    // What the dialog offers and what its buttons search.
    void dialog_data()
    {
        QTest::addColumn<QString>("focus");        // the focused control's field
        QTest::addColumn<QString>("preselected");
        QTest::addColumn<QString>("type");         // what the user types; null: keep what is offered
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("foundNr");
        QTest::addColumn<QString>("message");
        QTest::newRow("Suchen from the first record") << "Ort" << "Ort" << "..berl.." << "SrchBtn" << "B01"
                                                      << QString();
        QTest::newRow("Weitersuchen from the next") << "Ort" << "Ort" << "..berl.." << "SrchNextBtn" << "B03"
                                                    << QString();
        QTest::newRow("not found") << "Ort" << "Ort" << "Paris" << "SrchBtn" << "B01"
                                   << "\"Paris\" nicht gefunden.";
        QTest::newRow("memo focused") << "Notiz" << "Notiz" << "..alter.." << "SrchBtn" << "B03" << QString();
        QTest::newRow("cancel searches nothing") << "Name" << "Name" << "Zander" << "CancelBtn" << "B01"
                                                 << QString();
    }
    void dialog()
    {
        QFETCH(QString, focus);
        QFETCH(QString, type);
        QFETCH(QString, button);
        QFETCH(QString, foundNr);
        QFETCH(QString, message);
        TSearchForm& f = form();
        f.Focus(focus == QLatin1String("Ort") ? static_cast<QWidget*>(f.EditOrt)
                : focus == QLatin1String("Name") ? static_cast<QWidget*>(f.EditName)
                                                 : static_cast<QWidget*>(f.Memo));
        TFormEventRec offered;
        f.Ext->OnSpecialForm = [&](QObject*, TFormEventRec& rec) { offered = rec; };
        QString caption, preselected;
        QStringList fields;
        QTimer::singleShot(0, this, [&] {
            auto* dlg = qobject_cast<TSrchForm*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            caption = dlg->windowTitle();
            for (int i = 0; i < dlg->FieldListBox->count(); ++i) fields << dlg->FieldListBox->itemText(i);
            preselected = dlg->FieldListBox->currentText();
            dlg->SrchEdit->setText(type);
            dlg->findChild<QPushButton*>(button)->click();
        });
        f.Ext->HandleNBBtn(nbSearch);
        QCOMPARE(offered.FormType, fetSearch);
        QCOMPARE(offered.DataSet, static_cast<QObject*>(f.Table));
        QCOMPARE(offered.Field, f.Table->FieldByName(focus));
        QCOMPARE(caption, QStringLiteral("Wertsuche [Masch.DB]"));
        QCOMPARE(fields, (QStringList{"Nr", "Name", "Ort", "Leistung", "Notiz"}));
        QTEST(preselected, "preselected");
        QCOMPARE(f.Nr(), foundNr);
        QCOMPARE(f.Panel->Caption(), message);
    }

    // The dialog offers the last pattern of the same field again, in upper
    // case when the case was ignored, with the last options.
    void dialogOffersTheLastSearch()
    {
        TSearchForm& f = form();
        f.Focus(f.EditOrt);
        QVERIFY(f.Ext->Search(f.Table, QStringLiteral("Ort"), true, false, true, QStringLiteral("köln")));
        QString shownOrt, shownName;
        bool regardCase = true, downwards = true;
        auto peek = [&](QString& shown) {
            QTimer::singleShot(0, this, [&] {
                auto* dlg = qobject_cast<TSrchForm*>(QApplication::activeModalWidget());
                QVERIFY(dlg);
                shown = dlg->SrchEdit->text();
                regardCase = dlg->RegardCaseCheck->isChecked();
                downwards = dlg->SearchDown->isChecked();
                dlg->CancelBtn->click();
            });
        };
        peek(shownOrt);
        f.Ext->HandleNBBtn(nbSearch);
        QCOMPARE(shownOrt, QStringLiteral("KÖLN"));
        QVERIFY(!regardCase);
        QVERIFY(!downwards);
        f.Focus(f.EditName);
        peek(shownName);
        f.Ext->HandleNBBtn(nbSearch);
        QCOMPARE(shownName, QString());
    }

    // The form may change the record (user button) or suppress the dialog.
    void specialFormHandler()
    {
        TSearchForm& f = form();
        f.Focus(f.EditOrt);
        bool suppress = true;
        int shown = 0, clicks = 0;
        f.Ext->OnSpecialFormShow = [&](QWidget*, TFormEventType) { ++shown; };
        f.Ext->OnSpecialForm = [&](QObject*, TFormEventRec& rec) {
            rec.Show = !suppress;
            rec.UserBtnCaption = QStringLiteral("&Hilfe");
            rec.UserBtnClick = [&](QObject*) { ++clicks; };
        };
        f.Ext->HandleNBBtn(nbSearch);
        QCOMPARE(shown, 0);
        suppress = false;
        QTimer::singleShot(0, this, [&] {
            auto* dlg = qobject_cast<TSrchForm*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            QVERIFY(dlg->UserBtn->isVisible());
            QCOMPARE(dlg->UserBtn->text(), QStringLiteral("&Hilfe"));
            dlg->UserBtn->click();
            dlg->CancelBtn->click();
        });
        f.Ext->HandleNBBtn(nbSearch);
        QCOMPARE(shown, 1);
        QCOMPARE(clicks, 1);
    }

    // --- incremental search typed into the form

    void incrementalSearch()
    {
        TSearchForm& f = form();
        f.Focus(f.EditName);
        QTest::keyClick(f.EditName, Qt::Key_I, Qt::ControlModifier);
        QVERIFY(f.Ext->IncSearchActive());
        QTest::keyClicks(f.EditName, QStringLiteral("mu"));
        QCOMPARE(f.Nr(), QStringLiteral("B03"));
        QCOMPARE(f.Ext->IncSearchText(), QStringLiteral("mu"));
        // "x" finds nothing: dropped, the text and the record stay.
        QTest::keyClick(f.EditName, Qt::Key_X);
        QCOMPARE(f.Ext->IncSearchText(), QStringLiteral("mu"));
        QCOMPARE(f.Nr(), QStringLiteral("B03"));
        QCOMPARE(f.EditName->text(), QStringLiteral("Mustermann"));
        QTest::keyClick(f.EditName, Qt::Key_Backspace);
        QCOMPARE(f.Ext->IncSearchText(), QStringLiteral("m"));
        QCOMPARE(f.Nr(), QStringLiteral("B03"));   // the current record still starts with m
        QTest::keyClick(f.EditName, Qt::Key_Delete);
        QCOMPARE(f.Ext->IncSearchText(), QString());
        QCOMPARE(f.Nr(), QStringLiteral("B03"));   // any name goes on from here
        QTest::keyClick(f.EditName, Qt::Key_Escape);
        QVERIFY(!f.Ext->IncSearchActive());
    }

    // A string field holds no more than its size: the fourth character of
    // a three-character number is not taken.
    void incrementalSearchStopsAtTheFieldSize()
    {
        TSearchForm& f = form();
        f.Focus(f.EditNr);
        QTest::keyClick(f.EditNr, Qt::Key_I, Qt::ControlModifier);
        QTest::keyClicks(f.EditNr, QStringLiteral("B04"));
        QCOMPARE(f.Nr(), QStringLiteral("B04"));
        QTest::keyClick(f.EditNr, Qt::Key_1);
        QCOMPARE(f.Ext->IncSearchText(), QStringLiteral("B04"));
        QCOMPARE(f.Nr(), QStringLiteral("B04"));
    }
};

QTEST_MAIN(TestDBESrch)
#include "tst_dbesrch.moc"
