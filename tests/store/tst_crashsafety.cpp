// Crash safety of posts: a writer process is killed hard in the middle of
// posting; every post it had confirmed must be in the file, exactly once,
// and the file must be sound. Also two writers on one file at the same time.
// The test starts itself as the writer (see main), so no helper program.
#include "DataMod.h"
#include "DBErrors.h"
#include "Session.h"
#include "Table.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QHash>
#include <QSet>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

const char kWriterArg[] = "--writer";
const char kReady[] = "bereit";

// Values follow from the voucher number, so torn or mixed-up rows show.
QDate DateOf(int n) { return QDate(2000, 1, 1).addDays(n); }
double CostOf(int n) { return n * 0.25; }

void PointAliasesAt(const QString& dir)
{
    Session().Reset();
    Session().SetAliasPath(QStringLiteral("Pelmora"), dir);
    Session().SetAliasPath(QStringLiteral("PelmoraPriv"), dir + QStringLiteral("/priv"));
}

// The writer: --writer DIR IDENT FIRST COUNT [wait]
// FIRST 0 continues after the last voucher of the machine already stored.
// Prints each number once its post has returned.
int RunWriter(const QStringList& args)
{
    if (args.size() < 4) {
        std::fprintf(stderr, "Aufruf: --writer DIR IDENT FIRST COUNT [wait]\n");
        return 3;
    }
    const QString dir = args[0], ident = args[1];
    int first = args[2].toInt();
    const int count = args[3].toInt();
    const bool wait = args.size() > 4 && args[4] == QLatin1String("wait");
    try {
        PointAliasesAt(dir);
        TTable t;
        t.SetDatabaseName(QStringLiteral("Pelmora"));
        t.SetTableName(QStringLiteral("KfzVar.DB"));
        t.Open();
        if (first == 0) {
            // Primary order is machine, then date; dates rise with the number.
            first = 1;
            if (!t.IsEmpty()) {
                t.Last();
                first = t.FieldByName(QStringLiteral("BelegNummer"))->AsString().toInt() + 1;
            }
        }
        if (wait) {
            // Both writers start posting together to make them collide.
            std::printf("%s\n", kReady);
            std::fflush(stdout);
            char line[16];
            if (!std::fgets(line, sizeof line, stdin)) return 4;
        }
        for (int n = first; n < first + count; ++n) {
            t.Append();
            t.FieldByName(QStringLiteral("IdentNummer"))->SetAsString(ident);
            t.FieldByName(QStringLiteral("BelegDatum"))->SetAsDate(DateOf(n));
            t.FieldByName(QStringLiteral("BelegNummer"))->SetAsString(QString::number(n));
            t.FieldByName(QStringLiteral("ReparaturKosten"))->SetAsFloat(CostOf(n));
            t.Post();
            std::printf("%d\n", n);
            std::fflush(stdout);
        }
        t.Close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Fehler: %s\n", e.what());
        return 2;
    }
    return 0;
}

// A writer child and the numbers it confirmed.
struct Writer {
    std::unique_ptr<QProcess> proc = std::make_unique<QProcess>();
    QList<int> confirmed;
    bool ready = false;
    QByteArray errors;

    void Start(const QStringList& args)
    {
        proc->start(QCoreApplication::applicationFilePath(), QStringList{QString::fromLatin1(kWriterArg)} + args);
    }
    // Takes the complete lines only; a line cut short by the kill counts as unconfirmed.
    void ReadLines()
    {
        while (proc->canReadLine()) {
            const QByteArray line = proc->readLine().trimmed();
            if (line == kReady) { ready = true; continue; }
            bool ok = false;
            const int n = line.toInt(&ok);
            if (ok) confirmed << n;
        }
        errors += proc->readAllStandardError();
    }
    bool Running() const { return proc->state() != QProcess::NotRunning; }
};

// Upper bound on any wait, so a stuck child fails the test instead of hanging it.
constexpr int kWaitMs = 60000;

// Reads a writer's output until pred holds, the child ends or the bound runs out.
template <typename Pred>
bool ReadUntil(const std::vector<Writer*>& ws, Pred pred)
{
    QDeadlineTimer deadline(kWaitMs * 2);
    while (!pred()) {
        if (deadline.hasExpired()) return false;
        bool anyRunning = false;
        for (Writer* w : ws) {
            if (w->Running()) {
                anyRunning = true;
                w->proc->waitForReadyRead(50);
            }
            w->ReadLines();
        }
        if (!anyRunning) {
            for (Writer* w : ws) {
                w->proc->waitForFinished(kWaitMs);
                w->proc->setReadChannel(QProcess::StandardOutput);
                w->ReadLines();
            }
            return pred();
        }
    }
    return true;
}

struct Row {
    QString ident, nummer;
    QDate datum;
    double kosten = 0;
};

struct FileCheck {
    QString integrity;
    QList<Row> rows;
    int total = 0;
    QString error;
};

// Looks at the file with a connection of its own, not through the store.
FileCheck ReadFile(const QString& file)
{
    FileCheck r;
    const QString conn = QStringLiteral("crashcheck");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(file);
        if (!db.open()) {
            r.error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("PRAGMA integrity_check"))) r.error = q.lastError().text();
            QStringList msgs;
            while (q.next()) msgs << q.value(0).toString();
            r.integrity = msgs.join(u'\n');
            q.finish();
            if (!q.exec(QStringLiteral("SELECT IdentNummer, BelegNummer, BelegDatum, ReparaturKosten FROM KfzVar")))
                r.error = q.lastError().text();
            while (q.next())
                r.rows.push_back({q.value(0).toString(), q.value(1).toString(),
                                  QDate::fromString(q.value(2).toString(), Qt::ISODate), q.value(3).toDouble()});
            q.finish();
            if (q.exec(QStringLiteral("SELECT COUNT(*) FROM KfzVar")) && q.next()) r.total = q.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    return r;
}

}   // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void killedWriterLosesNoConfirmedPost();
    void concurrentWritersBothComplete();

private:
    void CheckVouchers(const QList<Row>& rows, const QString& ident, const QList<int>& confirmed, bool exact);
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_dir;
};

void TestCrashSafety::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    m_dir = m_tmp->path();
    try {
        PointAliasesAt(m_dir);
        CreateMissingTables();
    } catch (const std::exception& e) {
        QFAIL(e.what());
    }
    // The children must find the file idle.
    Session().Reset();
}

void TestCrashSafety::cleanup()
{
    Session().Reset();
    m_tmp.reset();
}

// Every confirmed number is stored once, with its own values; without gaps,
// since each run continues after the last stored number.
void TestCrashSafety::CheckVouchers(const QList<Row>& rows, const QString& ident, const QList<int>& confirmed,
                                    bool exact)
{
    QHash<int, int> seen;
    int highest = 0;
    for (const Row& r : rows) {
        if (r.ident != ident) continue;
        bool ok = false;
        const int n = r.nummer.toInt(&ok);
        QVERIFY2(ok, qPrintable(QStringLiteral("Belegnummer '%1'").arg(r.nummer)));
        QVERIFY2(++seen[n] == 1, qPrintable(QStringLiteral("Beleg %1 doppelt").arg(n)));
        QCOMPARE(r.datum, DateOf(n));
        QCOMPARE(r.kosten, CostOf(n));
        highest = std::max(highest, n);
    }
    for (int n : confirmed)
        QVERIFY2(seen.contains(n), qPrintable(QStringLiteral("bestätigter Beleg %1 fehlt").arg(n)));
    for (int n = 1; n <= highest; ++n)
        QVERIFY2(seen.contains(n), qPrintable(QStringLiteral("Lücke bei Beleg %1").arg(n)));
    const int lastConfirmed = confirmed.isEmpty() ? 0 : *std::max_element(confirmed.begin(), confirmed.end());
    // At most the one post that committed before the kill and went unreported.
    QVERIFY(highest >= lastConfirmed);
    QVERIFY(highest <= lastConfirmed + (exact ? 0 : 1));
}

void TestCrashSafety::killedWriterLosesNoConfirmedPost()
{
    QList<int> confirmed;
    // Different kill points land in different phases of the post.
    for (int killAfter : {230, 370, 301}) {
        Writer w;
        w.Start({m_dir, QStringLiteral("M1"), QStringLiteral("0"), QStringLiteral("1000000")});
        QVERIFY2(w.proc->waitForStarted(kWaitMs), qPrintable(w.proc->errorString()));
        const bool reached = ReadUntil({&w}, [&] { return w.confirmed.size() >= killAfter; });
        if (!reached) {
            w.proc->kill();
            w.proc->waitForFinished(kWaitMs);
            QFAIL(qPrintable(QStringLiteral("Schreiber kam nur bis %1 Belegen: %2")
                                 .arg(w.confirmed.size())
                                 .arg(QString::fromLocal8Bit(w.errors + w.proc->readAllStandardError()))));
        }
        w.proc->kill();
        QVERIFY(w.proc->waitForFinished(kWaitMs));
        QCOMPARE(w.proc->exitStatus(), QProcess::CrashExit);
        w.ReadLines();
        // Each run continues the numbering of the last.
        if (!confirmed.isEmpty()) QVERIFY(w.confirmed.first() > confirmed.last());
        confirmed += w.confirmed;
    }

    const FileCheck f = ReadFile(QDir(m_dir).filePath(QStringLiteral("Pelmora.sqlite")));
    QVERIFY2(f.error.isEmpty(), qPrintable(f.error));
    QCOMPARE(f.integrity, QStringLiteral("ok"));
    CheckVouchers(f.rows, QStringLiteral("M1"), confirmed, false);
    if (QTest::currentTestFailed()) return;

    // The store opens the file after the crashes and sees every record.
    try {
        PointAliasesAt(m_dir);
        TTable t;
        t.SetDatabaseName(QStringLiteral("Pelmora"));
        t.SetTableName(QStringLiteral("KfzVar.DB"));
        t.Open();
        QVERIFY(t.RecordCount() >= confirmed.size());
        QCOMPARE(t.RecordCount(), f.total);
        QSet<int> walked;
        for (t.First(); !t.Eof(); t.Next())
            walked.insert(t.FieldByName(QStringLiteral("BelegNummer"))->AsString().toInt());
        for (int n : confirmed) QVERIFY2(walked.contains(n), qPrintable(QStringLiteral("Beleg %1").arg(n)));
        t.Close();
    } catch (const std::exception& e) {
        QFAIL(e.what());
    }
}

void TestCrashSafety::concurrentWritersBothComplete()
{
    const int posts = 200;
    Writer a, b;
    a.Start({m_dir, QStringLiteral("M1"), QStringLiteral("1"), QString::number(posts), QStringLiteral("wait")});
    b.Start({m_dir, QStringLiteral("M2"), QStringLiteral("1"), QString::number(posts), QStringLiteral("wait")});
    QVERIFY(a.proc->waitForStarted(kWaitMs));
    QVERIFY(b.proc->waitForStarted(kWaitMs));
    const bool ready = ReadUntil({&a, &b}, [&] { return a.ready && b.ready; });
    if (ready) {
        a.proc->write("los\n");
        b.proc->write("los\n");
        ReadUntil({&a, &b}, [&] { return !a.Running() && !b.Running(); });
    }
    for (Writer* w : {&a, &b}) {
        if (w->Running()) {
            w->proc->kill();
            w->proc->waitForFinished(kWaitMs);
        }
        w->ReadLines();
    }
    QVERIFY2(ready, "Schreiber nicht bereit");
    for (Writer* w : {&a, &b}) {
        QVERIFY2(w->proc->exitStatus() == QProcess::NormalExit && w->proc->exitCode() == 0,
                 qPrintable(QString::fromLocal8Bit(w->errors)));
        QCOMPARE(w->confirmed.size(), posts);
    }

    const FileCheck f = ReadFile(QDir(m_dir).filePath(QStringLiteral("Pelmora.sqlite")));
    QVERIFY2(f.error.isEmpty(), qPrintable(f.error));
    QCOMPARE(f.integrity, QStringLiteral("ok"));
    QCOMPARE(f.total, 2 * posts);
    CheckVouchers(f.rows, QStringLiteral("M1"), a.confirmed, true);
    CheckVouchers(f.rows, QStringLiteral("M2"), b.confirmed, true);
    if (QTest::currentTestFailed()) return;

    try {
        PointAliasesAt(m_dir);
        TTable t;
        t.SetDatabaseName(QStringLiteral("Pelmora"));
        t.SetTableName(QStringLiteral("KfzVar.DB"));
        t.Open();
        QCOMPARE(t.RecordCount(), 2 * posts);
        t.Close();
    } catch (const std::exception& e) {
        QFAIL(e.what());
    }
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int w = args.indexOf(QString::fromLatin1(kWriterArg));
    if (w > 0) return RunWriter(args.mid(w + 1));
    TestCrashSafety tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_crashsafety.moc"
