// Filter definition files: what a saved filter brings back, and how bad
// or foreign files are refused.
#include "UiTestSupport.h"
#include "DBEFilt.h"
#include "Dialogs.h"
#include "Table.h"
#include <QFile>
#include <QtTest>

class TestFilterFiles : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void roundTrip();
    void saveWithoutFilter();
    void refusedFiles_data();
    void refusedFiles();
    void otherTableAsks_data();
    void otherTableAsks();

private:
    TTable* Open(const QString& file);
    std::unique_ptr<TTestDatabases> m_db;
    std::unique_ptr<QTemporaryDir> m_files;
    std::vector<std::unique_ptr<TTable>> m_tables;
    std::vector<std::unique_ptr<TDBEFilter>> m_filters;
};

void TestFilterFiles::init()
{
    m_db = std::make_unique<TTestDatabases>();
    m_files = std::make_unique<QTemporaryDir>();
    TTable* t = Open(QStringLiteral("KfzStamm.db"));
    for (const char* id : {"M1", "M2", "M3"})
        t->AppendRecord({QString::fromLatin1(id), QStringLiteral("Bagger")});
    t->AppendRecord({QStringLiteral("K1"), QStringLiteral("Kran")});
    t->First();
}

void TestFilterFiles::cleanup()
{
    m_filters.clear();
    m_tables.clear();
    m_db.reset();
}

TTable* TestFilterFiles::Open(const QString& file)
{
    m_tables.push_back(std::make_unique<TTable>());
    TTable* t = m_tables.back().get();
    t->SetDatabaseName(QStringLiteral("Pelmora"));
    t->SetTableName(file);
    t->Open();
    return t;
}

void TestFilterFiles::roundTrip()
{
    TDBEFilter saved;
    saved.SetDataSet(m_tables[0].get());
    saved.ApplyRows({{QStringLiteral("Gruppe"), foEqual, QStringLiteral("ba..")}}, true);
    QCOMPARE(m_tables[0]->RecordCount(), 3);
    const QString file = m_files->filePath(QStringLiteral("bagger.TFD"));
    saved.SaveToFile(file);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QCOMPARE(bytes.left(12), QByteArrayLiteral("\x0b" "DBExtFilter"));
    QCOMPARE(bytes.size(), 155 + 18 * saved.NodeCount() + 262 * saved.LiteralCount());

    TTable* other = Open(QStringLiteral("KfzStamm.db"));
    TDBEFilter loaded;
    loaded.SetDataSet(other);
    loaded.LoadFromFile(file);
    QCOMPARE(loaded.State(), 3);
    QCOMPARE(other->RecordCount(), 3);
    QCOMPARE(loaded.Root(), saved.Root());
    QCOMPARE(loaded.NodeCount(), saved.NodeCount());
    QCOMPARE(loaded.Expression(), saved.Expression());
}

void TestFilterFiles::saveWithoutFilter()
{
    TDBEFilter filter;
    filter.SetDataSet(m_tables[0].get());
    try {
        filter.SaveToFile(m_files->filePath(QStringLiteral("x.TFD")));
        QFAIL("saved without a filter");
    } catch (const EDBEFilter& e) {
        QCOMPARE(e.Message(), QStringLiteral("Kein Filter definiert"));
    }
}

// Patches a good file and expects the message naming what is wrong.
void TestFilterFiles::refusedFiles_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("patch");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first byte") << 0 << QByteArray("\x0a", 1) << "ist keine Filterdefinitionsdatei";
    QTest::newRow("magic text") << 1 << QByteArray("dbext") << "ist keine Filterdefinitionsdatei";
    // The field node is the first node; its number sits at offset 155 + 8.
    QTest::newRow("field number") << 163 << QByteArray("\x63\x00", 2) << "Falsche Feldnummer.";
    // First literal: the field name "Gruppe" after its length byte.
    QTest::newRow("field name") << 155 + 3 * 18 + 6 + 1 << QByteArray("Xruppe") << "Feld nicht gefunden.";
    QTest::newRow("node class") << 155 + 2 * 18 << QByteArray("\x07", 1) << "Ungültiger Knotentyp";
}

void TestFilterFiles::refusedFiles()
{
    QFETCH(int, offset);
    QFETCH(QByteArray, patch);
    QFETCH(QString, expected);
    TDBEFilter saved;
    saved.SetDataSet(m_tables[0].get());
    saved.ApplyRows({{QStringLiteral("Gruppe"), foEqual, QStringLiteral("Bagger")}}, true);
    const QString file = m_files->filePath(QStringLiteral("f.TFD"));
    saved.SaveToFile(file);
    // Which node is the field depends on the tree; find it for the patches.
    int fieldNode = -1;
    for (int i = 0; i < saved.NodeCount(); ++i)
        if (saved.Nodes()[size_t(i)].NodeClass == fncField) fieldNode = i;
    QVERIFY(fieldNode >= 0);
    if (QString(QTest::currentDataTag()) == QLatin1String("field number")) offset = 155 + fieldNode * 18 + 8;
    if (QString(QTest::currentDataTag()) == QLatin1String("node class")) offset = 155 + saved.Root() * 18;
    if (QString(QTest::currentDataTag()) == QLatin1String("field name"))
        offset = 155 + 18 * saved.NodeCount() + 262 * saved.Nodes()[size_t(fieldNode)].B + 6 + 1;
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    bytes.replace(offset, patch.size(), patch);
    f.seek(0);
    f.write(bytes);
    f.close();

    TTable* other = Open(QStringLiteral("KfzStamm.db"));
    TDBEFilter loaded;
    loaded.SetDataSet(other);
    try {
        loaded.LoadFromFile(file);
        QFAIL("file accepted");
    } catch (const EDBEFilter& e) {
        QVERIFY2(e.Message().contains(expected), qPrintable(e.Message()));
    }
    QCOMPARE(loaded.State(), 1);
    QCOMPARE(other->RecordCount(), 4);
}

void TestFilterFiles::otherTableAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("state");
    QTest::newRow("Ja") << int(mrYes) << 3;
    QTest::newRow("Nein") << int(mrNo) << 1;
}

void TestFilterFiles::otherTableAsks()
{
    QFETCH(int, answer);
    QFETCH(int, state);
    // IdentNummer is the first field of both tables.
    TDBEFilter saved;
    saved.SetDataSet(m_tables[0].get());
    saved.ApplyRows({{QStringLiteral("IdentNummer"), foEqual, QStringLiteral("M1")}}, true);
    const QString file = m_files->filePath(QStringLiteral("m1.TFD"));
    saved.SaveToFile(file);

    TTable* copy = Open(QStringLiteral("KfzVar.DB"));
    TDBEFilter loaded;
    loaded.SetDataSet(copy);
    TDialogRecorder rec;
    rec.Answer({answer});
    loaded.LoadFromFile(file);
    QCOMPARE(rec.Records().size(), 1);
    QCOMPARE(rec.Last().Type, mtConfirmation);
    QCOMPARE(rec.Last().Text, QStringLiteral("Filter wurde für Tabelle KfzStamm.db definiert!\r\n"
                                             "Trotzdem Anwendung auf Tabelle KfzVar.DB versuchen ?"));
    QCOMPARE(loaded.State(), state);
}

TARVOS_UI_TEST_MAIN(TestFilterFiles)
#include "tst_dbefilt_files.moc"
