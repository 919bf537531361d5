// Filter definition files: what a saved filter brings back, and how bad
// or foreign files are refused.
#include "UiTestSupport.h"
#include "DBEFilt.h"
#include "Dialogs.h"
#include "Table.h"
#include <QFile>
#include <QtEndian>
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
    void filesOfTheLayout_data();
    void filesOfTheLayout();

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

namespace {

// A node and a literal as a file stores them; what they leave unused is
// filled with noise, as files of other writers may have it.
struct TFileNode { qint32 Class, Operator; quint16 A, B, C, D; };
struct TFileLiteral { quint8 Type, Wildcard; QByteArray Value; };

QByteArray Counted(const QByteArray& text) { return char(text.size()) + text; }

QByteArray FilterFile(const QByteArray& table, qint32 root, const QList<TFileNode>& nodes,
                      const QList<TFileLiteral>& literals)
{
    QByteArray out("\x0b" "DBExtFilter" "\x00\x5c", 14);
    out.append(char(table.size()));
    out.append(table + QByteArray(128 - table.size(), '\xcc'));
    auto i32 = [&](qint32 v) { char b[4]; qToLittleEndian(v, b); out.append(b, 4); };
    auto u16 = [&](quint16 v) { char b[2]; qToLittleEndian(v, b); out.append(b, 2); };
    i32(root);
    i32(qint32(nodes.size()));
    i32(qint32(literals.size()));
    for (const TFileNode& n : nodes) {
        i32(n.Class);
        i32(n.Operator);
        u16(n.A); u16(n.B); u16(n.C); u16(n.D);
        out.append("\xcc\xcc", 2);
    }
    quint16 offset = 0;
    for (const TFileLiteral& l : literals) {
        // A counted text takes its characters and a closing zero in the pool.
        const quint16 size = quint16(l.Value.size());
        u16(size);
        u16(offset);
        offset = quint16(offset + size);
        out.append(char(l.Wildcard));
        out.append(char(l.Type));
        out.append(l.Value + QByteArray(256 - l.Value.size(), '\xcc'));
    }
    return out;
}

}   // namespace

// Files written byte for byte by the documented layout, not by our writer:
// a constant, a field and the operator joining them, as a row gives them.
void TestFilterFiles::filesOfTheLayout_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("records");    // -1: refused
    QTest::addColumn<QString>("message");
    const quint16 gruppe = 2;   // the field's number in the table's record
    const TFileLiteral bagger{1, 0, Counted("Bagger")};
    const TFileLiteral ba{1, 1, Counted("ba")};
    const TFileLiteral gruppeName{254, 0, Counted("Gruppe")};
    QTest::newRow("Gruppe Gleich Bagger")
        << FilterFile("KfzStamm.db", 2, {{5, 14, 1, 7, 0, 0}, {4, 13, gruppe, 1, 0, 0}, {2, 3, 1, 0, 0, 0}},
                      {bagger, gruppeName})
        << 3 << QString();
    QTest::newRow("Gruppe Gleich ba..")
        << FilterFile("KfzStamm.db", 2, {{5, 14, 1, 3, 0, 0}, {4, 13, gruppe, 1, 0, 0}, {3, 3, 0xFFFF, 2, 1, 0}},
                      {ba, gruppeName})
        << 3 << QString();
    QTest::newRow("Gruppe Ungleich Kran")
        << FilterFile("KfzStamm.db", 2, {{5, 14, 1, 5, 0, 0}, {4, 13, gruppe, 1, 0, 0}, {2, 4, 1, 0, 0, 0}},
                      {{1, 0, Counted("Kran")}, gruppeName})
        << 3 << QString();
    QTest::newRow("Gruppe Nicht leer")
        << FilterFile("KfzStamm.db", 2, {{5, 14, 1, 1, 0, 0}, {4, 13, gruppe, 1, 0, 0}, {1, 2, 1, 0, 0, 0}},
                      {{1, 0, Counted("")}, gruppeName})
        << 4 << QString();
    QTest::newRow("Leer on a field the table lacks")
        << FilterFile("KfzStamm.db", 2, {{5, 14, 1, 1, 0, 0}, {4, 13, gruppe, 1, 0, 0}, {1, 1, 1, 0, 0, 0}},
                      {{1, 0, Counted("")}, {254, 0, Counted("Farbe")}})
        << -1 << QStringLiteral("Fehler beim Lesen der Filterdefinition.\nTabellenstruktur wurde geändert:\n"
                                "Feldname: Farbe, Feldnummer: 2\nFeld nicht gefunden.");
    QTest::newRow("Leer on a field of another number")
        << FilterFile("KfzStamm.db", 2, {{5, 14, 1, 1, 0, 0}, {4, 13, 5, 1, 0, 0}, {1, 1, 1, 0, 0, 0}},
                      {{1, 0, Counted("")}, gruppeName})
        << -1 << QStringLiteral("Fehler beim Lesen der Filterdefinition.\nTabellenstruktur wurde geändert:\n"
                                "Feldname: Gruppe, Feldnummer: 5\nFalsche Feldnummer.");
}

void TestFilterFiles::filesOfTheLayout()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, records);
    QFETCH(QString, message);
    QCOMPARE(m_tables[0]->FieldByName(QStringLiteral("Gruppe"))->FieldNo(), 2);
    const QString file = m_files->filePath(QStringLiteral("alt.TFD"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    TTable* t = Open(QStringLiteral("KfzStamm.db"));
    TDBEFilter filter;
    filter.SetDataSet(t);
    try {
        filter.LoadFromFile(file);
        QVERIFY2(records >= 0, "file accepted");
        QCOMPARE(filter.State(), 3);
        QCOMPARE(t->RecordCount(), records);
    } catch (const EDBEFilter& e) {
        QCOMPARE(e.Message(), message);
        QCOMPARE(filter.State(), 1);
        QCOMPARE(t->RecordCount(), 4);
    }
}

TARVOS_UI_TEST_MAIN(TestFilterFiles)
#include "tst_dbefilt_files.moc"
