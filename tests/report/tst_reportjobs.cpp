// The report jobs on a small park behind the real main window: the page
// estimate, the progress, the repeated line, what each kind prints, the
// memo cut, broken layouts, cancelling, the preview and the designer call.
#include "ParkFixture.h"
#include "Application.h"
#include "RepEngine.h"
#include "Report1.h"
#include "ReportTestSupport.h"
#include "BarData.h"
#include "Einstell.h"
#include "Fuhrkst.h"
#include "RadioGrp.h"
#include "Termine.h"
#include <QComboBox>
#include <QLabel>

namespace {

void StoreEvaluation(const QString& machine, int year, int month, double total)
{
    CreateMissingTables();
    TTable t;
    t.SetDatabaseName(QStringLiteral("Pelmora"));
    t.SetTableName(QStringLiteral("KfzMonat.DB"));
    t.Open();
    t.InsertRecord({machine, QString::number(year), month, MonthNames().at(month - 1), total, total, 0, 0, 0, 0, 0, 0,
                    0, 12.5, 0});
    t.Close();
}

void StoreDue(const QString& machine, const QString& group)
{
    TTable t;
    t.SetDatabaseName(QStringLiteral("PelmoraPriv"));
    t.SetTableName(QStringLiteral("Termine.DB"));
    t.Open();
    t.Append();
    t.FieldByName(QStringLiteral("IdentNummer"))->SetAsString(machine);
    t.FieldByName(QStringLiteral("Gruppe"))->SetAsString(group);
    t.FieldByName(QStringLiteral("UVVTermin"))->SetAsDate(QDate(2026, 11, 30));
    t.Post();
    t.Close();
}

TLayout Card()
{
    TLayout l;
    l.Type = TLayoutType::Card;
    return l;
}

QString Ident(int i) { return QStringLiteral("M%1").arg(i, 3, 10, QLatin1Char('0')); }

}   // namespace

class TestReportJobs : public ParkFixture {
    Q_OBJECT

    QString Pdf() const { return m_dir->filePath(QStringLiteral("bericht.pdf")); }
    static int Job() { return Main()->RepEngine1->hLlJob; }
    void StoreMachines(int n)
    {
        for (int i = 1; i <= n; ++i) StoreMachine({{"IdentNummer", Ident(i)}, {"Bezeichnung1", "Maschine"}});
    }
    // A layout of the park's own in place of a delivered one.
    void WriteLayout(const QString& name, const TLayout& l) { QVERIFY(LayoutFile::Save(m_dir->filePath(name), l)); }
    static void VerifySpareReset()
    {
        for (TTable* t : {DM()->TTblVar, DM()->TTblVar1}) {
            QVERIFY(!t->Active());
            QVERIFY(t->IndexFieldNames().isEmpty());
            QVERIFY(!t->MasterSource());
            QVERIFY(t->MasterFields().isEmpty());
            QVERIFY(t->Filter().isEmpty());
        }
    }

private slots:
    void init() { InitPark(); }
    void cleanup()
    {
        OnRunReport = nullptr;
        EngHooks() = TEngHooks();
        CleanupPark();
    }

    void pageEstimateInTheOptionsDialog_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("text");
        QTest::newRow("45 zu 20") << 45 << 20 << int(rmPrint) << "Drucke\nCa. 3 Seite(n)";
        QTest::newRow("Vorschau") << 45 << 20 << int(rmPreview) << "Drucke in Vorschau\nCa. 3 Seite(n)";
        QTest::newRow("40 zu 20") << 40 << 20 << int(rmPrint) << "Drucke\nCa. 3 Seite(n)";
        // No line fits a page: each takes its own, nothing is divided by 0.
        QTest::newRow("keine Zeile passt") << 4 << 0 << int(rmPrint) << "Drucke\nCa. 5 Seite(n)";
    }
    void pageEstimateInTheOptionsDialog()
    {
        QFETCH(int, records);
        QFETCH(int, lines);
        QFETCH(int, mode);
        QFETCH(QString, text);
        StoreMachines(records);
        TLayout l = MeasuredList(lines, {QStringLiteral("IdentNummer")});
        if (lines == 0) l.Page.Size.rheight() = 10 + 10 + 10 + 6 + 3 + 10 + 0.5;
        WriteLayout(QStringLiteral("StammLis.lst"), l);
        Start(false);
        TEngineAnswers answers;
        answers.Cancel = true;
        TDialogRecorder dialogs;
        RunReport(rkStammdatenListe, TReportMode(mode));
        QCOMPARE(answers.OptionsTexts, QStringList{text});
        QVERIFY(dialogs.IsEmpty());
    }

    void progressCountsTheLines_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QList<int>>("percents");
        QTest::newRow("4 Zeilen") << 4 << 20 << QList<int>{25, 50, 75, 100};
        // Line 4 does not fit page 1: it is tried again on page 2 with the same n.
        QTest::newRow("Seitenwechsel") << 7 << 3 << QList<int>{14, 28, 42, 57, 57, 71, 85, 100, 100};
    }
    void progressCountsTheLines()
    {
        QFETCH(int, records);
        QFETCH(int, lines);
        QFETCH(QList<int>, percents);
        StoreMachines(records);
        WriteLayout(QStringLiteral("StammLis.lst"), MeasuredList(lines, {QStringLiteral("IdentNummer")}));
        Start(false);
        TEngineAnswers answers;
        answers.PdfFile = Pdf();
        RunReport(rkStammdatenListe, rmPrint);
        QCOMPARE(answers.Percents, percents);
        QVERIFY(answers.BoxTexts.first().startsWith(QStringLiteral("Drucke auf PDF-Datei")));
        const QStringList pages = PdfPages(Pdf());
        QCOMPARE(pages.size(), (records + lines - 1) / lines);
        const QString all = pages.join(u'\n');
        for (int i = 1; i <= records; ++i) QCOMPARE(all.count(Ident(i)), 1);
        QVERIFY(pages.last().contains(Ident(records)));
    }

    void monthlyOverviewFollowsTheYearView_data()
    {
        QTest::addColumn<bool>("yearView");
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<QStringList>("notPrinted");
        QTest::newRow("Jahr 2004") << true << QStringList{"Februar", "Mai"} << QStringList{"Januar", "Dezember", "August"};
        QTest::newRow("Alle") << false << QStringList{"Januar", "Februar", "Mai", "Dezember"} << QStringList{"August"};
    }
    void monthlyOverviewFollowsTheYearView()
    {
        QFETCH(bool, yearView);
        QFETCH(QStringList, printed);
        QFETCH(QStringList, notPrinted);
        StoreMachine({{"IdentNummer", "A-1"}});
        StoreMachine({{"IdentNummer", "B-2"}});
        StoreEvaluation(QStringLiteral("A-1"), 2003, 1, 10);
        StoreEvaluation(QStringLiteral("A-1"), 2004, 2, 20);
        StoreEvaluation(QStringLiteral("A-1"), 2004, 5, 40);
        StoreEvaluation(QStringLiteral("A-1"), 2005, 12, 50);
        StoreEvaluation(QStringLiteral("B-2"), 2004, 8, 80);
        Start(false);
        QCOMPARE(Machine("IdentNummer"), QStringLiteral("A-1"));
        if (yearView) {
            Main()->ComboBoxJahr->setCurrentIndex(Main()->ComboBoxJahr->findText(QStringLiteral("2004")));
            Main()->RadioGrpSicht->SetItemIndex(1);
            QVERIFY(!DM()->TTblMonatKosten->Filter().isEmpty());
        }
        TEngineAnswers answers;
        answers.PdfFile = Pdf();
        RunReport(rkMonatsuebersicht, rmPrint);
        const QString text = PdfPages(Pdf()).join(u'\n');
        for (const QString& m : printed) QVERIFY2(text.contains(m), qPrintable(m + u'\n' + text));
        for (const QString& m : notPrinted) QVERIFY2(!text.contains(m), qPrintable(m + u'\n' + text));
        QVERIFY(text.contains(QStringLiteral("A-1")));
        VerifySpareReset();
    }

    void machineListTakesEveryMachine()
    {
        StoreMachine({{"IdentNummer", "A-1"}, {"Gruppe", "Erdbau"}});
        StoreMachine({{"IdentNummer", "B-2"}, {"Gruppe", "Hochbau"}});
        StoreMachine({{"IdentNummer", "C-3"}, {"Gruppe", "Erdbau"}});
        Start(false);
        DM()->TTblMain->SetFilter(QStringLiteral("Gruppe = 'Erdbau'"));
        DM()->TTblMain->SetFiltered(true);
        QCOMPARE(DM()->TTblMain->RecordCount(), 2);
        TEngineAnswers answers;
        answers.PdfFile = Pdf();
        RunReport(rkStammdatenListe, rmPrint);
        const QString text = PdfPages(Pdf()).join(u'\n');
        for (const char* m : {"A-1", "B-2", "C-3", "Hochbau"}) QVERIFY2(text.contains(QLatin1String(m)), qPrintable(text));
    }

    void masterDataCardIsTheCurrentMachine()
    {
        StoreMachine({{"IdentNummer", "A-1"}, {"Bezeichnung1", "Radlader"}});
        StoreMachine({{"IdentNummer", "B-2"}, {"Bezeichnung1", "Raupe"}, {"Hersteller/Typ", "CAT/D6"},
                      {"Anschaffungspreis", "12345,5"}});
        StoreMachine({{"IdentNummer", "C-3"}, {"Bezeichnung1", "Walze"}});
        Start(false);
        DM()->TTblMain->Next();
        QCOMPARE(Machine("IdentNummer"), QStringLiteral("B-2"));
        TEngineAnswers answers;
        answers.PdfFile = Pdf();
        RunReport(rkStammdaten, rmPrint);
        const QStringList pages = PdfPages(Pdf());
        QCOMPARE(pages.size(), 1);
        for (const char* s : {"B-2", "Raupe", "CAT/D6", "12.345,50"}) QVERIFY2(pages[0].contains(QString::fromUtf8(s)), qPrintable(pages[0]));
        QVERIFY(!pages[0].contains(QStringLiteral("A-1")) && !pages[0].contains(QStringLiteral("Walze")));
        QCOMPARE(Machine("IdentNummer"), QStringLiteral("B-2"));
        VerifySpareReset();
    }

    void longTextReachesTheEngineCut_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("Stammdaten") << int(rkStammdaten);
        QTest::newRow("Maschinenvariablen") << int(rkVarKosten);
    }
    void longTextReachesTheEngineCut()
    {
        QFETCH(int, kind);
        const QString memo = QStringLiteral("0123456789").repeated(7000);
        StoreMachine({{"IdentNummer", "A-1"}, {"Memo", memo}});
        StoreCost(QStringLiteral("A-1"), QDate(2026, 3, 1), 10);
        Start(false);
        TEngineAnswers answers;
        answers.Cancel = true;
        RunReport(TReportKind(kind), rmPrint);
        QCOMPARE(EngVariableContents(Job(), QStringLiteral("Memo")), memo.left(64000));
    }

    void brokenLayoutIsReported_data()
    {
        QTest::addColumn<QByteArray>("contents");   // empty: the file is removed
        QTest::newRow("fehlt") << QByteArray();
        QTest::newRow("abgeschnitten") << QByteArray("{\"format\": \"TARVOS-Report\", \"version\": 1, \"type\": \"li");
        QTest::newRow("Karte") << LayoutFile::Serialize(Card());
    }
    void brokenLayoutIsReported()
    {
        QFETCH(QByteArray, contents);
        StoreMachine({{"IdentNummer", "A-1"}});
        StoreCost(QStringLiteral("A-1"), QDate(2026, 3, 1), 10);
        Start(false);
        const QString file = m_dir->filePath(QStringLiteral("VarKost.lst"));
        QVERIFY(QFile::remove(file));
        if (!contents.isEmpty()) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contents);
        }
        TEngineAnswers answers;
        TDialogRecorder dialogs;
        RunReport(rkVarKosten, rmPreview);
        QCOMPARE(dialogs.Records().size(), 1);
        QCOMPARE(dialogs.Last().Text, QStringLiteral("Fehlerhafter Report"));
        QCOMPARE(dialogs.Last().Type, mtError);
        QVERIFY(answers.OptionsTexts.isEmpty());
        VerifySpareReset();
    }

    void cancelledOptionsEndQuietly_data()
    {
        QTest::addColumn<int>("kind");
        for (int k : {0, 1, 2, 4, 5, 6, 7}) QTest::newRow(qPrintable(QString::number(k))) << k;
    }
    void cancelledOptionsEndQuietly()
    {
        QFETCH(int, kind);
        StoreMachine({{"IdentNummer", "A-1"}});
        StoreCost(QStringLiteral("A-1"), QDate(2026, 3, 1), 10);
        StoreEvaluation(QStringLiteral("A-1"), 2026, 3, 10);
        StoreDue(QStringLiteral("A-1"), QStringLiteral("Erdbau"));
        Start(false);
        TEngineAnswers answers;
        answers.Cancel = true;
        answers.PdfFile = Pdf();
        TDialogRecorder dialogs;
        RunReport(TReportKind(kind), rmPrint);
        QCOMPARE(answers.OptionsTexts.size(), 1);
        QVERIFY(dialogs.IsEmpty());
        QVERIFY(answers.BoxTexts.isEmpty());
        QVERIFY(!QFile::exists(Pdf()));
        VerifySpareReset();
    }

    void previewShowsThePagesAndDeletesThem()
    {
        StoreMachine({{"IdentNummer", "A-1"}, {"Bezeichnung1", "Radlader"}});
        StoreCost(QStringLiteral("A-1"), QDate(2026, 3, 1), 123.45);
        StoreCost(QStringLiteral("A-1"), QDate(2026, 4, 2), 10);
        Start(false);
        TEngineAnswers answers;
        RunReport(rkVarKosten, rmPreview);
        QCOMPARE(answers.PreviewPages.size(), 1);
        for (const char* s : {"Variable Kosten", "A-1", "Radlader", "01.03.2026", "Reparatur", "123,45", "Seite 1 von 1"})
            QVERIFY2(answers.PreviewPages[0].contains(QLatin1String(s)), qPrintable(answers.PreviewPages[0]));
        QVERIFY(!QFile::exists(answers.PreviewFile));
        VerifySpareReset();
    }

    void dueDatesPrintTheHeadingAndTheDateNames()
    {
        WriteSettings({{"NameFreitermin1", "Prüfung"}, {"NameFreitermin2", "Eichung"}});
        StoreMachine({{"IdentNummer", "A-1"}});
        Start(false);
        StoreDue(QStringLiteral("A-1"), QStringLiteral("Erdbau"));
        StoreDue(QStringLiteral("B-2"), QStringLiteral("Hochbau"));
        TerminFormular->TLblTerminart->setText(QStringLiteral("Fällige UVV-Termine"));
        TEngineAnswers answers;
        answers.PdfFile = Pdf();
        RunReport(rkTermine, rmPrint);
        QCOMPARE(EngVariableContents(Job(), QStringLiteral("Terminart")), QStringLiteral("Fällige UVV-Termine"));
        const QString text = PdfPages(Pdf()).join(u'\n');
        for (const char* s : {"Fällige UVV-Termine", "Prüfung", "Eichung", "A-1", "B-2", "30.11.2026"})
            QVERIFY2(text.contains(QString::fromUtf8(s)), qPrintable(text));
    }

    void monthlyEvaluationPrintsTheWindowsFigures()
    {
        StoreMachine({{"IdentNummer", "A-1"}});
        Start(false);
        Main()->TLblReparaturKostenMonat->setText(QStringLiteral("1234,56"));
        Main()->TLblSummeBetriebsstunden->setText(QStringLiteral("321"));
        Main()->CmbBoxMonatsauswertungMonat->setCurrentIndex(2);
        TEngineAnswers answers;
        answers.PdfFile = Pdf();
        RunReport(rkMonatsauswertung, rmPrint);
        const QString text = PdfPages(Pdf()).join(u'\n');
        for (const char* s : {"Monatsauswertung", "März", "1234,56", "321", "A-1"})
            QVERIFY2(text.contains(QString::fromUtf8(s)), qPrintable(text));
    }

    void footerThatNeverFitsIsReported()
    {
        StoreMachines(2);
        TLayout l = MeasuredList(3, {QStringLiteral("IdentNummer")});
        l.Table.Columns[0].Footer = QStringLiteral("'Summe' & '\n.\n.\n.\n.\n.\n.\n.\n.\n.'");
        WriteLayout(QStringLiteral("StammLis.lst"), l);
        Start(false);
        TEngineAnswers answers;
        answers.PdfFile = Pdf();
        TDialogRecorder dialogs;
        RunReport(rkStammdatenListe, rmPrint);
        QCOMPARE(dialogs.Records().size(), 1);
        QCOMPARE(dialogs.Last().Text, QStringLiteral("Error because table is too small for footer!"));
        QCOMPARE(dialogs.Last().Caption, QStringLiteral("Report Engine"));
        QCOMPARE(dialogs.Last().Type, mtWarning);
        QVERIFY(PdfPages(Pdf()).join(u'\n').contains(Ident(2)));
    }

    void usersLayoutStaysMissingOnesAreWritten()
    {
        TLayout mine = MeasuredList(5, {QStringLiteral("IdentNummer")});
        mine.Title = QStringLiteral("Meine Liste");
        WriteLayout(QStringLiteral("StammLis.lst"), mine);
        Start(false);
        TLayout back;
        QVERIFY(LayoutFile::Load(m_dir->filePath(QStringLiteral("StammLis.lst")), back));
        QCOMPARE(back.Title, QStringLiteral("Meine Liste"));
        for (TReportKind k :
             {rkMonatsuebersicht, rkMonatsauswertung, rkVarKosten, rkStammdaten, rkTermine, rkHistorie, rkFuhrparkKosten}) {
            QString why;
            QVERIFY2(LayoutFile::Load(m_dir->filePath(LayoutFileOf(k)), back, &why), qPrintable(why));
        }
    }

    void designerGetsTheLayoutWithoutTheYearFilter_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("projectType");
        QTest::newRow("0") << 0 << 0x8002;
        QTest::newRow("1") << 1 << 0x8003;
        QTest::newRow("4") << 4 << 0x8003;
        QTest::newRow("7") << 7 << 0x8002;
        QTest::newRow("8") << 8 << 0x8002;
    }
    void designerGetsTheLayoutWithoutTheYearFilter()
    {
        QFETCH(int, kind);
        QFETCH(int, projectType);
        StoreMachine({{"IdentNummer", "A-1"}});
        StoreEvaluation(QStringLiteral("A-1"), 2004, 2, 20);
        Start(false);
        Main()->ComboBoxJahr->setCurrentIndex(Main()->ComboBoxJahr->findText(QStringLiteral("2004")));
        Main()->RadioGrpSicht->SetItemIndex(1);
        QList<int> types;
        QString file, title;
        QWidget* parent = nullptr;
        bool spareFiltered = true;
        EngSetDesigner([&](int, QWidget* p, const QString& t, int type, const QString& f) {
            parent = p;
            title = t;
            types << type;
            file = f;
            spareFiltered = DM()->TTblVar->Filtered();
            return 0;
        });
        DesignReport(TReportKind(kind));
        EngSetDesigner({});
        QCOMPARE(types, QList<int>{projectType});
        QCOMPARE(file, LayoutFileOf(TReportKind(kind)));
        QCOMPARE(title, QStringLiteral("Title"));
        QCOMPARE(parent, static_cast<QWidget*>(EinstellungenFormular));
        QVERIFY(!spareFiltered);
        VerifySpareReset();
    }

    void parkCostsPrintWhatTheWindowShows_data()
    {
        QTest::addColumn<bool>("picture");
        QTest::newRow("with the chart the window saved") << true;
        QTest::newRow("chart picture missing") << false;
    }
    void parkCostsPrintWhatTheWindowShows()
    {
        QFETCH(bool, picture);
        WriteSettings({{"NameBenzinkosten", "Diesel"}});
        StoreMachine({{"IdentNummer", "A-1"}, {"Bezeichnung1", "Radlader"}, {"Gruppe", "Erdbau"}});
        StoreMachine({{"IdentNummer", "B-2"}, {"Bezeichnung1", "Kran"}, {"Gruppe", "Erdbau"}});
        StoreEvaluation(QStringLiteral("A-1"), 2004, 3, 1234.5);
        StoreEvaluation(QStringLiteral("B-2"), 2004, 4, 10.004);
        Start(false);
        TFuhrparkKostenFormular* w = FuhrparkKostenFormular;
        w->FilterArt = QStringLiteral("Gruppe");
        w->FilterWert = QStringLiteral("Erdbau");
        w->resize(1000, 560);
        w->setWindowModality(Qt::ApplicationModal);
        w->show();
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(w));
        TEngineAnswers answers;
        answers.PdfFile = Pdf();
        if (picture)
            w->TBitBtnDruckenClick();
        else
            RunReport(rkFuhrparkKosten, rmPrint);
        w->accept();
        QCOMPARE(QFile::exists(m_dir->filePath(QStringLiteral("Fuhrpks~.svg"))), picture);
        const QString text = PdfPages(Pdf()).join(u'\n');
        for (const char* s : {"Maschinenpark-Kosten", "Auswertungszeitraum: Alle Daten", "Filter: Gruppe = Erdbau", "A-1",
                              "Radlader", "B-2", "Kran", "Diesel", "1.234,50", "10,00", "1.244,50", "2 Maschinen"})
            QVERIFY2(text.contains(QString::fromUtf8(s)), qPrintable(text));
        // The chart's first bar shows in its colour on the printed page, or nothing does.
        QPdfDocument doc;
        QCOMPARE(doc.load(Pdf()), QPdfDocument::Error::None);
        const QImage page = doc.render(0, QSize(1169, 827)).convertToFormat(QImage::Format_RGB32);
        const QColor bar = TBarData::BarColor(0);
        int barPixels = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                barPixels += qAbs(c.red() - bar.red()) + qAbs(c.green() - bar.green()) + qAbs(c.blue() - bar.blue()) < 12;
            }
        QCOMPARE(barPixels > 50, picture);
        VerifySpareReset();
    }
};

int main(int argc, char** argv)
{
    // The program's own application and locale, as at run time.
    TApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TestReportJobs test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_reportjobs.moc"
