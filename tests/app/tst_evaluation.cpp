// The monthly evaluation of a machine's costs, saving it into the monthly
// overview, and the overview with its view, totals, deleting and reports.
#include "Application.h"
#include "ParkFixture.h"
#include "Clock.h"
#include "DBErrors.h"
#include "DataMod.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Main.h"
#include "RadioGrp.h"
#include "Report1.h"
#include "Session.h"
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

enum Tab { Stammdaten, Memo, Historie, Kosten, Monatsauswertung, Monatsuebersicht };


void Choose(QComboBox* box, const QString& text)
{
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    box->setCurrentIndex(i);
    emit box->activated(i);
}

// Records written beside the program's handles, as another user would, so
// that no posting rule of the cost tab takes part.
struct TRow {
    QString table;
    QMap<QString, QVariant> values;
};

void Write(const QList<TRow>& rows)
{
    TDatabase* db = Session().Database(QStringLiteral("Pelmora"));
    db->BeginTransaction();
    std::map<QString, std::unique_ptr<TTable>> tables;
    for (const TRow& row : rows) {
        std::unique_ptr<TTable>& t = tables[row.table];
        if (!t) {
            t = std::make_unique<TTable>();
            t->SetDatabaseName(QStringLiteral("Pelmora"));
            t->SetTableName(row.table);
            t->Open();
        }
        t->Append();
        for (auto it = row.values.begin(); it != row.values.end(); ++it) t->FieldByName(it.key())->SetValue(it.value());
        t->Post();
    }
    db->Commit();
    for (TTable* t : {DataModule1->TTblVarKosten, DataModule1->TTblMonatKosten}) t->Refresh();
}

TRow Voucher(const QString& machine, const QDate& date, const QString& field, double amount, QVariant hours = {},
             QVariant litres = {})
{
    TRow r{QStringLiteral("KfzVar.DB"),
           {{QStringLiteral("IdentNummer"), machine}, {QStringLiteral("BelegDatum"), date}, {field, amount}}};
    if (hours.isValid()) r.values.insert(QStringLiteral("Betriebsstunden"), hours);
    if (litres.isValid()) r.values.insert(QStringLiteral("BenzinLiter"), litres);
    return r;
}

TRow Evaluation(const QString& machine, int year, int month, double repair, double fuel, double litres)
{
    return TRow{QStringLiteral("KfzMonat.DB"),
                {{QStringLiteral("IdentNummer"), machine},
                 {QStringLiteral("AuswJahr"), QString::number(year)},
                 {QStringLiteral("AuswMonatNum"), month},
                 {QStringLiteral("AuswMonatText"), MonthNames().at(month - 1)},
                 {QStringLiteral("GesamtKosten"), repair + fuel},
                 {QStringLiteral("Reparaturkosten"), repair},
                 {QStringLiteral("Benzinkosten"), fuel},
                 {QStringLiteral("VerbrauchLiter"), litres}}};
}

void GotoMachine(const QString& number)
{
    TTable* t = DataModule1->TTblMain;
    for (t->First(); !t->Eof(); t->Next())
        if (t->FieldByName(QStringLiteral("IdentNummer"))->AsString() == number) return;
    QFAIL(qPrintable(number));
}

// The saved evaluations of the current machine: "year/month: total".
QStringList Saved()
{
    QStringList out;
    TTable* t = DataModule1->TTblMonatKosten;
    for (t->First(); !t->Eof(); t->Next())
        out << QStringLiteral("%1/%2: %3")
                   .arg(t->FieldByName(QStringLiteral("AuswJahr"))->AsString(),
                        t->FieldByName(QStringLiteral("AuswMonatText"))->AsString())
                   .arg(t->FieldByName(QStringLiteral("GesamtKosten"))->AsFloat());
    return out;
}

}   // namespace

class TestEvaluation : public ParkFixture {
    Q_OBJECT

private:
    TReportKind m_reportKind = rkFuhrparkKosten;
    TReportMode m_reportMode = rmPrint;
    int m_reports = 0;

    void Start(const QDate& today = QDate(2026, 12, 10))
    {
        SetTestClock(QDateTime(today, QTime(9, 0)));
        StartAsIs();
    }
    void AddMachine(const QString& number)
    {
        TTable* t = DataModule1->TTblMain;
        t->Append();
        t->FieldByName(QStringLiteral("IdentNummer"))->SetAsString(number);
        t->Post();
    }
    void Evaluate(int year, int month)
    {
        Choose(Main()->CmbBoxMonatsauswertungJahr, QString::number(year));
        Choose(Main()->CmbBoxMonatsauswertungMonat, MonthNames().at(month - 1));
    }

private slots:
    void init()
    {
        InitPark();
        m_reports = 0;
        OnRunReport = [this](TReportKind kind, TReportMode mode) {
            m_reportKind = kind;
            m_reportMode = mode;
            ++m_reports;
        };
    }

    void cleanup()
    {
        OnRunReport = nullptr;
        CleanupPark();
    }

    void monthBoundary_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("repair");

        QTest::newRow("Januar") << 1 << "10,00";
        QTest::newRow("Februar") << 2 << "5,00";
        QTest::newRow("März") << 3 << "0,00";
    }

    void monthBoundary()
    {
        QFETCH(int, month);
        QFETCH(QString, repair);
        Start();
        AddMachine(QStringLiteral("M-1"));
        Write({Voucher(QStringLiteral("M-1"), QDate(2001, 1, 31), QStringLiteral("ReparaturKosten"), 10, 100),
               Voucher(QStringLiteral("M-1"), QDate(2001, 2, 1), QStringLiteral("ReparaturKosten"), 5, 250),
               Voucher(QStringLiteral("M-1"), QDate(2002, 1, 15), QStringLiteral("ReparaturKosten"), 7, 180)});
        ClickMainTab(Monatsauswertung);
        Evaluate(2001, month);
        QCOMPARE(Main()->TLblReparaturKostenMonat->text(), repair);
        QCOMPARE(Main()->TLblSummeVarKostenMonat->text(), repair);
        QCOMPARE(Main()->TLblSummeGesamtKostenMonat->text(), repair);
        QCOMPARE(Main()->TLblReifenKostenMonat->text(), QStringLiteral("0,00"));
        // The highest reading of all vouchers, of any month.
        QCOMPARE(Main()->TLblSummeBetriebsstunden->text(), QStringLiteral("250"));
    }

    void computedOnEveryTrigger()
    {
        Start(QDate(2001, 3, 5));
        AddMachine(QStringLiteral("M-1"));
        Write({Voucher(QStringLiteral("M-1"), QDate(2001, 3, 2), QStringLiteral("Benzinkosten"), 40.5, 12.5, 30.25),
               Voucher(QStringLiteral("M-1"), QDate(2001, 3, 9), QStringLiteral("Wartungskosten"), 100),
               Voucher(QStringLiteral("M-1"), QDate(2001, 4, 9), QStringLiteral("SonstigeKosten3"), 3)});
        // Entering the tab computes today's month, also under another cost view.
        Main()->RadioGrpKostenSicht->SetItemIndex(1);
        ClickMainTab(Monatsauswertung);
        QCOMPARE(Main()->TLblBenzinKostenMonat->text(), QStringLiteral("40,50"));
        QCOMPARE(Main()->TLblWartungKostenMonat->text(), QStringLiteral("100,00"));
        QCOMPARE(Main()->TLblSummeGesamtKostenMonat->text(), QStringLiteral("140,50"));
        QCOMPARE(Main()->TLblSummeVerbrauchLiterMonat->text(), QStringLiteral("30,25"));
        QCOMPARE(Main()->TLblSummeBetriebsstunden->text(), QStringLiteral("13"));

        Choose(Main()->CmbBoxMonatsauswertungMonat, QStringLiteral("April"));
        QCOMPARE(Main()->TLblSonstige3KostenMonat->text(), QStringLiteral("3,00"));
        QCOMPARE(Main()->TLblSummeVarKostenMonat->text(), QStringLiteral("3,00"));
        Choose(Main()->CmbBoxMonatsauswertungJahr, QStringLiteral("2000"));
        QCOMPARE(Main()->TLblSummeVarKostenMonat->text(), QStringLiteral("0,00"));

        Write({Voucher(QStringLiteral("M-1"), QDate(2000, 4, 1), QStringLiteral("ReifenKosten"), 0.5)});
        QTest::mouseClick(Main()->TBtnMonatsauswertungBerechnen, Qt::LeftButton);
        QCOMPARE(Main()->TLblReifenKostenMonat->text(), QStringLiteral("0,50"));
    }

    void sumsExactToTheCent()
    {
        Start();
        AddMachine(QStringLiteral("M-1"));
        QList<TRow> rows;
        for (int i = 0; i < 1000; ++i)
            rows << Voucher(QStringLiteral("M-1"), QDate(2001, 1, 1 + i % 28), QStringLiteral("ReparaturKosten"), 0.1);
        rows << Voucher(QStringLiteral("M-1"), QDate(2001, 1, 2), QStringLiteral("ReifenKosten"), 0.01)
             << Voucher(QStringLiteral("M-1"), QDate(2001, 1, 3), QStringLiteral("ReifenKosten"), 0.02);
        Write(rows);
        ClickMainTab(Monatsauswertung);
        Evaluate(2001, 1);
        QCOMPARE(Main()->TLblReparaturKostenMonat->text(), QStringLiteral("100,00"));
        QCOMPARE(Main()->TLblReifenKostenMonat->text(), QStringLiteral("0,03"));
        QCOMPARE(Main()->TLblSummeGesamtKostenMonat->text(), QStringLiteral("100,03"));
        QCOMPARE(Main()->MonatsErgebnis.Reparatur, qint64(1000000));
        QCOMPARE(Main()->MonatsErgebnis.Gesamt, qint64(1000300));
    }

    void halfGoesToEven_data()
    {
        QTest::addColumn<double>("amount");
        QTest::addColumn<qint64>("fixed");

        QTest::newRow("2,5 Zehntausendstel") << 0.00025 << qint64(2);
        QTest::newRow("3,5 Zehntausendstel") << 0.00035 << qint64(4);
        QTest::newRow("0,5 Zehntausendstel") << 0.00005 << qint64(0);
        QTest::newRow("knapp unter der Hälfte") << 0.00015 << qint64(1);
    }

    void halfGoesToEven()
    {
        QFETCH(double, amount);
        QFETCH(qint64, fixed);
        Start();
        AddMachine(QStringLiteral("M-1"));
        Write({Voucher(QStringLiteral("M-1"), QDate(2001, 1, 5), QStringLiteral("Untersuchungskosten"), amount)});
        ClickMainTab(Monatsauswertung);
        Evaluate(2001, 1);
        QCOMPARE(Main()->MonatsErgebnis.Untersuchung, fixed);
        QCOMPARE(Main()->MonatsErgebnis.Gesamt, fixed);
    }

    void noYearSelected()
    {
        // A clock year before the lists begin leaves the year list without a choice.
        Start(QDate(1985, 6, 1));
        AddMachine(QStringLiteral("M-1"));
        Main()->TLblReparaturKostenMonat->setText(QStringLiteral("vorher"));
        TDialogRecorder rec;
        ClickMainTab(Monatsauswertung);
        QCOMPARE(Main()->CmbBoxMonatsauswertungJahr->currentText(), QString());
        QCOMPARE(rec.Last().Type, mtError);
        QCOMPARE(rec.Last().Text, QStringLiteral("'' ist kein gültiger Integerwert"));
        QCOMPARE(Main()->TLblReparaturKostenMonat->text(), QStringLiteral("vorher"));

        rec.Clear();
        QTest::mouseClick(Main()->TBtnMonatsauswertungBerechnen, Qt::LeftButton);
        QCOMPARE(rec.Last().Text, QStringLiteral("'' ist kein gültiger Integerwert"));
    }

    void savingTwice_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("saved");

        QTest::newRow("überschreiben") << int(mrYes) << QStringList{"2001/Januar: 30"};
        QTest::newRow("behalten") << int(mrNo) << QStringList{"2001/Januar: 10"};
    }

    void savingTwice()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, saved);
        Start();
        AddMachine(QStringLiteral("M-1"));
        Main()->SetEditMode(true);
        Write({Voucher(QStringLiteral("M-1"), QDate(2001, 1, 10), QStringLiteral("ReparaturKosten"), 10, 50, 4)});
        ClickMainTab(Monatsauswertung);
        Evaluate(2001, 1);

        TDialogRecorder rec;
        QTest::mouseClick(Main()->TBtnMonatsauswertungSpeichern, Qt::LeftButton);
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Text, QStringLiteral("Möchten Sie die aktuelle Monatsauswertung speichern"));
        QCOMPARE(rec.Last().Buttons, mbYesNo);
        QCOMPARE(Saved(), QStringList{"2001/Januar: 10"});
        TTable* m = DataModule1->TTblMonatKosten;
        m->First();
        QCOMPARE(m->FieldByName(QStringLiteral("AuswMonatNum"))->AsInteger(), 1);
        QCOMPARE(m->FieldByName(QStringLiteral("Reparaturkosten"))->AsFloat(), 10.0);
        QCOMPARE(m->FieldByName(QStringLiteral("VerbrauchLiter"))->AsFloat(), 4.0);
        QCOMPARE(m->FieldByName(QStringLiteral("Betriebsstunden"))->AsFloat(), 50.0);

        Write({Voucher(QStringLiteral("M-1"), QDate(2001, 1, 20), QStringLiteral("ReparaturKosten"), 20)});
        QTest::mouseClick(Main()->TBtnMonatsauswertungBerechnen, Qt::LeftButton);
        rec.Clear();
        rec.Answer({mrYes, answer});
        QTest::mouseClick(Main()->TBtnMonatsauswertungSpeichern, Qt::LeftButton);
        QCOMPARE(rec.Records().size(), 2);
        QCOMPARE(rec.Last().Type, mtConfirmation);
        QVERIFY(rec.Last().Text.startsWith(QStringLiteral("Eine Auswertung für diesen Monat ist schon")));
        QCOMPARE(Saved(), saved);
    }

    void savingNoQuestionNoRecord()
    {
        Start();
        AddMachine(QStringLiteral("M-1"));
        Main()->SetEditMode(true);
        Write({Voucher(QStringLiteral("M-1"), QDate(2001, 1, 10), QStringLiteral("ReparaturKosten"), 10)});
        ClickMainTab(Monatsauswertung);
        Evaluate(2001, 1);
        TDialogRecorder rec;
        rec.Answer({mrNo});
        QTest::mouseClick(Main()->TBtnMonatsauswertungSpeichern, Qt::LeftButton);
        QVERIFY(Saved().isEmpty());
    }

    void savingOnAnotherMachineComputesAfresh()
    {
        Start();
        AddMachine(QStringLiteral("A"));
        AddMachine(QStringLiteral("B"));
        Main()->SetEditMode(true);
        Write({Voucher(QStringLiteral("A"), QDate(2001, 1, 10), QStringLiteral("ReparaturKosten"), 10),
               Voucher(QStringLiteral("B"), QDate(2001, 1, 11), QStringLiteral("ReifenKosten"), 7)});
        GotoMachine(QStringLiteral("A"));
        ClickMainTab(Monatsauswertung);
        Evaluate(2001, 1);
        QCOMPARE(Main()->TLblSummeGesamtKostenMonat->text(), QStringLiteral("10,00"));

        GotoMachine(QStringLiteral("B"));
        // B's own costs are shown before the question and saved under B.
        QString shownWhenAsked;
        const TDialogResponder previous = SetDialogResponder([&](const TDialogRecord&) {
            shownWhenAsked = Main()->TLblSummeGesamtKostenMonat->text();
            return int(mrYes);
        });
        QTest::mouseClick(Main()->TBtnMonatsauswertungSpeichern, Qt::LeftButton);
        SetDialogResponder(previous);
        QCOMPARE(shownWhenAsked, QStringLiteral("7,00"));
        QCOMPARE(Saved(), QStringList{"2001/Januar: 7"});
        GotoMachine(QStringLiteral("A"));
        QVERIFY(Saved().isEmpty());
    }

    void savingUnderAnotherYearView()
    {
        // The overview shows 2002 only; the January 2001 evaluation is still found.
        Start();
        AddMachine(QStringLiteral("M-1"));
        Main()->SetEditMode(true);
        Write({Evaluation(QStringLiteral("M-1"), 2001, 1, 99, 0, 0),
               Voucher(QStringLiteral("M-1"), QDate(2001, 1, 10), QStringLiteral("ReparaturKosten"), 10)});
        Choose(Main()->ComboBoxJahr, QStringLiteral("2002"));
        Main()->RadioGrpSicht->SetItemIndex(1);
        ClickMainTab(Monatsauswertung);
        Evaluate(2001, 1);
        TDialogRecorder rec;
        QTest::mouseClick(Main()->TBtnMonatsauswertungSpeichern, Qt::LeftButton);
        QCOMPARE(rec.Records().size(), 2);
        QVERIFY(DataModule1->TTblMonatKosten->Filtered());
        QVERIFY(Saved().isEmpty());
        Main()->RadioGrpSicht->SetItemIndex(0);
        QCOMPARE(Saved(), QStringList{"2001/Januar: 10"});
    }

    void overviewView()
    {
        Start();
        AddMachine(QStringLiteral("M-1"));
        AddMachine(QStringLiteral("M-2"));
        Write({Evaluation(QStringLiteral("M-1"), 2000, 12, 1.25, 2, 10.4),
               Evaluation(QStringLiteral("M-1"), 2001, 1, 10, 20.5, 30),
               Evaluation(QStringLiteral("M-1"), 2001, 2, 5, 0, 12.6),
               Evaluation(QStringLiteral("M-2"), 2001, 3, 1000, 1000, 1000)});
        GotoMachine(QStringLiteral("M-1"));
        ClickMainTab(Monatsuebersicht);
        QCOMPARE(Main()->TLblSummeGesamtKosten->text(), QStringLiteral("38,75"));
        QCOMPARE(Main()->TLblSummeReparaturkosten->text(), QStringLiteral("16,25"));
        QCOMPARE(Main()->TLblSummeBenzinkosten->text(), QStringLiteral("22,50"));
        QCOMPARE(Main()->TLblSummeReifenkosten->text(), QStringLiteral("0,00"));
        QCOMPARE(Main()->TLblSummeVerbrauch->text(), QStringLiteral("53 L"));
        QVERIFY(!Main()->ComboBoxJahr->isEnabled());

        Choose(Main()->ComboBoxJahr, QStringLiteral("2001"));
        QTest::mouseClick(Main()->RadioGrpSicht->Button(1), Qt::LeftButton);
        QVERIFY(Main()->ComboBoxJahr->isEnabled());
        QCOMPARE(Saved(), (QStringList{"2001/Januar: 30.5", "2001/Februar: 5"}));
        QCOMPARE(Main()->TLblSummeGesamtKosten->text(), QStringLiteral("35,50"));
        QCOMPARE(Main()->TLblSummeVerbrauch->text(), QStringLiteral("43 L"));
        QCOMPARE(DataModule1->MonatsSummen.Reparaturkosten, 15.0);

        Choose(Main()->ComboBoxJahr, QStringLiteral("2000"));
        QCOMPARE(Main()->TLblSummeGesamtKosten->text(), QStringLiteral("3,25"));

        // The view stays while other tabs are shown.
        ClickMainTab(Stammdaten);
        ClickMainTab(Monatsauswertung);
        ClickMainTab(Monatsuebersicht);
        QVERIFY(DataModule1->TTblMonatKosten->Filtered());
        QCOMPARE(Main()->TLblSummeGesamtKosten->text(), QStringLiteral("3,25"));

        QTest::mouseClick(Main()->RadioGrpSicht->Button(0), Qt::LeftButton);
        QVERIFY(!DataModule1->TTblMonatKosten->Filtered());
        QCOMPARE(Main()->TLblSummeGesamtKosten->text(), QStringLiteral("38,75"));
    }

    void deleting_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("total");

        QTest::newRow("Ja") << int(mrYes) << "5,00";
        QTest::newRow("Nein") << int(mrNo) << "35,00";
    }

    void deleting()
    {
        QFETCH(int, answer);
        QFETCH(QString, total);
        Start();
        AddMachine(QStringLiteral("M-1"));
        Main()->SetEditMode(true);
        Write({Evaluation(QStringLiteral("M-1"), 2001, 1, 10, 20, 0)});
        ClickMainTab(Monatsuebersicht);
        QCOMPARE(Main()->TLblSummeGesamtKosten->text(), QStringLiteral("30,00"));
        // Another user saved an evaluation meanwhile; the totals follow either way.
        Write({Evaluation(QStringLiteral("M-1"), 2001, 2, 5, 0, 0)});
        DataModule1->TTblMonatKosten->First();

        TDialogRecorder rec;
        rec.Answer({answer});
        QTest::mouseClick(Main()->TBtnLoeschen, Qt::LeftButton);
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Text, QStringLiteral("Möchten Sie die markierte Monatsauswertung wirklich löschen"));
        QCOMPARE(Main()->TLblSummeGesamtKosten->text(), total);
    }

    void deletingFails()
    {
        Start();
        AddMachine(QStringLiteral("M-1"));
        Main()->SetEditMode(true);
        Write({Evaluation(QStringLiteral("M-1"), 2001, 1, 10, 20, 0)});
        ClickMainTab(Monatsuebersicht);
        TTable* t = DataModule1->TTblMonatKosten;
        const TDataSetNotifyEvent before = t->BeforeDelete;
        t->BeforeDelete = [](TDataSet*) { throw EDatabaseError(QStringLiteral("Datensatz gesperrt")); };
        TDialogRecorder rec;
        QTest::mouseClick(Main()->TBtnLoeschen, Qt::LeftButton);
        t->BeforeDelete = before;
        QCOMPARE(rec.Records().size(), 2);
        QCOMPARE(rec.Last().Type, mtError);
        QCOMPARE(rec.Last().Text, QStringLiteral("Löschen der Monatsauswertung nicht möglich"));
        QCOMPARE(Main()->TLblSummeGesamtKosten->text(), QStringLiteral("30,00"));
    }

    void reports_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("withRows");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("message");

        const QString none = QStringLiteral("Zur Zeit ist keine Monatsauswertung zu drucken");
        QTest::newRow("Auswertung drucken") << "TBitBtnMonatsauswertungDrucken" << false << int(rkMonatsauswertung)
                                            << int(rmPrint) << QString();
        QTest::newRow("Auswertung Vorschau") << "TBitBtnMonatsauswertungVorschau" << false << int(rkMonatsauswertung)
                                             << int(rmPreview) << QString();
        QTest::newRow("Übersicht drucken") << "TBitBtnMonatsuebersichtDrucken" << true << int(rkMonatsuebersicht)
                                           << int(rmPrint) << QString();
        QTest::newRow("Übersicht Vorschau") << "TBitBtnMonatsuebersichtVorschau" << true << int(rkMonatsuebersicht)
                                            << int(rmPreview) << QString();
        QTest::newRow("Übersicht leer") << "TBitBtnMonatsuebersichtDrucken" << false << -1 << -1 << none;
        QTest::newRow("Übersicht leer, Vorschau") << "TBitBtnMonatsuebersichtVorschau" << false << -1 << -1 << none;
    }

    void reports()
    {
        QFETCH(QString, button);
        QFETCH(bool, withRows);
        QFETCH(int, kind);
        QFETCH(int, mode);
        QFETCH(QString, message);
        Start();
        AddMachine(QStringLiteral("M-1"));
        if (withRows) Write({Evaluation(QStringLiteral("M-1"), 2001, 1, 10, 20, 0)});
        auto* b = Main()->findChild<QPushButton*>(button);
        QVERIFY(b);
        Main()->SetActivePage(b->parentWidget());
        TDialogRecorder rec;
        QTest::mouseClick(b, Qt::LeftButton);
        if (kind < 0) {
            QCOMPARE(m_reports, 0);
            QCOMPARE(rec.Last().Type, mtInformation);
            QCOMPARE(rec.Last().Text, message);
        } else {
            QVERIFY(rec.IsEmpty());
            QCOMPARE(m_reports, 1);
            QCOMPARE(int(m_reportKind), kind);
            QCOMPARE(int(m_reportMode), mode);
        }
    }
};

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TestEvaluation test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_evaluation.moc"
