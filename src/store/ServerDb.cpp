// The shared alias on a PostgreSQL server: connection, the store's own
// tables and functions there, structure and errors. Values are stored as in
// the SQLite files (dates as ISO text, truth values as 0/1), so everything
// above the connection stays the same.
#include "Cursor.h"
#include "DBConsts.h"
#include "DBErrors.h"
#include "Session.h"
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <libpq-fe.h>

using namespace DBConsts;

namespace {

int g_serverConnCounter = 0;

// Column type on the server for a declared type; the declared type itself
// is kept in "__Fields". Texts sort by code point, as in SQLite.
QString ServerColumnType(TFieldType t)
{
    switch (t) {
    case ftString: case ftMemo: case ftFmtMemo: case ftDate: case ftTime: case ftDateTime:
        return QStringLiteral("text COLLATE \"C\"");
    case ftFloat: case ftCurrency: case ftBCD: return QStringLiteral("double precision");
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftBoolean: return QStringLiteral("bigint");
    default: return QStringLiteral("bytea");
    }
}

bool PasswordWanted(const QString& text)
{
    return text.contains(QLatin1String("no password supplied"))
        || text.contains(QLatin1String("password authentication failed"));
}

PGconn* ConnOf(const QSqlDatabase& db)
{
    const QVariant h = db.driver() ? db.driver()->handle() : QVariant();
    // The driver names libpq's struct, not its typedef.
    if (h.isValid() && (qstrcmp(h.typeName(), "pg_conn*") == 0 || qstrcmp(h.typeName(), "PGconn*") == 0))
        return *static_cast<PGconn* const*>(h.constData());
    return nullptr;
}

}   // namespace

TDatabase::TDatabase(const QString& alias, const TServerAlias& server)
    : m_alias(alias), m_backend(TBackend::PostgreSQL), m_server(server)
{
    m_file = QStringLiteral("%1:%2/%3").arg(server.Host).arg(server.Port).arg(server.Database);
    m_conn = QStringLiteral("tarvos-%1-server-%2").arg(alias).arg(++g_serverConnCounter);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_conn);
    OpenServer();
    PrepareServerSchema();
}

void TDatabase::OpenServer(bool reconnect)
{
    m_db.setHostName(m_server.Host);
    m_db.setPort(m_server.Port);
    m_db.setDatabaseName(m_server.Database);
    m_db.setUserName(m_server.User);
    // A server that does not answer is given up after a few seconds, on
    // connecting and, through the keepalives, on a connection that died.
    QStringList options{QStringLiteral("connect_timeout=5"), QStringLiteral("keepalives_idle=10"),
                        QStringLiteral("keepalives_interval=2"), QStringLiteral("keepalives_count=3"),
                        QStringLiteral("application_name=TARVOS")};
    if (!m_server.SslMode.isEmpty()) options << QStringLiteral("sslmode=") + m_server.SslMode;
    if (!m_server.Options.isEmpty()) options << QStringLiteral("options=") + m_server.Options;
    m_db.setConnectOptions(options.join(u';'));
    while (!m_db.open()) {
        const QString reason = m_db.lastError().text();
        QString user = m_db.userName(), password;
        if (PasswordWanted(reason) && Session().OnLogin) {
            if (!Session().OnLogin(m_file, user, password, reason))
                EngineError(DbiErr::IO, SServerLoginCancelled.arg(m_file));
            m_db.setUserName(user);
            m_db.setPassword(password);
            continue;
        }
        // Once connected, the user learns in German that the server is
        // still away, not the driver's English reason again.
        if (reconnect) EngineError(DbiErr::IO, SServerLost.arg(m_file));
        EngineError(DbiErr::IO, SServerConnect.arg(m_file, reason.trimmed()));
    }
    m_broken = false;
}

void TDatabase::ReopenServer()
{
    qDeleteAll(m_queries);
    m_queries.clear();
    m_txDepth = 0;
    for (auto& t : m_tables) t->Invalidate();
    m_db.close();
    OpenServer(true);
}

namespace {
// The data version counts writing transactions, not statements: a bulk
// copy of a million rows in one transaction would otherwise leave as many
// dead versions of the one row behind, for every reader to step over.
const QString kCountOnce = QStringLiteral(
    "CREATE OR REPLACE FUNCTION tv_changed() RETURNS trigger LANGUAGE plpgsql AS "
    "$$BEGIN IF current_setting('tarvos.counted', true) IS DISTINCT FROM '1' THEN "
    "UPDATE \"__Version\" SET \"v\" = \"v\" + 1; PERFORM set_config('tarvos.counted', '1', true); "
    "END IF; RETURN NULL; END$$");
}

void TDatabase::PrepareServerSchema()
{
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT to_regclass('\"__Fields\"') IS NOT NULL, "
                               "to_regprocedure('tv_like(text,text,bigint)') IS NOT NULL, "
                               "EXISTS (SELECT 1 FROM pg_collation WHERE collname = 'und-x-icu'), "
                               "EXISTS (SELECT 1 FROM pg_proc WHERE oid = to_regprocedure('tv_changed()') "
                               "AND prosrc LIKE '%tarvos.counted%')")))
        RaiseServerError(q.lastError());
    q.next();
    const bool tables = q.value(0).toBool(), functions = q.value(1).toBool(), icu = q.value(2).toBool();
    const bool countsOnce = q.value(3).toBool();
    q.finish();
    if (tables && functions) {
        if (!countsOnce) {
            // A database made by an earlier version counts every statement.
            // Only the functions' owner may change that; the others read
            // and write as before.
            try {
                TTransaction tx(*this);
                Exec(kCountOnce);
                tx.Commit();
            } catch (const EDBEngineError&) {
                if (m_broken) throw;
            }
        }
        return;
    }
    // Case-insensitive filters fold every letter, umlauts included, as the
    // record filter does: lower() under "C" would fold ASCII only.
    const QString fold = icu ? QStringLiteral("COLLATE \"und-x-icu\"") : QString();
    const QStringList ddl = {
        QStringLiteral("CREATE TABLE IF NOT EXISTS \"__Fields\" (\"_rid\" bigserial PRIMARY KEY, \"TableName\" text, "
                       "\"FieldNo\" integer, \"Name\" text, \"Type\" text, \"Required\" integer)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS \"__Indexes\" (\"_rid\" bigserial PRIMARY KEY, \"TableName\" text, "
                       "\"Name\" text, \"Fields\" text, \"Options\" integer)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS \"__ValChecks\" (\"_rid\" bigserial PRIMARY KEY, \"TableName\" text, "
                       "\"FieldNo\" integer, \"Required\" integer, \"LookupTable\" text, \"LookupType\" integer)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS \"__Version\" (\"v\" bigint NOT NULL)"),
        QStringLiteral("INSERT INTO \"__Version\" SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM \"__Version\")"),
        kCountOnce,
        QStringLiteral("CREATE OR REPLACE FUNCTION tv_ci_prefix(v text, c text, n bigint) RETURNS boolean "
                       "LANGUAGE sql IMMUTABLE AS $$SELECT v IS NOT NULL AND c IS NOT NULL AND CASE WHEN n > 0 "
                       "THEN lower(left(v, n::integer) %1) = lower(left(c, n::integer) %1) "
                       "ELSE lower(v %1) = lower(c %1) END$$").arg(fold),
        // Patterns know "%" and "_" and no escape character.
        QStringLiteral("CREATE OR REPLACE FUNCTION tv_like(v text, p text, ci bigint) RETURNS boolean "
                       "LANGUAGE sql IMMUTABLE AS $$SELECT v IS NOT NULL AND p IS NOT NULL AND CASE WHEN ci <> 0 "
                       "THEN lower(v %1) LIKE lower(p %1) ESCAPE '' ELSE v LIKE p ESCAPE '' END$$").arg(fold),
    };
    TTransaction tx(*this);
    for (const QString& sql : ddl) Exec(sql);
    tx.Commit();
}

bool TDatabase::MayWrite()
{
    if (!IsServer()) return true;
    if (m_mayWrite < 0) {
        // Writing means changing the store's tables; a role granted SELECT
        // only is refused every write by the server in any case.
        QSqlQuery& q = Query(QStringLiteral("SELECT has_table_privilege('\"__Version\"', 'UPDATE')"));
        if (!q.exec()) RaiseServerError(q.lastError());
        m_mayWrite = q.next() && q.value(0).toBool() ? 1 : 0;
        q.finish();
    }
    return m_mayWrite == 1;
}

void TDatabase::CreateServerTable(const QString& base, const std::vector<TFieldDef>& fields,
                                  const std::vector<TIndexDef>& indexes)
{
    QStringList cols{QStringLiteral("\"_rid\" bigserial PRIMARY KEY")};
    for (const TFieldDef& f : fields)
        cols << SqlQuote(f.Name) + u' ' + ServerColumnType(f.DataType) + (f.Required ? QStringLiteral(" NOT NULL") : QString());
    TTransaction tx(*this);
    Exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(SqlQuote(base), cols.join(QStringLiteral(", "))));
    int no = 0;
    for (const TFieldDef& f : fields)
        Exec(QStringLiteral("INSERT INTO \"__Fields\" (\"TableName\", \"FieldNo\", \"Name\", \"Type\", \"Required\") "
                            "VALUES (?,?,?,?,?)"),
             {base, ++no, f.Name, SqlTypeOf(f), f.Required ? 1 : 0});
    for (const TIndexDef& ix : indexes) {
        QStringList parts;
        for (const QString& f : ix.FieldList())
            parts << SortKey(SqlQuote(f), ix.Options & ixCaseInsensitive, ix.Options & ixDescending);
        const QString name = base + u'$' + ((ix.Options & ixPrimary) ? QStringLiteral("PRIMARY") : ix.Name);
        Exec(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                 .arg((ix.Options & ixUnique) ? QStringLiteral("UNIQUE ") : QString(), SqlQuote(name),
                      SqlQuote(base), parts.join(QStringLiteral(", "))));
        Exec(QStringLiteral("INSERT INTO \"__Indexes\" (\"TableName\", \"Name\", \"Fields\", \"Options\") "
                            "VALUES (?,?,?,?)"),
             {base, (ix.Options & ixPrimary) ? QString() : ix.Name, ix.Fields, ix.Options});
    }
    Exec(QStringLiteral("CREATE TRIGGER %1 AFTER INSERT OR UPDATE OR DELETE ON %2 "
                        "FOR EACH STATEMENT EXECUTE FUNCTION tv_changed()")
             .arg(SqlQuote(base + QStringLiteral("$changed")), SqlQuote(base)));
    tx.Commit();
}

TTableStructure TDatabase::ReadServerStructure(const QString& baseName)
{
    TTableStructure s;
    s.Name = baseName;
    for (const QString& n : TableNames())
        if (n.compare(baseName, Qt::CaseInsensitive) == 0) { s.Name = n; break; }
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("SELECT \"Name\", \"Type\", \"Required\" FROM \"__Fields\" WHERE \"TableName\" = ? "
                             "ORDER BY \"FieldNo\""));
    q.addBindValue(s.Name);
    if (!q.exec()) RaiseServerError(q.lastError());
    int no = 0;
    while (q.next()) {
        TFieldDef d = FieldDefFromSqlType(q.value(0).toString(), q.value(1).toString());
        d.Required = q.value(2).toInt() != 0;
        d.FieldNo = ++no;
        s.Fields.push_back(d);
    }
    if (s.Fields.empty()) EngineError(DbiErr::NOSUCHTABLE, STableNotFound.arg(baseName));
    QSqlQuery ix(m_db);
    ix.prepare(QStringLiteral("SELECT \"Name\", \"Fields\", \"Options\" FROM \"__Indexes\" WHERE \"TableName\" = ? "
                              "ORDER BY \"_rid\""));
    ix.addBindValue(s.Name);
    if (!ix.exec()) RaiseServerError(ix.lastError());
    std::vector<TIndexDef> secondary;
    while (ix.next()) {
        TIndexDef d{ix.value(0).toString(), ix.value(1).toString(), ix.value(2).toInt()};
        if (d.Options & ixPrimary) s.Indexes.insert(s.Indexes.begin(), d);
        else secondary.push_back(d);
    }
    for (auto& d : secondary) s.Indexes.push_back(d);
    return s;
}

void TDatabase::RaiseServerError(const QSqlError& err)
{
    const QString state = err.nativeErrorCode();
    const QString text = err.databaseText().isEmpty() ? err.text() : err.databaseText();
    PGconn* conn = ConnOf(m_db);
    // Network cut, server stopped or restarted: reconnect on the next use.
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P"))
        || err.type() == QSqlError::ConnectionError || !conn || PQstatus(conn) != CONNECTION_OK) {
        m_broken = true;
        m_txDepth = 0;
        EngineError(DbiErr::IO, SServerLost.arg(m_file));
    }
    if (state == QLatin1String("23505") || state == QLatin1String("23502")) EngineError(DbiErr::KEYVIOL, SKeyViol);
    if (state == QLatin1String("42501")) EngineError(DbiErr::READONLY, SServerReadOnly.arg(m_file));
    if (state == QLatin1String("40001") || state == QLatin1String("40P01") || state == QLatin1String("55P03"))
        EngineError(DbiErr::IO, SDatabaseLocked);
    EngineError(DbiErr::IO, SEngineIO.arg(m_file, text.trimmed()));
}
