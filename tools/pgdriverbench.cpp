// Compares the two ways to a PostgreSQL server that the store could take:
// libpq directly and Qt's QPSQL driver (rows one by one or whole results),
// on the statements the store runs most (a master range of row numbers,
// blocks of records by row number, single posts each in its own
// transaction):
//   tarvos-pgdriverbench [--rows N] [--runs R] CONNINFO
// CONNINFO is a libpq connection string ("host=127.0.0.1 port=5432 dbname=x").
// A scratch table "__pgdriverbench" is made and dropped again.
#include "Bench.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <functional>
#include <libpq-fe.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kBlock = 64;     // records per fetch, as the store reads them
constexpr int kGroups = 200;   // master ranges ("machines")

using namespace Bench;

const char* kSelectRange = "SELECT \"_rid\" FROM \"__pgdriverbench\" WHERE \"Ident\" = $1 ORDER BY \"Ident\", \"Datum\", \"_rid\"";
const char* kUpdate = "UPDATE \"__pgdriverbench\" SET \"Betrag\" = $1 WHERE \"_rid\" = $2";

std::string BlockSql(bool dollar)
{
    std::string s = "SELECT * FROM \"__pgdriverbench\" WHERE \"_rid\" IN (";
    for (int i = 0; i < kBlock; ++i) {
        if (i) s += ',';
        s += dollar ? "$" + std::to_string(i + 1) : std::string("?");
    }
    return s + ")";
}

QString Ident(int g) { return QStringLiteral("M-%1").arg(g, 4, 10, QLatin1Char('0')); }

// ------------------------------------------------------------------ libpq

class TPq {
public:
    explicit TPq(const QString& conninfo) : m_conn(PQconnectdb(conninfo.toUtf8().constData()))
    {
        if (PQstatus(m_conn) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(m_conn));
    }
    ~TPq() { PQfinish(m_conn); }

    // After the table exists.
    void PrepareAll()
    {
        Prepare("range", kSelectRange, 1);
        Prepare("block", BlockSql(true).c_str(), kBlock);
        Prepare("update", kUpdate, 2);
    }

    void Command(const char* sql)
    {
        Check(PQexec(m_conn, sql), PGRES_COMMAND_OK);
    }

    std::vector<qint64> Range(const QString& ident)
    {
        const QByteArray v = ident.toUtf8();
        const char* values[] = {v.constData()};
        PGresult* r = Check(PQexecPrepared(m_conn, "range", 1, values, nullptr, nullptr, 0), PGRES_TUPLES_OK);
        std::vector<qint64> ids;
        const int n = PQntuples(r);
        ids.reserve(size_t(n));
        for (int i = 0; i < n; ++i) ids.push_back(std::strtoll(PQgetvalue(r, i, 0), nullptr, 10));
        PQclear(r);
        return ids;
    }

    // Reads the records as the store would keep them: typed values.
    qint64 Fetch(const std::vector<qint64>& ids, double& sum)
    {
        qint64 rows = 0;
        for (size_t done = 0; done < ids.size(); done += kBlock) {
            std::string text[kBlock];
            const char* values[kBlock];
            for (int i = 0; i < kBlock; ++i) {
                text[i] = std::to_string(ids[std::min(done + size_t(i), ids.size() - 1)]);
                values[i] = text[i].c_str();
            }
            PGresult* r = Check(PQexecPrepared(m_conn, "block", kBlock, values, nullptr, nullptr, 0), PGRES_TUPLES_OK);
            for (int i = 0; i < PQntuples(r); ++i) {
                const QString ident = QString::fromUtf8(PQgetvalue(r, i, 1));
                const QDate date = QDate::fromString(QString::fromLatin1(PQgetvalue(r, i, 2)), Qt::ISODate);
                const QString remark = QString::fromUtf8(PQgetvalue(r, i, 4));
                sum += std::strtod(PQgetvalue(r, i, 3), nullptr);
                rows += !ident.isEmpty() && date.isValid() && remark.size() >= 0;
            }
            PQclear(r);
        }
        return rows;
    }

    void Update(qint64 id, double amount)
    {
        Command("BEGIN");
        const std::string a = std::to_string(amount), i = std::to_string(id);
        const char* values[] = {a.c_str(), i.c_str()};
        Check(PQexecPrepared(m_conn, "update", 2, values, nullptr, nullptr, 0), PGRES_COMMAND_OK);
        Command("COMMIT");
    }

private:
    void Prepare(const char* name, const char* sql, int params)
    {
        Check(PQprepare(m_conn, name, sql, params, nullptr), PGRES_COMMAND_OK);
    }
    PGresult* Check(PGresult* r, ExecStatusType want)
    {
        if (PQresultStatus(r) != want) {
            const std::string e = PQresultErrorMessage(r);
            PQclear(r);
            throw std::runtime_error(e);
        }
        if (want == PGRES_COMMAND_OK) {
            PQclear(r);
            return nullptr;
        }
        return r;
    }
    PGconn* m_conn;
};

// ------------------------------------------------------------------ QPSQL

class TQt {
public:
    // `forwardOnly`: rows one by one as they arrive (the driver's single-row
    // mode); otherwise the whole result in one piece.
    TQt(const QString& conninfo, bool forwardOnly) : m_name(QStringLiteral("bench%1").arg(forwardOnly)), m_forwardOnly(forwardOnly)
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        // The driver takes the parts one by one; the rest goes as options.
        QStringList options;
        for (const QString& part : conninfo.split(u' ', Qt::SkipEmptyParts)) {
            const QString key = part.section(u'=', 0, 0), value = part.section(u'=', 1);
            if (key == QLatin1String("host")) m_db.setHostName(value);
            else if (key == QLatin1String("port")) m_db.setPort(value.toInt());
            else if (key == QLatin1String("dbname")) m_db.setDatabaseName(value);
            else if (key == QLatin1String("user")) m_db.setUserName(value);
            else options << part;
        }
        m_db.setConnectOptions(options.join(u';'));
        if (!m_db.open()) throw std::runtime_error(m_db.lastError().text().toStdString());
        m_range = Prepared(QString::fromLatin1(kSelectRange).replace(QLatin1String("$1"), QLatin1String("?")));
        m_block = Prepared(QString::fromStdString(BlockSql(false)));
        m_update = Prepared(QString::fromLatin1(kUpdate).replace(QLatin1String("$1"), QLatin1String("?"))
                                .replace(QLatin1String("$2"), QLatin1String("?")));
    }

    std::vector<qint64> Range(const QString& ident)
    {
        m_range.bindValue(0, ident);
        Exec(m_range);
        std::vector<qint64> ids;
        while (m_range.next()) ids.push_back(m_range.value(0).toLongLong());
        m_range.finish();
        return ids;
    }

    qint64 Fetch(const std::vector<qint64>& ids, double& sum)
    {
        qint64 rows = 0;
        for (size_t done = 0; done < ids.size(); done += kBlock) {
            for (int i = 0; i < kBlock; ++i) m_block.bindValue(i, ids[std::min(done + size_t(i), ids.size() - 1)]);
            Exec(m_block);
            while (m_block.next()) {
                const QString ident = m_block.value(1).toString();
                const QDate date = m_block.value(2).toDate();
                const QString remark = m_block.value(4).toString();
                sum += m_block.value(3).toDouble();
                rows += !ident.isEmpty() && date.isValid() && remark.size() >= 0;
            }
            m_block.finish();
        }
        return rows;
    }

    void Update(qint64 id, double amount)
    {
        if (!m_db.transaction()) throw std::runtime_error(m_db.lastError().text().toStdString());
        m_update.bindValue(0, amount);
        m_update.bindValue(1, id);
        Exec(m_update);
        if (!m_db.commit()) throw std::runtime_error(m_db.lastError().text().toStdString());
    }

    void Close()
    {
        m_range = m_block = m_update = QSqlQuery();
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }

private:
    QSqlQuery Prepared(const QString& sql)
    {
        QSqlQuery q(m_db);
        q.setForwardOnly(m_forwardOnly);
        if (!q.prepare(sql)) throw std::runtime_error(q.lastError().text().toStdString());
        return q;
    }
    static void Exec(QSqlQuery& q)
    {
        if (!q.exec()) throw std::runtime_error(q.lastError().text().toStdString());
    }
    QString m_name;
    bool m_forwardOnly;
    QSqlDatabase m_db;
    QSqlQuery m_range, m_block, m_update;
};

void Fill(TPq& pq, int rows)
{
    pq.Command("DROP TABLE IF EXISTS \"__pgdriverbench\"");
    pq.Command("CREATE TABLE \"__pgdriverbench\" (\"_rid\" bigserial PRIMARY KEY, \"Ident\" text COLLATE \"C\", "
               "\"Datum\" date, \"Betrag\" double precision, \"Bemerkung\" text COLLATE \"C\")");
    const std::string sql = "INSERT INTO \"__pgdriverbench\" (\"Ident\", \"Datum\", \"Betrag\", \"Bemerkung\") "
                            "SELECT 'M-' || lpad((i % " + std::to_string(kGroups) + ")::text, 4, '0'), "
                            "DATE '2020-01-01' + (i % 1500), (i % 997) * 1.25, 'Beleg ' || i "
                            "FROM generate_series(1, " + std::to_string(rows) + ") AS i";
    pq.Command(sql.c_str());
    pq.Command("CREATE INDEX \"__pgdriverbench$PRIMARY\" ON \"__pgdriverbench\" (\"Ident\", \"Datum\", \"_rid\")");
    pq.Command("ANALYZE \"__pgdriverbench\"");
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Misst libpq gegen Qts QPSQL-Treiber mit den Anweisungen der Tabellen."));
    p.addHelpOption();
    const QCommandLineOption rowsOpt(QStringLiteral("rows"), QStringLiteral("Datensätze der Testtabelle (100000)."),
                                     QStringLiteral("N"), QStringLiteral("100000"));
    const QCommandLineOption runsOpt(QStringLiteral("runs"), QStringLiteral("Läufe je Messung (3)."),
                                     QStringLiteral("R"), QStringLiteral("3"));
    p.addOptions({rowsOpt, runsOpt});
    p.addPositionalArgument(QStringLiteral("CONNINFO"), QStringLiteral("libpq-Verbindungstext."));
    p.process(app);
    if (p.positionalArguments().size() != 1) {
        QTextStream(stderr) << p.helpText();
        return 1;
    }
    const QString conninfo = p.positionalArguments().first();
    const int runs = std::max(1, p.value(runsOpt).toInt());
    try {
        TPq pq(conninfo);
        Fill(pq, std::max(kGroups, p.value(rowsOpt).toInt()));
        pq.PrepareAll();
        TQt qt(conninfo, true), whole(conninfo, false);
        struct TWay {
            QString Name;
            std::function<std::vector<qint64>(const QString&)> Range;
            std::function<qint64(const std::vector<qint64>&, double&)> Fetch;
            std::function<void(qint64, double)> Update;
        };
        const TWay ways[] = {
            {QStringLiteral("libpq"), [&](const QString& i) { return pq.Range(i); },
             [&](const std::vector<qint64>& ids, double& s) { return pq.Fetch(ids, s); },
             [&](qint64 id, double a) { pq.Update(id, a); }},
            {QStringLiteral("QPSQL"), [&](const QString& i) { return qt.Range(i); },
             [&](const std::vector<qint64>& ids, double& s) { return qt.Fetch(ids, s); },
             [&](qint64 id, double a) { qt.Update(id, a); }},
            {QStringLiteral("QPSQL ganz"), [&](const QString& i) { return whole.Range(i); },
             [&](const std::vector<qint64>& ids, double& s) { return whole.Fetch(ids, s); },
             [&](qint64 id, double a) { whole.Update(id, a); }},
        };
        Out() << QStringLiteral("%1 | %2 | %3 | %4\n")
                     .arg(QStringLiteral("Weg"), -10)
                     .arg(QStringLiteral("Bereiche ms"), 12)
                     .arg(QStringLiteral("Blöcke ms"), 12)
                     .arg(QStringLiteral("500 Posts ms"), 12);
        for (const TWay& w : ways) {
            double ranges = 0, fetched = 0, posts = 0;
            std::vector<qint64> all;
            const double rangeMs = Time(runs, [&] {
                all.clear();
                for (int g = 0; g < kGroups; ++g) {
                    const auto ids = w.Range(Ident(g));
                    all.insert(all.end(), ids.begin(), ids.end());
                }
                return double(all.size());
            }, ranges);
            double sum = 0;
            const double fetchMs = Time(runs, [&] { return double(w.Fetch(all, sum)); }, fetched);
            const double postMs = Time(runs, [&] {
                for (int i = 0; i < 500; ++i) w.Update(all[size_t(i) * 7 % all.size()], i * 0.5);
                return 500.0;
            }, posts);
            Out() << QStringLiteral("%1 | %2 | %3 | %4   (%5 Zeilen, %6 gelesen)\n")
                         .arg(w.Name, -10)
                         .arg(Num(rangeMs, 1), 12)
                         .arg(Num(fetchMs, 1), 12)
                         .arg(Num(postMs, 1), 12)
                         .arg(qint64(ranges))
                         .arg(qint64(fetched));
            Out().flush();
        }
        qt.Close();
        whole.Close();
        pq.Command("DROP TABLE \"__pgdriverbench\"");
    } catch (const std::exception& e) {
        QTextStream(stderr) << "Fehler: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
