// Times the machine list (report kind 7) of a large park rendered to PDF:
//   tarvos-reportbench [--machines N] [--kind K] DIR
// A park of that size is generated into DIR first when DIR has none. With
// --all-to OUTDIR it instead writes every delivered report of the park's
// first machine as OUTDIR/<layout>.pdf, to be looked at.
#include "Application.h"
#include "Bench.h"
#include "DataMod.h"
#include "DemoPark.h"
#include "Dialogs.h"
#include "Engine.h"
#include "Forms.h"
#include "Main.h"
#include "Report1.h"
#include "Termine.h"
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPdfDocument>
#include <QTextStream>
#include <sys/resource.h>

namespace {

using Bench::Out;

int Fail(const QString& text)
{
    QTextStream(stderr) << text << "\n";
    return 1;
}

double PeakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

// Processor time used so far: on a busy machine the wall time says little.
qint64 CpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

// Answers the options dialog with a PDF file and counts the lines printed.
struct TPdfAnswers {
    QString File;
    int BoxTexts = 0;
    TPdfAnswers()
    {
        EngHooks().OptionsDialog = [this](const QString&, bool, TEngPrintSettings& s) {
            s.Printer = EngPdfTarget;
            s.PdfFile = File;
            return true;
        };
        EngHooks().BoxText = [this](const QString&, int, bool&) { ++BoxTexts; };
    }
    ~TPdfAnswers() { EngHooks() = TEngHooks(); }
};

int PrintAll(const QString& outDir)
{
    QDir().mkpath(outDir);
    TerminFormular->TLblTerminart->setText(QStringLiteral("Alle fälligen Termine"));
    // The due-date list as the window would have filled it.
    {
        TTable* t = DataModule1->TTblTermine;
        TTable* m = DataModule1->TTblMain;
        t->EmptyTable();
        t->Refresh();
        int n = 0;
        for (m->First(); !m->Eof() && n < 25; m->Next(), ++n) {
            t->Append();
            // The working table's fields all come from the machine.
            for (const auto& f : t->Fields()) f->SetAsString(m->FieldByName(f->FieldName())->AsString());
            t->Post();
        }
        m->First();
    }
    HauptFormular->MonatsauswertungBerechnen();
    for (TReportKind k : {rkMonatsuebersicht, rkMonatsauswertung, rkVarKosten, rkStammdaten, rkTermine, rkHistorie,
                          rkStammdatenListe}) {
        TPdfAnswers answers;
        answers.File = QDir(outDir).absoluteFilePath(LayoutFileOf(k) + QStringLiteral(".pdf"));
        RunReport(k, rmPrint);
        QPdfDocument doc;
        doc.load(answers.File);
        Out() << answers.File << ": " << doc.pageCount() << " Seite(n)\n";
    }
    return 0;
}

}   // namespace

int main(int argc, char* argv[])
{
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvos-reportbench"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Misst einen Bericht eines großen Maschinenparks als PDF."));
    p.addHelpOption();
    const QCommandLineOption machines(QStringLiteral("machines"), QStringLiteral("Anzahl der Maschinen (10000)."),
                                      QStringLiteral("N"), QStringLiteral("10000"));
    const QCommandLineOption kind(QStringLiteral("kind"), QStringLiteral("Berichtsart (7)."), QStringLiteral("K"),
                                  QStringLiteral("7"));
    const QCommandLineOption allTo(QStringLiteral("all-to"),
                                   QStringLiteral("Alle ausgelieferten Berichte als PDF in dieses Verzeichnis."),
                                   QStringLiteral("OUTDIR"));
    p.addOptions({machines, kind, allTo});
    p.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("Arbeitsverzeichnis mit dem Maschinenpark."));
    p.process(app);
    if (p.positionalArguments().size() != 1) return Fail(p.helpText());
    bool ok = false;
    TDemoParkOptions opt;
    opt.Machines = p.value(machines).toInt(&ok);
    if (!ok || opt.Machines < 1) return Fail(QStringLiteral("Ungültige Anzahl der Maschinen: %1").arg(p.value(machines)));
    const int reportKind = p.value(kind).toInt(&ok);
    if (!ok || LayoutFileOf(TReportKind(reportKind)).isEmpty())
        return Fail(QStringLiteral("Unbekannte Berichtsart: %1").arg(p.value(kind)));

    const QString dir = QDir(p.positionalArguments().first()).absolutePath();
    const QString outDir = p.isSet(allTo) ? QDir(p.value(allTo)).absolutePath() : QString();
    QDir().mkpath(dir);
    try {
        DemoPark::UseDirectory(dir);
        if (!DemoPark::HasData(dir)) {
            opt.VouchersPerMonth = p.isSet(allTo) ? 3 : 0.05;   // the list reads machines only
            const TDemoParkCounts c = DemoPark::Generate(opt);
            Out() << "Maschinenpark erzeugt: " << c.Machines << " Maschinen in " << c.Millis << " ms\n";
        }
        QDir::setCurrent(dir);
        // Messages are written out, never waited for.
        SetDialogResponder([](const TDialogRecord& r) {
            Out() << "Meldung: " << r.Text << "\n";
            return int(mrOk);
        });
        CreateForms();
        if (!outDir.isEmpty()) {
            const int r = PrintAll(outDir);
            FreeForms();
            return r;
        }
        TPdfAnswers answers;
        answers.File = QDir(dir).absoluteFilePath(QStringLiteral("reportbench.pdf"));
        QFile::remove(answers.File);
        const double rssBefore = PeakRssMb();
        QElapsedTimer t;
        const qint64 cpuBefore = CpuMs();
        t.start();
        RunReport(TReportKind(reportKind), rmPrint);
        const qint64 ms = t.elapsed();
        const qint64 cpu = CpuMs() - cpuBefore;
        QPdfDocument doc;
        doc.load(answers.File);
        const int pages = doc.pageCount();
        // Each line that did not fit its page was announced twice.
        const int rows = answers.BoxTexts - std::max(0, pages - 1);
        Out() << "Bericht " << reportKind << " (" << LayoutFileOf(TReportKind(reportKind)) << "): " << rows
              << " Zeilen, " << pages << " Seiten, " << QFileInfo(answers.File).size() / 1024 << " KB\n";
        Out() << "Zeit: " << ms << " ms (Prozessorzeit " << cpu << " ms); Speicher höchstens: " << qRound(PeakRssMb()) << " MB (vor dem Bericht "
              << qRound(rssBefore) << " MB)\n";
        FreeForms();
    } catch (const std::exception& e) {
        return Fail(ExceptionText(e));
    }
    return 0;
}
