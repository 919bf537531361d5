// Times the extender's record filter on the vouchers of a park against raw
// SQL doing the same on the same file:
//   tarvos-filterbench [--machines N] [--vouchers M] [--runs R] DIR
// A park of that size is generated into DIR first when DIR has none.
// For each filter: switching it on and showing the first record with the
// count, and reading every record that passes.
#include "BenchPark.h"
#include "DBEFilt.h"
#include "DBErrors.h"
#include "DemoPark.h"
#include "Session.h"
#include "Table.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>
#include <cmath>
#include <functional>

namespace {

using namespace Bench;

struct TCase {
    QString Name;
    std::vector<TDBEFilterRow> Rows;
    QString Machine;      // the vouchers of this machine only (detail range), or all
    QString Where;        // the same filter in SQL
    QVariantList Binds;
};

const QString kOrder = QStringLiteral(" ORDER BY \"IdentNummer\", \"BelegDatum\", \"_rid\"");

class TBench {
public:
    TBench(int runs) : m_runs(runs), m_db(Session().Database(QStringLiteral("Pelmora"))->Db()) {}

    void Run()
    {
        QSqlQuery q = Prepare(m_db, QStringLiteral("SELECT \"IdentNummer\", COUNT(*) FROM \"KfzVar\" "
                                                   "GROUP BY \"IdentNummer\" ORDER BY COUNT(*) DESC LIMIT 1"));
        Exec(q);
        const QString machine = q.next() ? q.value(0).toString() : QString();
        QSqlQuery all = Prepare(m_db, QStringLiteral("SELECT COUNT(*) FROM \"KfzVar\""));
        Exec(all);
        const qint64 total = all.next() ? all.value(0).toLongLong() : 0;
        Out() << QStringLiteral("%1 Belege; Maschine mit den meisten: %2\n\n").arg(total).arg(machine);

        const std::vector<TCase> cases = {
            {QStringLiteral("Jahr = 2024, ganzer Park"),
             {{QStringLiteral("Jahr"), foEqual, QStringLiteral("2024"), 0}}, QString(),
             QStringLiteral("\"Jahr\" = ?"), {QStringLiteral("2024")}},
            {QStringLiteral("eine Maschine (Filter)"),
             {{QStringLiteral("IdentNummer"), foEqual, machine, 0}}, QString(),
             QStringLiteral("\"IdentNummer\" = ?"), {machine}},
            {QStringLiteral("eine Maschine (Bereich), Jahr = 2024"),
             {{QStringLiteral("Jahr"), foEqual, QStringLiteral("2024"), 0}}, machine,
             QStringLiteral("\"IdentNummer\" = ? AND \"Jahr\" = ?"), {machine, QStringLiteral("2024")}},
            {QStringLiteral("Reparatur > 1000 oder Bemerkung rep.."),
             {{QStringLiteral("ReparaturKosten"), foGreater, QStringLiteral("1000"), foOr},
              {QStringLiteral("Bemerkung"), foEqual, QStringLiteral("rep.."), 0}},
             QString(),
             QStringLiteral("(\"ReparaturKosten\" > ? OR lower(substr(\"Bemerkung\", 1, 3)) = ?)"),
             {1000.0, QStringLiteral("rep")}},
        };
        Out() << QStringLiteral("%1 | %2 | %3 | %4 | %5 | %6 | %7")
                     .arg(QStringLiteral("Filter"), -38)
                     .arg(QStringLiteral("Treffer"), 8)
                     .arg(QStringLiteral("ein ms"), 9)
                     .arg(QStringLiteral("SQL ms"), 9)
                     .arg(QStringLiteral("x SQL"), 6)
                     .arg(QStringLiteral("alle ms"), 9)
                     .arg(QStringLiteral("SQL ms"), 9)
              << QStringLiteral(" | x SQL\n");
        for (const TCase& c : cases) Measure(c);
        Out() << QStringLiteral("\n\"ein\": Filter einschalten, erster Datensatz und Anzahl (die Tabelle ist offen); SQL: "
                                "COUNT(*) und die erste Zeile.\n\"alle\": jeder Treffer gelesen (Betrag summiert); SQL: dieselbe "
                                "Abfrage in Indexreihenfolge.\nBestes von %1 Läufen; die Werte beider Wege sind "
                                "verglichen.\n")
                     .arg(m_runs);
    }

private:
    // The vouchers, or one machine's vouchers following the machines table.
    struct TVouchers {
        TTable Master;
        TDataSource Source;
        TTable Table;
    };
    std::unique_ptr<TVouchers> Open(const TCase& c)
    {
        auto v = std::make_unique<TVouchers>();
        if (!c.Machine.isEmpty()) {
            v->Master.SetDatabaseName(QStringLiteral("Pelmora"));
            v->Master.SetTableName(QStringLiteral("KfzStamm.db"));
            v->Master.Open();
            if (!v->Master.FindKey({c.Machine})) throw EDatabaseError(QStringLiteral("Maschine fehlt"));
            v->Source.SetDataSet(&v->Master);
            v->Table.SetMasterSource(&v->Source);
            v->Table.SetMasterFields(QStringLiteral("IdentNummer"));
        }
        v->Table.SetDatabaseName(QStringLiteral("Pelmora"));
        v->Table.SetTableName(QStringLiteral("KfzVar.DB"));
        v->Table.Open();
        return v;
    }

    void Measure(const TCase& c)
    {
        double storeOn = 0, sqlOn = 0, storeAll = 0, sqlAll = 0;
        // Switching on: the rows are known, the first is read, the count shown.
        // The open table and switching off again are not timed.
        auto v = Open(c);
        TTable* t = &v->Table;
        TField* cost = t->FieldByName(QStringLiteral("ReparaturKosten"));
        TDBEFilter f;
        f.SetDataSet(t);
        f.ApplyRows(c.Rows, false);
        auto switchedOn = [&](const std::function<double()>& then) {
            return [&f, then] {
                f.SetActive(true);
                return then();
            };
        };
        const auto off = [&] { f.SetActive(false); };
        const double onMs = Time(m_runs, switchedOn([&] {
            t->First();
            m_sink += cost->AsFloat();
            return double(t->RecordCount());
        }), storeOn, off);
        const QString where = QStringLiteral(" WHERE ") + c.Where;
        const double onSql = Time(m_runs, [&] {
            QSqlQuery n = Prepare(m_db, QStringLiteral("SELECT COUNT(*) FROM \"KfzVar\"") + where);
            for (int i = 0; i < c.Binds.size(); ++i) n.bindValue(i, c.Binds[i]);
            Exec(n);
            const double count = n.next() ? n.value(0).toDouble() : 0;
            QSqlQuery first = Prepare(m_db, QStringLiteral("SELECT * FROM \"KfzVar\"") + where + kOrder
                                               + QStringLiteral(" LIMIT 1"));
            for (int i = 0; i < c.Binds.size(); ++i) first.bindValue(i, c.Binds[i]);
            Exec(first);
            if (first.next()) m_sink += first.value(QStringLiteral("ReparaturKosten")).toDouble();
            return count;
        }, sqlOn);

        // Every record that passes, in index order.
        const double allMs = Time(m_runs, switchedOn([&] {
            double sum = 0;
            for (t->First(); !t->Eof(); t->Next()) sum += cost->AsFloat();
            return sum;
        }), storeAll, off);
        const double allSql = Time(m_runs, [&] {
            QSqlQuery q = Prepare(m_db, QStringLiteral("SELECT * FROM \"KfzVar\"") + where + kOrder);
            for (int i = 0; i < c.Binds.size(); ++i) q.bindValue(i, c.Binds[i]);
            Exec(q);
            double sum = 0;
            const int col = q.record().indexOf(QStringLiteral("ReparaturKosten"));
            while (q.next()) sum += q.value(col).toDouble();
            return sum;
        }, sqlAll);

        const bool same = storeOn == sqlOn && std::abs(storeAll - sqlAll) < 0.005;
        Out() << QStringLiteral("%1 | %2 | %3 | %4 | %5 | %6 | %7 | %8%9\n")
                     .arg(c.Name, -38)
                     .arg(qint64(storeOn), 8)
                     .arg(Num(onMs, 1), 9)
                     .arg(Num(onSql, 1), 9)
                     .arg(Num(onSql > 0 ? onMs / onSql : 0, 2), 6)
                     .arg(Num(allMs, 1), 9)
                     .arg(Num(allSql, 1), 9)
                     .arg(Num(allSql > 0 ? allMs / allSql : 0, 2), 5)
                     .arg(same ? QString() : QStringLiteral("  (Ergebnisse verschieden!)"));
        Out().flush();
    }

    int m_runs;
    QSqlDatabase& m_db;
    double m_sink = 0;
};

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvos-filterbench"));
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Misst Filter auf den Belegen eines Parks gegen SQL auf derselben Datei."));
    p.addHelpOption();
    const QCommandLineOption machines(QStringLiteral("machines"), QStringLiteral("Maschinen eines neuen Parks (1000)."),
                                      QStringLiteral("N"), QStringLiteral("1000"));
    const QCommandLineOption vouchers(QStringLiteral("vouchers"),
                                      QStringLiteral("Belege eines neuen Parks (1000000)."), QStringLiteral("M"),
                                      QStringLiteral("1000000"));
    const QCommandLineOption runs(QStringLiteral("runs"), QStringLiteral("Läufe je Messung (3)."), QStringLiteral("R"),
                                  QStringLiteral("3"));
    p.addOptions({machines, vouchers, runs});
    p.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("Verzeichnis des Parks."));
    p.process(app);
    const QString dir = OneDirectory(p);
    if (dir.isEmpty()) return 1;
    try {
        TDemoParkOptions opt;
        opt.Machines = std::max(1, p.value(machines).toInt());
        opt.TotalVouchers = std::max<qint64>(1, p.value(vouchers).toLongLong());
        const QString file = UsePark(dir, opt).File;
        Out() << "Datei: " << file << "\n";
        TBench(std::max(1, p.value(runs).toInt())).Run();
    } catch (const Exception& e) {
        QTextStream(stderr) << "Fehler: " << e.Message() << "\n";
        return 1;
    }
    Session().CloseDatabases();
    return 0;
}
