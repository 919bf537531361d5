// The due-date overview window: the whole park despite the main window's
// filter, jumping to a machine, the views with the user's names, printing,
// and the showing at start.
#include "DBGrid.h"
#include "DBGridModel.h"
#include "Dbextend.h"
#include "ParkFixture.h"
#include "RadioGrp.h"
#include "Report1.h"
#include "Termine.h"
#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace {

TTerminFormular* Window() { return TerminFormular; }

// Opens the window modal as the menu would, without waiting in its loop.
void OpenWindow()
{
    Window()->setWindowModality(Qt::ApplicationModal);
    Window()->show();
    QTRY_COMPARE(QApplication::activeWindow(), Window());
}

void CloseWindow()
{
    Window()->accept();
    HauptFormular->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(HauptFormular));
}

QStringList Listed()
{
    QStringList out;
    TTable* t = DataModule1->TTblTermine;
    for (t->First(); !t->Eof(); t->Next()) out << t->FieldByName(QStringLiteral("IdentNummer"))->AsString();
    return out;
}

QStringList GridColumns()
{
    QStringList out;
    TDBGrid* g = Window()->DBGridTermine;
    for (int c = 0; c < g->FieldCount(); ++c) out << g->Fields(c)->DisplayLabel();
    return out;
}

ParkSettings DueMachine(const char* number, const char* group, const char* tuev)
{
    return {{QStringLiteral("IdentNummer"), QString::fromLatin1(number)}, {QStringLiteral("Gruppe"), QString::fromLatin1(group)},
            {QStringLiteral("TÜVTermin"), QString::fromLatin1(tuev)}};
}

}   // namespace

class TestTermineFormular : public ParkFixture {
    Q_OBJECT

    QList<QPair<TReportKind, TReportMode>> m_reports;

private slots:
    void init()
    {
        InitPark();
        m_reports.clear();
        OnRunReport = [this](TReportKind kind, TReportMode mode) { m_reports << qMakePair(kind, mode); };
    }
    void cleanup()
    {
        OnRunReport = nullptr;
        CleanupPark();
    }

    // The main window's filter does not narrow the list; jumping to a
    // machine it hides leaves the main window where it was, on its master data.
    void wholeParkAndShowMachine()
    {
        StoreMachine(DueMachine("A-1", "Bagger", "01.01.2026"));
        StoreMachine(DueMachine("B-2", "Kran", "01.02.2026"));
        StoreMachine(DueMachine("C-3", "Bagger", "01.01.2030"));
        StoreMachine(DueMachine("D-4", "Bagger", "01.03.2026"));
        Start();
        TTable* main = DM()->TTblMain;
        main->SetFilter(QStringLiteral("Gruppe = 'Bagger'"));
        main->SetFiltered(true);
        main->First();
        Main()->PageCtrlMain->setCurrentWidget(Main()->TabMonatsuebersicht);
        QVERIFY(!Main()->TDBENavMain->isEnabled());

        OpenWindow();
        QCOMPARE(Listed(), (QStringList{QStringLiteral("A-1"), QStringLiteral("B-2"), QStringLiteral("D-4")}));
        QCOMPARE(Window()->TLblTerminAnzahl->text(), QStringLiteral("Anzahl Maschinen mit fälligen Terminen: 3"));
        QCOMPARE(Window()->TLblAktuellesDatum->text(), QStringLiteral("10.12.2026"));

        // B-2 is hidden in the main window: the record stays on A-1.
        DM()->TTblTermine->First();
        DM()->TTblTermine->Next();
        QTest::mouseClick(Window()->BtnTermineGeheZu, Qt::LeftButton);
        QVERIFY(!Window()->isVisible());
        QCOMPARE(Machine("IdentNummer"), QStringLiteral("A-1"));
        QCOMPARE(Main()->PageCtrlMain->currentWidget(), Main()->TabStammDaten);
        QVERIFY(Main()->TDBENavMain->isEnabled());

        // D-4 passes the filter: the main window moves to it.
        OpenWindow();
        DM()->TTblTermine->Last();
        QTest::mouseClick(Window()->BtnTermineGeheZu, Qt::LeftButton);
        QCOMPARE(Machine("IdentNummer"), QStringLiteral("D-4"));
    }

    // Whatever order the main window shows its machines in, the machine of
    // the marked row is the one it goes to.
    void showMachineWhateverTheOrder_data()
    {
        QTest::addColumn<QString>("index");
        QTest::newRow("*Primär") << QString();
        QTest::newRow("Bezeichnung") << QStringLiteral("Bezeichnung");
        QTest::newRow("Gruppe") << QStringLiteral("Gruppe");
        QTest::newRow("Standort") << QStringLiteral("Standort");
    }
    void showMachineWhateverTheOrder()
    {
        QFETCH(QString, index);
        for (const char* n : {"A-1", "B-2", "C-3"}) {
            ParkSettings m = DueMachine(n, "Bagger", "01.01.2026");
            m[QStringLiteral("Bezeichnung1")] = QStringLiteral("Zz ") + QString::fromLatin1(n);
            m[QStringLiteral("Standort")] = QStringLiteral("Lager");
            StoreMachine(m);
        }
        Start();
        DM()->TTblMain->SetIndexName(index);
        DM()->TTblMain->First();
        OpenWindow();
        DM()->TTblTermine->Last();
        QCOMPARE(DM()->TTblTermine->FieldByName(QStringLiteral("IdentNummer"))->AsString(), QStringLiteral("C-3"));
        QTest::mouseClick(Window()->BtnTermineGeheZu, Qt::LeftButton);
        QCOMPARE(Machine("IdentNummer"), QStringLiteral("C-3"));
        QCOMPARE(DM()->TTblMain->IndexName(), index);
    }

    // Each view shows its heading, count and date column; the user's names
    // of the free dates apply from the next activation.
    void viewsAndFreeDateNames()
    {
        WriteSettings({{QStringLiteral("NameFreitermin1"), QStringLiteral("Kran-HU")}});
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("K-1")}, {QStringLiteral("FreierTermin1"), QStringLiteral("01.12.2026")},
                      {QStringLiteral("TÜVTermin"), QStringLiteral("01.12.2026")}});
        Start();
        OpenWindow();
        QCOMPARE(Window()->TLblTerminart->text(), QStringLiteral("Alle fälligen Termine"));
        QVERIFY(Window()->ProgBarTermine->isHidden());
        QCOMPARE(GridColumns(), (QStringList{QStringLiteral("IdentNummer"), QStringLiteral("Gruppe"), QStringLiteral("Bezeichnung1"),
                                             QStringLiteral("TÜV"), QStringLiteral("UVV"), QStringLiteral("Kl. Wartung"),
                                             QStringLiteral("Gr. Wartung"), QStringLiteral("Betriebsstunden"),
                                             QStringLiteral("Kran-HU"), QStringLiteral("FreierTermin2"), QStringLiteral("FreierTermin3")}));
        // Names left empty in the settings are empty here too.
        QCOMPARE(Window()->TRadioGrpTermine->Button(6)->text(), QStringLiteral("Kran-HU"));
        QCOMPARE(Window()->TRadioGrpTermine->Button(7)->text(), QString());

        QAbstractButton* item = Window()->TRadioGrpTermine->Button(6);
        QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(6, item->height() / 2));   // on its circle
        QCOMPARE(Window()->TLblTerminart->text(), QStringLiteral("Fällige Kran-HU"));
        QCOMPARE(Window()->TLblTerminAnzahl->text(), QStringLiteral("Anzahl Maschinen mit fälligen Kran-HU: 1"));
        QCOMPARE(GridColumns(), (QStringList{QStringLiteral("IdentNummer"), QStringLiteral("Gruppe"),
                                             QStringLiteral("Bezeichnung1"), QStringLiteral("Kran-HU")}));
        QVERIFY(DM()->TTblTermine->FieldByName(QStringLiteral("TÜVTermin"))->IsNull());

        // Renamed while the window is open: shown from the next activation.
        TTable* sys = DM()->TTblEinstellungenAllgem;
        sys->Edit();
        sys->FieldByName(QStringLiteral("NameFreitermin1"))->SetAsString(QStringLiteral("Leasingende"));
        sys->Post();
        QCOMPARE(Window()->TLblTerminart->text(), QStringLiteral("Fällige Kran-HU"));
        CloseWindow();
        OpenWindow();
        QCOMPARE(Window()->TRadioGrpTermine->ItemIndex(), 6);
        QCOMPARE(Window()->TRadioGrpTermine->Button(6)->text(), QStringLiteral("Leasingende"));
        QCOMPARE(Window()->TLblTerminart->text(), QStringLiteral("Fällige Leasingende"));
        QCOMPARE(Window()->TLblTerminAnzahl->text(), QStringLiteral("Anzahl Maschinen mit fälligen Leasingende: 1"));
        QCOMPARE(GridColumns().last(), QStringLiteral("Leasingende"));
    }

    void buttons_data()
    {
        QTest::addColumn<bool>("dueMachine");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");   // empty: the report runs
        QTest::addColumn<int>("mode");
        QTest::newRow("print") << true << QStringLiteral("TBitBtnTermineDrucken") << QString() << int(rmPrint);
        QTest::newRow("preview") << true << QStringLiteral("TBitBtnTermineVorschau") << QString() << int(rmPreview);
        QTest::newRow("print, empty park") << false << QStringLiteral("TBitBtnTermineDrucken")
                                           << QStringLiteral("Zur Zeit sind keine Termine zu drucken") << 0;
        QTest::newRow("preview, empty park") << false << QStringLiteral("TBitBtnTermineVorschau")
                                             << QStringLiteral("Zur Zeit sind keine Termine zu drucken") << 0;
        QTest::newRow("show machine, empty park") << false << QStringLiteral("BtnTermineGeheZu")
                                                  << QStringLiteral("Zur Zeit ist keine Maschine markiert") << 0;
    }
    void buttons()
    {
        QFETCH(bool, dueMachine);
        QFETCH(QString, button);
        QFETCH(QString, message);
        QFETCH(int, mode);
        if (dueMachine) StoreMachine(DueMachine("A-1", "Bagger", "01.01.2026"));
        Start();
        TDialogRecorder dialogs;
        OpenWindow();
        QCOMPARE(Window()->TLblTerminAnzahl->text(),
                 QStringLiteral("Anzahl Maschinen mit fälligen Terminen: %1").arg(dueMachine ? 1 : 0));
        QTest::mouseClick(Window()->findChild<QPushButton*>(button), Qt::LeftButton);
        if (message.isEmpty()) {
            QVERIFY(dialogs.IsEmpty());
            QCOMPARE(m_reports, (QList<QPair<TReportKind, TReportMode>>{qMakePair(rkTermine, TReportMode(mode))}));
        } else {
            QCOMPARE(dialogs.Records().size(), 1);
            QCOMPARE(dialogs.Last().Text, message);
            QCOMPARE(dialogs.Last().Type, mtInformation);
            QVERIFY(m_reports.isEmpty());
            QVERIFY(Window()->isVisible());
        }
    }

    // "Termine bei jedem Programmstart": the list is shown before the main window.
    void shownAtStart()
    {
        StoreMachine(DueMachine("A-1", "Bagger", "01.01.2026"));
        WriteSettings({{QStringLiteral("Boolfeld1"), QStringLiteral("Wahr")}});
        bool seen = false, mainVisible = true;
        QString count;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!Window() || !Window()->isVisible() || !Window()->isActiveWindow()) return;
            seen = true;
            mainVisible = Main()->isVisible();
            count = Window()->TLblTerminAnzahl->text();
            Window()->accept();
        });
        poll.start(20);
        CreateForms();
        poll.stop();
        QVERIFY(seen);
        QVERIFY(!mainVisible);
        QCOMPARE(count, QStringLiteral("Anzahl Maschinen mit fälligen Terminen: 1"));
    }
};

QTEST_MAIN(TestTermineFormular)
#include "tst_termineformular.moc"
