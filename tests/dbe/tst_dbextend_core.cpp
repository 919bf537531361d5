// The extender on its form: placement, master source, status text,
// messages, exception routing, interface sets, editing mode, current data
// source, copied settings, busy cursor and the Escape test.
#include "UiTestSupport.h"
#include "BusyCursor.h"
#include "DBEFilt.h"
#include "DBEdit.h"
#include "DBErrors.h"
#include "DBGrid.h"
#include "DBMemo.h"
#include "Dbebmdlg.h"
#include "Dbextend.h"
#include "Dialogs.h"
#include "Panel.h"
#include "Session.h"
#include "Table.h"
#include "TestTables.h"
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>
#include <stdexcept>

namespace {

// Fresh databases with a machine table (15 records) and their costs.
class TTestData {
public:
    TTestData()
    {
        CreateTestTable(QStringLiteral("Masch.DB"),
                        {{"Nr", ftString, 10, true}, {"Name", ftString, 30}, {"Notiz", ftMemo, 240}},
                        {{QString(), "Nr", ixPrimary | ixUnique}});
        CreateTestTable(QStringLiteral("Kost.DB"),
                        {{"Nr", ftString, 10, true}, {"Pos", ftInteger, 0, true}, {"Betrag", ftFloat}},
                        {{QString(), "Nr;Pos", ixPrimary | ixUnique}});
        TTable m;
        OpenTestTable(m, QStringLiteral("Masch.DB"));
        for (int i = 1; i <= 15; ++i)
            m.AppendRecord({QStringLiteral("K%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("Maschine %1").arg(i)});
        TTable k;
        OpenTestTable(k, QStringLiteral("Kost.DB"));
        k.AppendRecord({QStringLiteral("K01"), 1, 10.0});
        k.AppendRecord({QStringLiteral("K01"), 2, 20.0});
    }

private:
    TTestDatabases m_db{TTestDatabases::Empty};
};

// A small data form: machines with their costs, the usual controls, a
// status and a message panel, a plain edit without data and a button.
class TTestForm : public QWidget {
public:
    TTestForm()
    {
        setObjectName(QStringLiteral("TestForm"));
        resize(400, 300);
        Master = new TTable(this);
        Master->setObjectName(QStringLiteral("TTblMasch"));
        OpenTestTable(*Master, QStringLiteral("Masch.DB"));
        SrcMaster = new TDataSource(this);
        SrcMaster->SetDataSet(Master);
        Detail = new TTable(this);
        Detail->setObjectName(QStringLiteral("TTblKost"));
        Detail->SetMasterSource(SrcMaster);
        Detail->SetMasterFields(QStringLiteral("Nr"));
        OpenTestTable(*Detail, QStringLiteral("Kost.DB"));
        SrcDetail = new TDataSource(this);
        SrcDetail->SetDataSet(Detail);

        Edit = new TDBEdit(this);
        Edit->setObjectName(QStringLiteral("EditName"));
        Edit->SetDataSource(SrcMaster);
        Edit->SetDataField(QStringLiteral("Name"));
        Edit->setGeometry(0, 0, 100, 20);
        EditNr = new TDBEdit(this);
        EditNr->setObjectName(QStringLiteral("EditNr"));
        EditNr->SetDataSource(SrcMaster);
        EditNr->SetDataField(QStringLiteral("Nr"));
        EditNr->setGeometry(0, 25, 100, 20);
        Memo = new TDBMemo(this);
        Memo->setObjectName(QStringLiteral("MemoNotiz"));
        Memo->SetDataSource(SrcMaster);
        Memo->SetDataField(QStringLiteral("Notiz"));
        Memo->setGeometry(0, 50, 100, 50);
        Grid = new TDBGrid(this);
        Grid->setObjectName(QStringLiteral("GridKosten"));
        Grid->SetDataSource(SrcDetail);
        Grid->setGeometry(0, 110, 300, 100);
        Plain = new QLineEdit(this);
        Plain->setObjectName(QStringLiteral("EditFrei"));
        Plain->setGeometry(110, 0, 100, 20);
        Button = new QPushButton(QStringLiteral("Los"), this);
        Button->setObjectName(QStringLiteral("BtnLos"));
        Button->setGeometry(110, 25, 100, 20);
        StatusPanel = new TPanel(this);
        StatusPanel->setObjectName(QStringLiteral("PnlStatus"));
        StatusPanel->setGeometry(0, 220, 200, 20);
        MessagePanel = new TPanel(this);
        MessagePanel->setObjectName(QStringLiteral("PnlMeldung"));
        MessagePanel->setGeometry(200, 220, 200, 20);

        Ext = new TDBExtender(this);
        Ext->GetTblDescription = [](const QString& name, QString& desc) {
            if (name.compare(QStringLiteral("Masch.DB"), Qt::CaseInsensitive) == 0) desc = QStringLiteral("Maschinen");
        };
    }

    TTable* Master;
    TTable* Detail;
    TDataSource* SrcMaster;
    TDataSource* SrcDetail;
    TDBEdit* Edit;
    TDBEdit* EditNr;
    TDBMemo* Memo;
    TDBGrid* Grid;
    QLineEdit* Plain;
    QPushButton* Button;
    TPanel* StatusPanel;
    TPanel* MessagePanel;
    TDBExtender* Ext;
};

// Counts what the extender tells a bar.
class TFakeBar : public TDBENavClient {
public:
    QStringList Calls;
    void NavRebuildHints() override { Calls << QStringLiteral("hints"); }
    void NavRefresh() override { Calls << QStringLiteral("refresh"); }
    void NavDetached() override { Calls << QStringLiteral("detached"); }
    void NavSetUseTextIncSrchBtn(bool on) override { Calls << QStringLiteral("text:%1").arg(on); }
    void NavSetFlatButtons(bool on) override { Calls << QStringLiteral("flat:%1").arg(on); }
    void NavDataSetChanged(TDataSource*) override { Calls << QStringLiteral("changed"); }
};

// Records the alert sounds instead of playing them.
class TBeepRecorder {
public:
    TBeepRecorder()
    {
        TDBExtender::BeepObserver = [this](TMsgDlgType t) { Kinds << int(t); };
    }
    ~TBeepRecorder() { TDBExtender::BeepObserver = nullptr; }
    QList<int> Kinds;
};

QString placementError(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<keiner>");
}

void focusAndWait(QWidget* w)
{
    w->setFocus();
    QTRY_VERIFY(w->hasFocus());
}

enum class Situation { Browse3, Edit3, Insert, Filtered3, FilteredEmpty, Closed, IncSearch, IncSearchButton };
enum class Panels { Shared, Separate, None };
enum class Thrown { Database, Engine, Filter, FilterDef, Bookmarks, UserAbort, Plain, Standard, Convert };

[[noreturn]] void Throw(Thrown kind)
{
    switch (kind) {
    case Thrown::Database: throw EDatabaseError(QStringLiteral("Feld 'X' nicht gefunden"));
    case Thrown::Engine: throw EDBEngineError(9729, QStringLiteral("Indexfehler"));
    case Thrown::Filter: throw EDBEFilter(QStringLiteral("Filterfehler"));
    case Thrown::FilterDef: throw EDBEFilterDefError(QStringLiteral("Keine Filterdefinition"));
    case Thrown::Bookmarks: throw EDBEBookMarks(QStringLiteral("Lesezeichenfehler"));
    case Thrown::UserAbort: throw EUserAbort();
    case Thrown::Plain: throw Exception(QStringLiteral("Allgemeiner Fehler"));
    case Thrown::Standard: throw std::runtime_error("Speicher voll");
    case Thrown::Convert: throw EConvertError(QStringLiteral("'x' ist kein gültiges Datum"));
    }
    throw EAbort();
}

TDBShowStatusSet statusSet(const QString& letters)
{
    // N number, C count, T table, E edit, I insert
    TDBShowStatusSet s;
    if (letters.contains(u'N')) s.Include(ssRecNo);
    if (letters.contains(u'C')) s.Include(ssRecCount);
    if (letters.contains(u'T')) s.Include(ssTblName);
    if (letters.contains(u'E')) s.Include(ssEdit);
    if (letters.contains(u'I')) s.Include(ssInsert);
    return s;
}

}   // namespace

Q_DECLARE_METATYPE(Situation)
Q_DECLARE_METATYPE(Panels)
Q_DECLARE_METATYPE(Thrown)

class TestDbextendCore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void placement_data();
    void placement();
    void defaults();
    void stayOnMasterSource_data();
    void stayOnMasterSource();
    void masterDestroyed();
    void status_data();
    void status();
    void statusOnlyForCurrentSource();
    void statusEvent();
    void messages_data();
    void messages();
    void messageEvent();
    void clearMessage();
    void editingMode_data();
    void editingMode();
    void editingModePostsFirst();
    void editChangeRefused();
    void exceptionRouting_data();
    void exceptionRouting();
    void exceptionHandlerGivenBack();
    void interfaceSets_data();
    void interfaceSets();
    void keysSwallowedWhileMinimized();
    void firstActivationScan();
    void focusChangeHook();
    void lookupHint_data();
    void lookupHint();
    void currentSource_data();
    void currentSource();
    void tableDescription_data();
    void tableDescription();
    void controlDiscovery_data();
    void controlDiscovery();
    void navigatorRegistration();
    void assignSettings_data();
    void assignSettings();
    void busyCursor_data();
    void busyCursor();
    void userAbort_data();
    void userAbort();
    void destructionGivesBack();

private:
    std::unique_ptr<TTestData> m_data;
};

void TestDbextendCore::init()
{
    // Copying settings needs no tables; it runs once per setting.
    if (qstrcmp(QTest::currentTestFunction(), "assignSettings") != 0) m_data = std::make_unique<TTestData>();
}

void TestDbextendCore::cleanup()
{
    m_data.reset();
}

// ------------------------------------------------------------ placement

void TestDbextendCore::placement_data()
{
    QTest::addColumn<QString>("owner");
    QTest::addColumn<QString>("error");
    QTest::newRow("data module") << "module" << QStringLiteral("TDBExtender kann nur in ein Formular plaziert werden.");
    QTest::newRow("no owner") << "none" << QStringLiteral("TDBExtender kann nur in ein Formular plaziert werden.");
    QTest::newRow("second on the form") << "form" << QStringLiteral("Ein TDBExtender pro Formular reicht.");
    QTest::newRow("second on a control of the form") << "control"
                                                     << QStringLiteral("Ein TDBExtender pro Formular reicht.");
    QTest::newRow("control of another form") << "other" << QStringLiteral("<keiner>");
}

void TestDbextendCore::placement()
{
    QFETCH(QString, owner);
    QFETCH(QString, error);
    TTestForm form;
    QWidget other;
    auto* otherControl = new QLineEdit(&other);
    QObject module;
    TBeepRecorder beeps;
    TDBExtender* made = nullptr;
    const QString got = placementError([&] {
        if (owner == QLatin1String("module")) made = new TDBExtender(&module);
        else if (owner == QLatin1String("none")) made = new TDBExtender(nullptr);
        else if (owner == QLatin1String("form")) made = new TDBExtender(&form);
        else if (owner == QLatin1String("control")) made = new TDBExtender(form.Plain);
        else made = new TDBExtender(otherControl);
    });
    QCOMPARE(got, error);
    if (error.startsWith(u'<')) {
        QVERIFY(made);
        QCOMPARE(made->Form(), &other);
        QCOMPARE(TDBExtender::OfForm(&other), made);
        QVERIFY(beeps.Kinds.isEmpty());
    } else {
        QVERIFY(!beeps.Kinds.isEmpty());
        // The failed one left nothing behind: the form keeps its first extender.
        QCOMPARE(TDBExtender::OfForm(&form), form.Ext);
        QCOMPARE(form.findChildren<TDBExtender*>().size(), 1);
        QVERIFY(module.children().isEmpty());
    }
}

void TestDbextendCore::defaults()
{
    TTestForm form;
    TDBExtender* e = form.Ext;
    QCOMPARE(e->Form(), static_cast<QWidget*>(&form));
    QVERIFY(e->EditMode());
    QVERIFY(e->Possibilities(nbUserBtn));
    QVERIFY(!e->Possibilities(nbSearch));
    QVERIFY(!e->Possibilities(nbGlobalEdit));
    QCOMPARE(e->ActiveInterfaces(), (TInterfacesEnabledSet{ieShortCuts, ieNavbars, ieDisplay}));
    QCOMPARE(e->InterfacesMinimized(), TInterfacesEnabledSet{ieDisplay});
    QCOMPARE(e->DBGridComponents(), (QStringList{"TwwDBGrid", "TDBScroll (OnColArrived)"}));
    QCOMPARE(e->StayOnMasterSource(), somNo);
    QCOMPARE(e->ShowStatusOptions(), statusSet(QStringLiteral("NCTEI")));
    QCOMPARE(e->ShortCuts().ShortCut(nbLookUp), TShortCut(16416));
    QVERIFY(!e->ManageGlobalEdit());
    QCOMPARE(e->MoveBy, 5);
}

// ------------------------------------------------------------ master source

void TestDbextendCore::stayOnMasterSource_data()
{
    QTest::addColumn<bool>("withMaster");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("only moves without master") << false << int(somOnlyMove) << int(somNo);
    QTest::newRow("all functions without master") << false << int(somAllFuncs) << int(somNo);
    QTest::newRow("only moves with master") << true << int(somOnlyMove) << int(somOnlyMove);
    QTest::newRow("all functions with master") << true << int(somAllFuncs) << int(somAllFuncs);
    QTest::newRow("no with master") << true << int(somNo) << int(somNo);
}

void TestDbextendCore::stayOnMasterSource()
{
    QFETCH(bool, withMaster);
    QFETCH(int, value);
    QFETCH(int, expected);
    TTestForm form;
    if (withMaster) form.Ext->SetMasterSource(form.SrcMaster);
    form.Ext->SetStayOnMasterSource(TStayOnMasterSource(value));
    QCOMPARE(int(form.Ext->StayOnMasterSource()), expected);
    if (withMaster) QVERIFY(form.Ext->Tables().FindBySource(form.SrcMaster));

    // Taking the master away resets it.
    form.Ext->SetMasterSource(nullptr);
    QCOMPARE(form.Ext->StayOnMasterSource(), somNo);
    QCOMPARE(form.Ext->MasterSource(), nullptr);
}

void TestDbextendCore::masterDestroyed()
{
    TTestForm form;
    auto* other = new QWidget;
    auto* src = new TDataSource(other);
    src->SetDataSet(form.Master);
    form.Ext->SetMasterSource(src);
    form.Ext->SetStayOnMasterSource(somOnlyMove);
    delete other;
    QCOMPARE(form.Ext->MasterSource(), nullptr);
    QCOMPARE(form.Ext->StayOnMasterSource(), somNo);
}

// ------------------------------------------------------------ status

void TestDbextendCore::status_data()
{
    QTest::addColumn<Situation>("situation");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("expected");
    QTest::newRow("main window options") << Situation::Browse3 << "NC" << QStringLiteral("3 von 15");
    QTest::newRow("all options") << Situation::Browse3 << "NCTEI" << QStringLiteral("3 von 15 [Maschinen]");
    QTest::newRow("number without count shows nothing") << Situation::Browse3 << "N" << QString();
    QTest::newRow("count only") << Situation::Browse3 << "C" << QStringLiteral("15");
    QTest::newRow("table name only") << Situation::Browse3 << "T" << QStringLiteral(" [Maschinen]");
    QTest::newRow("editing") << Situation::Edit3 << "NCE" << QStringLiteral("3 von 15 Editieren");
    QTest::newRow("editing without option") << Situation::Edit3 << "NC" << QStringLiteral("3 von 15");
    QTest::newRow("inserting") << Situation::Insert << "NCTEI" << QStringLiteral("[Maschinen] Neuer Datensatz");
    QTest::newRow("inserting, insert option only") << Situation::Insert << "I" << QStringLiteral("Neuer Datensatz");
    QTest::newRow("inserting without insert option") << Situation::Insert << "NCT" << QStringLiteral("[Maschinen] ");
    QTest::newRow("filtered table") << Situation::Filtered3 << "NC" << QStringLiteral("3");
    QTest::newRow("filtered table, all options") << Situation::Filtered3 << "NCTEI" << QStringLiteral("3 [Maschinen]");
    QTest::newRow("empty table") << Situation::FilteredEmpty << "NC" << QStringLiteral("Leere Tabelle");
    QTest::newRow("empty table with name") << Situation::FilteredEmpty << "NCT"
                                           << QStringLiteral("Leere Tabelle [Maschinen]");
    QTest::newRow("empty table without count") << Situation::FilteredEmpty << "N" << QString();
    QTest::newRow("closed table") << Situation::Closed << "NCTEI" << QString();
    QTest::newRow("incremental search") << Situation::IncSearch << "NC" << QStringLiteral("3 von 15 Suche: \"Mas\"");
    QTest::newRow("incremental search in the bar") << Situation::IncSearchButton << "NC"
                                                   << QStringLiteral("3 von 15 Suchmodus");
}

void TestDbextendCore::status()
{
    QFETCH(Situation, situation);
    QFETCH(QString, options);
    QFETCH(QString, expected);
    TTestForm form;
    TDBExtender* e = form.Ext;
    e->SetStatusPanel(form.StatusPanel);
    e->SetShowStatusOptions(statusSet(options));
    QVERIFY(ShowActive(&form));
    focusAndWait(form.Edit);
    QTRY_COMPARE(e->CurrentSource(), form.SrcMaster);

    TTable* t = form.Master;
    switch (situation) {
    case Situation::Browse3:
    case Situation::IncSearch:
    case Situation::IncSearchButton:
        t->First();
        t->MoveBy(2);
        break;
    case Situation::Edit3:
        t->First();
        t->MoveBy(2);
        t->Edit();
        break;
    case Situation::Insert:
        t->Insert();
        break;
    case Situation::Filtered3:
        t->SetFilter(QStringLiteral("Nr <= 'K05'"));
        t->SetFiltered(true);
        t->First();
        t->MoveBy(2);
        break;
    case Situation::FilteredEmpty:
        t->SetFilter(QStringLiteral("Nr = 'X99'"));
        t->SetFiltered(true);
        break;
    case Situation::Closed:
        t->Close();
        break;
    }
    if (situation == Situation::IncSearch || situation == Situation::IncSearchButton) {
        e->SetUseTextIncSrchBtn(situation == Situation::IncSearchButton);
        e->HandleNBBtn(nbSearchInc);
        QVERIFY(e->IncSearchActive());
        e->SetIncSearchText(QStringLiteral("Mas"));
    }
    form.StatusPanel->SetCaption(QStringLiteral("vorher"));
    e->ShowStatus(form.SrcMaster);
    QCOMPARE(form.StatusPanel->Caption(), expected);
}

void TestDbextendCore::statusOnlyForCurrentSource()
{
    TTestForm form;
    form.Ext->SetStatusPanel(form.StatusPanel);
    QVERIFY(ShowActive(&form));
    focusAndWait(form.Edit);
    QTRY_COMPARE(form.Ext->CurrentSource(), form.SrcMaster);
    form.StatusPanel->SetCaption(QStringLiteral("vorher"));
    form.Ext->ShowStatus(form.SrcDetail);
    QCOMPARE(form.StatusPanel->Caption(), QStringLiteral("vorher"));
}

void TestDbextendCore::statusEvent()
{
    TStatusRec seen;
    bool handle = false;
    TTestForm form;
    TDBExtender* e = form.Ext;
    e->SetStatusPanel(form.StatusPanel);
    QVERIFY(ShowActive(&form));
    focusAndWait(form.Edit);
    QTRY_COMPARE(e->CurrentSource(), form.SrcMaster);
    form.Master->First();
    form.Master->MoveBy(3);
    e->OnShowStatus = [&](QObject*, TStatusRec& rec, bool& handled) {
        seen = rec;
        handled = handle;
        rec.StatusText = QStringLiteral("Datensatz ") + rec.StatusText;
    };
    e->ShowStatus(form.SrcMaster);
    QCOMPARE(seen.DataSource, form.SrcMaster);
    QCOMPARE(seen.RecNo, 4);
    QCOMPARE(seen.RecCount, 15);
    QCOMPARE(seen.TblDesc, QStringLiteral("Maschinen"));
    QCOMPARE(seen.StatusText, QStringLiteral("4 von 15 [Maschinen]"));
    QCOMPARE(form.StatusPanel->Caption(), QStringLiteral("Datensatz 4 von 15 [Maschinen]"));

    handle = true;
    form.StatusPanel->SetCaption(QStringLiteral("vorher"));
    e->ShowStatus(form.SrcMaster);
    QCOMPARE(form.StatusPanel->Caption(), QStringLiteral("vorher"));
}

// ------------------------------------------------------------ messages

void TestDbextendCore::messages_data()
{
    QTest::addColumn<Panels>("panels");
    QTest::addColumn<bool>("display");
    QTest::addColumn<bool>("errorBeep");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("statusCaption");
    QTest::addColumn<QString>("messageCaption");
    QTest::addColumn<QList<int>>("beeps");
    QTest::addColumn<int>("dialogType");   // -1: none

    const QString st = QStringLiteral("3 von 15"), old = QStringLiteral("alt");
    QTest::newRow("shared, empty leaves the status")
        << Panels::Shared << true << true << int(mtInformation) << QString() << st << st << QList<int>{} << -1;
    QTest::newRow("separate, empty clears the message")
        << Panels::Separate << true << true << int(mtInformation) << QString() << st << QString() << QList<int>{} << -1;
    QTest::newRow("shared, error replaces the status")
        << Panels::Shared << true << true << int(mtError) << "Fehler" << "Fehler" << "Fehler" << QList<int>{mtError}
        << -1;
    QTest::newRow("separate, error beeps")
        << Panels::Separate << true << true << int(mtError) << "Fehler" << st << "Fehler" << QList<int>{mtError} << -1;
    QTest::newRow("separate, error without beep")
        << Panels::Separate << true << false << int(mtError) << "Fehler" << st << "Fehler" << QList<int>{} << -1;
    QTest::newRow("separate, warning beeps")
        << Panels::Separate << true << true << int(mtWarning) << "Achtung" << st << "Achtung"
        << QList<int>{mtWarning} << -1;
    QTest::newRow("separate, information is quiet")
        << Panels::Separate << true << true << int(mtInformation) << "Hinweis" << st << "Hinweis" << QList<int>{}
        << -1;
    QTest::newRow("no panel, warning in a box")
        << Panels::None << true << true << int(mtWarning) << "Achtung" << st << old << QList<int>{mtWarning}
        << int(mtWarning);
    QTest::newRow("no panel, error in a box")
        << Panels::None << true << true << int(mtError) << "Fehler" << st << old << QList<int>{mtError} << int(mtError);
    QTest::newRow("no panel, information dropped")
        << Panels::None << true << true << int(mtInformation) << "Hinweis" << st << old << QList<int>{} << -1;
    QTest::newRow("display off, error dropped")
        << Panels::Separate << false << true << int(mtError) << "Fehler" << st << old << QList<int>{} << -1;
}

void TestDbextendCore::messages()
{
    QFETCH(Panels, panels);
    QFETCH(bool, display);
    QFETCH(bool, errorBeep);
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(QString, statusCaption);
    QFETCH(QString, messageCaption);
    QFETCH(QList<int>, beeps);
    QFETCH(int, dialogType);
    TTestForm form;
    TDBExtender* e = form.Ext;
    e->SetStatusPanel(form.StatusPanel);
    if (panels == Panels::Shared) e->SetMessagePanel(form.StatusPanel);
    else if (panels == Panels::Separate) e->SetMessagePanel(form.MessagePanel);
    if (!display) e->SetInterfacesNormal({ieShortCuts, ieNavbars});
    form.StatusPanel->SetCaption(QStringLiteral("3 von 15"));
    form.MessagePanel->SetCaption(QStringLiteral("alt"));
    e->ErrorBeep = errorBeep;
    TBeepRecorder beep;
    TDialogRecorder rec;
    e->ShowMessage(text, TMsgDlgType(type));
    QCOMPARE(form.StatusPanel->Caption(), statusCaption);
    if (panels != Panels::Shared) QCOMPARE(form.MessagePanel->Caption(), messageCaption);
    QCOMPARE(beep.Kinds, beeps);
    if (dialogType < 0) {
        QVERIFY(rec.IsEmpty());
    } else {
        QCOMPARE(int(rec.Last().Type), dialogType);
        QCOMPARE(rec.Last().Text, text);
        QCOMPARE(rec.Last().Buttons, TMsgDlgButtons(mbOK));
    }
}

void TestDbextendCore::messageEvent()
{
    bool handle = false;
    TTestForm form;
    TDBExtender* e = form.Ext;
    e->SetMessagePanel(form.MessagePanel);
    e->OnShowMessage = [&](QObject*, QString& msg, TMsgDlgType, bool& handled) {
        if (msg == QLatin1String("Indexfehler")) msg = QStringLiteral("Diese Nummer gibt es schon");
        handled = handle;
    };
    e->ShowMessage(QStringLiteral("Indexfehler"), mtError);
    QCOMPARE(form.MessagePanel->Caption(), QStringLiteral("Diese Nummer gibt es schon"));
    handle = true;
    e->ShowMessage(QStringLiteral("Anderes"), mtError);
    QCOMPARE(form.MessagePanel->Caption(), QStringLiteral("Diese Nummer gibt es schon"));
}

void TestDbextendCore::clearMessage()
{
    // Unlike an empty message, clearing empties a shared panel too, and
    // also while the display is off.
    TTestForm form;
    TDBExtender* e = form.Ext;
    e->SetStatusPanel(form.StatusPanel);
    e->SetMessagePanel(form.StatusPanel);
    e->SetInterfacesNormal({});
    form.StatusPanel->SetCaption(QStringLiteral("Öffne Tabellenansicht..."));
    TBeepRecorder beep;
    e->ClearMessage();
    QCOMPARE(form.StatusPanel->Caption(), QString());
    QVERIFY(beep.Kinds.isEmpty());
}

// ------------------------------------------------------------ editing mode

void TestDbextendCore::editingMode_data()
{
    QTest::addColumn<QStringList>("readOnlyBefore");
    QTest::newRow("all writable") << QStringList{};
    QTest::newRow("an edit read-only before") << QStringList{"EditNr"};
    QTest::newRow("memo and grid read-only before") << QStringList{"MemoNotiz", "GridKosten"};
    QTest::newRow("a foreign control read-only before") << QStringList{"EditFrei"};
}

void TestDbextendCore::editingMode()
{
    QFETCH(QStringList, readOnlyBefore);
    TTestForm form;
    TDBExtender* e = form.Ext;
    // The plain edit has no published flag; the form answers for it.
    e->ComponentRO = [&](QObject* c, bool& ro, bool getValue) {
        auto* le = qobject_cast<QLineEdit*>(c);
        if (!le || le->metaObject()->indexOfProperty("ReadOnly") >= 0) return;
        if (getValue) ro = le->isReadOnly();
        else le->setReadOnly(ro);
    };
    const QList<QWidget*> controls{form.Edit, form.EditNr, form.Memo, form.Grid, form.Plain};
    auto readOnly = [](QWidget* w) {
        if (auto* le = qobject_cast<QLineEdit*>(w); le && w->metaObject()->indexOfProperty("ReadOnly") < 0)
            return le->isReadOnly();
        return w->property("ReadOnly").toBool();
    };
    for (QWidget* w : controls) {
        if (!readOnlyBefore.contains(w->objectName())) continue;
        if (auto* le = qobject_cast<QLineEdit*>(w); le && w->metaObject()->indexOfProperty("ReadOnly") < 0)
            le->setReadOnly(true);
        else w->setProperty("ReadOnly", true);
    }

    e->SetManageGlobalEdit(true);
    QVERIFY(!e->EditMode());
    for (QWidget* w : controls) QVERIFY2(readOnly(w), qPrintable(w->objectName()));

    e->SetManageGlobalEdit(false);
    QVERIFY(e->EditMode());
    for (QWidget* w : controls)
        QVERIFY2(readOnly(w) == readOnlyBefore.contains(w->objectName()), qPrintable(w->objectName()));

    // The mode itself, while managed.
    e->SetManageGlobalEdit(true);
    e->SetEditMode(true);
    for (QWidget* w : controls)
        QVERIFY2(readOnly(w) == readOnlyBefore.contains(w->objectName()), qPrintable(w->objectName()));
    e->SetEditMode(false);
    for (QWidget* w : controls) QVERIFY2(readOnly(w), qPrintable(w->objectName()));
}

void TestDbextendCore::editingModePostsFirst()
{
    TTestForm form;
    form.Ext->Tables().FindOrAddBySource(form.SrcMaster);
    form.Master->First();
    form.Master->Edit();
    form.Master->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("Bagger"));
    form.Ext->SetManageGlobalEdit(true);
    QCOMPARE(form.Master->State(), dsBrowse);
    TTable check;
    OpenTestTable(check, QStringLiteral("Masch.DB"));
    QCOMPARE(check.FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("Bagger"));
}

void TestDbextendCore::editChangeRefused()
{
    QList<bool> asked;
    bool allow = true;
    QList<int> after;
    TTestForm form;
    TDBExtender* e = form.Ext;
    e->OnEditChange = [&](QObject*, bool isEdit, bool& canChange) {
        asked << isEdit;
        canChange = allow;
    };
    e->SetManageGlobalEdit(true);
    QCOMPARE(asked, QList<bool>{false});
    allow = false;
    e->SetEditMode(true);
    QCOMPARE(asked, (QList<bool>{false, true}));
    QVERIFY(!e->EditMode());
    QVERIFY(form.Edit->ReadOnly());

    // Through the action too, which still reports back afterwards.
    QVERIFY(ShowActive(&form));
    e->AfterHandleNBBtn = [&](QObject*, TDBENavigateBtn& b, TShiftState&, int&) { after << int(b); };
    e->HandleNBBtn(nbGlobalEdit);
    QVERIFY(!e->EditMode());
    QCOMPARE(after, QList<int>{nbGlobalEdit});
    allow = true;
    e->HandleNBBtn(nbGlobalEdit);
    QVERIFY(e->EditMode());
    QVERIFY(!form.Edit->ReadOnly());
}

// ------------------------------------------------------------ exceptions

void TestDbextendCore::exceptionRouting_data()
{
    QTest::addColumn<Thrown>("thrown");
    QTest::addColumn<bool>("handleDB");
    QTest::addColumn<QString>("message");   // empty: passed on to the chained handler
    QTest::addColumn<QList<int>>("beeps");
    QTest::newRow("database error") << Thrown::Database << true << "Feld 'X' nicht gefunden" << QList<int>{mtError};
    QTest::newRow("engine error") << Thrown::Engine << true << "Indexfehler" << QList<int>{mtError};
    QTest::newRow("filter error") << Thrown::Filter << true << "Filterfehler" << QList<int>{mtError};
    QTest::newRow("filter definition error") << Thrown::FilterDef << true << "Keine Filterdefinition"
                                             << QList<int>{mtError};
    QTest::newRow("bookmark error") << Thrown::Bookmarks << true << "Lesezeichenfehler" << QList<int>{mtError};
    QTest::newRow("user abort") << Thrown::UserAbort << true << "Operation abgebrochen" << QList<int>{};
    QTest::newRow("other exception") << Thrown::Plain << true << QString() << QList<int>{};
    QTest::newRow("conversion error") << Thrown::Convert << true << QString() << QList<int>{};
    QTest::newRow("standard exception") << Thrown::Standard << true << QString() << QList<int>{};
    QTest::newRow("database error, not handled") << Thrown::Database << false << QString() << QList<int>{};
    QTest::newRow("user abort, not handled") << Thrown::UserAbort << false << QString() << QList<int>{};
}

void TestDbextendCore::exceptionRouting()
{
    QFETCH(Thrown, thrown);
    QFETCH(bool, handleDB);
    QFETCH(QString, message);
    QFETCH(QList<int>, beeps);
    TApplication* app = TApplication::Instance();
    QVERIFY(app);
    QStringList chained;
    const TExceptionEvent original = app->SetOnException(
        [&](QObject* sender, const std::exception& e) { chained << sender->objectName() + u':' + ExceptionText(e); });
    {
        TTestForm form;
        TDBExtender* e = form.Ext;
        e->SetMessagePanel(form.MessagePanel);
        e->HandleDBExceptions = handleDB;
        connect(form.Button, &QPushButton::clicked, [thrown] { Throw(thrown); });
        QVERIFY(ShowActive(&form));
        // Focus moving to the button clears the message; let that happen first.
        focusAndWait(form.Button);
        form.MessagePanel->SetCaption(QStringLiteral("alt"));
        TBeepRecorder beep;
        TDialogRecorder rec;
        QTest::mouseClick(form.Button, Qt::LeftButton);
        if (message.isEmpty()) {
            QCOMPARE(chained.size(), 1);
            QVERIFY(chained.first().startsWith(QStringLiteral("BtnLos:")));
            QCOMPARE(form.MessagePanel->Caption(), QStringLiteral("alt"));
        } else {
            QVERIFY(chained.isEmpty());
            QCOMPARE(form.MessagePanel->Caption(), message);
        }
        QCOMPARE(beep.Kinds, beeps);
        QVERIFY(rec.IsEmpty());

        // The form may take every exception first.
        chained.clear();
        e->FormOnException = [](QObject*, const std::exception&, bool& handled) { handled = true; };
        form.MessagePanel->SetCaption(QStringLiteral("alt"));
        QTest::mouseClick(form.Button, Qt::LeftButton);
        QVERIFY(chained.isEmpty());
        QCOMPARE(form.MessagePanel->Caption(), QStringLiteral("alt"));
    }
    app->SetOnException(original);
}

void TestDbextendCore::exceptionHandlerGivenBack()
{
    TApplication* app = TApplication::Instance();
    QStringList chained;
    const TExceptionEvent original =
        app->SetOnException([&](QObject*, const std::exception& e) { chained << ExceptionText(e); });
    {
        TTestForm form;
        form.Ext->SetMessagePanel(form.MessagePanel);
        QWidget other;
        auto* otherButton = new QPushButton(&other);
        connect(otherButton, &QPushButton::clicked, [] { throw EDatabaseError(QStringLiteral("Anderswo")); });
        QVERIFY(ShowActive(&form));
        QVERIFY(ShowActive(&other));
        // The other window is active: the extender let go of the handler.
        QTest::mouseClick(otherButton, Qt::LeftButton);
        QCOMPARE(chained, QStringList{"Anderswo"});
        QCOMPARE(form.MessagePanel->Caption(), QString());
    }
    app->SetOnException(original);
}

// ------------------------------------------------------------ interface sets

void TestDbextendCore::interfaceSets_data()
{
    QTest::addColumn<int>("minimizedBits");
    QTest::addColumn<bool>("navbarsChange");
    QTest::newRow("defaults") << int(TInterfacesEnabledSet{ieDisplay}.Bits()) << true;
    QTest::newRow("bars stay") << int(TInterfacesEnabledSet{ieNavbars, ieDisplay}.Bits()) << false;
    QTest::newRow("nothing") << 0 << true;
}

void TestDbextendCore::interfaceSets()
{
    QFETCH(int, minimizedBits);
    QFETCH(bool, navbarsChange);
    const auto minimized = TInterfacesEnabledSet::FromBits(quint32(minimizedBits));
    const TInterfacesEnabledSet normal{ieShortCuts, ieNavbars, ieDisplay};
    int changes = 0;
    TTestForm form;
    TDBExtender* e = form.Ext;
    e->SetInterfacesMinimized(minimized);
    TFakeBar bar;
    e->RegisterNavigator(&bar);
    QVERIFY(ShowActive(&form));
    QCOMPARE(e->ActiveInterfaces(), normal);
    e->OnChangePoss = [&](QObject*) { ++changes; };
    bar.Calls.clear();

    form.setWindowState(Qt::WindowMinimized);
    QWindowStateChangeEvent minimize(Qt::WindowNoState);
    QApplication::sendEvent(&form, &minimize);
    QCOMPARE(e->ActiveInterfaces(), minimized);
    QVERIFY(changes > 0);
    QVERIFY(bar.Calls.contains(QStringLiteral("hints")));
    QCOMPARE(bar.Calls.contains(QStringLiteral("refresh")), navbarsChange);

    changes = 0;
    form.setWindowState(Qt::WindowNoState);
    QWindowStateChangeEvent restore(Qt::WindowMinimized);
    QApplication::sendEvent(&form, &restore);
    QCOMPARE(e->ActiveInterfaces(), normal);
    QVERIFY(changes > 0);

    // Changing the normal set applies it at once.
    e->SetInterfacesNormal({ieDisplay});
    QCOMPARE(e->ActiveInterfaces(), TInterfacesEnabledSet{ieDisplay});
    e->UnregisterNavigator(&bar);
}

void TestDbextendCore::keysSwallowedWhileMinimized()
{
    QList<int> seen;
    TTestForm form;
    TDBExtender* e = form.Ext;
    QVERIFY(ShowActive(&form));
    focusAndWait(form.Plain);
    QTest::keyClick(form.Plain, Qt::Key_A);
    QCOMPARE(form.Plain->text(), QStringLiteral("a"));

    // Without the shortcut interface no key reaches the form's controls.
    e->SetInterfacesNormal({ieNavbars, ieDisplay});
    QTest::keyClick(form.Plain, Qt::Key_B);
    QCOMPARE(form.Plain->text(), QStringLiteral("a"));

    // Nor while a search runs.
    e->SetInterfacesNormal({ieShortCuts, ieNavbars, ieDisplay});
    e->BusyCount = 1;
    QTest::keyClick(form.Plain, Qt::Key_C);
    QCOMPARE(form.Plain->text(), QStringLiteral("a"));
    e->BusyCount = 0;
    QTest::keyClick(form.Plain, Qt::Key_D);
    QCOMPARE(form.Plain->text(), QStringLiteral("ad"));

    // The physical key event sees the key first and may take it.
    e->FormOnKeyPhysical = [&](int& key, TShiftState, bool& handled) {
        seen << key;
        handled = key == 'X';
    };
    QTest::keyClick(form.Plain, Qt::Key_X);
    QTest::keyClick(form.Plain, Qt::Key_E);
    QCOMPARE(form.Plain->text(), QStringLiteral("ade"));
    QCOMPARE(seen, (QList<int>{'X', 'E'}));
}

// ------------------------------------------------------------ activation

void TestDbextendCore::firstActivationScan()
{
    TTestForm form;
    QVERIFY(!form.Ext->Tables().FindBySource(form.SrcDetail));
    QVERIFY(ShowActive(&form));
    QVERIFY(form.Ext->Tables().FindBySource(form.SrcDetail));
    QVERIFY(form.Ext->Tables().FindBySource(form.SrcMaster));
}

void TestDbextendCore::focusChangeHook()
{
    QStringList focused, activations;
    TTestForm form;
    TDBExtender* e = form.Ext;
    e->FormOnFocusControl = [&](QObject* c) { focused << (c ? c->objectName() : QStringLiteral("-")); };
    e->FormOnActivate = [&](QObject*) { activations << QStringLiteral("an"); };
    e->FormOnDeactivate = [&](QObject*) { activations << QStringLiteral("aus"); };
    QVERIFY(ShowActive(&form));
    QCOMPARE(activations, QStringList{"an"});
    focused.clear();
    focusAndWait(form.Grid);
    QVERIFY(focused.contains(QStringLiteral("GridKosten")));
    QCOMPARE(e->CurrentSource(), form.SrcDetail);

    QWidget other;
    auto* otherEdit = new QLineEdit(&other);
    QVERIFY(ShowActive(&other));
    QCOMPARE(activations, (QStringList{"an", "aus"}));
    focused.clear();
    otherEdit->setFocus();
    QTRY_VERIFY(otherEdit->hasFocus());
    QVERIFY(focused.isEmpty());
}

void TestDbextendCore::lookupHint_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("message");
    QTest::newRow("field with a lookup") << "EditNr" << QStringLiteral("Nachschlagen mittels Strg+Leer");
    QTest::newRow("field without") << "EditName" << QString();
}

void TestDbextendCore::lookupHint()
{
    QFETCH(QString, control);
    QFETCH(QString, message);
    TTestForm form;
    TDBExtender* e = form.Ext;
    e->SetMessagePanel(form.MessagePanel);
    e->GetLookupDef = [](TField* f, bool&, QString&, QString& table, QString&, QString&, QString&, QString&) {
        if (f->FieldName() == QLatin1String("Nr")) table = QStringLiteral("Masch.DB");
    };
    QVERIFY(ShowActive(&form));
    focusAndWait(form.Plain);
    form.MessagePanel->SetCaption(QStringLiteral("alt"));
    focusAndWait(form.findChild<QWidget*>(control));
    QCOMPARE(form.MessagePanel->Caption(), message);
}

// ------------------------------------------------------------ current source

void TestDbextendCore::currentSource_data()
{
    QTest::addColumn<bool>("active");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("master");
    QTest::addColumn<int>("stay");
    QTest::addColumn<QString>("expected");
    QTest::newRow("focused grid") << true << "GridKosten" << true << int(somNo) << "detail";
    QTest::newRow("focused edit") << true << "EditName" << false << int(somNo) << "master";
    QTest::newRow("focus without data, master") << true << "EditFrei" << true << int(somNo) << "master";
    QTest::newRow("focus without data, no master") << true << "EditFrei" << false << int(somNo) << "none";
    QTest::newRow("inactive form, master") << false << "GridKosten" << true << int(somNo) << "master";
    QTest::newRow("inactive form, no master") << false << "GridKosten" << false << int(somNo) << "none";
    QTest::newRow("all functions on the master") << true << "GridKosten" << true << int(somAllFuncs) << "master";
}

void TestDbextendCore::currentSource()
{
    QFETCH(bool, active);
    QFETCH(QString, focus);
    QFETCH(bool, master);
    QFETCH(int, stay);
    QFETCH(QString, expected);
    TTestForm form;
    TDBExtender* e = form.Ext;
    if (master) {
        e->SetMasterSource(form.SrcMaster);
        e->SetStayOnMasterSource(TStayOnMasterSource(stay));
    }
    auto* target = form.findChild<QWidget*>(focus);
    QVERIFY(target);
    if (active) {
        QVERIFY(ShowActive(&form));
        focusAndWait(target);
    } else {
        form.setFocusProxy(nullptr);
        target->setFocus();
    }
    TDataSource* want = expected == QLatin1String("detail") ? form.SrcDetail
        : expected == QLatin1String("master")               ? form.SrcMaster
                                                            : nullptr;
    QCOMPARE(e->GetCurrentSource(), want);
    QCOMPARE(e->CurrentSource(), want);
}

void TestDbextendCore::tableDescription_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("expected");
    QTest::newRow("table renamed by the form") << "master" << "Maschinen";
    QTest::newRow("table as named") << "detail" << "Kost.DB";
    QTest::newRow("none") << "none" << QString();
}

void TestDbextendCore::tableDescription()
{
    QFETCH(QString, which);
    QFETCH(QString, expected);
    TTestForm form;
    TDataSet* ds = which == QLatin1String("master") ? form.Master
        : which == QLatin1String("detail")          ? form.Detail
                                                    : nullptr;
    QCOMPARE(form.Ext->GetTblDesc(ds), expected);
}

void TestDbextendCore::controlDiscovery_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("dbControl");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("edit") << "EditName" << true << "master" << "Name" << false;
    QTest::newRow("memo") << "MemoNotiz" << true << "master" << "Notiz" << false;
    QTest::newRow("grid") << "GridKosten" << true << "detail" << "Nr" << false;
    QTest::newRow("grid viewport") << "viewport" << true << "detail" << "Nr" << false;
    QTest::newRow("plain edit") << "EditFrei" << false << "none" << QString() << true;
    QTest::newRow("foreign control through events") << "BtnLos" << true << "master" << "Nr" << true;
}

void TestDbextendCore::controlDiscovery()
{
    QFETCH(QString, control);
    QFETCH(bool, dbControl);
    QFETCH(QString, source);
    QFETCH(QString, field);
    QFETCH(bool, readOnly);
    TTestForm form;
    TDBExtender* e = form.Ext;
    // The button stands for a control of another library: the form tells.
    e->IsDBComponent = [&](QObject* c, bool& aware) { aware = c == form.Button; };
    e->GetComponentDS = [&](QObject* c, TDataSource*& ds) {
        if (c == form.Button) ds = form.SrcMaster;
    };
    e->GetComponentFld = [&](QObject* c, TField*& f) {
        if (c == form.Button) f = form.Master->FieldByName(QStringLiteral("Nr"));
    };
    QObject* c = control == QLatin1String("viewport") ? static_cast<QObject*>(form.Grid->viewport())
                                                      : form.findChild<QWidget*>(control);
    QVERIFY(c);
    QCOMPARE(e->IsDBControl(c), dbControl);
    TDataSource* ds = nullptr;
    bool ro = false;
    int fieldNo = 0;
    TField* f = nullptr;
    TDataSet* set = nullptr;
    const bool found = e->GetControlInfo(c, ds, ro, fieldNo, f, set);
    QCOMPARE(found, source != QLatin1String("none"));
    TDataSource* want = source == QLatin1String("detail") ? form.SrcDetail
        : source == QLatin1String("master")               ? form.SrcMaster
                                                          : nullptr;
    QCOMPARE(ds, want);
    QCOMPARE(f ? f->FieldName() : QString(), field);
    if (f) QCOMPARE(fieldNo, f->FieldNo());
    else QCOMPARE(fieldNo, -1);
    QCOMPARE(ro, readOnly);
    QCOMPARE(set, want ? want->DataSet() : nullptr);
}

// ------------------------------------------------------------ bars and settings

void TestDbextendCore::navigatorRegistration()
{
    TTestForm form;
    TDBExtender* e = form.Ext;
    e->SetUseTextIncSrchBtn(true);
    TFakeBar bar;
    e->RegisterNavigator(&bar);
    QCOMPARE(bar.Calls, (QStringList{"text:1", "flat:0", "refresh"}));
    bar.Calls.clear();
    e->SetFlatNavBtns(true);
    QCOMPARE(bar.Calls, QStringList{"flat:1"});
    bar.Calls.clear();
    TDBEShortCuts keys;
    keys.SetShortCut(nbSearch, 0);
    e->SetShortCuts(keys);
    QCOMPARE(e->ShortCuts().ShortCut(nbSearch), TShortCut(0));
    QCOMPARE(bar.Calls, QStringList{"hints"});
    bar.Calls.clear();
    e->UnregisterNavigator(&bar);
    QCOMPARE(bar.Calls, (QStringList{"detached", "refresh"}));
    QVERIFY(e->Navigators().empty());
}

namespace {

struct TSetting {
    const char* name;
    bool copied;
    std::function<void(TDBExtender&)> change;   // away from the default
    std::function<bool(const TDBExtender&)> changed;
};

const std::vector<TSetting>& Settings()
{
    static TDBEShortCuts otherKeys = [] {
        TDBEShortCuts k;
        k.SetShortCut(nbSearch, 0);
        return k;
    }();
    static const std::vector<TSetting> list{
        {"BMKeepOnlyIndex", true, [](TDBExtender& e) { e.SetBMKeepOnlyIndex(false); },
         [](const TDBExtender& e) { return !e.BMKeepOnlyIndex(); }},
        {"ErrorBeep", true, [](TDBExtender& e) { e.ErrorBeep = false; }, [](const TDBExtender& e) { return !e.ErrorBeep; }},
        {"MoveBy", true, [](TDBExtender& e) { e.MoveBy = 9; }, [](const TDBExtender& e) { return e.MoveBy == 9; }},
        {"ShowSearchClock", true, [](TDBExtender& e) { e.ShowSearchClock = false; },
         [](const TDBExtender& e) { return !e.ShowSearchClock; }},
        {"ShowStatusOptions", true, [](TDBExtender& e) { e.SetShowStatusOptions({ssRecNo}); },
         [](const TDBExtender& e) { return e.ShowStatusOptions() == TDBShowStatusSet{ssRecNo}; }},
        {"UseNonVisFields", true, [](TDBExtender& e) { e.SetUseNonVisFields(false); },
         [](const TDBExtender& e) { return !e.UseNonVisFields(); }},
        {"GetTblDescription", true, [](TDBExtender& e) { e.GetTblDescription = [](const QString&, QString&) {}; },
         [](const TDBExtender& e) { return bool(e.GetTblDescription); }},
        {"GetIdxDescription", true,
         [](TDBExtender& e) { e.GetIdxDescription = [](TTable*, const QString&, QString&, bool&) {}; },
         [](const TDBExtender& e) { return bool(e.GetIdxDescription); }},
        {"UseTextIncSrchBtn", true, [](TDBExtender& e) { e.SetUseTextIncSrchBtn(true); },
         [](const TDBExtender& e) { return e.UseTextIncSrchBtn(); }},
        {"FlatNavBtns", true, [](TDBExtender& e) { e.SetFlatNavBtns(true); },
         [](const TDBExtender& e) { return e.FlatNavBtns(); }},
        {"UseIndexPopup", true, [](TDBExtender& e) { e.UseIndexPopup = true; },
         [](const TDBExtender& e) { return e.UseIndexPopup; }},
        {"IncSrchAutoDisable", true, [](TDBExtender& e) { e.IncSrchAutoDisable = true; },
         [](const TDBExtender& e) { return e.IncSrchAutoDisable; }},
        {"IncSrchOnlyIfIndexed", true, [](TDBExtender& e) { e.SetIncSrchOnlyIfIndexed(true); },
         [](const TDBExtender& e) { return e.IncSrchOnlyIfIndexed(); }},
        {"AutoRefresh", true, [](TDBExtender& e) { e.AutoRefresh = armAll; },
         [](const TDBExtender& e) { return e.AutoRefresh == armAll; }},
        {"AllowUserAbort", true, [](TDBExtender& e) { e.SetAllowUserAbort(false); },
         [](const TDBExtender& e) { return !e.AllowUserAbort(); }},
        {"TVSynchronIsDefault", true, [](TDBExtender& e) { e.TVSynchronIsDefault = true; },
         [](const TDBExtender& e) { return e.TVSynchronIsDefault; }},
        {"TVShowSRVBtn", true, [](TDBExtender& e) { e.TVShowSRVBtn = true; },
         [](const TDBExtender& e) { return e.TVShowSRVBtn; }},
        {"AllowMasterMove", true, [](TDBExtender& e) { e.SetAllowMasterMove(false); },
         [](const TDBExtender& e) { return !e.AllowMasterMove(); }},
        {"BorderStyleTblView", true, [](TDBExtender& e) { e.BorderStyleTblView = bsSingle; },
         [](const TDBExtender& e) { return e.BorderStyleTblView == bsSingle; }},
        {"BorderStyleLookUp", true, [](TDBExtender& e) { e.BorderStyleLookUp = bsSingle; },
         [](const TDBExtender& e) { return e.BorderStyleLookUp == bsSingle; }},
        {"BorderStyleBookmark", true, [](TDBExtender& e) { e.BorderStyleBookmark = bsSingle; },
         [](const TDBExtender& e) { return e.BorderStyleBookmark == bsSingle; }},
        {"BorderStyleMemo", true, [](TDBExtender& e) { e.BorderStyleMemo = bsSingle; },
         [](const TDBExtender& e) { return e.BorderStyleMemo == bsSingle; }},
        {"BorderStyleGraphic", true, [](TDBExtender& e) { e.BorderStyleGraphic = bsSingle; },
         [](const TDBExtender& e) { return e.BorderStyleGraphic == bsSingle; }},
        {"BorderStyleSingleRec", true, [](TDBExtender& e) { e.BorderStyleSingleRec = bsSingle; },
         [](const TDBExtender& e) { return e.BorderStyleSingleRec == bsSingle; }},
        {"ShortCuts", true, [](TDBExtender& e) { e.SetShortCuts(otherKeys); },
         [](const TDBExtender& e) { return e.ShortCuts() == otherKeys; }},
        {"InterfacesNormal", true, [](TDBExtender& e) { e.SetInterfacesNormal({ieDisplay}); },
         [](const TDBExtender& e) { return e.InterfacesNormal() == TInterfacesEnabledSet{ieDisplay}; }},
        {"InterfacesMinimized", true, [](TDBExtender& e) { e.SetInterfacesMinimized({}); },
         [](const TDBExtender& e) { return e.InterfacesMinimized().IsEmpty(); }},
        {"NoSelectNext", true, [](TDBExtender& e) { e.SetNoSelectNext({"TDBMemo"}); },
         [](const TDBExtender& e) { return e.NoSelectNext() == QStringList{"TDBMemo"}; }},
        {"IncSrchCharCase", true, [](TDBExtender& e) { e.IncSrchCharCase = ecUpperCase; },
         [](const TDBExtender& e) { return e.IncSrchCharCase == ecUpperCase; }},
        {"HideBtnGlyphs", true, [](TDBExtender& e) { e.HideBtnGlyphs = true; },
         [](const TDBExtender& e) { return e.HideBtnGlyphs; }},
        {"LUAutoIncSrch", true, [](TDBExtender& e) { e.LUAutoIncSrch = false; },
         [](const TDBExtender& e) { return !e.LUAutoIncSrch; }},
        {"LUReadOnly", true, [](TDBExtender& e) { e.LUReadOnly = false; }, [](const TDBExtender& e) { return !e.LUReadOnly; }},
        {"LUAutoEdit", true, [](TDBExtender& e) { e.LUAutoEdit = true; }, [](const TDBExtender& e) { return e.LUAutoEdit; }},
        {"LUManageGlobalEdit", true, [](TDBExtender& e) { e.LUManageGlobalEdit = true; },
         [](const TDBExtender& e) { return e.LUManageGlobalEdit; }},
        {"TVManageGlobalEdit", true, [](TDBExtender& e) { e.TVManageGlobalEdit = true; },
         [](const TDBExtender& e) { return e.TVManageGlobalEdit; }},
        {"SRVLayout", true, [](TDBExtender& e) { e.SRVLayout = srlHoriz; },
         [](const TDBExtender& e) { return e.SRVLayout == srlHoriz; }},
        {"SRVUseCBOnBoolean", true, [](TDBExtender& e) { e.SRVUseCBOnBoolean = false; },
         [](const TDBExtender& e) { return !e.SRVUseCBOnBoolean; }},
        {"SRVUseDBLUComboBox", true, [](TDBExtender& e) { e.SRVUseDBLUComboBox = false; },
         [](const TDBExtender& e) { return !e.SRVUseDBLUComboBox; }},
        {"SRVRebuildOnResize", true, [](TDBExtender& e) { e.SRVRebuildOnResize = false; },
         [](const TDBExtender& e) { return !e.SRVRebuildOnResize; }},
        {"SRVMemoMaxWidth", true, [](TDBExtender& e) { e.SRVMemoMaxWidth = true; },
         [](const TDBExtender& e) { return e.SRVMemoMaxWidth; }},
        {"SRVReadOnly", true, [](TDBExtender& e) { e.SRVReadOnly = true; }, [](const TDBExtender& e) { return e.SRVReadOnly; }},
        {"SRVAutoEdit", true, [](TDBExtender& e) { e.SRVAutoEdit = false; },
         [](const TDBExtender& e) { return !e.SRVAutoEdit; }},
        {"SRVManageGlobalEdit", true, [](TDBExtender& e) { e.SRVManageGlobalEdit = true; },
         [](const TDBExtender& e) { return e.SRVManageGlobalEdit; }},
        {"SRVSynchronIsDefault", true, [](TDBExtender& e) { e.SRVSynchronIsDefault = false; },
         [](const TDBExtender& e) { return !e.SRVSynchronIsDefault; }},
        {"SRVGenAccelChars", true, [](TDBExtender& e) { e.SRVGenAccelChars = false; },
         [](const TDBExtender& e) { return !e.SRVGenAccelChars; }},
        {"IndexNamesAs", true, [](TDBExtender& e) { e.IndexNamesAs = dilFldNames; },
         [](const TDBExtender& e) { return e.IndexNamesAs == dilFldNames; }},
        {"ExactBOF_EOF", true, [](TDBExtender& e) { e.ExactBOF_EOF = false; },
         [](const TDBExtender& e) { return !e.ExactBOF_EOF; }},
        {"OnSpecialForm", true, [](TDBExtender& e) { e.OnSpecialForm = [](QObject*, TFormEventRec&) {}; },
         [](const TDBExtender& e) { return bool(e.OnSpecialForm); }},
        {"OnSpecialFormShow", true, [](TDBExtender& e) { e.OnSpecialFormShow = [](QWidget*, TFormEventType) {}; },
         [](const TDBExtender& e) { return bool(e.OnSpecialFormShow); }},
        {"OnSpecialFormCloseQuery", true,
         [](TDBExtender& e) { e.OnSpecialFormCloseQuery = [](QWidget*, TFormEventType, bool&) {}; },
         [](const TDBExtender& e) { return bool(e.OnSpecialFormCloseQuery); }},
        {"GetLookupDef", true,
         [](TDBExtender& e) {
             e.GetLookupDef = [](TField*, bool&, QString&, QString&, QString&, QString&, QString&, QString&) {};
         },
         [](const TDBExtender& e) { return bool(e.GetLookupDef); }},
        {"GetExtLookupDef", true,
         [](TDBExtender& e) {
             e.GetExtLookupDef = [](TField*, bool, TDBDataSet*&, QString&, QStringList&, bool&, QString&, QString&,
                                    bool&, QString&, QString&, QString&) {};
         },
         [](const TDBExtender& e) { return bool(e.GetExtLookupDef); }},
        {"AfterAssignFromLookup", true, [](TDBExtender& e) { e.AfterAssignFromLookup = [](QObject*) {}; },
         [](const TDBExtender& e) { return bool(e.AfterAssignFromLookup); }},
        {"BeforeAssignFromLookup", true, [](TDBExtender& e) { e.BeforeAssignFromLookup = [](QObject*) {}; },
         [](const TDBExtender& e) { return bool(e.BeforeAssignFromLookup); }},
        {"AfterAssignFromLUField", true, [](TDBExtender& e) { e.AfterAssignFromLUField = [](QObject*) {}; },
         [](const TDBExtender& e) { return bool(e.AfterAssignFromLUField); }},
        {"BeforeAssignFromLUField", true, [](TDBExtender& e) { e.BeforeAssignFromLUField = [](QObject*) {}; },
         [](const TDBExtender& e) { return bool(e.BeforeAssignFromLUField); }},
        {"ComponentDS", true, [](TDBExtender& e) { e.ComponentDS = [](QObject*, TDataSource*&, bool) {}; },
         [](const TDBExtender& e) { return bool(e.ComponentDS); }},
        {"ComponentFld", true, [](TDBExtender& e) { e.ComponentFld = [](QObject*, TField*&, bool) {}; },
         [](const TDBExtender& e) { return bool(e.ComponentFld); }},
        {"ComponentRO", true, [](TDBExtender& e) { e.ComponentRO = [](QObject*, bool&, bool) {}; },
         [](const TDBExtender& e) { return bool(e.ComponentRO); }},
        {"SRVClassForField", true,
         [](TDBExtender& e) { e.SRVClassForField = [](QObject*, TField*, TSRVControlClass&) {}; },
         [](const TDBExtender& e) { return bool(e.SRVClassForField); }},
        {"SRVInitControl", true, [](TDBExtender& e) { e.SRVInitControl = [](QObject*, TField*, QWidget*) {}; },
         [](const TDBExtender& e) { return bool(e.SRVInitControl); }},
        {"SRVSetControlSize", true,
         [](TDBExtender& e) { e.SRVSetControlSize = [](QObject*, TField*, QWidget*, bool&) {}; },
         [](const TDBExtender& e) { return bool(e.SRVSetControlSize); }},
        // Kept by each extender for itself.
        {"AllowKeys", false, [](TDBExtender& e) { e.SetAllowKeys({akDBMove}); },
         [](const TDBExtender& e) { return e.AllowKeys() == TAllowKeys{akDBMove}; }},
        {"MatchSelect", false, [](TDBExtender& e) { e.MatchSelect = false; },
         [](const TDBExtender& e) { return !e.MatchSelect; }},
        {"ManageGlobalEdit", false, [](TDBExtender& e) { e.SetManageGlobalEdit(true); },
         [](const TDBExtender& e) { return e.ManageGlobalEdit(); }},
        {"MasterSource", false,
         [](TDBExtender& e) { e.SetMasterSource(e.Form()->findChild<TDataSource*>()); },
         [](const TDBExtender& e) { return e.MasterSource() != nullptr; }},
        {"StayOnMasterSource", false,
         [](TDBExtender& e) {
             e.SetMasterSource(e.Form()->findChild<TDataSource*>());
             e.SetStayOnMasterSource(somOnlyMove);
         },
         [](const TDBExtender& e) { return e.StayOnMasterSource() != somNo; }},
        {"StatusPanel", false, [](TDBExtender& e) { e.SetStatusPanel(e.Form()->findChild<TPanel*>()); },
         [](const TDBExtender& e) { return e.StatusPanel() != nullptr; }},
        {"MessagePanel", false, [](TDBExtender& e) { e.SetMessagePanel(e.Form()->findChild<TPanel*>()); },
         [](const TDBExtender& e) { return e.MessagePanel() != nullptr; }},
        {"ConfirmDelete", false, [](TDBExtender& e) { e.ConfirmDelete = false; },
         [](const TDBExtender& e) { return !e.ConfirmDelete; }},
        {"ConfDelQuestion", false, [](TDBExtender& e) { e.ConfDelQuestion = QStringLiteral("Weg?"); },
         [](const TDBExtender& e) { return !e.ConfDelQuestion.isEmpty(); }},
        {"ConfirmOverride", false, [](TDBExtender& e) { e.ConfirmOverride = false; },
         [](const TDBExtender& e) { return !e.ConfirmOverride; }},
        {"ConfOverQuestion", false, [](TDBExtender& e) { e.ConfOverQuestion = QStringLiteral("Über?"); },
         [](const TDBExtender& e) { return !e.ConfOverQuestion.isEmpty(); }},
        {"DBGridComponents", false, [](TDBExtender& e) { e.SetDBGridComponents({}); },
         [](const TDBExtender& e) { return e.DBGridComponents().isEmpty(); }},
        {"HandleDBExceptions", false, [](TDBExtender& e) { e.HandleDBExceptions = false; },
         [](const TDBExtender& e) { return !e.HandleDBExceptions; }},
        {"TVReadonly", false, [](TDBExtender& e) { e.TVReadonly = false; },
         [](const TDBExtender& e) { return !e.TVReadonly; }},
        {"TVAutoEdit", false, [](TDBExtender& e) { e.TVAutoEdit = true; },
         [](const TDBExtender& e) { return e.TVAutoEdit; }},
        {"IsDBComponent", false, [](TDBExtender& e) { e.IsDBComponent = [](QObject*, bool&) {}; },
         [](const TDBExtender& e) { return bool(e.IsDBComponent); }},
        {"GetComponentDS", false, [](TDBExtender& e) { e.GetComponentDS = [](QObject*, TDataSource*&) {}; },
         [](const TDBExtender& e) { return bool(e.GetComponentDS); }},
        {"GetComponentFld", false, [](TDBExtender& e) { e.GetComponentFld = [](QObject*, TField*&) {}; },
         [](const TDBExtender& e) { return bool(e.GetComponentFld); }},
        {"wwDBGridEvent", false,
         [](TDBExtender& e) { e.wwDBGridEvent = [](QObject*, TNeededwwProp, bool, int&) {}; },
         [](const TDBExtender& e) { return bool(e.wwDBGridEvent); }},
        {"OnShowMessage", false,
         [](TDBExtender& e) { e.OnShowMessage = [](QObject*, QString&, TMsgDlgType, bool&) {}; },
         [](const TDBExtender& e) { return bool(e.OnShowMessage); }},
        {"BeforeHandleNBBtn", false,
         [](TDBExtender& e) { e.BeforeHandleNBBtn = [](QObject*, TDBENavigateBtn&, TShiftState&, int&) {}; },
         [](const TDBExtender& e) { return bool(e.BeforeHandleNBBtn); }},
        {"OnEditChange", false, [](TDBExtender& e) { e.OnEditChange = [](QObject*, bool, bool&) {}; },
         [](const TDBExtender& e) { return bool(e.OnEditChange); }},
    };
    return list;
}

}   // namespace

void TestDbextendCore::assignSettings_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(Settings().size()); ++i) QTest::newRow(Settings()[size_t(i)].name) << i;
}

void TestDbextendCore::assignSettings()
{
    QFETCH(int, index);
    const TSetting& s = Settings()[size_t(index)];
    QWidget fromForm;
    new TDataSource(&fromForm);
    new TPanel(&fromForm);
    auto* from = new TDBExtender(&fromForm);
    QWidget viewForm;
    TDBExtender view(&viewForm);
    QVERIFY(!s.changed(view));
    s.change(*from);
    QVERIFY(s.changed(*from));
    view.AssignSettings(*from);
    QCOMPARE(s.changed(view), s.copied);
}

// ------------------------------------------------------------ busy cursor, user abort

void TestDbextendCore::busyCursor_data()
{
    QTest::addColumn<int>("depth");
    QTest::newRow("one level") << 1;
    QTest::newRow("ten levels") << 10;
    QTest::newRow("beyond ten levels") << 13;
}

void TestDbextendCore::busyCursor()
{
    QFETCH(int, depth);
    QGuiApplication::setOverrideCursor(QCursor(Qt::PointingHandCursor));
    for (int i = 0; i < depth; ++i) {
        BeginBusyCursor();
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    QCOMPARE(BusyCursorLevel(), depth);
    for (int i = 0; i < depth; ++i) EndBusyCursor();
    QCOMPARE(BusyCursorLevel(), 0);
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    // An end without a begin leaves the cursor alone.
    EndBusyCursor();
    QCOMPARE(BusyCursorLevel(), 0);
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    QGuiApplication::restoreOverrideCursor();
    QVERIFY(!QGuiApplication::overrideCursor());

    // A failing block still ends its level.
    try {
        TBusyCursor busy;
        throw EUserAbort();
    } catch (const EUserAbort&) {
    }
    QCOMPARE(BusyCursorLevel(), 0);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestDbextendCore::userAbort_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("aborted");
    QTest::addColumn<QString>("typed");
    QTest::newRow("no key") << QList<int>{} << false << QString();
    QTest::newRow("escape") << QList<int>{Qt::Key_Escape} << true << QString();
    QTest::newRow("another key is taken too") << QList<int>{Qt::Key_A} << false << QString();
    QTest::newRow("only the first key is taken") << QList<int>{Qt::Key_A, Qt::Key_B} << false << QStringLiteral("b");
    QTest::newRow("escape after another key") << QList<int>{Qt::Key_A, Qt::Key_Escape} << false << QString();
}

void TestDbextendCore::userAbort()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, aborted);
    QFETCH(QString, typed);
    QLineEdit edit;
    QVERIFY(ShowActive(&edit));
    for (int k : keys) {
        const QString text = k == Qt::Key_Escape ? QStringLiteral("\x1b") : QKeySequence(k).toString().toLower();
        QCoreApplication::postEvent(&edit, new QKeyEvent(QEvent::KeyPress, k, Qt::NoModifier, text));
    }
    QString message;
    try {
        CheckUserAbort();
    } catch (const EUserAbort& e) {
        message = e.Message();
    }
    QCOMPARE(!message.isEmpty(), aborted);
    if (aborted) QCOMPARE(message, QStringLiteral("Operation abgebrochen"));
    QCOMPARE(edit.text(), typed);
}

// ------------------------------------------------------------ destruction

void TestDbextendCore::destructionGivesBack()
{
    TApplication* app = TApplication::Instance();
    QStringList chained;
    const TExceptionEvent original =
        app->SetOnException([&](QObject*, const std::exception& e) { chained << ExceptionText(e); });
    {
        TTestForm form;
        connect(form.Button, &QPushButton::clicked, [] { throw EDatabaseError(QStringLiteral("Kaputt")); });
        form.Ext->SetMessagePanel(form.MessagePanel);
        TFakeBar bar;
        form.Ext->RegisterNavigator(&bar);
        QVERIFY(ShowActive(&form));
        focusAndWait(form.Plain);
        form.Ext->SetInterfacesNormal({ieDisplay});
        bar.Calls.clear();
        delete form.Ext;
        QVERIFY(bar.Calls.contains(QStringLiteral("detached")));
        QVERIFY(!TDBExtender::OfForm(&form));
        // Keys and exceptions are the application's again.
        QTest::keyClick(form.Plain, Qt::Key_A);
        QCOMPARE(form.Plain->text(), QStringLiteral("a"));
        QTest::mouseClick(form.Button, Qt::LeftButton);
        QCOMPARE(chained, QStringList{"Kaputt"});
        // The form takes a new extender.
        auto* again = new TDBExtender(&form);
        QCOMPARE(TDBExtender::OfForm(&form), again);
    }
    {
        // A form destroyed while active gives everything back as well.
        auto* form = new TTestForm;
        QVERIFY(ShowActive(form));
        delete form;
        chained.clear();
        QPushButton button;
        connect(&button, &QPushButton::clicked, [] { throw EDatabaseError(QStringLiteral("Danach")); });
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(chained, QStringList{"Danach"});
    }
    app->SetOnException(original);
}

TARVOS_UI_TEST_MAIN(TestDbextendCore)
#include "tst_dbextend_core.moc"
