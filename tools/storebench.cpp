// Times the table store against plain SQL on the same database file, and
// with --server the same on a PostgreSQL server beside it:
//   tarvos-storebench [--machines N] [--vouchers M] [--server CONNINFO] DIR
// A park of that size is generated into DIR first when DIR has none.
#include "DataMod.h"
#include "DBErrors.h"
#include "BenchPark.h"
#include "DemoPark.h"
#include "Transfer.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <random>

namespace {

using namespace Bench;

struct TResult {
    QString Name;
    double StoreMs = 0, SqlMs = 0;
    double StoreCheck = 0, SqlCheck = 0;   // the same figure computed both ways
};

void WarmUp(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return;
    QByteArray buf(1 << 20, Qt::Uninitialized);
    while (f.read(buf.data(), buf.size()) > 0) {}
}

class TBench {
public:
    explicit TBench(TDataModule1& dm) : m_dm(dm), m_db(Session().Database(QStringLiteral("Pelmora"))->Db()) {}

    // `only`: letters of the measurements to run (for profiling one of them).
    std::vector<TResult> Run(const QString& only)
    {
        std::vector<TResult> r;
        LoadKeys();
        const auto want = [&](char c) { return only.isEmpty() || only.contains(QLatin1Char(c)); };
        if (want('a')) r.push_back(OpenMaster());
        if (want('b')) r.push_back(MasterDetail());
        if (want('c')) r.push_back(Count());
        if (want('d')) r.push_back(FindKeys());
        if (want('e')) r.push_back(FilteredWalk());
        if (want('f')) r.push_back(FullWalk());
        return r;
    }

private:
    std::unique_ptr<TTable> NewTable(const char* file)
    {
        auto t = std::make_unique<TTable>();
        t->SetDatabaseName(QStringLiteral("Pelmora"));
        t->SetTableName(QString::fromUtf8(file));
        return t;
    }

    void LoadKeys()
    {
        QSqlQuery q = Prepare(m_db, QStringLiteral("SELECT \"IdentNummer\" FROM \"KfzStamm\""));
        Exec(q);
        while (q.next()) m_keys << q.value(0).toString();
        QSqlQuery y = Prepare(m_db, QStringLiteral("SELECT MIN(\"Jahr\"), MAX(\"Jahr\") FROM \"KfzVar\""));
        Exec(y);
        if (y.next()) m_year = QString::number((y.value(0).toInt() + y.value(1).toInt()) / 2);
    }

    TResult OpenMaster()
    {
        TResult res{QStringLiteral("(a) Stammtabelle öffnen")};
        res.StoreMs = Time(3, [&] {
            auto t = NewTable("KfzStamm.db");
            t->Open();
            m_sink += t->FieldByName(QStringLiteral("IdentNummer"))->AsString().size();
            return double(t->RecordCount());
        }, res.StoreCheck);
        res.SqlMs = Time(3, [&] {
            QSqlQuery q = Prepare(m_db, QStringLiteral("SELECT * FROM \"KfzStamm\" ORDER BY \"IdentNummer\", \"_rid\""));
            Exec(q);
            double n = 0;
            while (q.next()) {
                m_sink += q.value(1).toString().size();
                ++n;
            }
            return n;
        }, res.SqlCheck);
        return res;
    }

    TResult MasterDetail()
    {
        TResult res{QStringLiteral("(b) Stamm mit Belegen+Historie")};
        // Vouchers and history follow the master; the evaluations stay out.
        m_dm.TTblMonatKosten->Close();
        TTable* main = m_dm.TTblMain;
        TTable* var = m_dm.TTblVarKosten;
        TTable* histo = m_dm.TTblHistorie;
        TField* date = var->FieldByName(QStringLiteral("BelegDatum"));
        res.StoreMs = Time(3, [&] {
            double n = 0;
            main->First();
            while (!main->Eof()) {
                m_sink += date->AsDate().day();
                n += var->RecordCount() + histo->RecordCount();
                main->Next();
            }
            return n;
        }, res.StoreCheck);
        m_dm.TTblMonatKosten->Open();
        res.SqlMs = Time(3, [&] {
            QSqlQuery m = Prepare(m_db, QStringLiteral("SELECT \"IdentNummer\" FROM \"KfzStamm\" ORDER BY \"IdentNummer\", \"_rid\""));
            QSqlQuery v = Prepare(m_db, QStringLiteral("SELECT * FROM \"KfzVar\" WHERE \"IdentNummer\" = ? "
                                                       "ORDER BY \"IdentNummer\", \"BelegDatum\", \"_rid\""));
            QSqlQuery h = Prepare(m_db, QStringLiteral("SELECT * FROM \"KfzHisto\" WHERE \"KfzNr\" = ? "
                                                       "ORDER BY \"KfzNr\", \"Datum\", \"_rid\""));
            Exec(m);
            QStringList idents;
            while (m.next()) idents << m.value(0).toString();
            double n = 0;
            for (const QString& id : idents) {
                v.bindValue(0, id);
                Exec(v);
                bool first = true;
                while (v.next()) {
                    if (first) m_sink += QDate::fromString(v.value(2).toString(), Qt::ISODate).day();
                    first = false;
                    ++n;
                }
                h.bindValue(0, id.left(10));
                Exec(h);
                while (h.next()) ++n;
            }
            return n;
        }, res.SqlCheck);
        return res;
    }

    TResult Count()
    {
        TResult res{QStringLiteral("(c) Belege zählen")};
        res.StoreMs = Time(3, [&] {
            auto t = NewTable("KfzVar.DB");
            t->Open();
            return double(t->RecordCount());
        }, res.StoreCheck);
        res.SqlMs = Time(3, [&] {
            QSqlQuery q = Prepare(m_db, QStringLiteral("SELECT COUNT(*) FROM \"KfzVar\""));
            Exec(q);
            return q.next() ? q.value(0).toDouble() : 0.0;
        }, res.SqlCheck);
        return res;
    }

    TResult FindKeys()
    {
        TResult res{QStringLiteral("(d) 1000 × FindKey Stamm")};
        std::mt19937 gen(17);
        QStringList keys;
        for (int i = 0; i < 1000 && !m_keys.isEmpty(); ++i) keys << m_keys[int(gen() % quint32(m_keys.size()))];
        auto t = NewTable("KfzStamm.db");
        t->Open();
        TField* name = t->FieldByName(QStringLiteral("Bezeichnung1"));
        res.StoreMs = Time(3, [&] {
            double found = 0;
            for (const QString& k : keys)
                if (t->FindKey({k})) {
                    m_sink += name->AsString().size();
                    ++found;
                }
            return found;
        }, res.StoreCheck);
        res.SqlMs = Time(3, [&] {
            QSqlQuery q = Prepare(m_db, QStringLiteral("SELECT * FROM \"KfzStamm\" WHERE \"IdentNummer\" = ? "
                                                       "ORDER BY \"_rid\" LIMIT 1"));
            double found = 0;
            for (const QString& k : keys) {
                q.bindValue(0, k);
                Exec(q);
                if (q.next()) {
                    m_sink += q.value(4).toString().size();
                    ++found;
                }
            }
            return found;
        }, res.SqlCheck);
        return res;
    }

    TResult FilteredWalk()
    {
        TResult res{QStringLiteral("(e) Filter Jahr = %1, Lauf").arg(m_year)};
        res.StoreMs = Time(1, [&] {
            auto t = NewTable("KfzVar.DB");
            t->SetFilter(QStringLiteral("Jahr = '%1'").arg(m_year));
            t->SetFiltered(true);
            t->Open();
            TField* fuel = t->FieldByName(QStringLiteral("Benzinkosten"));
            double sum = 0;
            for (t->First(); !t->Eof(); t->Next()) sum += fuel->AsFloat();
            return std::round(sum);
        }, res.StoreCheck);
        res.SqlMs = Time(1, [&] {
            QSqlQuery q = Prepare(m_db, QStringLiteral("SELECT * FROM \"KfzVar\" WHERE \"Jahr\" = ? "
                                                       "ORDER BY \"IdentNummer\", \"BelegDatum\", \"_rid\""));
            q.bindValue(0, m_year);
            Exec(q);
            double sum = 0;
            while (q.next()) sum += q.value(9).toDouble();
            return std::round(sum);
        }, res.SqlCheck);
        return res;
    }

    TResult FullWalk()
    {
        TResult res{QStringLiteral("(f) Belege ganz, Schlüsselfolge")};
        res.StoreMs = Time(1, [&] {
            auto t = NewTable("KfzVar.DB");
            t->Open();
            TField* date = t->FieldByName(QStringLiteral("BelegDatum"));
            TField* fuel = t->FieldByName(QStringLiteral("Benzinkosten"));
            double sum = 0;
            for (t->First(); !t->Eof(); t->Next()) {
                m_sink += date->AsDate().day();
                sum += fuel->AsFloat();
            }
            return std::round(sum);
        }, res.StoreCheck);
        res.SqlMs = Time(1, [&] {
            QSqlQuery q = Prepare(m_db, QStringLiteral("SELECT * FROM \"KfzVar\" ORDER BY \"IdentNummer\", \"BelegDatum\", \"_rid\""));
            Exec(q);
            double sum = 0;
            while (q.next()) {
                m_sink += QDate::fromString(q.value(2).toString(), Qt::ISODate).day();
                sum += q.value(9).toDouble();
            }
            return std::round(sum);
        }, res.SqlCheck);
        return res;
    }

    TDataModule1& m_dm;
    QSqlDatabase m_db;
    QStringList m_keys;
    QString m_year;
    qint64 m_sink = 0;   // keeps the reads from being optimised away
};

QString Num(double v, int decimals, int width) { return QStringLiteral("%1").arg(De().toString(v, 'f', decimals), width); }

}   // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvos-storebench"));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Misst den Tabellenspeicher gegen direktes SQL auf derselben Datei."));
    p.addHelpOption();
    const QCommandLineOption machines(QStringLiteral("machines"), QStringLiteral("Maschinen eines neuen Parks (10000)."),
                                      QStringLiteral("N"), QStringLiteral("10000"));
    const QCommandLineOption vouchers(QStringLiteral("vouchers"), QStringLiteral("Belege eines neuen Parks (1000000)."),
                                      QStringLiteral("M"), QStringLiteral("1000000"));
    const QCommandLineOption only(QStringLiteral("only"), QStringLiteral("Nur diese Messungen, z. B. \"bf\"."),
                                  QStringLiteral("LISTE"));
    const QCommandLineOption serverOpt(QStringLiteral("server"),
                                       QStringLiteral("Auch auf diesem PostgreSQL-Server messen (\"host=… port=… "
                                                      "dbname=… user=…\"); der Park wird in eine leere Datenbank "
                                                      "übertragen."),
                                       QStringLiteral("VERBINDUNG"));
    p.addOptions({machines, vouchers, only, serverOpt});
    p.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("Verzeichnis des Parks."));
    p.process(app);
    const QString dir = OneDirectory(p);
    if (dir.isEmpty()) return 1;
    try {
        TDemoParkOptions opt;
        opt.Machines = std::max(1, p.value(machines).toInt());
        opt.Years = 5;
        opt.TotalVouchers = std::max<qint64>(1, p.value(vouchers).toLongLong());
        const TBenchPark park = UsePark(dir, opt);
        const QString& file = park.File;
        if (park.Made) {
            const TDemoParkCounts& c = *park.Made;
            Out() << QStringLiteral("  %1 Maschinen, %2 Belege, %3 Monatsauswertungen, %4 Historieneinträge in %5 s\n")
                         .arg(De().toString(c.Machines), De().toString(c.Vouchers), De().toString(c.Evaluations),
                              De().toString(c.History), De().toString(c.Millis / 1000.0, 'f', 1));
        } else {
            Out() << "Vorhandener Park in " << dir << " (Größe wie gefunden)\n";
        }
        Out() << QStringLiteral("Datei: %1 (%2 MB)\n").arg(file, De().toString(QFileInfo(file).size() / 1048576.0, 'f', 1));
        WarmUp(file);

        const auto measure = [&] {
            TDataModule1 dm;
            QSqlQuery q(Session().Database(QStringLiteral("Pelmora"))->Db());
            const qint64 nv = q.exec(QStringLiteral("SELECT COUNT(*) FROM \"KfzVar\"")) && q.next() ? q.value(0).toLongLong() : 0;
            q.finish();
            Out() << QStringLiteral("Maschinen: %1, Belege: %2\n\n").arg(De().toString(dm.TTblMain->RecordCount()), De().toString(nv));
            TBench bench(dm);
            return bench.Run(p.value(only));
        };
        const auto print = [&](const std::vector<TResult>& results) {
            Out() << QStringLiteral("%1 | %2 | %3 | %4\n").arg(QStringLiteral("Operation"), -34)
                         .arg(QStringLiteral("Store ms"), 10).arg(QStringLiteral("SQL ms"), 10).arg(QStringLiteral("Verhältnis"), 10);
            Out() << QString(34, u'-') << "-+-" << QString(10, u'-') << "-+-" << QString(10, u'-') << "-+-" << QString(10, u'-') << "\n";
            for (const TResult& r : results) {
                Out() << QStringLiteral("%1 | %2 | %3 | %4").arg(r.Name, -34).arg(Num(r.StoreMs, 1, 10), Num(r.SqlMs, 1, 10),
                                                                  Num(r.SqlMs > 0 ? r.StoreMs / r.SqlMs : 0, 2, 10));
                if (r.StoreCheck != r.SqlCheck)
                    Out() << QStringLiteral("   Abweichung: Store %1, SQL %2").arg(r.StoreCheck, 0, 'f', 0).arg(r.SqlCheck, 0, 'f', 0);
                Out() << "\n";
            }
            Out().flush();
        };
        const std::vector<TResult> local = measure();
        print(local);
        if (p.isSet(serverOpt)) {
            // The same park on the server: copied there once, measured the
            // same way, and set beside the file.
            TServerAlias server;
            for (const QString& part : p.value(serverOpt).split(u' ', Qt::SkipEmptyParts)) {
                const QString key = part.section(u'=', 0, 0), value = part.section(u'=', 1);
                if (key == QLatin1String("host")) server.Host = value;
                else if (key == QLatin1String("port")) server.Port = value.toInt();
                else if (key == QLatin1String("dbname")) server.Database = value;
                else if (key == QLatin1String("user")) server.User = value;
                else if (key == QLatin1String("sslmode")) server.SslMode = value;
            }
            Session().CloseDatabases();
            Session().SetAliasServer(QStringLiteral("Server"), server);
            TDatabase* target = Session().Database(QStringLiteral("Server"));
            if (target->TableNames().isEmpty()) {
                Out() << "\nÜbertrage den Park auf den Server " << target->FileName() << " ...\n";
                Out().flush();
                TransferTables(*Session().Database(QStringLiteral("Pelmora")), *target);
            }
            Session().CloseDatabases();
            Session().SetAliasServer(QStringLiteral("Pelmora"), server);
            Out() << "\nServer " << server.Host << ":" << server.Port << "/" << server.Database << "\n";
            const std::vector<TResult> remote = measure();
            print(remote);
            Out() << QStringLiteral("\n%1 | %2 | %3 | %4\n").arg(QStringLiteral("Store: Server gegen Datei"), -34)
                         .arg(QStringLiteral("Datei ms"), 10).arg(QStringLiteral("Server ms"), 10).arg(QStringLiteral("Verhältnis"), 10);
            for (size_t i = 0; i < local.size() && i < remote.size(); ++i)
                Out() << QStringLiteral("%1 | %2 | %3 | %4\n").arg(local[i].Name, -34).arg(Num(local[i].StoreMs, 1, 10),
                             Num(remote[i].StoreMs, 1, 10), Num(local[i].StoreMs > 0 ? remote[i].StoreMs / local[i].StoreMs : 0, 2, 10));
        }
        Out() << "\n(a) bis (d): bester von 3 Läufen; warmer Datei-Cache.\n";
    } catch (const Exception& e) {
        QTextStream(stderr) << "Fehler: " << e.Message() << "\n";
        return 1;
    }
    Session().CloseDatabases();
    return 0;
}
