// The machine record: the rules of its post, new groups and locations,
// copying, duplicate numbers, the master-data reports, and advancing its due
// dates from the popup menu of the due-date edits.
#include "DBComboBox.h"
#include "DBEdit.h"
#include "DBErrors.h"
#include "Application.h"
#include "ParkFixture.h"
#include "RadioGrp.h"
#include "Report1.h"
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

namespace {

const QString kNummerFehlt = QString::fromUtf8(
    "Bitte geben Sie unbedingt eine Indentifikationsnummer ein oder brechen Sie die Eingabe ab (X-Symboltaste)");
const QString kDoppelt = QString::fromUtf8(
    "Bitte ändern Sie die Identifikationsnummer dieser Maschine - eine Maschine mit dieser Nummer ist schon "
    "vorhanden");
const QString kUngueltig = QString::fromUtf8("Ungültiges Argument zum Codieren des Datums");
const QString kFehler = QString::fromUtf8("Terminfortschreibung nicht möglich - Sie haben entweder keinen ");
const QString kFehlerEnde =
    QString::fromUtf8(" eingetragen oder kein entsprechendes Terminintervall im Einstellungen-Formular definiert.");

QStringList ListOf(TTable* t, const QString& field)
{
    QStringList items;
    for (t->First(); !t->Eof(); t->Next()) items << t->FieldByName(field)->AsString();
    return items;
}

// "table: number" of every stored record of a machine's tables, sorted.
QStringList StoredRecords()
{
    QStringList stored;
    for (const char* table : {"KfzHisto.DB", "KfzMonat.DB", "KfzStamm.db", "KfzVar.DB"}) {
        TTable t;
        t.SetDatabaseName(QStringLiteral("Pelmora"));
        t.SetTableName(QString::fromLatin1(table));
        t.Open();
        const QString key = QLatin1String(table) == QLatin1String("KfzHisto.DB") ? QStringLiteral("KfzNr")
                                                                                 : QStringLiteral("IdentNummer");
        for (t.First(); !t.Eof(); t.Next())
            stored << QStringLiteral("%1: %2").arg(QLatin1String(table), t.FieldByName(key)->AsString());
    }
    stored.sort();
    return stored;
}

// What StoreMachinesWithRecords stores, in the order of StoredRecords.
QStringList AllRecords()
{
    return {"KfzHisto.DB: LANGNUMMER", "KfzHisto.DB: LANGNUMMER", "KfzHisto.DB: M1",
            "KfzMonat.DB: M1",         "KfzStamm.db: LANGNUMMER-1", "KfzStamm.db: LANGNUMMER-2",
            "KfzStamm.db: M1",         "KfzStamm.db: M2",          "KfzVar.DB: LANGNUMMER-1",
            "KfzVar.DB: M1",           "KfzVar.DB: M1",            "KfzVar.DB: M2"};
}

TDBEdit* EditNamed(const QString& name)
{
    auto* e = HauptFormular->findChild<TDBEdit*>(name);
    Q_ASSERT(e);
    return e;
}

}   // namespace

class TestMachines : public ParkFixture {
    Q_OBJECT

    void TypeInto(QComboBox* box, const QString& text)
    {
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClick(box->lineEdit(), Qt::Key_Delete);
        QTest::keyClicks(box->lineEdit(), text);
    }
    void TypeInto(QLineEdit* e, const QString& text)
    {
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, text);
    }
    // Two machines sharing the first 10 characters of their number beside
    // M1 and M2, with vouchers, an evaluation and history entries.
    void StoreMachinesWithRecords()
    {
        StoreMachine({{"IdentNummer", "LANGNUMMER-1"}});
        StoreMachine({{"IdentNummer", "LANGNUMMER-2"}});
        StoreCost(QStringLiteral("M1"), QDate(2026, 1, 5), 10);
        StoreCost(QStringLiteral("M1"), QDate(2026, 2, 5), 20);
        StoreCost(QStringLiteral("M2"), QDate(2026, 2, 5), 30);
        StoreCost(QStringLiteral("LANGNUMMER-1"), QDate(2026, 3, 5), 40);
        StoreRecord(QStringLiteral("KfzMonat.DB"), {{"IdentNummer", "M1"}, {"AuswJahr", "2026"}, {"AuswMonatNum", "1"},
                                                    {"AuswMonatText", "Januar"}, {"GesamtKosten", "10"}});
        StoreRecord(QStringLiteral("KfzHisto.DB"), {{"KfzNr", "M1"}, {"Datum", "05.01.2026"}, {"Info", "Reifen"}});
        StoreRecord(QStringLiteral("KfzHisto.DB"), {{"KfzNr", "LANGNUMMER"}, {"Datum", "05.01.2026"}, {"Info", "a"}});
        StoreRecord(QStringLiteral("KfzHisto.DB"), {{"KfzNr", "LANGNUMMER"}, {"Datum", "06.01.2026"}, {"Info", "b"}});
    }
    // "Nächsten Termin" with the menu opened on the edit.
    void Advance(const QString& edit)
    {
        Main()->TPopupMenuTerminPopup(EditNamed(edit));
        Main()->NchstenTermin1->trigger();
    }

private slots:
    void init()
    {
        InitPark();
        StoreMachine({{"IdentNummer", "M1"}, {"Bezeichnung1", "Bagger"}, {"Gruppe", "Erdbau"},
                      {"Betriebsstunden", "100"}});
        StoreMachine({{"IdentNummer", "M2"}, {"Bezeichnung1", "Kran"}});
    }
    void cleanup()
    {
        OnRunReport = nullptr;
        CleanupPark();
    }

    void emptyNumberFromAnotherTab()
    {
        Start();
        Main()->TDBENavMain->BtnClick(nbInsert);
        QCOMPARE(DM()->TTblMain->State(), dsInsert);
        DM()->TTblMain->FieldByName(QStringLiteral("Bezeichnung1"))->SetAsString(QStringLiteral("Neu"));
        // As if the tab had been entered: the memo tab takes away inserting.
        Main()->SetActivePage(Main()->TabMemo);
        Main()->PageCtrlMainChange();
        QVERIFY(!Main()->AllowKeys().Contains(akInsert));
        TDialogRecorder rec;
        Main()->TDBENavMain->BtnClick(nbPost);
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtError);
        QCOMPARE(rec.Last().Text, kNummerFehlt);
        QCOMPARE(Main()->PageCtrlMain->currentWidget(), Main()->TabStammDaten);
        QCOMPARE(DM()->TTblMain->State(), dsInsert);
        QCOMPARE(Machine("Bezeichnung1"), QStringLiteral("Neu"));
        QVERIFY(HasFocusIn(Main()->EditIdentNr));
        QVERIFY(Main()->AllowKeys().Contains(akInsert));
        QVERIFY(Main()->TDBENavMain->isEnabled());
        // The number typed now, the machine saves.
        rec.Clear();
        TypeInto(Main()->EditIdentNr, QStringLiteral("M9"));
        Main()->TDBENavMain->BtnClick(nbPost);
        QVERIFY(rec.IsEmpty());
        QCOMPARE(DM()->TTblMain->State(), dsBrowse);
        QCOMPARE(Machine("IdentNummer"), QStringLiteral("M9"));
    }

    void newGroupJoinsOnce()
    {
        Start();
        const QStringList before = ListOf(DM()->TTblGruppe, QStringLiteral("Gruppe"));
        QVERIFY(!before.contains(QStringLiteral("Hochbau")));
        TDialogRecorder rec;
        Main()->TDBENavMain->BtnClick(nbInsert);
        TypeInto(Main()->EditIdentNr, QStringLiteral("M3"));
        TypeInto(Main()->DBLkpCmbBoxGruppe, QStringLiteral("Hochbau"));
        TypeInto(Main()->DBLkpCmbBoxStandort, QStringLiteral("Lager Nord"));
        Main()->TDBENavMain->BtnClick(nbPost);
        QVERIFY2(rec.IsEmpty(), qPrintable(rec.Last().Text));
        QCOMPARE(DM()->TTblMain->State(), dsBrowse);
        QCOMPARE(Machine("Gruppe"), QStringLiteral("Hochbau"));
        QCOMPARE(Machine("Standort"), QStringLiteral("Lager Nord"));
        QStringList expected = before + QStringList{QStringLiteral("Hochbau")};
        QStringList after = ListOf(DM()->TTblGruppe, QStringLiteral("Gruppe"));
        expected.sort();
        after.sort();
        QCOMPARE(after, expected);
        QVERIFY(ListOf(DM()->TblStandort, QStringLiteral("Standort")).contains(QStringLiteral("Lager Nord")));

        // Saved again: nothing more joins.
        DM()->TTblMain->Edit();
        DM()->TTblMain->FieldByName(QStringLiteral("Bezeichnung2"))->SetAsString(QStringLiteral("x"));
        Main()->TDBENavMain->BtnClick(nbPost);
        after = ListOf(DM()->TTblGruppe, QStringLiteral("Gruppe"));
        after.sort();
        QCOMPARE(after, expected);
        QCOMPARE(Main()->DBLkpCmbBoxGruppe->currentText(), QStringLiteral("Hochbau"));
    }

    void emptyGroupAddsNothing()
    {
        Start();
        DM()->TTblMain->Last();
        QCOMPARE(Machine("IdentNummer"), QStringLiteral("M2"));
        QStringList before = ListOf(DM()->TTblGruppe, QStringLiteral("Gruppe"));
        QStringList places = ListOf(DM()->TblStandort, QStringLiteral("Standort"));
        DM()->TTblMain->Edit();
        DM()->TTblMain->FieldByName(QStringLiteral("Bezeichnung2"))->SetAsString(QStringLiteral("y"));
        TDialogRecorder rec;
        Main()->TDBENavMain->BtnClick(nbPost);
        QVERIFY(rec.IsEmpty());
        QCOMPARE(DM()->TTblMain->State(), dsBrowse);
        QCOMPARE(ListOf(DM()->TTblGruppe, QStringLiteral("Gruppe")), before);
        QCOMPARE(ListOf(DM()->TblStandort, QStringLiteral("Standort")), places);
    }

    void copyAndDuplicateNumber()
    {
        Start();
        DM()->TTblMain->First();
        QCOMPARE(Machine("IdentNummer"), QStringLiteral("M1"));
        TDialogRecorder rec;
        Main()->TDBENavMain->BtnClick(nbDupRecord);
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtInformation);
        QCOMPARE(rec.Last().Text, QString::fromUtf8("Bitte geben Sie anschließend die neue Identifikationsnummer ein!"));
        QCOMPARE(DM()->TTblMain->State(), dsInsert);
        QVERIFY(Main()->EditIdentNr->text().isEmpty());
        QVERIFY(HasFocusIn(Main()->EditIdentNr));

        // The existing number is refused; the copy stays with its data.
        rec.Clear();
        TypeInto(Main()->EditIdentNr, QStringLiteral("M1"));
        Main()->TDBENavMain->BtnClick(nbPost);
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtError);
        QCOMPARE(rec.Last().Text, kDoppelt);
        QCOMPARE(DM()->TTblMain->State(), dsInsert);
        QCOMPARE(Machine("Bezeichnung1"), QStringLiteral("Bagger"));

        // A new number saves the copy; the original is unchanged.
        rec.Clear();
        TypeInto(Main()->EditIdentNr, QStringLiteral("M1b"));
        Main()->TDBENavMain->BtnClick(nbPost);
        QVERIFY(rec.IsEmpty());
        QCOMPARE(DM()->TTblMain->State(), dsBrowse);
        QCOMPARE(ListOf(DM()->TTblMain, QStringLiteral("IdentNummer")), (QStringList{"M1", "M1b", "M2"}));
        DM()->TTblMain->First();
        QCOMPARE(Machine("Bezeichnung1"), QStringLiteral("Bagger"));
    }

    // A machine goes with its vouchers, evaluations and history, in one
    // transaction; the question says how many. History keyed by the first
    // 10 characters stays while another machine shares them.
    void deleteTakesRecordsAlong_data()
    {
        QTest::addColumn<QString>("machine");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("failing");   // the deletion fails after it began
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("left");   // "table: number" of every stored record

        const QString frage = QString::fromUtf8("Möchten Sie diese Maschine wirklich löschen.");
        const QStringList all = AllRecords();
        auto without = [&](const QStringList& gone) {
            QStringList rest = all;
            for (const QString& g : gone) rest.removeOne(g);
            return rest;
        };
        QTest::newRow("with its records")
            << "M1" << int(mrOk) << false
            << frage + QString::fromUtf8("\rMit ihr werden 2 Kostenbelege, 1 Monatsauswertung und 1 Historieneintrag "
                                         "gelöscht.")
            << without({"KfzHisto.DB: M1", "KfzMonat.DB: M1", "KfzStamm.db: M1", "KfzVar.DB: M1", "KfzVar.DB: M1"});
        QTest::newRow("Abbrechen deletes nothing")
            << "M1" << int(mrCancel) << false
            << frage + QString::fromUtf8("\rMit ihr werden 2 Kostenbelege, 1 Monatsauswertung und 1 Historieneintrag "
                                         "gelöscht.")
            << all;
        QTest::newRow("shared history stays")
            << "LANGNUMMER-1" << int(mrOk) << false
            << frage + QString::fromUtf8("\rMit ihr werden 1 Kostenbeleg, 0 Monatsauswertungen und 0 "
                                         "Historieneinträge gelöscht.\rDie Historie (2 Einträge) bleibt erhalten, da eine "
                                         "andere Maschine dieselben ersten 10 Zeichen der Identifikationsnummer hat.")
            << without({"KfzStamm.db: LANGNUMMER-1", "KfzVar.DB: LANGNUMMER-1"});
        QTest::newRow("vouchers only") << "M2" << int(mrOk) << false
                                       << frage + QString::fromUtf8("\rMit ihr werden 1 Kostenbeleg, 0 "
                                                                    "Monatsauswertungen und 0 Historieneinträge gelöscht.")
                                       << without({"KfzStamm.db: M2", "KfzVar.DB: M2"});
        QTest::newRow("a failure keeps everything")
            << "M1" << int(mrOk) << true
            << frage + QString::fromUtf8("\rMit ihr werden 2 Kostenbelege, 1 Monatsauswertung und 1 Historieneintrag "
                                         "gelöscht.")
            << all;
    }
    void deleteTakesRecordsAlong()
    {
        QFETCH(QString, machine);
        QFETCH(int, answer);
        QFETCH(bool, failing);
        QFETCH(QString, question);
        QFETCH(QStringList, left);
        StoreMachinesWithRecords();
        Start();
        // The views of the tabs must not narrow what goes along.
        Main()->RadioGrpKostenSicht->SetItemIndex(1);
        QVERIFY(DM()->TTblMain->FindKey({machine}));
        const auto beforeScroll = DM()->TTblMain->BeforeScroll;
        if (failing)
            DM()->TTblMain->BeforeScroll = [](TDataSet*) { throw EDatabaseError(QStringLiteral("Platte voll")); };
        TDialogRecorder rec;
        rec.Answer({answer});
        Main()->EditBezeichnung1->setFocus();
        QTRY_VERIFY(Main()->EditBezeichnung1->hasFocus());
        Main()->TDBENavMain->BtnClick(nbDelete);
        DM()->TTblMain->BeforeScroll = beforeScroll;
        QCOMPARE(rec.Records().first().Text, question);
        QCOMPARE(rec.Records().first().Buttons, mbOKCancel);
        if (failing) QCOMPARE(rec.Last().Text, QStringLiteral("Platte voll"));
        else QCOMPARE(rec.Records().size(), 1);

        QCOMPARE(StoredRecords(), left);
        QCOMPARE(DM()->TTblMain->State(), dsBrowse);
        // A new machine of the same number inherits nothing.
        if (!left.contains(QStringLiteral("KfzStamm.db: ") + machine) && !failing) {
            Main()->TDBENavMain->BtnClick(nbInsert);
            DM()->TTblMain->FieldByName(QStringLiteral("IdentNummer"))->SetAsString(machine);
            Main()->TDBENavMain->BtnClick(nbPost);
            Main()->RadioGrpKostenSicht->SetItemIndex(0);
            QVERIFY(DM()->TTblVarKosten->IsEmpty());
            QVERIFY(DM()->TTblMonatKosten->IsEmpty());
        }
    }

    void renameTakesRecordsAlong_data()
    {
        QTest::addColumn<QString>("machine");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QList<int>>("shown");   // vouchers, evaluations, history of the renamed machine

        const QStringList all = AllRecords();
        auto changed = [&](const QStringList& from, const QStringList& to) {
            QStringList rest = all;
            for (const QString& g : from) rest.removeOne(g);
            rest << to;
            rest.sort();
            return rest;
        };
        QTest::newRow("everything follows")
            << "M1" << "BAG-0009" << QString()
            << changed({"KfzHisto.DB: M1", "KfzMonat.DB: M1", "KfzStamm.db: M1", "KfzVar.DB: M1", "KfzVar.DB: M1"},
                       {"KfzHisto.DB: BAG-0009", "KfzMonat.DB: BAG-0009", "KfzStamm.db: BAG-0009",
                        "KfzVar.DB: BAG-0009", "KfzVar.DB: BAG-0009"})
            << QList<int>{2, 1, 1};
        QTest::newRow("letter case only")
            << "M1" << "m1" << QString()
            << changed({"KfzHisto.DB: M1", "KfzMonat.DB: M1", "KfzStamm.db: M1", "KfzVar.DB: M1", "KfzVar.DB: M1"},
                       {"KfzHisto.DB: m1", "KfzMonat.DB: m1", "KfzStamm.db: m1", "KfzVar.DB: m1", "KfzVar.DB: m1"})
            << QList<int>{2, 1, 1};
        QTest::newRow("shared history is copied")
            << "LANGNUMMER-1" << "KURZ-1" << QString()
            << changed({"KfzStamm.db: LANGNUMMER-1", "KfzVar.DB: LANGNUMMER-1"},
                       {"KfzStamm.db: KURZ-1", "KfzVar.DB: KURZ-1", "KfzHisto.DB: KURZ-1", "KfzHisto.DB: KURZ-1"})
            << QList<int>{1, 0, 2};
        QTest::newRow("same first 10 characters")
            << "LANGNUMMER-1" << "LANGNUMMER-X" << QString()
            << changed({"KfzStamm.db: LANGNUMMER-1", "KfzVar.DB: LANGNUMMER-1"},
                       {"KfzStamm.db: LANGNUMMER-X", "KfzVar.DB: LANGNUMMER-X"})
            << QList<int>{1, 0, 2};
        QTest::newRow("number taken: nothing moves") << "M1" << "M2" << kDoppelt << all << QList<int>{2, 1, 1};
    }
    void renameTakesRecordsAlong()
    {
        QFETCH(QString, machine);
        QFETCH(QString, number);
        QFETCH(QString, message);
        QFETCH(QStringList, left);
        QFETCH(QList<int>, shown);
        StoreMachinesWithRecords();
        Start();
        QVERIFY(DM()->TTblMain->FindKey({machine}));
        TDialogRecorder rec;
        TypeInto(Main()->EditIdentNr, number);
        Main()->TDBENavMain->BtnClick(nbPost);

        QCOMPARE(StoredRecords(), left);
        if (message.isEmpty()) {
            QVERIFY(rec.IsEmpty());
            QCOMPARE(DM()->TTblMain->State(), dsBrowse);
            QCOMPARE(Machine("IdentNummer"), number);
        } else {
            QCOMPARE(rec.Last().Text, message);
            QCOMPARE(DM()->TTblMain->State(), dsEdit);
            Main()->TDBENavMain->BtnClick(nbCancel);
            QCOMPARE(Machine("IdentNummer"), machine);
        }
        // The tabs show what belongs to the machine under its number now.
        Main()->RadioGrpKostenSicht->SetItemIndex(0);
        QCOMPARE(DM()->TTblVarKosten->RecordCount(), shown[0]);
        QCOMPARE(DM()->TTblMonatKosten->RecordCount(), shown[1]);
        QCOMPARE(DM()->TTblHistorie->RecordCount(), shown[2]);
    }

    void masterDataReports_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("preview");
        QTest::addColumn<int>("kind");
        QTest::newRow("this machine, print") << 0 << false << int(rkStammdaten);
        QTest::newRow("this machine, preview") << 0 << true << int(rkStammdaten);
        QTest::newRow("all machines, print") << 1 << false << int(rkStammdatenListe);
        QTest::newRow("all machines, preview") << 1 << true << int(rkStammdatenListe);
    }
    void masterDataReports()
    {
        QFETCH(int, choice);
        QFETCH(bool, preview);
        QFETCH(int, kind);
        Start(false);
        QList<QPair<int, int>> reports;
        OnRunReport = [&](TReportKind k, TReportMode m) { reports << qMakePair(int(k), int(m)); };
        Main()->RadioGrpDrucken->SetItemIndex(choice);
        (preview ? Main()->TBitBtnStammdatenPreview : Main()->TBitBtnStammdatenDrucken)->click();
        QCOMPARE(reports, (QList<QPair<int, int>>{{kind, preview ? int(rmPreview) : int(rmPrint)}}));
    }

    void popupMenu()
    {
        Start();
        QCOMPARE(Main()->TPopupMenuTermin->objectName(), QStringLiteral("TPopupMenuTermin"));
        QCOMPARE(Main()->TPopupMenuTermin->actions().at(0), Main()->NchstenTermin1);
        QCOMPARE(Main()->NchstenTermin1->text(), QString::fromUtf8("Nächsten Termin"));
        QCOMPARE(Main()->TPopupMenuTermin->actions().at(1)->text(), QStringLiteral("Abbrechen"));
        for (const char* name : {"EditTuevTermin", "EditUVVTermin", "EditWartungKleinTermin", "EditWartungGrossTermin",
                                 "EditBetriebsstundenTermin", "EditFreierTermin1", "EditFreierTermin2",
                                 "EditFreierTermin3"})
            QCOMPARE(EditNamed(QString::fromLatin1(name))->contextMenuPolicy(), Qt::CustomContextMenu);
        // Not opened on a due date: nothing happens.
        TDialogRecorder rec;
        Main()->TPopupMenuTerminPopup(Main()->EditBezeichnung1);
        Main()->NchstenTermin1->trigger();
        QVERIFY(rec.IsEmpty());
    }

    void advance_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("before");     // null: empty
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("message");
        const auto ok = int(mtInformation);
        QTest::newRow("TÜV + 24") << "EditTuevTermin" << "TÜVTIntervall" << "24" << "15.11.2000" << "15.11.2002" << ok
                                  << QString::fromUtf8("TÜV-Termin erfolgreich fortgeschrieben.");
        QTest::newRow("UVV + 3") << "EditUVVTermin" << "UVVTIntervall" << "3" << "15.11.2000" << "15.02.2001" << ok
                                 << "UVV Termin erfolgreich fortgeschrieben.";
        QTest::newRow("small + 14") << "EditWartungKleinTermin" << "WartungKleinTIntervall" << "14" << "15.11.2000"
                                    << "15.01.2002" << ok << "Kleine Wartungstermin erfolgreich fortgeschrieben.";
        QTest::newRow("large + 48 from 29.02.") << "EditWartungGrossTermin" << "WartungGrossTIntervall" << "48"
                                                << "29.02.2000" << "29.02.2004" << ok
                                                << QString::fromUtf8("Große Wartungstermin erfolgreich fortgeschrieben.");
        QTest::newRow("interval 0") << "EditTuevTermin" << "TÜVTIntervall" << "0" << "31.08.2001" << "31.08.2001" << ok
                                    << QString::fromUtf8("TÜV-Termin erfolgreich fortgeschrieben.");
        QTest::newRow("free date 2") << "EditFreierTermin2" << "FreierT2Intervall" << "6" << "10.01.2003"
                                     << "10.07.2003" << ok << QString::fromUtf8("Zweite Prüfung erfolgreich fortgeschrieben.");
        QTest::newRow("hours 1500 + 250") << "EditBetriebsstundenTermin" << "BetriebsstundenTIntervall" << "250"
                                          << "1500" << "1750" << ok << "Betriebsstunden erfolgreich fortgeschrieben.";
        QTest::newRow("hours half to even down") << "EditBetriebsstundenTermin" << "BetriebsstundenTIntervall" << "250"
                                                 << "1500,5" << "1750" << ok
                                                 << "Betriebsstunden erfolgreich fortgeschrieben.";
        QTest::newRow("hours half to even up") << "EditBetriebsstundenTermin" << "BetriebsstundenTIntervall" << "250"
                                               << "1501,5" << "1752" << ok
                                               << "Betriebsstunden erfolgreich fortgeschrieben.";
        QTest::newRow("31.08. + 1 to the month's last day")
            << "EditWartungKleinTermin" << "WartungKleinTIntervall" << "1" << "31.08.2001" << "30.09.2001" << ok
            << "Kleine Wartungstermin erfolgreich fortgeschrieben.";
        QTest::newRow("31.08. + 6 to the end of February")
            << "EditUVVTermin" << "UVVTIntervall" << "6" << "31.08.2026" << "28.02.2027" << ok
            << "UVV Termin erfolgreich fortgeschrieben.";
        QTest::newRow("29.02. + 12 to 28.02.") << "EditTuevTermin" << "TÜVTIntervall" << "12" << "29.02.2000"
                                               << "28.02.2001" << ok
                                               << QString::fromUtf8("TÜV-Termin erfolgreich fortgeschrieben.");
        QTest::newRow("beyond the year 9999 fails") << "EditTuevTermin" << "TÜVTIntervall" << "12" << "15.11.9999"
                                                    << "15.11.9999" << int(mtError) << kUngueltig;
        QTest::newRow("empty date") << "EditUVVTermin" << "UVVTIntervall" << "3" << QString() << "" << int(mtWarning)
                                    << kFehler + "UVV Termin" + kFehlerEnde;
        QTest::newRow("empty interval") << "EditWartungGrossTermin" << "WartungGrossTIntervall" << QString()
                                        << "15.11.2000" << "15.11.2000" << int(mtWarning)
                                        << kFehler + "Gr. Wartungstermin" + kFehlerEnde;
        QTest::newRow("empty hours") << "EditBetriebsstundenTermin" << "BetriebsstundenTIntervall" << "250"
                                     << QString() << "" << int(mtWarning)
                                     << kFehler + "Betriebsstundentermin" + kFehlerEnde;
        QTest::newRow("free date 3 empty") << "EditFreierTermin3" << "FreierT3Intervall" << "6" << QString() << ""
                                           << int(mtWarning) << kFehler + "" + kFehlerEnde;
        QTest::newRow("negative interval refused")
            << "EditTuevTermin" << "TÜVTIntervall" << "-3" << "15.05.2001" << "15.05.2001" << int(mtWarning)
            << QString::fromUtf8(
                   "Terminfortschreibung nicht möglich - das Terminintervall im Einstellungen-Formular ist negativ.");
    }
    void advance()
    {
        QFETCH(QString, edit);
        QFETCH(QString, field);
        QFETCH(QString, interval);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, type);
        QFETCH(QString, message);
        WriteSettings({{field, interval}, {"NameFreitermin2", QString::fromUtf8("Zweite Prüfung")}});
        Start();
        DM()->TTblMain->First();
        if (!before.isNull()) {
            const QString dateField = EditNamed(edit)->DataField();
            DM()->TTblMain->Edit();
            DM()->TTblMain->FieldByName(dateField)->SetAsString(before);
            DM()->TTblMain->Post();
        }
        TDialogRecorder rec;
        Advance(edit);
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(int(rec.Last().Type), type);
        QCOMPARE(rec.Last().Text, message);
        QCOMPARE(rec.Last().Buttons, mbOK);
        QCOMPARE(DM()->TTblMain->State(), dsBrowse);
        QCOMPARE(DM()->TTblMain->FieldByName(EditNamed(edit)->DataField())->AsString(), after);
        // Stored, not only shown.
        DM()->TTblMain->Refresh();
        QCOMPARE(DM()->TTblMain->FieldByName(EditNamed(edit)->DataField())->AsString(), after);
    }

    void readOnlyRefused()
    {
        WriteSettings({{QString::fromUtf8("TÜVTIntervall"), "12"}});
        StoreMachine({{"IdentNummer", "A0"}, {QString::fromUtf8("TÜVTermin"), "15.11.2000"}});
        WriteRights(QStringLiteral("L"));
        Start(false);
        QVERIFY(ReadOnlyMode());
        DM()->TTblMain->First();
        QCOMPARE(Machine("IdentNummer"), QStringLiteral("A0"));
        TDialogRecorder rec;
        Advance(QStringLiteral("EditTuevTermin"));
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtInformation);
        QCOMPARE(rec.Last().Text, QStringLiteral("Sie haben nur Leserechte!"));
        QCOMPARE(Machine("TÜVTermin"), QStringLiteral("15.11.2000"));
    }
};

int main(int argc, char** argv)
{
    // The program's own application: errors reach the extender as they do at run time.
    TApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TestMachines test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_machines.moc"
