// The report engine behind its calls: lines per page, the full page and the
// repeated line, the table footer, page ranges, filters, card pages with
// pictures, damaged layouts, cancelling and the preview file.
#include "ReportTestSupport.h"
#include "Render.h"
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

namespace {

TLayout Card()
{
    TLayout l;
    l.Type = TLayoutType::Card;
    return l;
}

struct TJob {
    int H = EngJobOpen(-1);
    ~TJob() { EngJobClose(H); }
};

// Prints `rows` numbered lines as the report jobs do; the results of the
// line calls, in order.
QList<int> PrintRows(int job, int rows, const QString& field = QStringLiteral("Nr"))
{
    QList<int> results;
    int i = 1, last = 0;
    while (EngPrintGetOption(job, epoLastPage) >= EngPrintGetCurrentPage(job) && i <= rows
           && (last == 0 || last == erRepeat)) {
        last = EngPrint(job);
        while (EngPrintGetOption(job, epoLastPage) >= EngPrintGetCurrentPage(job) && i <= rows && last == 0) {
            EngPrintSetBoxText(job, QStringLiteral("Zeile"), i * 100 / rows);
            EngDefineField(job, field, QStringLiteral("Zeile %1").arg(i));
            last = EngPrintFields(job);
            results << last;
            if (last == 0) ++i;
        }
    }
    return results;
}

}   // namespace

class TestRepEngine : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_oldDir;

    QString Save(const QString& name, const TLayout& l)
    {
        const QString file = m_dir.filePath(name);
        LayoutFile::Save(file, l);
        return name;
    }
    QString Pdf(const char* name) { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase()
    {
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }
    void cleanupTestCase() { QDir::setCurrent(m_oldDir); }

    void itemsPerTableFollowTheLayout_data()
    {
        QTest::addColumn<int>("lines");
        QTest::newRow("1") << 1;
        QTest::newRow("3") << 3;
        QTest::newRow("20") << 20;
        QTest::newRow("45") << 45;
    }
    void itemsPerTableFollowTheLayout()
    {
        QFETCH(int, lines);
        TJob job;
        TEngineAnswers answers;
        answers.Cancel = true;
        const QString file = Save(QStringLiteral("m.lst"), MeasuredList(lines));
        QCOMPARE(EngPrintWithBoxStart(job.H, eptList, file, epmPrinter, 0, nullptr, QString()), 0);
        QCOMPARE(EngPrintGetItemsPerTable(job.H), lines);
        QCOMPARE(EngPrintGetItemsPerPage(job.H), lines);
        QCOMPARE(EngPrintOptionsDialog(job.H, nullptr, QString()), int(erUserAborted));
        QCOMPARE(EngPrintEnd(job.H, 0), int(erUserAborted));
        QVERIFY(answers.Dialogs.IsEmpty());
    }

    void fullPageRepeatsTheLineOnTheNextPage()
    {
        TJob job;
        TEngineAnswers answers;
        answers.PdfFile = Pdf("voll.pdf");
        EngDefineVariableStart(job.H);
        EngDefineVariable(job.H, QStringLiteral("Titel"), QStringLiteral("Liste"));
        const QString file = Save(QStringLiteral("voll.lst"), MeasuredList(3));
        QCOMPARE(EngPrintWithBoxStart(job.H, eptList, file, epmPrinter, 0, nullptr, QString()), 0);
        QCOMPARE(EngPrintOptionsDialog(job.H, nullptr, QStringLiteral("Drucke")), 0);
        QCOMPARE(EngPrintGetCurrentPage(job.H), 1);
        QCOMPARE(PrintRows(job.H, 7), (QList<int>{0, 0, 0, erRepeat, 0, 0, 0, erRepeat, 0}));
        QCOMPARE(EngPrintFieldsEnd(job.H), 0);
        QCOMPARE(EngPrintEnd(job.H, 0), 0);
        const QStringList pages = PdfPages(answers.PdfFile);
        QCOMPARE(pages.size(), 3);
        const QStringList expected[] = {{"Zeile 1", "Zeile 2", "Zeile 3"}, {"Zeile 4", "Zeile 5", "Zeile 6"}, {"Zeile 7"}};
        for (int p = 0; p < 3; ++p) {
            QVERIFY2(pages[p].contains(QStringLiteral("Kopf Liste")), qPrintable(pages[p]));
            QVERIFY2(pages[p].contains(QStringLiteral("Seite %1 von 3").arg(p + 1)), qPrintable(pages[p]));
            for (const QString& row : expected[p]) QVERIFY2(pages[p].count(row) == 1, qPrintable(pages[p]));
        }
        QVERIFY(!pages[1].contains(QStringLiteral("Zeile 3")));
    }

    void lineTallerThanAPageIsCutNotRepeated()
    {
        // A repeated line that never fits would print empty pages for ever.
        TJob job;
        TEngineAnswers answers;
        answers.PdfFile = Pdf("lang.pdf");
        const QString file = Save(QStringLiteral("lang.lst"), MeasuredList(2));
        QCOMPARE(EngPrintWithBoxStart(job.H, eptList, file, epmPrinter, 0, nullptr, QString()), 0);
        QCOMPARE(EngPrintOptionsDialog(job.H, nullptr, QString()), 0);
        QCOMPARE(EngPrint(job.H), 0);
        EngDefineField(job.H, QStringLiteral("Nr"), QStringLiteral("wort ").repeated(3000));
        QCOMPARE(EngPrintFields(job.H), 0);
        EngDefineField(job.H, QStringLiteral("Nr"), QStringLiteral("danach"));
        QCOMPARE(EngPrintFields(job.H), erRepeat);
        QCOMPARE(EngPrint(job.H), 0);
        QCOMPARE(EngPrintFields(job.H), 0);
        QCOMPARE(EngPrintEnd(job.H, 0), 0);
        const QStringList pages = PdfPages(answers.PdfFile);
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[1].contains(QStringLiteral("danach")));
    }

    void longWordIsBrokenNotPrintedOverItsNeighbour()
    {
        TLayout l = MeasuredList(3, {QStringLiteral("A"), QStringLiteral("B")});
        l.Table.Columns[0].Width = 15;
        TJob job;
        TEngineAnswers answers;
        answers.PdfFile = Pdf("wort.pdf");
        QCOMPARE(EngPrintWithBoxStart(job.H, eptList, Save(QStringLiteral("w.lst"), l), epmPrinter, 0, nullptr, QString()), 0);
        EngPrintOptionsDialog(job.H, nullptr, QString());
        EngPrint(job.H);
        EngDefineField(job.H, QStringLiteral("A"), QStringLiteral("Donaudampfschifffahrtsgesellschaft"));
        EngDefineField(job.H, QStringLiteral("B"), QStringLiteral("Nachbar"));
        QCOMPARE(EngPrintFields(job.H), 0);
        EngPrintEnd(job.H, 0);
        const QString page = PdfPages(answers.PdfFile).value(0);
        QVERIFY2(page.contains(QStringLiteral("Nachbar")), qPrintable(page));
        QVERIFY2(page.contains(QStringLiteral("Donau")), qPrintable(page));
    }

    void longHeaderWordIsSetSmallerNotBroken()
    {
        TLayout l = MeasuredList(3, {QStringLiteral("A"), QStringLiteral("B")});
        l.Table.Columns[0].Title = QStringLiteral("Hauptuntersuchung Kran");
        l.Table.Columns[0].Width = 26;
        l.Table.Columns[1].Title = QStringLiteral("Nachbar");
        TJob job;
        TEngineAnswers answers;
        answers.PdfFile = Pdf("kopf.pdf");
        QCOMPARE(EngPrintWithBoxStart(job.H, eptList, Save(QStringLiteral("k.lst"), l), epmPrinter, 0, nullptr, QString()), 0);
        EngPrintOptionsDialog(job.H, nullptr, QString());
        PrintRows(job.H, 1);
        EngPrintEnd(job.H, 0);
        const QString page = PdfPages(answers.PdfFile).value(0);
        QVERIFY2(page.contains(QStringLiteral("Hauptuntersuchung")), qPrintable(page));
        QVERIFY2(page.contains(QStringLiteral("Nachbar")), qPrintable(page));
    }

    void printedDocumentIsNamedAfterTheReport_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("name");
        QTest::newRow("Titel des Layouts") << "Variable Kosten" << "Variable Kosten";
        QTest::newRow("ohne Titel") << "" << "Kosten";
    }
    void printedDocumentIsNamedAfterTheReport()
    {
        QFETCH(QString, title);
        QFETCH(QString, name);
        TLayout l = MeasuredList(3);
        l.Title = title;
        TJob job;
        TEngineAnswers answers;
        answers.PdfFile = Pdf("name.pdf");
        QCOMPARE(EngPrintWithBoxStart(job.H, eptList, Save(QStringLiteral("Kosten.lst"), l), epmPrinter, EngBoxWithAbort,
                                      nullptr, QStringLiteral("Drucke...")),
                 0);
        EngPrintOptionsDialog(job.H, nullptr, QString());
        PrintRows(job.H, 1);
        QCOMPARE(EngPrintEnd(job.H, 0), 0);
        QPdfDocument doc;
        QCOMPARE(doc.load(answers.PdfFile), QPdfDocument::Error::None);
        QCOMPARE(doc.metaData(QPdfDocument::MetaDataField::Title).toString(), name);
    }

    void tableFooterMovesOrGivesUp_data()
    {
        QTest::addColumn<int>("lines");       // table lines of the layout
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("footerLines"); // height of the footer in lines
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<int>("pages");
        QTest::newRow("passt") << 4 << 2 << 1 << QList<int>{0} << 1;
        QTest::newRow("Seite voll") << 4 << 4 << 1 << QList<int>{erRepeat, 0} << 2;
        QTest::newRow("größer als eine Seite") << 3 << 1 << 8 << QList<int>{erRepeat, erRepeat} << 2;
    }
    void tableFooterMovesOrGivesUp()
    {
        QFETCH(int, lines);
        QFETCH(int, rows);
        QFETCH(int, footerLines);
        QFETCH(QList<int>, results);
        QFETCH(int, pages);
        TLayout l = MeasuredList(lines);
        l.Table.Columns[0].Footer = QStringLiteral("'Summe' & ' ' & Anzahl()") + QStringLiteral(" & '\n.'").repeated(footerLines - 1);
        TJob job;
        TEngineAnswers answers;
        answers.PdfFile = Pdf("fuss.pdf");
        QCOMPARE(EngPrintWithBoxStart(job.H, eptList, Save(QStringLiteral("fuss.lst"), l), epmPrinter, 0, nullptr, QString()), 0);
        QCOMPARE(EngPrintOptionsDialog(job.H, nullptr, QString()), 0);
        PrintRows(job.H, rows);
        QList<int> got;
        for (int i = 0; i < results.size(); ++i) got << EngPrintFieldsEnd(job.H);
        QCOMPARE(got, results);
        QCOMPARE(EngPrintEnd(job.H, 0), 0);
        const QStringList text = PdfPages(answers.PdfFile);
        QCOMPARE(text.size(), pages);
        QCOMPARE(text.last().contains(QStringLiteral("Summe %1").arg(rows)), results.last() == 0);
    }

    void pageRangeLimitsTheOutput()
    {
        TJob job;
        TEngineAnswers answers;
        answers.PdfFile = Pdf("bereich.pdf");
        answers.FirstPage = 2;
        answers.LastPage = 2;
        QCOMPARE(EngPrintWithBoxStart(job.H, eptList, Save(QStringLiteral("b.lst"), MeasuredList(3)), epmPrinter, 0,
                                      nullptr, QString()), 0);
        QCOMPARE(EngPrintOptionsDialog(job.H, nullptr, QString()), 0);
        QCOMPARE(EngPrintGetOption(job.H, epoFirstPage), 2);
        QCOMPARE(EngPrintGetOption(job.H, epoLastPage), 2);
        PrintRows(job.H, 20);
        // The loop stops once the page after the last one begins.
        QCOMPARE(EngPrintGetCurrentPage(job.H), 3);
        EngPrintFieldsEnd(job.H);
        QCOMPARE(EngPrintEnd(job.H, 0), 0);
        const QStringList pages = PdfPages(answers.PdfFile);
        QCOMPARE(pages.size(), 1);
        QVERIFY2(pages[0].contains(QStringLiteral("Zeile 4")) && pages[0].contains(QStringLiteral("Zeile 6")), qPrintable(pages[0]));
        QVERIFY(!pages[0].contains(QStringLiteral("Zeile 7")));
    }

    void filterLeavesLinesOut()
    {
        TLayout l = MeasuredList(10);
        l.Table.Filter = QStringLiteral("Feld.Nr <> 'Zeile 2'");
        TJob job;
        TEngineAnswers answers;
        answers.PdfFile = Pdf("filter.pdf");
        QCOMPARE(EngPrintWithBoxStart(job.H, eptList, Save(QStringLiteral("f.lst"), l), epmPrinter, 0, nullptr, QString()), 0);
        EngPrintOptionsDialog(job.H, nullptr, QString());
        EngPrint(job.H);
        QList<int> matched;
        for (int i = 1; i <= 3; ++i) {
            EngDefineField(job.H, QStringLiteral("Nr"), QStringLiteral("Zeile %1").arg(i));
            QCOMPARE(EngPrintFields(job.H), 0);
            matched << EngPrintDidMatchFilter(job.H);
        }
        QCOMPARE(matched, (QList<int>{1, 0, 1}));
        EngPrintEnd(job.H, 0);
        const QString page = PdfPages(answers.PdfFile).value(0);
        QVERIFY(page.contains(QStringLiteral("Zeile 3")) && !page.contains(QStringLiteral("Zeile 2")));
    }

    void fieldUsedAnswersFromTheLayout_data()
    {
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("used");
        QTest::newRow("im Layout") << true << "Betrag" << 1;
        QTest::newRow("im Filter") << true << "Jahr" << 1;
        QTest::newRow("nur Variable") << true << "Titel" << 0;
        QTest::newRow("nicht benutzt") << true << "Bemerkung" << 0;
        QTest::newRow("andere Schreibung") << true << "betrag" << 0;
        QTest::newRow("andere Schreibung, egal") << false << "BETRAG" << 1;
    }
    void fieldUsedAnswersFromTheLayout()
    {
        QFETCH(bool, caseSensitive);
        QFETCH(QString, name);
        QFETCH(int, used);
        TLayout l = MeasuredList(5, {QStringLiteral("Betrag")});
        l.Table.Filter = QStringLiteral("Feld.Jahr = 2004");
        TJob job;
        EngSetOption(job.H, ejoVarsCaseSensitive, caseSensitive ? 1 : 0);
        QCOMPARE(EngPrintIsFieldUsed(job.H, name), 0);   // no print running
        QCOMPARE(EngPrintWithBoxStart(job.H, eptList, Save(QStringLiteral("u.lst"), l), epmPrinter, 0, nullptr, QString()), 0);
        QCOMPARE(EngPrintIsFieldUsed(job.H, name), used);
        TEngineAnswers answers;
        answers.Cancel = true;
        EngPrintOptionsDialog(job.H, nullptr, QString());
        EngPrintEnd(job.H, 0);
    }

    void startRefusesBrokenLayouts_data()
    {
        QTest::addColumn<QByteArray>("contents");   // empty: no file at all
        QTest::addColumn<int>("projectType");
        QTest::addColumn<QString>("reason");
        QTest::newRow("fehlt") << QByteArray() << int(eptList) << "kann nicht gelesen";
        QTest::newRow("beschädigt") << QByteArray("{\"format\":\"TARVOS-Report\",") << int(eptList) << "JSON";
        QTest::newRow("Karte statt Liste") << LayoutFile::Serialize(Card()) << int(eptList) << "kein Listen";
        QTest::newRow("Liste statt Karte") << LayoutFile::Serialize(MeasuredList(2)) << int(eptCard) << "kein Karten";
    }
    void startRefusesBrokenLayouts()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, projectType);
        QFETCH(QString, reason);
        const QString name = QStringLiteral("kaputt.lst");
        QFile::remove(m_dir.filePath(name));
        if (!contents.isEmpty()) {
            QFile f(m_dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contents);
        }
        TJob job;
        QCOMPARE(EngPrintWithBoxStart(job.H, projectType, name, epmPreview, 1, nullptr, QString()), int(erBadLayout));
        QVERIFY2(EngLastError(job.H).contains(reason), qPrintable(EngLastError(job.H)));
        QCOMPARE(EngPrint(job.H), int(erNotPrinting));
    }

    void cancelledPrintWritesNothing()
    {
        TJob job;
        TEngineAnswers answers;
        answers.PdfFile = Pdf("abbruch.pdf");
        answers.CancelAtBox = 3;
        QCOMPARE(EngPrintWithBoxStart(job.H, eptList, Save(QStringLiteral("a.lst"), MeasuredList(3)), epmPrinter, 1,
                                      nullptr, QString()), 0);
        EngPrintOptionsDialog(job.H, nullptr, QString());
        QCOMPARE(PrintRows(job.H, 10).last(), int(erUserAborted));
        QCOMPARE(EngPrintFieldsEnd(job.H), int(erUserAborted));
        QCOMPARE(EngPrintEnd(job.H, 0), int(erUserAborted));
        QVERIFY(!QFile::exists(answers.PdfFile));
    }

    void previewFileLivesUntilDeleted()
    {
        TJob job;
        TEngineAnswers answers;
        QTemporaryDir temp;
        QCOMPARE(EngPreviewSetTempPath(job.H, temp.path()), 0);
        const QString file = Save(QStringLiteral("v.lst"), MeasuredList(3));
        QCOMPARE(EngPrintWithBoxStart(job.H, eptList, file, epmPreview, 0, nullptr, QString()), 0);
        EngPrintOptionsDialog(job.H, nullptr, QString());
        PrintRows(job.H, 4);
        EngPrintFieldsEnd(job.H);
        QCOMPARE(EngPrintEnd(job.H, 0), 0);
        QCOMPARE(EngPreviewDisplay(job.H, file, QString(), nullptr), 0);
        QVERIFY(answers.PreviewFile.startsWith(temp.path()));
        QCOMPARE(answers.PreviewPages.size(), 2);
        QVERIFY(QFile::exists(answers.PreviewFile));
        QCOMPARE(EngPreviewDeleteFiles(job.H, file, QString()), 0);
        QVERIFY(!QFile::exists(answers.PreviewFile));
        QCOMPARE(EngPreviewDisplay(job.H, file, QString(), nullptr), int(erNoPreview));
    }

    void cardPrintsVariablesAndPictures()
    {
        // A chart picture as the park-cost report prints it: an SVG file.
        QFile svg(m_dir.filePath(QStringLiteral("Grafik~.svg")));
        QVERIFY(svg.open(QIODevice::WriteOnly));
        svg.write("<svg xmlns='http://www.w3.org/2000/svg' width='100' height='50'>"
                  "<rect x='0' y='0' width='100' height='50' fill='#1060c0'/></svg>");
        svg.close();
        TLayout card;
        card.Type = TLayoutType::Card;
        TLayoutObject t;
        t.Rect = QRectF(20, 20, 150, 0);
        t.Text = QStringLiteral("Maschine {Var.IdentNummer}, Seite {Seite} von {Seitenzahl}");
        card.Objects.push_back(t);
        TLayoutObject pic;
        pic.Kind = TObjectKind::Picture;
        pic.Rect = QRectF(20, 40, 100, 50);
        pic.Text = QStringLiteral("{Var.Bild}");
        card.Objects.push_back(pic);

        TJob job;
        TEngineAnswers answers;
        answers.PdfFile = Pdf("karte.pdf");
        EngDefineVariableStart(job.H);
        EngDefineVariable(job.H, QStringLiteral("IdentNummer"), QStringLiteral("K-4711"));
        EngDefineVariable(job.H, QStringLiteral("Bild"), QStringLiteral("Grafik~.svg"));
        QCOMPARE(EngPrintWithBoxStart(job.H, eptCard, Save(QStringLiteral("k.crd"), card), epmPrinter, 1, nullptr, QString()), 0);
        QCOMPARE(EngPrintGetItemsPerTable(job.H), 1);
        QCOMPARE(EngPrintOptionsDialog(job.H, nullptr, QString()), 0);
        QCOMPARE(EngPrint(job.H), 0);
        QCOMPARE(EngPrintEnd(job.H, 0), 0);
        QCOMPARE(PdfPages(answers.PdfFile), QStringList{QStringLiteral("Maschine K-4711, Seite 1 von 1")});
        QPdfDocument doc;
        doc.load(answers.PdfFile);
        // 210 mm at 72 dpi; the picture's middle (70 mm, 65 mm) is blue.
        const QImage page = doc.render(0, QSize(595, 842));
        const QColor mid = page.pixelColor(qRound(70 / 25.4 * 72), qRound(65 / 25.4 * 72));
        QVERIFY2(mid.blue() > 150 && mid.red() < 60, qPrintable(mid.name()));
    }

    void callsOnAnUnknownJobFail()
    {
        QString name, port;
        const int gone = EngJobOpen(-1);
        EngJobClose(gone);
        for (int r : {EngDefineVariableStart(gone), EngDefineField(gone, QStringLiteral("a"), QString()), EngPrint(gone),
                      EngPrintGetPrinterInfo(gone, name, 256, port, 81), EngPrintEnd(gone, 0),
                      EngPrintWithBoxStart(gone, eptList, QStringLiteral("x.lst"), epmPrinter, 1, nullptr, QString())})
            QCOMPARE(r, int(erBadJob));
        QCOMPARE(EngJobOpen(42), int(erLanguage));
    }

    void printerInfoIsCutToTheBuffers()
    {
        TJob job;
        TEngineAnswers answers;
        answers.PdfFile = m_dir.filePath(QStringLiteral("x").repeated(120) + QStringLiteral(".pdf"));
        QCOMPARE(EngPrintWithBoxStart(job.H, eptList, Save(QStringLiteral("p.lst"), MeasuredList(3)), epmPrinter, 1,
                                      nullptr, QString()), 0);
        EngPrintOptionsDialog(job.H, nullptr, QString());
        QString name, port;
        QCOMPARE(EngPrintGetPrinterInfo(job.H, name, 256, port, 81), 0);
        QCOMPARE(name, EngPdfTarget);
        QCOMPARE(port, answers.PdfFile.left(80));
        EngPrintEnd(job.H, 0);
    }

    void notificationsCarryTheUserData()
    {
        TJob job;
        TEngineAnswers answers;
        answers.PdfFile = Pdf("n.pdf");
        QList<QPair<int, qintptr>> seen;
        EngSetOption(job.H, ejoUserData, 4711);
        EngSetNotificationCallback(job.H, [&](int code, qintptr param, qintptr user) {
            seen << qMakePair(code, param);
            return user == 4711 ? 0 : -1;
        });
        EngPrintWithBoxStart(job.H, eptList, Save(QStringLiteral("n.lst"), MeasuredList(2)), epmPrinter, 0, nullptr, QString());
        EngPrintOptionsDialog(job.H, nullptr, QString());
        PrintRows(job.H, 3);
        EngPrintEnd(job.H, 0);
        QCOMPARE(seen.first(), qMakePair(int(enProject), qintptr(0)));
        QVERIFY(seen.contains(qMakePair(int(enPage), qintptr(2))));
        QCOMPARE(std::count_if(seen.begin(), seen.end(), [](const auto& p) { return p.first == enTableLine; }), 3);
    }
};

QTEST_MAIN(TestRepEngine)
#include "tst_repengine.moc"
