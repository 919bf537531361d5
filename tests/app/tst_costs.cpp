// The variable costs of a machine: the rules of a voucher, the raised
// operating hours, the views, the default date, deleting and printing, and
// the offer to advance a due date after a voucher.
#include "DBGrid.h"
#include "Application.h"
#include "ParkFixture.h"
#include "RadioGrp.h"
#include "Report1.h"
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

const QString kNurEine = QStringLiteral("Bitte geben Sie nur eine Kostenart pro Zeile ein.");
const QString kKeine = QStringLiteral("Bitte geben Sie noch die Kosten in die entsprechende Spalte ein.");
const QString kDatum = QString::fromUtf8(
    "Bitte geben Sie ein Datum ein, da sonst eine zeiltliche Zuordnung der Kosten nicht möglich ist");
const QString kStundenFrage =
    QString::fromUtf8("Möchten Sie bei diesem Kostendatensatz keine Betriebsstunden eingeben");

using Values = QMap<QString, QString>;

TTable* Costs() { return DataModule1->TTblVarKosten; }

QStringList VisibleDates()
{
    QStringList dates;
    TTable* t = Costs();
    for (t->First(); !t->Eof(); t->Next())
        dates << t->FieldByName(QStringLiteral("BelegDatum"))->AsDate().toString(QStringLiteral("dd.MM.yyyy"));
    return dates;
}

// Fills the new voucher; a null value clears the field.
void Fill(const Values& values)
{
    for (auto it = values.begin(); it != values.end(); ++it) {
        TField* f = Costs()->FieldByName(it.key());
        if (it.value().isNull()) f->Clear();
        else f->SetAsString(it.value());
    }
}

}   // namespace

class TestCosts : public ParkFixture {
    Q_OBJECT

    // "&Neu" on the cost tab.
    void NewVoucher()
    {
        if (Main()->PageCtrlMain->currentWidget() != Main()->TabKosten) ClickMainTab(3);
        QCOMPARE(Main()->PageCtrlMain->currentWidget(), Main()->TabKosten);
        QVERIFY(Main()->TBtnVarKostenNeu->isEnabled());
        Main()->TBtnVarKostenNeu->click();
        QCOMPARE(Costs()->State(), dsInsert);
    }
    void Save() { Main()->TBtnVarKostenSpeichern->click(); }

private slots:
    void init()
    {
        InitPark();
        StoreMachine({{"IdentNummer", "M1"}, {"Bezeichnung1", "Bagger"}, {"Betriebsstunden", "100"},
                      {"WartungKleinTermin", "15.11.2000"}, {"FreierTermin1", "01.03.2004"}});
        StoreMachine({{"IdentNummer", "M2"}, {"Bezeichnung1", "Kran"}});
        WriteSettings({{"WartungKleinTIntervall", "3"}, {"FreierT1Intervall", "12"}});
    }
    void cleanup()
    {
        OnRunReport = nullptr;
        CleanupPark();
    }

    void voucherRules_data()
    {
        QTest::addColumn<Values>("values");
        QTest::addColumn<QString>("message");   // empty: saved
        QTest::addColumn<int>("column");
        QTest::newRow("repair of 0 alone is one type") << Values{{"ReparaturKosten", "0"}} << QString() << -1;
        QTest::newRow("fuel alone") << Values{{"Benzinkosten", "12,5"}} << QString() << -1;
        QTest::newRow("repair and fuel") << Values{{"ReparaturKosten", "10"}, {"Benzinkosten", "5"}} << kNurEine << 4;
        QTest::newRow("two zeros") << Values{{"SonstigeKosten2", "0"}, {"SonstigeKosten3", "0"}} << kNurEine << 4;
        QTest::newRow("no cost") << Values{{"BenzinLiter", "40"}} << kKeine << 4;
        QTest::newRow("no date") << Values{{"BelegDatum", QString()}, {"ReparaturKosten", "10"}} << kDatum << 0;
    }
    void voucherRules()
    {
        QFETCH(Values, values);
        QFETCH(QString, message);
        QFETCH(int, column);
        Start();
        NewVoucher();
        Fill(values);
        Costs()->FieldByName(QStringLiteral("Betriebsstunden"))->SetAsFloat(90);
        TDialogRecorder rec;
        Save();
        if (message.isEmpty()) {
            QVERIFY(rec.IsEmpty());
            QCOMPARE(Costs()->State(), dsBrowse);
            QCOMPARE(Costs()->FieldByName(QStringLiteral("IdentNummer"))->AsString(), QStringLiteral("M1"));
            QCOMPARE(Costs()->FieldByName(QStringLiteral("Jahr"))->AsString(), QStringLiteral("2026"));
            QCOMPARE(Costs()->FieldByName(QStringLiteral("Monat"))->AsString(), QStringLiteral("Dezember"));
            return;
        }
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtError);
        QCOMPARE(rec.Last().Text, message);
        QCOMPARE(rec.Last().Buttons, mbOK);
        QCOMPARE(Costs()->State(), dsInsert);
        QVERIFY(HasFocusIn(Main()->TDBGridVarKosten));
        QCOMPARE(Main()->TDBGridVarKosten->SelectedIndex(), column);
    }

    void hoursQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes: type the reading") << int(mrYes);
        QTest::newRow("no: save without") << int(mrNo);
    }
    void hoursQuestion()
    {
        QFETCH(int, answer);
        Start();
        NewVoucher();
        Costs()->FieldByName(QStringLiteral("BelegDatum"))->SetAsDate(QDate(2005, 3, 7));
        Costs()->FieldByName(QStringLiteral("ReifenKosten"))->SetAsFloat(300);
        TDialogRecorder rec;
        rec.Answer({answer});
        Save();
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtConfirmation);
        QCOMPARE(rec.Last().Text, kStundenFrage);
        QCOMPARE(rec.Last().Buttons, mbYesNo);
        if (answer == mrYes) {
            QCOMPARE(Costs()->State(), dsInsert);
            QVERIFY(HasFocusIn(Main()->TDBGridVarKosten));
            QCOMPARE(Main()->TDBGridVarKosten->SelectedIndex(), 2);
        } else {
            QCOMPARE(Costs()->State(), dsBrowse);
            QCOMPARE(Costs()->FieldByName(QStringLiteral("Jahr"))->AsString(), QStringLiteral("2005"));
            QCOMPARE(Costs()->FieldByName(QStringLiteral("Monat"))->AsString(), QString::fromUtf8("März"));
            QCOMPARE(Machine("Betriebsstunden"), QStringLiteral("100"));
        }
    }

    void machineHours_data()
    {
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QString>("machine");
        QTest::newRow("higher raises") << "150,5" << "150,5";
        QTest::newRow("lower leaves") << "50" << "100";
        QTest::newRow("equal leaves") << "100" << "100";
    }
    void machineHours()
    {
        QFETCH(QString, reading);
        QFETCH(QString, machine);
        Start();
        NewVoucher();
        Fill({{"ReparaturKosten", "10"}, {"Betriebsstunden", reading}});
        TDialogRecorder rec;
        Save();
        QVERIFY(rec.IsEmpty());
        QCOMPARE(Costs()->State(), dsBrowse);
        QCOMPARE(DataModule1->TTblMain->State(), dsBrowse);
        QCOMPARE(Machine("Betriebsstunden"), machine);
        QCOMPARE(Machine("IdentNummer"), QStringLiteral("M1"));
    }

    void machineWithoutReadingIsRaised()
    {
        Start();
        DataModule1->TTblMain->Next();
        QCOMPARE(Machine("IdentNummer"), QStringLiteral("M2"));
        NewVoucher();
        Fill({{"ReparaturKosten", "10"}, {"Betriebsstunden", "5"}});
        Save();
        QCOMPARE(Machine("Betriebsstunden"), QStringLiteral("5"));
    }

    void yearViewAndNew()
    {
        StoreCost(QStringLiteral("M1"), QDate(2005, 4, 1), 10);
        StoreCost(QStringLiteral("M1"), QDate(2006, 1, 2), 20);
        StoreCost(QStringLiteral("M1"), QDate(2005, 12, 31), 30);
        Start();
        ClickMainTab(3);
        Main()->CmbBoxKostenJahr->setCurrentText(QStringLiteral("2005"));
        QTest::mouseClick(Main()->RadioGrpKostenSicht->Button(2), Qt::LeftButton);
        QVERIFY(Main()->CmbBoxKostenJahr->isEnabled());
        QCOMPARE(VisibleDates(), (QStringList{"01.04.2005", "31.12.2005"}));

        TDialogRecorder rec;
        Main()->TBtnVarKostenNeu->click();
        QVERIFY(rec.IsEmpty());
        QCOMPARE(Costs()->State(), dsInsert);
        QCOMPARE(Main()->RadioGrpKostenSicht->ItemIndex(), 0);
        QVERIFY(!Main()->CmbBoxKostenJahr->isEnabled());
        QVERIFY(!Costs()->Filtered());
        Main()->TBtnVarKostenLoeschen->click();   // drops the new one without asking
        QVERIFY(rec.IsEmpty());
        QCOMPARE(Costs()->State(), dsBrowse);
        QStringList all = VisibleDates();
        all.sort();
        QCOMPARE(all, (QStringList{"01.04.2005", "02.01.2006", "31.12.2005"}));
    }

    void views_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("all") << 0 << "2005" << QStringList{"01.04.2005", "05.12.2025", "03.12.2026"};
        QTest::newRow("current month") << 1 << "2005" << QStringList{"03.12.2026"};
        QTest::newRow("year 2005") << 2 << "2005" << QStringList{"01.04.2005"};
        QTest::newRow("year 2025") << 2 << "2025" << QStringList{"05.12.2025"};
    }
    void views()
    {
        QFETCH(int, view);
        QFETCH(QString, year);
        QFETCH(QStringList, shown);
        StoreCost(QStringLiteral("M1"), QDate(2005, 4, 1), 10);
        StoreCost(QStringLiteral("M1"), QDate(2026, 12, 3), 20);
        StoreCost(QStringLiteral("M1"), QDate(2025, 12, 5), 30);
        Start();
        ClickMainTab(3);
        QTest::mouseClick(Main()->RadioGrpKostenSicht->Button(view), Qt::LeftButton);
        // The year list acts only in the year view.
        Main()->CmbBoxKostenJahr->setCurrentText(year);
        emit Main()->CmbBoxKostenJahr->activated(Main()->CmbBoxKostenJahr->currentIndex());
        QCOMPARE(Main()->CmbBoxKostenJahr->isEnabled(), view == 2);
        QStringList dates = VisibleDates();
        std::sort(dates.begin(), dates.end(), [](const QString& a, const QString& b) {
            return QDate::fromString(a, QStringLiteral("dd.MM.yyyy")) < QDate::fromString(b, QStringLiteral("dd.MM.yyyy"));
        });
        QCOMPARE(dates, shown);
    }

    void defaultDate_data()
    {
        QTest::addColumn<bool>("vouchers");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("last in key order, not last entered") << true << QDate(2006, 2, 1);
        QTest::newRow("today without vouchers") << false << QDate(2026, 12, 10);
    }
    void defaultDate()
    {
        QFETCH(bool, vouchers);
        QFETCH(QDate, expected);
        if (vouchers) {
            StoreCost(QStringLiteral("M1"), QDate(2005, 5, 3), 1);
            StoreCost(QStringLiteral("M1"), QDate(2006, 2, 1), 2);
            StoreCost(QStringLiteral("M1"), QDate(2004, 1, 10), 3);
            StoreCost(QStringLiteral("M2"), QDate(2010, 1, 1), 4);   // another machine's
        }
        Start();
        NewVoucher();
        QCOMPARE(Costs()->FieldByName(QStringLiteral("BelegDatum"))->AsDate(), expected);
        QCOMPARE(Costs()->FieldByName(QStringLiteral("IdentNummer"))->AsString(), QStringLiteral("M1"));
        QVERIFY(HasFocusIn(Main()->TDBGridVarKosten));
        QCOMPARE(Main()->TDBGridVarKosten->SelectedField()->FieldName(), QStringLiteral("BelegDatum"));
        // The spare handle is free again.
        QVERIFY(!DataModule1->TTblVar->Active());
        QVERIFY(DataModule1->TTblVar->TableName().isEmpty());
        QVERIFY(!DataModule1->TTblVar->MasterSource());
    }

    // Typing over a cell replaces its value, F2 edits it; saving and Esc
    // leave the user on the row they were on.
    void gridAsAWindowsUserKnowsIt()
    {
        StoreCost(QStringLiteral("M1"), QDate(2026, 1, 5), 10);
        StoreCost(QStringLiteral("M1"), QDate(2026, 2, 5), 20);
        StoreCost(QStringLiteral("M1"), QDate(2026, 3, 5), 30);
        Start();
        TDialogRecorder rec;
        TDBGrid* grid = Main()->TDBGridVarKosten;
        NewVoucher();
        auto* editor = qobject_cast<QLineEdit*>(grid->InplaceEditor());
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("05.03.2026"));
        QTest::keyClicks(editor, QStringLiteral("02.12.2026"));
        QCOMPARE(editor->text(), QStringLiteral("02.12.2026"));
        QTest::keyClick(editor, Qt::Key_Tab);
        QCOMPARE(Costs()->FieldByName(QStringLiteral("BelegDatum"))->AsDate(), QDate(2026, 12, 2));
        QTest::keyClick(grid->InplaceEditor(), Qt::Key_Tab);
        editor = qobject_cast<QLineEdit*>(grid->InplaceEditor());
        QCOMPARE(grid->SelectedField()->FieldName(), QStringLiteral("Betriebsstunden"));
        QTest::keyClicks(editor, QStringLiteral("15"));
        QTest::keyClick(editor, Qt::Key_F2);
        QTest::keyClicks(editor, QStringLiteral("0"));
        QCOMPARE(editor->text(), QStringLiteral("150"));
        Fill({{"ReparaturKosten", "40"}});
        Save();
        QVERIFY2(rec.IsEmpty(), qPrintable(rec.IsEmpty() ? QString() : rec.Last().Text));
        QCOMPARE(Costs()->State(), dsBrowse);
        QCOMPARE(Machine("Betriebsstunden"), QStringLiteral("150"));
        QCOMPARE(VisibleDates().size(), 4);

        // The third voucher, saved: it stays current though the machine's
        // hours were raised and the machine saved with it.
        Costs()->First();
        Costs()->Next();
        Costs()->Next();
        Costs()->Edit();
        Fill({{"Betriebsstunden", "200"}});
        Save();
        QCOMPARE(Machine("Betriebsstunden"), QStringLiteral("200"));
        QCOMPARE(Costs()->RecNo(), 3);
        QCOMPARE(grid->currentIndex().row(), 2);

        // Down on the last row opens a new one; Esc goes back to where the user was.
        Costs()->Last();
        grid->setFocus();
        QTest::keyClick(grid->InplaceEditor(), Qt::Key_Down);
        QCOMPARE(Costs()->State(), dsInsert);
        QTest::keyClick(grid->InplaceEditor(), Qt::Key_Escape);
        QCOMPARE(Costs()->State(), dsBrowse);
        QCOMPARE(Costs()->RecNo(), 4);
        QCOMPARE(grid->currentIndex().row(), 3);
    }

    void deleting_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("yes deletes") << int(mrYes) << QStringList{"02.01.2006"};
        QTest::newRow("no keeps") << int(mrNo) << QStringList{"01.04.2005", "02.01.2006"};
    }
    void deleting()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, left);
        StoreCost(QStringLiteral("M1"), QDate(2005, 4, 1), 10);
        StoreCost(QStringLiteral("M1"), QDate(2006, 1, 2), 20);
        Start();
        ClickMainTab(3);
        Costs()->First();
        Costs()->Edit();
        Costs()->FieldByName(QStringLiteral("ReparaturKosten"))->SetAsFloat(99);
        TDialogRecorder rec;
        rec.Answer({answer});
        Main()->TBtnVarKostenLoeschen->click();
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtConfirmation);
        QCOMPARE(rec.Last().Text, QString::fromUtf8("Möchten Sie den markierten Kostendatensatz wirklich löschen"));
        if (answer == mrNo) Costs()->Cancel();
        QCOMPARE(VisibleDates(), left);
    }

    void deletingNothingFails()
    {
        Start();
        ClickMainTab(3);
        TDialogRecorder rec;
        rec.Answer({mrYes});
        Main()->TBtnVarKostenLoeschen->click();
        QCOMPARE(rec.Records().size(), 2);
        QCOMPARE(rec.Last().Type, mtError);
        QCOMPARE(rec.Last().Text, QString::fromUtf8("Löschen des Kostendatensatzes nicht möglich"));
        QCOMPARE(rec.Last().Buttons, mbOK);
    }

    void printing_data()
    {
        QTest::addColumn<int>("view");          // 0 all, 2 year 2006
        QTest::addColumn<bool>("preview");
        QTest::addColumn<bool>("runs");
        QTest::newRow("print all") << 0 << false << true;
        QTest::newRow("preview all") << 0 << true << true;
        QTest::newRow("print empty year") << 2 << false << false;
        QTest::newRow("preview empty year") << 2 << true << false;
    }
    void printing()
    {
        QFETCH(int, view);
        QFETCH(bool, preview);
        QFETCH(bool, runs);
        StoreCost(QStringLiteral("M1"), QDate(2005, 4, 1), 10);
        Start();
        QList<QPair<int, int>> reports;
        OnRunReport = [&](TReportKind k, TReportMode m) { reports << qMakePair(int(k), int(m)); };
        ClickMainTab(3);
        Main()->CmbBoxKostenJahr->setCurrentText(QStringLiteral("2006"));
        QTest::mouseClick(Main()->RadioGrpKostenSicht->Button(view), Qt::LeftButton);
        TDialogRecorder rec;
        (preview ? Main()->TBitBtnVarKostenVorschau : Main()->TBitBtnVarKostenDrucken)->click();
        if (runs) {
            QVERIFY(rec.IsEmpty());
            QCOMPARE(reports, (QList<QPair<int, int>>{{int(rkVarKosten), preview ? int(rmPreview) : int(rmPrint)}}));
        } else {
            QVERIFY(reports.isEmpty());
            QCOMPARE(rec.Records().size(), 1);
            QCOMPARE(rec.Last().Type, mtInformation);
            QCOMPARE(rec.Last().Text, QString::fromUtf8("Sie haben noch keine var. Kosten für diese Maschine eingegeben"));
        }
    }

    void offerAfterVoucher_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");   // empty: none asked
        QTest::addColumn<QString>("klein");
        QTest::newRow("KLW yes") << "KLW" << int(mrYes)
                                 << QString::fromUtf8("Möchten Sie den Kleine Wartung Termin fortschreiben")
                                 << "15.02.2001";
        QTest::newRow("KLW no") << "KLW" << int(mrNo)
                                << QString::fromUtf8("Möchten Sie den Kleine Wartung Termin fortschreiben")
                                << "15.11.2000";
        QTest::newRow("other code asks nothing") << "GRX" << int(mrYes) << QString() << "15.11.2000";
        QTest::newRow("no code asks nothing") << "" << int(mrYes) << QString() << "15.11.2000";
    }
    void offerAfterVoucher()
    {
        QFETCH(QString, code);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QString, klein);
        Start();
        NewVoucher();
        Fill({{"WartungsKosten", "80"}, {"Betriebsstunden", "120"}, {"NachschlagDummyFeld", code}});
        TDialogRecorder rec;
        rec.Answer({answer});
        Save();
        QCOMPARE(Costs()->State(), dsBrowse);
        // The hours are raised before the offer.
        QCOMPARE(Machine("Betriebsstunden"), QStringLiteral("120"));
        QCOMPARE(Machine("WartungKleinTermin"), klein);
        if (question.isEmpty()) {
            QVERIFY(rec.IsEmpty());
            return;
        }
        QCOMPARE(rec.Records().first().Type, mtConfirmation);
        QCOMPARE(rec.Records().first().Text, question);
        QCOMPARE(rec.Records().first().Buttons, mbYesNo);
        if (answer == mrYes) {
            QCOMPARE(rec.Records().size(), 2);
            QCOMPARE(rec.Last().Type, mtInformation);
            QCOMPARE(rec.Last().Text, QStringLiteral("Kleine Wartungstermin erfolgreich fortgeschrieben."));
        } else {
            QCOMPARE(rec.Records().size(), 1);
        }
    }

    // The button swallows the post's own failures, not those of advancing:
    // the voucher is saved and the user sees what became of the due date.
    void offerAfterSaveAtMonthEnd_data()
    {
        QTest::addColumn<QDate>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("message");
        QTest::newRow("30.11. + 3 to the end of February")
            << QDate(2000, 11, 30) << "28.02.2001" << int(mtInformation)
            << "Kleine Wartungstermin erfolgreich fortgeschrieben.";
        QTest::newRow("beyond the year 9999 is shown") << QDate(9999, 11, 30) << "30.11.9999" << int(mtError)
                                                        << QString::fromUtf8("Ungültiges Argument zum Codieren des Datums");
    }
    void offerAfterSaveAtMonthEnd()
    {
        QFETCH(QDate, before);
        QFETCH(QString, after);
        QFETCH(int, type);
        QFETCH(QString, message);
        Start();
        DataModule1->TTblMain->Edit();
        DataModule1->TTblMain->FieldByName(QStringLiteral("WartungKleinTermin"))->SetAsDate(before);
        DataModule1->TTblMain->Post();
        NewVoucher();
        Fill({{"Wartungskosten", "80"}, {"Betriebsstunden", "90"}, {"NachschlagDummyFeld", "KLW"}});
        TDialogRecorder rec;
        rec.Answer({mrYes});
        Save();
        QCOMPARE(rec.Records().size(), 2);
        QCOMPARE(rec.Records().first().Type, mtConfirmation);
        QCOMPARE(int(rec.Last().Type), type);
        QCOMPARE(rec.Last().Text, message);
        QCOMPARE(Costs()->State(), dsBrowse);
        QCOMPARE(DataModule1->TTblMain->State(), dsBrowse);
        QCOMPARE(Machine("WartungKleinTermin"), after);
    }

    void offerNamesFreeDate_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("question");
        QTest::newRow("named") << "Prüfung" << QString::fromUtf8("Möchten Sie den Prüfung fortschreiben");
        QTest::newRow("empty caption") << "" << QString::fromUtf8("Möchten Sie den  fortschreiben");
    }
    void offerNamesFreeDate()
    {
        QFETCH(QString, caption);
        QFETCH(QString, question);
        WriteSettings({{"NameFreitermin1", caption}});
        Start();
        NewVoucher();
        Fill({{"Untersuchungskosten", "80"}, {"Betriebsstunden", "120"}, {"NachschlagDummyFeld", "FT1"}});
        TDialogRecorder rec;
        rec.Answer({mrYes});
        Save();
        QCOMPARE(rec.Records().size(), 2);
        QCOMPARE(rec.Records().first().Text, question);
        QCOMPARE(rec.Last().Text, caption + QStringLiteral(" erfolgreich fortgeschrieben."));
        QCOMPARE(Machine("FreierTermin1"), QStringLiteral("01.03.2005"));
    }
};

int main(int argc, char** argv)
{
    // The program's own application: errors reach the extender as they do at run time.
    TApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TestCosts test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_costs.moc"
