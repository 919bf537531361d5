// The park cost window: the machines as the main window leaves them, the
// periods with their labels and totals, the overview's filter afterwards,
// the chart following the grid's column, printing with the chart picture.
#include "DBChart.h"
#include "DBGrid.h"
#include "Fuhrkst.h"
#include "ParkFixture.h"
#include "RadioGrp.h"
#include "Report1.h"
#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

TFuhrparkKostenFormular* Window() { return FuhrparkKostenFormular; }

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

void ClickItem(TRadioGroup* group, int item)
{
    QAbstractButton* b = group->Button(item);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
}

void Choose(QComboBox* box, const QString& text)
{
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    box->setCurrentIndex(i);
    emit box->activated(i);
}

// Evaluations written beside the program, as another user would.
void StoreEvaluation(const QString& machine, int year, int month, double repair, double fuel)
{
    TTable t;
    t.SetDatabaseName(QStringLiteral("Pelmora"));
    t.SetTableName(QStringLiteral("KfzMonat.DB"));
    t.Open();
    t.AppendRecord({machine, QString::number(year), month, MonthNames().at(month - 1), repair + fuel, repair, QVariant(),
                    QVariant(), QVariant(), fuel, QVariant(), QVariant(), QVariant(), fuel / 2});
}

QStringList Numbers()
{
    QStringList out;
    TTable* t = DataModule1->TTblFuhrparkKosten;
    for (t->First(); !t->Eof(); t->Next()) out << t->FieldByName(QStringLiteral("KfzNr"))->AsString();
    return out;
}

}   // namespace

class TestFuhrkstFormular : public ParkFixture {
    Q_OBJECT

    QList<QPair<TReportKind, TReportMode>> m_reports;

    void StorePark()
    {
        const char* machines[][2] = {{"A-1", "Bagger"}, {"B-2", "Kran"}, {"C-3", "Bagger"}};
        for (const auto& m : machines)
            StoreMachine({{QStringLiteral("IdentNummer"), QString::fromLatin1(m[0])}, {QStringLiteral("Gruppe"), QString::fromLatin1(m[1])}});
        StoreEvaluation(QStringLiteral("A-1"), 2004, 3, 100.005, 0);
        StoreEvaluation(QStringLiteral("A-1"), 2004, 4, 0, 20);
        StoreEvaluation(QStringLiteral("B-2"), 2004, 3, 0.004, 50);
        StoreEvaluation(QStringLiteral("C-3"), 2003, 3, 7, 3);
    }

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

    // With the main window's filter kept, only its machines are evaluated,
    // the filter is named, and the main window stays on its machine.
    void mainWindowFilterKept()
    {
        StorePark();
        Start();
        TTable* main = DM()->TTblMain;
        main->SetFilter(QStringLiteral("Gruppe = 'Bagger'"));
        main->SetFiltered(true);
        main->Last();
        Window()->FilterArt = QStringLiteral("Gruppe");
        Window()->FilterWert = QStringLiteral("Bagger");
        OpenWindow();
        QCOMPARE(Numbers(), (QStringList{QStringLiteral("A-1"), QStringLiteral("C-3")}));
        QCOMPARE(Window()->LblFilter->text(), QStringLiteral("Gruppe = Bagger"));
        QCOMPARE(Window()->LblAuswertungszeitraum->text(), QStringLiteral("Auswertungszeitraum: Alle Daten"));
        QCOMPARE(Window()->LblGesamtKosten->text(), QStringLiteral("130,01"));
        QCOMPARE(QApplication::focusWidget(), Window()->DBGridFuhrpark);
        QCOMPARE(Window()->DBChartFuhrpark->Data().Count(), 2);
        CloseWindow();
        QCOMPARE(Machine("IdentNummer"), QStringLiteral("C-3"));

        // Nothing handed over: no filter named.
        main->SetFiltered(false);
        Window()->FilterArt.clear();
        Window()->FilterWert.clear();
        OpenWindow();
        QCOMPARE(Window()->LblFilter->text(), QString());
        QCOMPARE(Numbers().size(), 3);
    }

    void periods_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("totals");   // total, repair, fuel, litres
        QTest::newRow("all") << 0 << QString() << QString() << QStringLiteral("Auswertungszeitraum: Alle Daten")
                             << QStringList{QStringLiteral("180,01"), QStringLiteral("107,01"), QStringLiteral("73,00"),
                                            QStringLiteral("36,50")};
        QTest::newRow("year 2004") << 1 << QStringLiteral("2004") << QString() << QStringLiteral("Auswertungszeitraum: Jahr 2004")
                                   << QStringList{QStringLiteral("170,01"), QStringLiteral("100,01"), QStringLiteral("70,00"),
                                                  QStringLiteral("35,00")};
        QTest::newRow("March 2004") << 2 << QStringLiteral("2004") << QStringLiteral("März")
                                    << QStringLiteral("Auswertungszeitraum: Monat März 2004")
                                    << QStringList{QStringLiteral("150,01"), QStringLiteral("100,01"), QStringLiteral("50,00"),
                                                   QStringLiteral("25,00")};
        QTest::newRow("a month of no evaluation") << 2 << QStringLiteral("2004") << QStringLiteral("Mai")
                                                  << QStringLiteral("Auswertungszeitraum: Monat Mai 2004")
                                                  << QStringList{QStringLiteral("0,00"), QStringLiteral("0,00"),
                                                                 QStringLiteral("0,00"), QStringLiteral("0,00")};
    }
    void periods()
    {
        QFETCH(int, view);
        QFETCH(QString, year);
        QFETCH(QString, month);
        QFETCH(QString, label);
        QFETCH(QStringList, totals);
        StorePark();
        Start();
        OpenWindow();
        if (!year.isEmpty()) Choose(Window()->ComboBoxJahr, year);
        if (!month.isEmpty()) Choose(Window()->CmbBoxMonat, month);
        ClickItem(Window()->RadioGrpSicht, view);
        QCOMPARE(Window()->ComboBoxJahr->isEnabled(), view != 0);
        QCOMPARE(Window()->CmbBoxMonat->isEnabled(), view == 2);
        QCOMPARE(Window()->LblAuswertungszeitraum->text(), label);
        QCOMPARE((QStringList{Window()->LblGesamtKosten->text(), Window()->LblKostenWert[0]->text(),
                              Window()->LblKostenWert[4]->text(), Window()->LblGesamtVerbrauch->text()}),
                 totals);
        QCOMPARE(Numbers().size(), 3);
        QVERIFY(Window()->ProgBarFuhrparkkosten->isHidden());
    }

    // A month while no year is chosen; a year view without a year is an
    // error of the store, shown, with nothing evaluated.
    void noYearChosen()
    {
        StorePark();
        Start();
        OpenWindow();
        Window()->ComboBoxJahr->setCurrentIndex(-1);
        ClickItem(Window()->RadioGrpSicht, 2);
        QCOMPARE(Window()->LblAuswertungszeitraum->text(), QStringLiteral("Auswertungszeitraum: ???"));
        QCOMPARE(Window()->LblGesamtKosten->text(), QStringLiteral("0,00"));
        TDialogRecorder dialogs;
        ClickItem(Window()->RadioGrpSicht, 1);
        QCOMPARE(dialogs.Records().size(), 1);
        QCOMPARE(dialogs.Last().Type, mtError);
        QVERIFY(Numbers().isEmpty());
        QCOMPARE(Window()->LblGesamtKosten->text(), QStringLiteral("0,00"));
        QVERIFY(Window()->ProgBarFuhrparkkosten->isHidden());
        QVERIFY(Window()->DBGridFuhrpark->isEnabled());
    }

    // The monthly overview's year filter is in force again afterwards.
    void overviewFilterBackInForce()
    {
        StorePark();
        Start();
        Main()->PageCtrlMain->setCurrentWidget(Main()->TabMonatsuebersicht);
        Choose(Main()->ComboBoxJahr, QStringLiteral("2004"));
        QAbstractButton* jahr = Main()->RadioGrpSicht->Button(1);
        QTest::mouseClick(jahr, Qt::LeftButton, {}, QPoint(6, jahr->height() / 2));
        TTable* monat = DM()->TTblMonatKosten;
        QCOMPARE(monat->Filter(), QStringLiteral("AuswJahr = 2004"));
        QCOMPARE(monat->RecordCount(), 2);
        OpenWindow();
        ClickItem(Window()->RadioGrpSicht, 0);
        QCOMPARE(Window()->LblGesamtKosten->text(), QStringLiteral("180,01"));
        CloseWindow();
        QVERIFY(monat->Filtered());
        QCOMPARE(monat->Filter(), QStringLiteral("AuswJahr = 2004"));
        QCOMPARE(monat->RecordCount(), 2);
    }

    void chartFollowsTheColumn_data()
    {
        QTest::addColumn<QString>("fuelName");   // the user's name of fuel costs
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("title");
        QTest::addColumn<double>("firstBar");
        QTest::newRow("fuel") << QString() << 9 << QStringLiteral("TreibstoffKosten") << 20.0;
        QTest::newRow("fuel, named by the user") << QStringLiteral("Diesel") << 9 << QStringLiteral("Diesel") << 20.0;
        QTest::newRow("litres") << QString() << 13 << QStringLiteral("Verbrauch/L.") << 10.0;
        QTest::newRow("repair") << QString() << 5 << QStringLiteral("ReparaturKosten") << 100.005;
        QTest::newRow("Info changes nothing") << QString() << 1 << QStringLiteral("Gesamt") << 120.005;
        QTest::newRow("Kostenstelle changes nothing") << QString() << 3 << QStringLiteral("Gesamt") << 120.005;
    }
    void chartFollowsTheColumn()
    {
        QFETCH(QString, fuelName);
        QFETCH(int, column);
        QFETCH(QString, title);
        QFETCH(double, firstBar);
        if (!fuelName.isEmpty()) WriteSettings({{QStringLiteral("NameBenzinkosten"), fuelName}});
        StorePark();
        Start();
        OpenWindow();
        TDBChart* chart = Window()->DBChartFuhrpark;
        QCOMPARE(chart->Title(), QStringLiteral("Gesamt"));
        QCOMPARE(chart->Data().At(0).Label, QStringLiteral("A-1"));
        TDBGrid* grid = Window()->DBGridFuhrpark;
        const QModelIndex cell = grid->model()->index(0, column);
        grid->scrollTo(cell);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
        QCOMPARE(grid->SelectedIndex(), column);
        QCOMPARE(chart->Title(), title);
        QCOMPARE(chart->Data().At(0).Value, firstBar);
        // The column stays chosen through a new evaluation.
        ClickItem(Window()->RadioGrpSicht, 1);
        QCOMPARE(chart->Title(), title);
        QCOMPARE(chart->Data().Count(), 3);
    }

    void printingSavesTheChart_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("mode");
        QTest::newRow("print") << QStringLiteral("TBitBtnDrucken") << int(rmPrint);
        QTest::newRow("preview") << QStringLiteral("TBitBtnVorschau") << int(rmPreview);
    }
    void printingSavesTheChart()
    {
        QFETCH(QString, button);
        QFETCH(int, mode);
        StorePark();
        Start();
        OpenWindow();
        QTest::mouseClick(Window()->findChild<QPushButton*>(button), Qt::LeftButton);
        QCOMPARE(m_reports, (QList<QPair<TReportKind, TReportMode>>{qMakePair(rkFuhrparkKosten, TReportMode(mode))}));
        QFile picture(QDir::current().filePath(QStringLiteral("Fuhrpks~.svg")));
        QVERIFY(picture.open(QIODevice::ReadOnly));
        QVERIFY(picture.readAll().contains("Gesamt"));
    }

    // A picture that cannot be written does not keep the report from running.
    void unwritablePictureIgnored()
    {
        StorePark();
        Start();
        OpenWindow();
        QDir().mkpath(QStringLiteral("Fuhrpks~.svg"));   // a folder where the file should go
        QTest::mouseClick(Window()->TBitBtnVorschau, Qt::LeftButton);
        QCOMPARE(m_reports.size(), 1);
    }
};

QTEST_MAIN(TestFuhrkstFormular)
#include "tst_fuhrkstformular.moc"
