// What only a server shows: roles that may only read, a connection that
// breaks under a running program, two programs posting the same record.
#include "DBConsts.h"
#include "DBErrors.h"
#include "Session.h"
#include "Table.h"
#include "TestBackends.h"
#include "Transfer.h"
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace DBConsts;

namespace {

template <class F> QString messageOf(F&& f)
{
    try {
        f();
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    return QStringLiteral("<keine>");
}

void open(TTable& t, const QString& alias = QStringLiteral("Pelmora"))
{
    t.SetDatabaseName(alias);
    t.SetTableName(QStringLiteral("Maschinen.DB"));
    t.Open();
}

QString name(TTable& t) { return t.FieldByName(QStringLiteral("Name"))->AsString(); }

}   // namespace

class TestServer : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void readOnlyRole_data();
    void readOnlyRole();
    void connectionCutThenBack();
    void twoProgramsPostSameRecord();
    void transferToFileAndBack();

private:
    // The alias as another login role of the test server.
    void UseRole(const QString& alias, const QString& role, const QString& grants);
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TBackendScope> m_backend;
    QStringList m_roles;
};

void TestServer::init()
{
    if (CurrentBackend() != TTestBackend::PostgreSQL) QSKIP("Nur mit einem Datenbankserver.");
    m_dir = std::make_unique<QTemporaryDir>();
    m_backend = std::make_unique<TBackendScope>(m_dir->path());
    TTable t;
    t.SetDatabaseName(QStringLiteral("Pelmora"));
    t.SetTableName(QStringLiteral("Maschinen.DB"));
    t.DefsForCreate() = {{"Nummer", ftString, 10, true}, {"Name", ftString, 30}};
    t.IndexDefsForCreate() = {{QString(), "Nummer", ixPrimary | ixUnique}};
    t.CreateTable();
    t.Open();
    t.AppendRecord({QStringLiteral("B1"), QStringLiteral("Bagger")});
    t.AppendRecord({QStringLiteral("K1"), QStringLiteral("Kran")});
}

void TestServer::cleanup()
{
    m_backend.reset();
    for (const QString& role : m_roles) ServerSql(QStringLiteral("DROP ROLE IF EXISTS %1").arg(role));
    m_roles.clear();
    m_dir.reset();
}

void TestServer::UseRole(const QString& alias, const QString& role, const QString& grants)
{
    const QString name = TestSchema() + u'_' + role;
    const QString schema = TestSchema();
    QString error;
    QVERIFY2(ServerSql(QStringLiteral("CREATE ROLE %1 LOGIN; GRANT USAGE ON SCHEMA %2 TO %1; "
                                      "GRANT %3 ON ALL TABLES IN SCHEMA %2 TO %1; "
                                      "GRANT USAGE ON ALL SEQUENCES IN SCHEMA %2 TO %1")
                           .arg(name, schema, grants), &error),
             qPrintable(error));
    m_roles << name;   // dropped after its schema, which takes the grants along
    TServerAlias server = TestServerAlias();
    server.User = name;
    Session().SetAliasServer(alias, server);
}

void TestServer::readOnlyRole_data()
{
    QTest::addColumn<QString>("grants");
    QTest::addColumn<bool>("mayWrite");
    QTest::newRow("SELECT only") << "SELECT" << false;
    QTest::newRow("read and write") << "SELECT, INSERT, UPDATE, DELETE" << true;
}

void TestServer::readOnlyRole()
{
    QFETCH(QString, grants);
    QFETCH(bool, mayWrite);
    Session().CloseDatabases();
    UseRole(QStringLiteral("Pelmora"), QStringLiteral("rolle"), grants);

    TTable t;
    open(t);
    QCOMPARE(t.RecordCount(), 2);
    QCOMPARE(name(t), QStringLiteral("Bagger"));
    QCOMPARE(Session().Database(QStringLiteral("Pelmora"))->MayWrite(), mayWrite);

    const QString refused = mayWrite ? QStringLiteral("<keine>") : SServerReadOnly.arg(Session().Database(
                                                                      QStringLiteral("Pelmora"))->FileName());
    QCOMPARE(messageOf([&] {
                 t.Edit();
                 t.FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("Raupe"));
                 t.Post();
             }),
             refused);
    if (!mayWrite) t.Cancel();
    QCOMPARE(messageOf([&] { t.AppendRecord({QStringLiteral("L1"), QStringLiteral("Lader")}); }), refused);
    if (!mayWrite) t.Cancel();
    t.Refresh();
    QCOMPARE(t.RecordCount(), mayWrite ? 3 : 2);
    t.First();
    QCOMPARE(name(t), mayWrite ? QStringLiteral("Raupe") : QStringLiteral("Bagger"));
}

void TestServer::connectionCutThenBack()
{
    Session().CloseDatabases();
    UseRole(QStringLiteral("Pelmora"), QStringLiteral("schnitt"), QStringLiteral("SELECT, INSERT, UPDATE, DELETE"));
    TTable t;
    open(t);
    const QString lost = SServerLost.arg(Session().Database(QStringLiteral("Pelmora"))->FileName());

    // The network goes, or the server restarts: the post is refused with
    // the message and nothing of it reaches the table.
    QVERIFY(ServerSql(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = '%1'")
                          .arg(TestSchema() + QStringLiteral("_schnitt"))));
    QCOMPARE(messageOf([&] {
                 t.Edit();
                 t.FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("Raupe"));
                 t.Post();
             }),
             lost);
    if (t.State() == dsEdit) t.Cancel();

    // The next action connects again; the same change now goes through.
    t.Edit();
    t.FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("Raupe"));
    t.Post();
    t.Refresh();
    QVERIFY(t.FindKey({QStringLiteral("B1")}));
    QCOMPARE(name(t), QStringLiteral("Raupe"));
    QCOMPARE(t.RecordCount(), 2);
}

void TestServer::twoProgramsPostSameRecord()
{
    // Two aliases on the same tables stand for two programs: each has its
    // own connection, so each locks and sees only committed data.
    Session().SetAliasServer(QStringLiteral("Zweites"), TestServerAlias());
    TTable a, b;
    open(a);
    open(b, QStringLiteral("Zweites"));
    for (int i = 0; i < 200; ++i) {
        a.Refresh();
        b.Refresh();
        a.First();
        b.First();
        a.Edit();
        b.Edit();
        a.FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("A%1").arg(i));
        b.FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("B%1").arg(i));
        TTable& first = i % 2 ? a : b;
        TTable& second = i % 2 ? b : a;
        first.Post();
        QCOMPARE(messageOf([&] { second.Post(); }), SRecChanged);
        second.Cancel();
        second.Refresh();
        QCOMPARE(name(second), (i % 2 ? QStringLiteral("A%1") : QStringLiteral("B%1")).arg(i));
    }
    QCOMPARE(a.RecordCount(), 2);
}

void TestServer::transferToFileAndBack()
{
    TDatabase* server = Session().Database(QStringLiteral("Pelmora"));
    server->AddValCheck(QStringLiteral("Maschinen.DB"), {2, false, QStringLiteral("Gruppen.DB"), 1});
    Session().SetAliasPath(QStringLiteral("Sicherung"), m_dir->filePath(QStringLiteral("sicherung")));
    TDatabase* file = Session().Database(QStringLiteral("Sicherung"));
    const QString back = TestSchema() + QStringLiteral("_zurueck");
    QVERIFY(ServerSql(QStringLiteral("CREATE SCHEMA ") + back));
    TServerAlias other = TestServerAlias();
    other.Options = QStringLiteral("-csearch_path=") + back;
    Session().SetAliasServer(QStringLiteral("Zurueck"), other);
    TDatabase* empty = Session().Database(QStringLiteral("Zurueck"));

    // Server to file (a backup), file to another server database.
    for (auto [from, to] : {std::pair{server, file}, std::pair{file, empty}}) {
        const auto counts = TransferTables(*from, *to);
        QCOMPARE(counts.size(), size_t(1));
        QCOMPARE(counts[0].Table, QStringLiteral("Maschinen"));
        QCOMPARE(counts[0].Source, qint64(2));
        QCOMPARE(counts[0].Target, qint64(2));
        const auto& s = to->Table(QStringLiteral("maschinen.db"))->Structure;
        QCOMPARE(s.Fields.size(), size_t(2));
        QCOMPARE(s.Fields[0].Size, 10);
        QVERIFY(s.Fields[0].Required);
        QCOMPARE(s.Indexes.size(), size_t(1));
        QCOMPARE(s.Indexes[0].Options, ixPrimary | ixUnique);
        QCOMPARE(to->ValChecks(QStringLiteral("Maschinen.DB")).back().LookupTable, QStringLiteral("Gruppen.DB"));
        TTable t;
        open(t, to->AliasName());
        QStringList seen;
        for (t.First(); !t.Eof(); t.Next()) seen << t.FieldByName(QStringLiteral("Nummer"))->AsString() + name(t);
        QCOMPARE(seen, (QStringList{"B1Bagger", "K1Kran"}));
    }
    // A target that holds tables already is left alone.
    QCOMPARE(messageOf([&] { TransferTables(*file, *server); }),
             QStringLiteral("Die Zieldatenbank %1 enthält schon Tabellen.").arg(server->FileName()));
    Session().CloseDatabases();
    QVERIFY(ServerSql(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(back)));
}

TARVOS_BACKEND_MAIN(TestServer)
#include "tst_server.moc"
