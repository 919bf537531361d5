#include "TestBackends.h"
#include "Session.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QtTest>

namespace {

TTestBackend g_backend = TTestBackend::SQLite;
int g_schemas = 0;
QString g_schema;   // of the scope in force
QStringList g_roles;   // made for it
const QString kAdmin = QStringLiteral("tarvos-test-admin");

// "host=... port=... user=... dbname=..." of the test server, written by
// scripts/pgtestserver.sh; empty when no server runs.
QString ConnInfo()
{
    QString info = qEnvironmentVariable("TARVOS_PG_CONNINFO");
    if (info.isEmpty()) {
        QFile f(qEnvironmentVariable("TARVOS_PG_CONNINFO_FILE"));
        if (f.open(QIODevice::ReadOnly)) info = QString::fromUtf8(f.readAll()).trimmed();
    }
    return info;
}

QString Part(const QString& info, const QString& key)
{
    for (const QString& p : info.split(u' ', Qt::SkipEmptyParts))
        if (p.section(u'=', 0, 0) == key) return p.section(u'=', 1);
    return QString();
}

TServerAlias ServerOf(const QString& info)
{
    TServerAlias s;
    s.Host = Part(info, QStringLiteral("host"));
    s.Port = Part(info, QStringLiteral("port")).toInt();
    s.Database = Part(info, QStringLiteral("dbname"));
    s.User = Part(info, QStringLiteral("user"));
    return s;
}

QSqlDatabase Admin()
{
    if (QSqlDatabase::contains(kAdmin)) return QSqlDatabase::database(kAdmin);
    const TServerAlias s = ServerOf(ConnInfo());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kAdmin);
    db.setHostName(s.Host);
    db.setPort(s.Port);
    db.setDatabaseName(s.Database);
    db.setUserName(s.User);
    if (db.open()) QSqlQuery(db).exec(QStringLiteral("SET client_min_messages TO warning"));
    return db;
}

}   // namespace

TTestBackend CurrentBackend() { return g_backend; }

QString BackendName(TTestBackend backend)
{
    return backend == TTestBackend::SQLite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL");
}

bool ServerSql(const QString& sql, QString* error)
{
    QSqlDatabase db = Admin();
    QSqlQuery q(db);
    if (q.exec(sql)) return true;
    if (error) *error = q.lastError().text();
    return false;
}

QString TestSchema() { return g_schema; }

TServerAlias TestServerAlias()
{
    TServerAlias server = ServerOf(ConnInfo());
    server.Options = QStringLiteral("-csearch_path=") + g_schema;
    return server;
}

bool OtherConnectionSql(const QString& sql, QString* error)
{
    if (g_backend == TTestBackend::PostgreSQL)
        return ServerSql(QStringLiteral("SET search_path TO %1; %2").arg(g_schema, sql), error);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other-user"));
        db.setDatabaseName(Session().Database(QStringLiteral("Pelmora"))->FileName());
        QSqlQuery q(db);
        ok = db.open() && q.exec(sql);
        if (!ok && error) *error = q.lastError().text();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other-user"));
    return ok;
}

TBackendScope::TBackendScope(const QString& dir)
{
    Session().Reset();
    Session().SetAliasPath(QStringLiteral("PelmoraPriv"), QDir(dir).filePath(QStringLiteral("priv")));
    if (g_backend == TTestBackend::SQLite) {
        Session().SetAliasPath(QStringLiteral("Pelmora"), dir);
        return;
    }
    m_schema = g_schema = QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(++g_schemas);
    QString error;
    if (!ServerSql(QStringLiteral("CREATE SCHEMA %1").arg(m_schema), &error)) qFatal("%s", qPrintable(error));
    Session().SetAliasServer(QStringLiteral("Pelmora"), TestServerAlias());
}

TBackendScope::~TBackendScope()
{
    Session().Reset();
    if (!m_schema.isEmpty()) ServerSql(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_schema));
    // After the schema, which takes their grants along.
    for (const QString& role : std::as_const(g_roles)) ServerSql(QStringLiteral("DROP ROLE IF EXISTS %1").arg(role));
    g_roles.clear();
    g_schema.clear();
}

void UseServerRole(const QString& alias, const QString& role, const QString& grants)
{
    const QString name = g_schema + u'_' + role;
    QString error;
    QVERIFY2(ServerSql(QStringLiteral("CREATE ROLE %1 LOGIN; GRANT USAGE ON SCHEMA %2 TO %1; "
                                      "GRANT %3 ON ALL TABLES IN SCHEMA %2 TO %1; "
                                      "GRANT USAGE ON ALL SEQUENCES IN SCHEMA %2 TO %1")
                           .arg(name, g_schema, grants),
                       &error),
             qPrintable(error));
    g_roles << name;
    TServerAlias server = TestServerAlias();
    server.User = name;
    Session().SetAliasServer(alias, server);
}

int RunForBackends(QObject* test, int argc, char** argv)
{
    int failed = 0;
    for (TTestBackend b : {TTestBackend::SQLite, TTestBackend::PostgreSQL}) {
        QTextStream out(stdout);
        if (b == TTestBackend::PostgreSQL) {
            if (ConnInfo().isEmpty()) {
                out << "PostgreSQL: kein Testserver (scripts/pgtestserver.sh), diese Runde wird übersprungen.\n";
                continue;
            }
            if (!Admin().isOpen()) {
                out << "PostgreSQL: Testserver nicht erreichbar: " << Admin().lastError().text() << "\n";
                ++failed;
                continue;
            }
        }
        out << "=== Backend " << BackendName(b) << " ===\n";
        out.flush();
        g_backend = b;
        failed += QTest::qExec(test, argc, argv);
    }
    if (QSqlDatabase::contains(kAdmin)) {
        QSqlDatabase::database(kAdmin).close();
        QSqlDatabase::removeDatabase(kAdmin);
    }
    return failed;
}
