// What only a server shows: roles that may only read, a connection that
// breaks under a running program, two programs posting the same record.
#include "DBConsts.h"
#include "DBErrors.h"
#include "Session.h"
#include "Table.h"
#include "TestBackends.h"
#include "Transfer.h"
#include <QProcess>
#include <QSqlQuery>
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
    void twoProcessesCountOneRecord();
    void transferToFileAndBack();
    void transferCancelledLeavesTargetEmpty();
    void writingTransactionCountsOnce_data();
    void writingTransactionCountsOnce();

private:
    // Empty targets of a copy: a folder, and a schema of its own on the
    // server that goes with the test.
    TDatabase* EmptyFile();
    TDatabase* EmptySchema();
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_otherSchema;
    std::unique_ptr<TBackendScope> m_backend;
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
    if (!m_otherSchema.isEmpty()) ServerSql(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_otherSchema));
    m_otherSchema.clear();
    m_dir.reset();
}

TDatabase* TestServer::EmptyFile()
{
    Session().SetAliasPath(QStringLiteral("Sicherung"), m_dir->filePath(QStringLiteral("sicherung")));
    return Session().Database(QStringLiteral("Sicherung"));
}

TDatabase* TestServer::EmptySchema()
{
    m_otherSchema = TestSchema() + QStringLiteral("_zurueck");
    if (!ServerSql(QStringLiteral("CREATE SCHEMA ") + m_otherSchema)) return nullptr;
    TServerAlias other = TestServerAlias();
    other.Options = QStringLiteral("-csearch_path=") + m_otherSchema;
    Session().SetAliasServer(QStringLiteral("Zurueck"), other);
    return Session().Database(QStringLiteral("Zurueck"));
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
    UseServerRole(QStringLiteral("Pelmora"), QStringLiteral("rolle"), grants);

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
    UseServerRole(QStringLiteral("Pelmora"), QStringLiteral("schnitt"), QStringLiteral("SELECT, INSERT, UPDATE, DELETE"));
    TTable t;
    open(t);
    const QString lost = SServerLost.arg(Session().Database(QStringLiteral("Pelmora"))->FileName());
    const auto renameB1 = [&] {
        t.Edit();
        t.FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("Raupe"));
        t.Post();
    };

    // The network goes, or the server restarts: the post is refused with
    // the message and nothing of it reaches the table.
    QVERIFY(ServerSql(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = '%1'")
                          .arg(TestSchema() + QStringLiteral("_schnitt"))));
    QCOMPARE(messageOf(renameB1), lost);
    if (t.State() == dsEdit) t.Cancel();

    // Still away on the next tries, when the user starts typing or saves:
    // the same German message, never the driver's English reason.
    const QString role = TestSchema() + QStringLiteral("_schnitt");
    QVERIFY(ServerSql(QStringLiteral("ALTER ROLE %1 NOLOGIN").arg(role)));
    QCOMPARE(messageOf(renameB1), lost);
    if (t.State() == dsEdit) t.Cancel();
    QCOMPARE(messageOf([&] { t.Refresh(); }), lost);
    QVERIFY(ServerSql(QStringLiteral("ALTER ROLE %1 LOGIN").arg(role)));

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

void TestServer::twoProcessesCountOneRecord()
{
    // Two programs count the same name up, a thousand posts each: a refused
    // post is read again and repeated, so every post counts exactly once.
    constexpr int kPosts = 1000;
    {
        TTable t;
        open(t);
        QVERIFY(t.FindKey({QStringLiteral("B1")}));
        t.Edit();
        t.FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("0"));
        t.Post();
    }
    const TServerAlias s = TestServerAlias();
    const QStringList args{s.Host, QString::number(s.Port), s.Database, s.User, TestSchema(), QString::number(kPosts)};
    QProcess programs[2];
    for (QProcess& p : programs) p.start(QStringLiteral(TARVOS_SERVERPOSTER), args);
    QString report;
    for (QProcess& p : programs) {
        QVERIFY(p.waitForFinished(300000));
        report += QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        QCOMPARE(p.exitCode(), 0);
    }
    TTable t;
    open(t);
    QVERIFY(t.FindKey({QStringLiteral("B1")}));
    QVERIFY2(name(t) == QString::number(2 * kPosts), qPrintable(name(t) + u'\n' + report));
    QCOMPARE(t.RecordCount(), 2);
}

void TestServer::transferToFileAndBack()
{
    TDatabase* server = Session().Database(QStringLiteral("Pelmora"));
    server->AddValCheck(QStringLiteral("Maschinen.DB"), {2, false, QStringLiteral("Gruppen.DB"), 1});
    TDatabase* file = EmptyFile();
    TDatabase* empty = EmptySchema();
    QVERIFY(empty);

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
}

void TestServer::transferCancelledLeavesTargetEmpty()
{
    // More records than one step of the progress.
    QVERIFY(OtherConnectionSql(QStringLiteral("INSERT INTO \"Maschinen\" (\"Nummer\", \"Name\") "
                                              "SELECT 'X' || i, 'Walze' FROM generate_series(1, 1500) AS i")));
    TDatabase* server = Session().Database(QStringLiteral("Pelmora"));
    const auto before = CountTables(*server);
    QCOMPARE(before.size(), size_t(1));
    QCOMPARE(before[0].Source, qint64(1502));
    TDatabase* file = EmptyFile();
    TDatabase* empty = EmptySchema();
    QVERIFY(empty);

    const auto cancelled = [](TDatabase& from, TDatabase& to) {
        qint64 seen = 0;
        try {
            TransferTables(from, to, [&](const QString&, qint64 done) {
                seen = done;
                throw EAbort();
            });
        } catch (const EAbort&) {
            return seen > 0 && to.TableNames().isEmpty();
        }
        return false;
    };
    // Cancelled halfway, the target is as empty as before; then it works.
    QVERIFY(cancelled(*server, *file));
    QCOMPARE(TransferTables(*server, *file)[0].Target, qint64(1502));
    QVERIFY(cancelled(*file, *empty));
    QCOMPARE(TransferTables(*file, *empty)[0].Target, qint64(1502));
}

void TestServer::writingTransactionCountsOnce_data()
{
    QTest::addColumn<bool>("earlierDatabase");   // counting every statement
    QTest::addColumn<QString>("role");           // empty: the owner of the functions
    QTest::addColumn<int>("counted");
    QTest::newRow("new database") << false << QString() << 1;
    QTest::newRow("earlier database, owner connects") << true << QString() << 1;
    QTest::newRow("earlier database, another writer") << true << QStringLiteral("schreiber") << 5;
}

void TestServer::writingTransactionCountsOnce()
{
    QFETCH(bool, earlierDatabase);
    QFETCH(QString, role);
    QFETCH(int, counted);
    if (earlierDatabase)
        QVERIFY(ServerSql(QStringLiteral("CREATE OR REPLACE FUNCTION %1.tv_changed() RETURNS trigger LANGUAGE plpgsql "
                                         "AS $$BEGIN UPDATE \"__Version\" SET \"v\" = \"v\" + 1; RETURN NULL; END$$")
                              .arg(TestSchema())));
    Session().CloseDatabases();
    if (!role.isEmpty()) UseServerRole(QStringLiteral("Pelmora"), role, QStringLiteral("SELECT, INSERT, UPDATE, DELETE"));
    TDatabase* db = Session().Database(QStringLiteral("Pelmora"));
    const auto version = [&] {
        QSqlQuery q(db->Db());
        return q.exec(QStringLiteral("SELECT \"v\" FROM \"__Version\"")) && q.next() ? q.value(0).toLongLong() : -1;
    };
    const qint64 before = version();
    TTransaction tx(*db);
    for (int i = 0; i < 5; ++i)
        db->Exec(QStringLiteral("INSERT INTO \"Maschinen\" (\"Nummer\") VALUES (?)"), {QStringLiteral("X%1").arg(i)});
    tx.Commit();
    // A bulk copy counted row block by row block left the one-row table
    // with as many dead versions for every reader to step over.
    QCOMPARE(version() - before, qint64(counted));
    TTable t;
    open(t);
    QCOMPARE(t.RecordCount(), 7);
}

TARVOS_BACKEND_MAIN(TestServer)
#include "tst_server.moc"
