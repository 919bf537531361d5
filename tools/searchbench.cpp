// Times the value search through a field no index serves (the whole table
// is scanned) against raw SQL LIKE on the same file:
//   tarvos-searchbench [--machines N] [--runs R] DIR
// A park of that size is generated into DIR first when DIR has none.
#include "DBEdit.h"
#include "DBErrors.h"
#include "BenchPark.h"
#include "DemoPark.h"
#include "Dbextend.h"
#include "Session.h"
#include "Table.h"
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QVBoxLayout>
#include <ctime>
#include <functional>

namespace {

using Bench::Num;
using Bench::OneDirectory;
using Bench::Out;
using Bench::UsePark;

struct TTiming {
    double FirstMs = 0, BestMs = 0, BestCpuMs = 0;
    bool Found = false;
};

// Processor time of this process: steadier than the clock on a shared machine.
double CpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

TTiming Time(int runs, const std::function<bool()>& op)
{
    TTiming t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double cpu0 = CpuMs();
        t.Found = op();
        const double cpu = CpuMs() - cpu0;
        const double ms = timer.nsecsElapsed() / 1e6;
        if (i == 0) t.FirstMs = ms;
        if (i == 0 || ms < t.BestMs) t.BestMs = ms;
        if (i == 0 || cpu < t.BestCpuMs) t.BestCpuMs = cpu;
    }
    return t;
}

// The main window's situation: machines in number order, the focus in the
// number field, the extender serving them.
class TBenchForm : public QWidget {
public:
    TBenchForm()
    {
        Table = new TTable(this);
        Table->SetDatabaseName(QStringLiteral("Pelmora"));
        Table->SetTableName(QStringLiteral("KfzStamm.db"));
        auto* src = new TDataSource(this);
        src->SetDataSet(Table);
        auto* edit = new TDBEdit(this);
        edit->SetDataSource(src);
        edit->SetDataField(QStringLiteral("IdentNummer"));
        (new QVBoxLayout(this))->addWidget(edit);
        Table->Open();
        Ext = new TDBExtender(this);
    }
    TTable* Table;
    TDBExtender* Ext;
};

}   // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvos-searchbench"));
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Misst die Wertsuche ohne Index gegen SQL LIKE auf derselben Datei."));
    p.addHelpOption();
    const QCommandLineOption machines(QStringLiteral("machines"), QStringLiteral("Maschinen eines neuen Parks (10000)."),
                                      QStringLiteral("N"), QStringLiteral("10000"));
    const QCommandLineOption runs(QStringLiteral("runs"), QStringLiteral("Läufe je Messung (9)."), QStringLiteral("R"),
                                  QStringLiteral("9"));
    p.addOptions({machines, runs});
    p.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("Verzeichnis des Parks."));
    p.process(app);
    const QString dir = OneDirectory(p);
    if (dir.isEmpty()) return 1;
    const int r = std::max(1, p.value(runs).toInt());
    try {
        TDemoParkOptions opt;
        opt.Machines = std::max(1, p.value(machines).toInt());
        opt.TotalVouchers = opt.Machines;   // the search reads only the machines
        const QString file = UsePark(dir, opt).File;

        // A chassis number no machine has: the whole table is read.
        const QString pattern = QStringLiteral("..QQ7QQ..");
        TBenchForm form;
        const int count = form.Table->RecordCount();
        Out() << QStringLiteral("Datei: %1, %2 Maschinen, Suche \"%3\" in FahrgestellNr\n\n")
                     .arg(file).arg(count).arg(pattern);

        // The program registers the table when its form is first shown;
        // a search that ends on the first record does the same here.
        QElapsedTimer prep;
        prep.start();
        form.Ext->Search(form.Table, QStringLiteral("FahrgestellNr"), true, true, true, QStringLiteral(".."));
        Out() << QStringLiteral("Tabelle beim Extender angemeldet: %1 ms\n").arg(Num(prep.nsecsElapsed() / 1e6, 1));

        auto search = [&] {
            form.Table->First();
            return form.Ext->Search(form.Table, QStringLiteral("FahrgestellNr"), true, true, true, pattern);
        };
        form.Ext->ExactBOF_EOF = true;
        const TTiming clone = Time(r, search);
        form.Ext->ExactBOF_EOF = false;
        const TTiming walk = Time(r, search);

        QSqlDatabase& db = Session().Database(QStringLiteral("Pelmora"))->Db();
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.prepare(QStringLiteral("SELECT \"_rid\" FROM \"KfzStamm\" WHERE \"FahrgestellNr\" LIKE ? "
                                      "ORDER BY \"IdentNummer\", \"_rid\" LIMIT 1")))
            throw EDatabaseError(q.lastError().text());
        const TTiming sql = Time(r, [&] {
            q.bindValue(0, QStringLiteral("%QQ7QQ%"));
            if (!q.exec()) throw EDatabaseError(q.lastError().text());
            const bool found = q.next();
            q.finish();
            return found;
        });

        Out() << QStringLiteral("%1 | %2 | %3 | %4 | %5\n")
                     .arg(QStringLiteral("Weg"), -26)
                     .arg(QStringLiteral("erster ms"), 10)
                     .arg(QStringLiteral("bester ms"), 10)
                     .arg(QStringLiteral("CPU ms"), 8)
                     .arg(QStringLiteral("x SQL (CPU)"), 11);
        auto line = [&](const QString& name, const TTiming& t) {
            Out() << QStringLiteral("%1 | %2 | %3 | %4 | %5%6\n")
                         .arg(name, -26)
                         .arg(Num(t.FirstMs, 1), 10)
                         .arg(Num(t.BestMs, 1), 10)
                         .arg(Num(t.BestCpuMs, 1), 8)
                         .arg(Num(sql.BestCpuMs > 0 ? t.BestCpuMs / sql.BestCpuMs : 0, 2), 11)
                         .arg(t.Found ? QStringLiteral("  (gefunden!)") : QString());
        };
        line(QStringLiteral("Suche, zweiter Cursor"), clone);
        line(QStringLiteral("Suche, Datenmenge selbst"), walk);
        line(QStringLiteral("SQL LIKE"), sql);
        Out() << QStringLiteral("\n%1 Läufe je Weg, der beste zählt; \"erster\": erster Lauf (Wanduhr).\n").arg(r);
    } catch (const Exception& e) {
        QTextStream(stderr) << "Fehler: " << e.Message() << "\n";
        return 1;
    }
    Session().CloseDatabases();
    return 0;
}
