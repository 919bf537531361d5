// Times the two park-wide evaluations against plain SQL doing the same work
// on the same database files:
//   tarvos-evalbench [--machines N] [--vouchers M] [--runs R] DIR
// A park of that size is generated into DIR first when DIR has none.
// Goals: the due-date list at most 5 times, the park costs at most 3 times SQL.
#include "BenchPark.h"
#include "DBErrors.h"
#include "DataMod.h"
#include "DemoPark.h"
#include "Fuhrkst.h"
#include "Termine.h"
#include "Utility.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <functional>

namespace {

using Bench::De;
using Bench::Exec;
using Bench::OneDirectory;
using Bench::Out;
using Bench::Prepare;
using Bench::Time;
using Bench::UsePark;

struct TResult {
    QString Name;
    double Goal = 0;
    double OursMs = 0, SqlMs = 0;
    qint64 OursCheck = 0, SqlCheck = 0;   // the same figure computed both ways
};

void RunSql(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql)) throw EDatabaseError(QStringLiteral("%1: %2").arg(sql, q.lastError().text()));
}

void WarmUp(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return;
    QByteArray buf(1 << 20, Qt::Uninitialized);
    while (f.read(buf.data(), buf.size()) > 0) {}
}

class TBench {
public:
    TBench(TDataModule1& dm, int runs)
        : m_dm(dm), m_runs(runs), m_shared(Session().Database(QStringLiteral("Pelmora"))->Db()),
          m_private(Session().Database(QStringLiteral("PelmoraPriv"))->Db())
    {
        m_today = QDate::currentDate();
        QSqlQuery y = Prepare(m_shared, QStringLiteral("SELECT MAX(\"AuswJahr\") FROM \"KfzMonat\""));
        Exec(y);
        m_year = y.next() ? y.value(0).toString() : QString::number(m_today.year());
    }

    std::vector<TResult> Run()
    {
        std::vector<TResult> r;
        r.push_back(DueDates());
        r.push_back(ParkCosts(TZeitraumSicht::Alle, QString()));
        r.push_back(ParkCosts(TZeitraumSicht::Jahr, m_year));
        return r;
    }

private:
    // What the overview does for "Alle": empty the list, walk the whole park
    // through the spare handle, write a row per machine with a due date.
    TResult DueDates()
    {
        TResult res{QStringLiteral("Terminliste \"Alle\""), 5};
        TTable* termine = m_dm.TTblTermine;
        TTable* stamm = m_dm.TTblVar;
        res.OursMs = Time(m_runs, [&] {
            termine->Close();
            termine->EmptyTable();
            termine->Open();
            stamm->SetDatabaseName(QStringLiteral("Pelmora"));
            stamm->SetTableName(QStringLiteral("KfzStamm.db"));
            stamm->Open();
            termine->DisableControls();
            TermineAufbauen(*stamm, *termine, TTerminSicht::Alle, m_today);
            termine->EnableControls();
            stamm->Close();
            stamm->SetTableName(QString());
            return qint64(termine->RecordCount());
        }, res.OursCheck);
        res.SqlMs = Time(m_runs, [&] {
            static const char* const dates[] = {"TÜVTermin", "UVVTermin", "WartungKleinTermin", "WartungGrossTermin",
                                                "FreierTermin1", "FreierTermin2", "FreierTermin3"};
            RunSql(m_private, QStringLiteral("DELETE FROM \"Termine\""));
            QStringList cols{QStringLiteral("\"IdentNummer\""), QStringLiteral("\"Gruppe\""), QStringLiteral("\"Bezeichnung1\"")};
            for (const char* d : dates) cols << SqlQuote(QString::fromUtf8(d));
            cols << QStringLiteral("\"BetriebsstundenTermin\"") << QStringLiteral("\"Betriebsstunden\"");
            QSqlQuery m = Prepare(m_shared, QStringLiteral("SELECT %1 FROM \"KfzStamm\" ORDER BY \"IdentNummer\", \"_rid\"")
                                                .arg(cols.join(u',')));
            QStringList into = cols.mid(0, 11);
            QSqlQuery ins = Prepare(m_private, QStringLiteral("INSERT INTO \"Termine\" (%1) VALUES (%2)")
                                                   .arg(into.join(u','), QStringList(11, QStringLiteral("?")).join(u',')));
            const QString today = m_today.toString(Qt::ISODate);
            qint64 rows = 0;
            RunSql(m_private, QStringLiteral("BEGIN"));
            Exec(m);
            while (m.next()) {
                bool due = false;
                QVariant values[11];
                for (int i = 0; i < 3; ++i) values[i] = m.value(i);
                for (int i = 0; i < 7; ++i) {
                    const QVariant d = m.value(3 + i);
                    if (!d.isNull() && d.toString() <= today) values[3 + i] = d, due = true;
                }
                const QVariant limit = m.value(10), hours = m.value(11);
                if (!limit.isNull() && (hours.isNull() ? 0.0 : hours.toDouble()) >= limit.toDouble())
                    values[10] = limit, due = true;
                if (!due) continue;
                for (int i = 0; i < 11; ++i) ins.bindValue(i, values[i]);
                Exec(ins);
                ++rows;
            }
            RunSql(m_private, QStringLiteral("COMMIT"));
            return rows;
        }, res.SqlCheck);
        return res;
    }

    // What the park cost window does: empty its table, sum every machine's
    // evaluations of the period, write a row per machine, add the totals.
    TResult ParkCosts(TZeitraumSicht sicht, const QString& year)
    {
        TResult res{sicht == TZeitraumSicht::Alle ? QStringLiteral("Maschinenpark-Kosten \"Alle\"")
                                                  : QStringLiteral("Maschinenpark-Kosten Jahr %1").arg(year),
                    3};
        TTable* ziel = m_dm.TTblFuhrparkKosten;
        res.OursMs = Time(m_runs, [&] {
            ziel->DisableControls();
            ziel->Close();
            ziel->EmptyTable();
            ziel->Open();
            TParkSummen summen;
            FuhrparkKostenBerechnen(*m_dm.TTblMain, ZeitraumFilter(sicht, year, QString()), *ziel, summen);
            ziel->EnableControls();
            return summen.Kosten[0];
        }, res.OursCheck);
        res.SqlMs = Time(m_runs, [&] {
            static const char* const sums[] = {"GesamtKosten", "Reparaturkosten", "Reifenkosten", "Wartungskosten",
                                               "Untersuchungskosten", "Benzinkosten", "Sonstigekosten1",
                                               "Sonstigekosten2", "Sonstigekosten3", "VerbrauchLiter"};
            QStringList cols;
            for (const char* s : sums) cols << SqlQuote(QString::fromLatin1(s));
            RunSql(m_private, QStringLiteral("DELETE FROM \"KfzFuKst\""));
            QSqlQuery ev = Prepare(m_shared, QStringLiteral("SELECT \"IdentNummer\", %1 FROM \"KfzMonat\" %2 "
                                                            "ORDER BY \"IdentNummer\", \"AuswJahr\", \"AuswMonatNum\", "
                                                            "\"AuswMonatText\", \"_rid\"")
                                                 .arg(cols.join(u','), year.isEmpty() ? QString()
                                                                                      : QStringLiteral("WHERE \"AuswJahr\" = ?")));
            if (!year.isEmpty()) ev.bindValue(0, year);
            Exec(ev);
            // In key order, as the machines' detail ranges deliver them.
            QHash<QString, std::array<double, 10>> perMachine;
            while (ev.next()) {
                auto& s = perMachine[ev.value(0).toString()];
                for (int i = 0; i < 10; ++i) s[size_t(i)] += ev.value(1 + i).toDouble();
            }
            QSqlQuery m = Prepare(m_shared, QStringLiteral("SELECT \"IdentNummer\", \"Bezeichnung1\", \"Gruppe\", \"Standort\" "
                                                           "FROM \"KfzStamm\" ORDER BY \"IdentNummer\", \"_rid\""));
            QSqlQuery ins = Prepare(m_private,
                                    QStringLiteral("INSERT INTO \"KfzFuKst\" (\"KfzNr\", \"Info\", \"Gruppe\", \"Kostenstelle\", "
                                                   "\"GesamtKosten\", \"ReparaturKosten\", \"ReifenKosten\", \"WartungKosten\", "
                                                   "\"UntersuchungKosten\", \"VerbrauchKosten\", \"SonstigeKosten\", "
                                                   "\"Sonstige2Kosten\", \"Sonstige3Kosten\", \"VerbrauchLiter\") "
                                                   "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
            qint64 total = 0;
            const std::array<double, 10> none{};
            RunSql(m_private, QStringLiteral("BEGIN"));
            Exec(m);
            while (m.next()) {
                const QString id = m.value(0).toString();
                const auto it = perMachine.constFind(id);
                const auto& s = it != perMachine.constEnd() ? *it : none;
                ins.bindValue(0, id.left(10));
                for (int i = 1; i < 4; ++i) ins.bindValue(i, m.value(i));
                for (int i = 0; i < 10; ++i) ins.bindValue(4 + i, s[size_t(i)]);
                Exec(ins);
                total += ToFixed(s[0]);
            }
            RunSql(m_private, QStringLiteral("COMMIT"));
            return total;
        }, res.SqlCheck);
        return res;
    }

    TDataModule1& m_dm;
    int m_runs;
    QSqlDatabase m_shared, m_private;
    QDate m_today;
    QString m_year;
};

QString Num(double v, int decimals, int width) { return QStringLiteral("%1").arg(De().toString(v, 'f', decimals), width); }

}   // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvos-evalbench"));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Misst Terminliste und Maschinenpark-Kosten gegen direktes SQL."));
    p.addHelpOption();
    const QCommandLineOption machines(QStringLiteral("machines"), QStringLiteral("Maschinen eines neuen Parks (10000)."),
                                      QStringLiteral("N"), QStringLiteral("10000"));
    const QCommandLineOption vouchers(QStringLiteral("vouchers"), QStringLiteral("Belege eines neuen Parks (1000000)."),
                                      QStringLiteral("M"), QStringLiteral("1000000"));
    const QCommandLineOption runs(QStringLiteral("runs"), QStringLiteral("Läufe je Messung, der beste zählt (3)."),
                                  QStringLiteral("R"), QStringLiteral("3"));
    p.addOptions({machines, vouchers, runs});
    p.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("Verzeichnis des Parks."));
    p.process(app);
    const QString dir = OneDirectory(p);
    if (dir.isEmpty()) return 1;
    bool failed = false;
    try {
        TDemoParkOptions opt;
        opt.Machines = std::max(1, p.value(machines).toInt());
        opt.Years = 5;
        opt.TotalVouchers = std::max<qint64>(1, p.value(vouchers).toLongLong());
        const QString file = UsePark(dir, opt).File;
        WarmUp(file);

        std::vector<TResult> results;
        {
            TDataModule1 dm;
            QSqlQuery q(Session().Database(QStringLiteral("Pelmora"))->Db());
            auto count = [&](const char* table) {
                return q.exec(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(QString::fromLatin1(table))) && q.next()
                           ? q.value(0).toLongLong() : 0;
            };
            const qint64 nm = count("KfzStamm"), nv = count("KfzVar"), ne = count("KfzMonat");
            q.finish();
            Out() << QStringLiteral("Park %1: %2 Maschinen, %3 Belege, %4 Monatsauswertungen (%5 MB)\n\n")
                         .arg(dir, De().toString(nm), De().toString(nv), De().toString(ne),
                              De().toString(QFileInfo(file).size() / 1048576.0, 'f', 1));
            TBench bench(dm, std::max(1, p.value(runs).toInt()));
            results = bench.Run();
        }
        Out() << QStringLiteral("%1 | %2 | %3 | %4 | %5\n").arg(QStringLiteral("Auswertung"), -34)
                     .arg(QStringLiteral("unsere ms"), 10).arg(QStringLiteral("SQL ms"), 10)
                     .arg(QStringLiteral("Verhältnis"), 10).arg(QStringLiteral("Ziel"), 6);
        Out() << QString(34, u'-') << "-+-" << QString(10, u'-') << "-+-" << QString(10, u'-') << "-+-"
              << QString(10, u'-') << "-+-" << QString(6, u'-') << "\n";
        for (const TResult& r : results) {
            const double ratio = r.SqlMs > 0 ? r.OursMs / r.SqlMs : 0;
            Out() << QStringLiteral("%1 | %2 | %3 | %4 | %5").arg(r.Name, -34)
                         .arg(Num(r.OursMs, 1, 10), Num(r.SqlMs, 1, 10), Num(ratio, 2, 10),
                              QStringLiteral("<= %1").arg(r.Goal, 0, 'f', 0).rightJustified(6));
            if (ratio > r.Goal) {
                Out() << "   verfehlt";
                failed = true;
            }
            if (r.OursCheck != r.SqlCheck) {
                Out() << QStringLiteral("   Abweichung: unsere %1, SQL %2").arg(r.OursCheck).arg(r.SqlCheck);
                failed = true;
            }
            Out() << "\n";
        }
        Out() << "\nBester von " << std::max(1, p.value(runs).toInt()) << " Läufen; warmer Datei-Cache.\n";
    } catch (const Exception& e) {
        QTextStream(stderr) << "Fehler: " << e.Message() << "\n";
        return 1;
    }
    Session().CloseDatabases();
    return failed ? 2 : 0;
}
