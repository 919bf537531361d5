// The filter object: rows to the tree of typed nodes and literals, the
// engine expression, the records it lets through, the limits, refused field
// types, the operand texts, the tree back to rows and the states.
#include "UiTestSupport.h"
#include "DBEFilt.h"
#include "Table.h"
#include <QStringEncoder>
#include <QtEndian>
#include <QtTest>

namespace {

using Nrs = QList<int>;
using Rows = std::vector<TDBEFilterRow>;

QByteArray Cp1252(const QString& s) { return QStringEncoder("Windows-1252").encode(s); }

template <typename T> QByteArray Le(T v)
{
    QByteArray b(int(sizeof(T)), '\0');
    qToLittleEndian(v, b.data());
    return b;
}

qint32 DayNumber(const QDate& d) { return qint32(QDate(1, 1, 1).daysTo(d) + 1); }

// Typen.DB: one field of every kind a filter takes, and three it refuses.
struct TTypRow {
    int Nr;
    const char* Name;   // nullptr: blank record
    int Klein, Ganz, Wort;
    double Zahl, Geld, Bcd;
    bool Ja;
    QDate Datum;
    QTime Zeit;
    QDateTime Zeitpunkt;
};

const QList<TTypRow>& TypRows()
{
    static const QList<TTypRow> rows = {
        {1, "Müller", -5, 100000, 10, 12.5, 100, 1.25, true, QDate(2024, 1, 15), QTime(8, 30),
         QDateTime(QDate(2024, 1, 15), QTime(8, 30))},
        {2, "mueller", 0, 0, 0, 0, 0.5, 0, false, QDate(2023, 12, 31), QTime(12, 0),
         QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59))},
        {3, "MÜLLERSTADT", 7, -1, 65535, -3.25, 19.99, -2.5, true, QDate(2024, 2, 29), QTime(17, 45, 30),
         QDateTime(QDate(2024, 2, 29), QTime(0, 0))},
        {4, nullptr, 0, 0, 0, 0, 0, 0, false, {}, {}, {}},
        {5, "Meier", 300, 42, 5, 2, 1000, 3, false, QDate(2000, 6, 1), QTime(0, 0),
         QDateTime(QDate(2000, 6, 1), QTime(12, 0))},
        {6, "..abc", 1, 1, 1, 1, 1, 1, true, QDate(2024, 1, 16), QTime(1, 0), QDateTime(QDate(2024, 1, 16), QTime(1, 0))},
    };
    return rows;
}

void CreateTypen()
{
    TTable t;
    t.SetDatabaseName(QStringLiteral("Pelmora"));
    t.SetTableName(QStringLiteral("Typen.DB"));
    t.DefsForCreate() = {{"Nr", ftAutoInc, 0, true},    {"Name", ftString, 20},     {"Klein", ftSmallint, 0},
                         {"Ganz", ftInteger, 0},        {"Wort", ftWord, 0},         {"Zahl", ftFloat, 0},
                         {"Geld", ftCurrency, 0},       {"Bcd", ftBCD, 2},           {"Ja", ftBoolean, 0},
                         {"Datum", ftDate, 0},          {"Zeit", ftTime, 0},         {"Zeitpunkt", ftDateTime, 0},
                         {"Notiz", ftMemo, 40},         {"Bild", ftGraphic, 0},      {"Ole", ftParadoxOle, 0}};
    t.IndexDefsForCreate() = {{QString(), "Nr", ixPrimary | ixUnique}};
    t.CreateTable();
    t.Open();
    for (const TTypRow& r : TypRows()) {
        t.Append();
        t.FieldByName("Nr")->SetAsInteger(r.Nr);
        if (r.Name) {
            t.FieldByName("Name")->SetAsString(QString::fromUtf8(r.Name));
            t.FieldByName("Klein")->SetAsInteger(r.Klein);
            t.FieldByName("Ganz")->SetAsInteger(r.Ganz);
            t.FieldByName("Wort")->SetAsInteger(r.Wort);
            t.FieldByName("Zahl")->SetAsFloat(r.Zahl);
            t.FieldByName("Geld")->SetAsFloat(r.Geld);
            t.FieldByName("Bcd")->SetAsFloat(r.Bcd);
            t.FieldByName("Ja")->SetAsBoolean(r.Ja);
            t.FieldByName("Datum")->SetAsDate(r.Datum);
            t.FieldByName("Zeit")->SetValue(r.Zeit);
            t.FieldByName("Zeitpunkt")->SetValue(r.Zeitpunkt);
        }
        t.Post();
    }
}

Nrs NrsOf(TDataSet* t)
{
    Nrs out;
    for (t->First(); !t->Eof(); t->Next()) out << t->FieldByName("Nr")->AsInteger();
    return out;
}

// The tree in words, to compare shapes: "((A Oder B) Und C)".
QString Shape(const TDBEFilter& f, int n)
{
    const TDBEFilterNode& node = f.Nodes().at(size_t(n));
    auto name = [&](int fieldNode) {
        const QByteArray v = f.Literals().at(f.Nodes().at(size_t(fieldNode)).B).Value;
        return QString::fromLatin1(v.mid(1, quint8(v[0])));
    };
    switch (node.NodeClass) {
    case fncUnary: return TDBEFilter::OperatorName(node.Operator) + u' ' + Shape(f, node.A);
    case fncField: return name(n);
    case fncConst: return QStringLiteral("#");
    case fncCompare: return Shape(f, node.C) + QStringLiteral(" ~") + TDBEFilter::OperatorName(node.Operator);
    default:
        if (node.Operator == foAnd || node.Operator == foOr)
            return u'(' + Shape(f, node.A) + u' ' + TDBEFilter::OperatorName(node.Operator) + u' ' + Shape(f, node.B)
                + u')';
        return Shape(f, node.A) + u' ' + TDBEFilter::OperatorName(node.Operator);
    }
}

QString Message(const std::function<void()>& op)
{
    try {
        op();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("(kein Fehler)");
}

}   // namespace

Q_DECLARE_METATYPE(std::vector<TDBEFilterRow>)

class TestFilter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void treeAndExpression_data();
    void treeAndExpression();
    void chains_data();
    void chains();
    void nodeLimits_data();
    void nodeLimits();
    void refusedFieldTypes_data();
    void refusedFieldTypes();
    void operandTexts_data();
    void operandTexts();
    void treeToRows_data();
    void treeToRows();
    void treeNotShown_data();
    void treeNotShown();
    void states();

private:
    TTable* Open();
    std::unique_ptr<TTestDatabases> m_db;
    std::vector<std::unique_ptr<TTable>> m_tables;
};

// The filters only read: one table serves every case.
void TestFilter::initTestCase()
{
    m_db = std::make_unique<TTestDatabases>();
    CreateTypen();
}

void TestFilter::cleanupTestCase() { m_db.reset(); }

void TestFilter::cleanup() { m_tables.clear(); }

TTable* TestFilter::Open()
{
    m_tables.push_back(std::make_unique<TTable>());
    TTable* t = m_tables.back().get();
    t->SetDatabaseName(QStringLiteral("Pelmora"));
    t->SetTableName(QStringLiteral("Typen.DB"));
    t->Open();
    t->FieldByName("Ja")->SetDisplayValues(QStringLiteral("Ja;Nein"));
    return t;
}

// One row per operator and value type: the three nodes and two literals it
// becomes, the engine expression written from them, and the records.
void TestFilter::treeAndExpression_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("op");
    QTest::addColumn<QString>("operand");
    QTest::addColumn<int>("rootClass");
    QTest::addColumn<int>("partial");     // compare nodes; -1 otherwise
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("value");   // the literal's value as stored in files
    QTest::addColumn<int>("wildcard");
    QTest::addColumn<Nrs>("nrs");

    const auto str = [](const QString& s) { return char(Cp1252(s).size()) + Cp1252(s); };
    QTest::newRow("text equal") << "Name" << int(foEqual) << "Müller" << int(fncBinary) << -1 << 1 << str("Müller")
                                << 0 << Nrs{1};
    QTest::newRow("text equal keeps case") << "Name" << int(foEqual) << "müller" << int(fncBinary) << -1 << 1
                                           << str("müller") << 0 << Nrs{};
    QTest::newRow("text .. begins with, any case") << "Name" << int(foEqual) << "mü.." << int(fncCompare) << 2 << 1
                                                   << str("mü") << 1 << Nrs{1, 3};
    QTest::newRow("text .. ignored by Ungleich") << "Name" << int(foNotEqual) << "Müller.." << int(fncBinary) << -1
                                                 << 1 << str("Müller") << 1 << Nrs{2, 3, 5, 6};
    QTest::newRow("text leading .. is literal") << "Name" << int(foEqual) << "..abc" << int(fncBinary) << -1 << 1
                                                << str("..abc") << 0 << Nrs{6};
    QTest::newRow("text greater, by character codes") << "Name" << int(foGreater) << "M" << int(fncBinary) << -1 << 1
                                                       << str("M") << 0 << Nrs{1, 2, 3, 5};
    QTest::newRow("smallint less") << "Klein" << int(foLess) << "0" << int(fncBinary) << -1 << 5
                                   << Le<qint16>(0) << 0 << Nrs{1};
    QTest::newRow("smallint negative") << "Klein" << int(foEqual) << "-5" << int(fncBinary) << -1 << 5
                                       << Le<qint16>(-5) << 0 << Nrs{1};
    QTest::newRow("integer greater or equal") << "Ganz" << int(foGreaterEq) << "42" << int(fncBinary) << -1 << 6
                                              << Le<qint32>(42) << 0 << Nrs{1, 5};
    QTest::newRow("autoinc") << "Nr" << int(foEqual) << "3" << int(fncBinary) << -1 << 6 << Le<qint32>(3) << 0
                             << Nrs{3};
    QTest::newRow("word") << "Wort" << int(foGreaterEq) << "10" << int(fncBinary) << -1 << 12 << Le<quint16>(10) << 0
                          << Nrs{1, 3};
    QTest::newRow("float less or equal, empty is 0") << "Zahl" << int(foLessEq) << "" << int(fncBinary) << -1 << 7
                                                     << Le<double>(0) << 0 << Nrs{2, 3};
    QTest::newRow("float decimal comma") << "Zahl" << int(foEqual) << "12,5" << int(fncBinary) << -1 << 7
                                         << Le<double>(12.5) << 0 << Nrs{1};
    QTest::newRow("currency") << "Geld" << int(foEqual) << "19,99" << int(fncBinary) << -1 << 7 << Le<double>(19.99)
                              << 0 << Nrs{3};
    QByteArray bcd(18, '\0');
    bcd[0] = char(32);
    bcd[1] = char(2);
    bcd[16] = char(0x01);   // 1,00: the digits 100 at the end
    QTest::newRow("bcd") << "Bcd" << int(foGreater) << "1" << int(fncBinary) << -1 << 8 << bcd << 0 << Nrs{1, 5};
    QTest::newRow("boolean false by its own text") << "Ja" << int(foEqual) << "n" << int(fncBinary) << -1 << 4
                                                   << Le<qint16>(0) << 0 << Nrs{2, 5};
    QTest::newRow("boolean true") << "Ja" << int(foEqual) << "J" << int(fncBinary) << -1 << 4 << Le<qint16>(-1) << 0
                                  << Nrs{1, 3, 6};
    QTest::newRow("date") << "Datum" << int(foEqual) << "15.01.2024" << int(fncBinary) << -1 << 2
                          << Le<qint32>(DayNumber(QDate(2024, 1, 15))) + QByteArray(4, '\0') << 0 << Nrs{1};
    QTest::newRow("date greater") << "Datum" << int(foGreater) << "15.01.2024" << int(fncBinary) << -1 << 2
                                  << Le<qint32>(DayNumber(QDate(2024, 1, 15))) + QByteArray(4, '\0') << 0
                                  << Nrs{3, 6};
    QTest::newRow("time") << "Zeit" << int(foGreater) << "12:00:00" << int(fncBinary) << -1 << 10
                          << Le<qint32>(12 * 3600000) << 0 << Nrs{3};
    QTest::newRow("date and time") << "Zeitpunkt" << int(foLess) << "01.01.2024" << int(fncBinary) << -1 << 11
                                   << Le<double>(double(DayNumber(QDate(2024, 1, 1))) * 86400000.0) << 0 << Nrs{2, 5};
    QTest::newRow("blank text") << "Name" << int(foIsBlank) << "" << int(fncUnary) << -1 << 1 << QByteArray(1, '\0')
                                << 0 << Nrs{4};
    QTest::newRow("not blank number") << "Zahl" << int(foNotBlank) << "" << int(fncUnary) << -1 << 7
                                      << QByteArray(8, '\0') << 0 << Nrs{1, 2, 3, 5, 6};
    QTest::newRow("blank date") << "Datum" << int(foIsBlank) << "" << int(fncUnary) << -1 << 2
                                << QByteArray(8, '\0') << 0 << Nrs{4};
}

void TestFilter::treeAndExpression()
{
    QFETCH(QString, field);
    QFETCH(int, op);
    QFETCH(QString, operand);
    QFETCH(int, rootClass);
    QFETCH(int, partial);
    QFETCH(int, type);
    QFETCH(QByteArray, value);
    QFETCH(int, wildcard);
    QFETCH(Nrs, nrs);
    TTable* t = Open();
    TDBEFilter f;
    f.SetDataSet(t);
    f.ApplyRows({{field, op, operand, 0}}, true);
    QCOMPARE(f.State(), 3);

    // Constant first, then the field, then the operator over both.
    QCOMPARE(f.NodeCount(), 3);
    QCOMPARE(f.LiteralCount(), 2);
    QCOMPARE(f.Root(), 2);
    const TDBEFilterNode& c = f.Nodes()[0];
    const TDBEFilterNode& fn = f.Nodes()[1];
    const TDBEFilterNode& root = f.Nodes()[2];
    const TDBEFilterLiteral& cl = f.Literals()[0];
    const TDBEFilterLiteral& fl = f.Literals()[1];
    QCOMPARE(c.NodeClass, int(fncConst));
    QCOMPARE(c.Operator, int(foConst));
    QCOMPARE(int(c.A), type);
    QCOMPARE(int(c.B), int(cl.Size));
    QCOMPARE(int(c.C), 0);
    QCOMPARE(int(cl.ValueType), type);
    QCOMPARE(int(cl.Wildcard), wildcard);
    QCOMPARE(int(cl.Offset), 0);
    QCOMPARE(cl.Value.left(value.size()).toHex(), value.toHex());
    QCOMPARE(int(cl.Size), value.size());
    QCOMPARE(fn.NodeClass, int(fncField));
    QCOMPARE(fn.Operator, int(foField));
    QCOMPARE(int(fn.A), t->FieldByName(field)->FieldNo());
    QCOMPARE(int(fn.B), 1);
    QCOMPARE(int(fl.ValueType), 254);
    QCOMPARE(int(fl.Offset), int(cl.Size));
    QCOMPARE(fl.Value, char(field.size()) + field.toLatin1());
    QCOMPARE(root.NodeClass, rootClass);
    QCOMPARE(root.Operator, op);
    if (rootClass == fncCompare) {
        QCOMPARE(int(root.A), 0xFFFF);
        QCOMPARE(int(root.B), partial);
        QCOMPARE(int(root.C), 1);
        QCOMPARE(int(root.D), 0);
    } else {
        QCOMPARE(int(root.A), 1);
        if (rootClass == fncBinary) QCOMPARE(int(root.B), 0);
    }

    // The expression: header, the reachable nodes in pre-order with byte
    // offsets, the literal pool with texts closed by a zero.
    const QByteArray pool = (type == 1 ? value.mid(1) + '\0' : value) + field.toLatin1() + '\0';
    const int total = 10 + 3 * 18 + int(pool.size());
    QByteArray want = Le<quint16>(2) + Le<quint16>(quint16(total)) + Le<quint16>(3) + Le<quint16>(10)
        + Le<quint16>(10 + 54);
    auto slot = [](int cls, int op, quint16 a, quint16 b, quint16 c, quint16 d) {
        return Le<qint32>(cls) + Le<qint32>(op) + Le(a) + Le(b) + Le(c) + Le(d) + QByteArray(2, '\0');
    };
    if (rootClass == fncCompare) want += slot(fncCompare, op, 0xFFFF, quint16(partial), 18, 36);
    else if (rootClass == fncBinary) want += slot(fncBinary, op, 18, 36, 0, 0);
    else want += slot(fncUnary, op, 18, 0, 0, 0);
    want += slot(fncField, foField, quint16(fn.A), quint16(cl.Size), 0, 0);
    // A blank test does not reach its constant: the slot stays unused.
    want += rootClass == fncUnary ? QByteArray(18, '\0') : slot(fncConst, foConst, quint16(type), cl.Size, 0, 0);
    want += pool;
    QCOMPARE(f.Expression().toHex(), want.toHex());

    QCOMPARE(NrsOf(t), nrs);
}

void TestFilter::chains_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("nodes");
    QTest::addColumn<int>("literals");
    QTest::addColumn<Nrs>("nrs");

    QTest::newRow("begins with, Und blank") << Rows{{"Name", foEqual, "Mü..", foAnd}, {"Datum", foIsBlank, "", 0}}
                                            << "(Name ~Gleich Und Leer Datum)" << 7 << 4 << Nrs{};
    QTest::newRow("Oder") << Rows{{"Klein", foLess, "0", foOr}, {"Ganz", foGreater, "40", 0}}
                          << "(Klein Kleiner als Oder Ganz Größer als)" << 7 << 4 << Nrs{1, 5};
    // Without precedence: ((A or B) and C), where A or (B and C) would keep 1.
    QTest::newRow("Oder then Und, left to right")
        << Rows{{"Nr", foEqual, "1", foOr}, {"Nr", foEqual, "2", foAnd}, {"Ja", foEqual, "Nein", 0}}
        << "((Nr Gleich Oder Nr Gleich) Und Ja Gleich)" << 11 << 6 << Nrs{2};
    QTest::newRow("Und then Oder, left to right")
        << Rows{{"Ja", foEqual, "Nein", foAnd}, {"Nr", foEqual, "2", foOr}, {"Nr", foEqual, "1", 0}}
        << "((Ja Gleich Und Nr Gleich) Oder Nr Gleich)" << 11 << 6 << Nrs{1, 2};
    Rows ten;
    for (int i = 1; i <= 10; ++i) ten.push_back({"Nr", foNotEqual, QString::number(i + 1), i < 10 ? foAnd : 0});
    QTest::newRow("ten rows") << ten
                              << "(((((((((Nr Ungleich Und Nr Ungleich) Und Nr Ungleich) Und Nr Ungleich) Und Nr "
                                 "Ungleich) Und Nr Ungleich) Und Nr Ungleich) Und Nr Ungleich) Und Nr Ungleich) Und "
                                 "Nr Ungleich)"
                              << 39 << 20 << Nrs{1};
}

void TestFilter::chains()
{
    QFETCH(Rows, rows);
    QFETCH(QString, shape);
    QFETCH(int, nodes);
    QFETCH(int, literals);
    QFETCH(Nrs, nrs);
    TTable* t = Open();
    TDBEFilter f;
    f.SetDataSet(t);
    f.ApplyRows(rows, true);
    QCOMPARE(Shape(f, f.Root()), shape);
    QCOMPARE(f.NodeCount(), nodes);
    QCOMPARE(f.LiteralCount(), literals);
    QCOMPARE(NrsOf(t), nrs);
}

// 70 nodes are the most; the 71st is refused by the builder that would make it.
void TestFilter::nodeLimits_data()
{
    QTest::addColumn<int>("fields");      // field nodes, each with a blank test over it
    QTest::addColumn<QString>("add");
    QTest::addColumn<QString>("message");
    QTest::newRow("71st node an operator") << 35 << "operator" << "Maximale Anzahl Operatoren erreicht";
    QTest::newRow("71st node a field") << 35 << "field" << "Maximale Anzahl Operanden erreicht";
    QTest::newRow("71st node a constant") << 35 << "constant" << "Maximale Anzahl Operanden erreicht";
    QTest::newRow("below the limit") << 34 << "field" << "(kein Fehler)";
    QTest::newRow("eleven rows") << 0 << "rows" << "Maximale Anzahl Filterzeilen überschritten";
}

void TestFilter::nodeLimits()
{
    QFETCH(int, fields);
    QFETCH(QString, add);
    QFETCH(QString, message);
    TTable* t = Open();
    TDBEFilter f;
    f.SetDataSet(t);
    for (int i = 0; i < fields; ++i) f.AddOperator(foIsBlank, f.AddField(QStringLiteral("Name")), -1);
    QCOMPARE(f.NodeCount(), 2 * fields);
    QString got;
    if (add == QLatin1String("operator")) got = Message([&] { f.AddOperator(foNot, 0, -1); });
    if (add == QLatin1String("field")) got = Message([&] { f.AddField(QStringLiteral("Zahl")); });
    if (add == QLatin1String("constant"))
        got = Message([&] { f.AddConstant(t->FieldByName("Zahl"), 1.0, 0); });
    if (add == QLatin1String("rows")) {
        Rows eleven(11, TDBEFilterRow{"Nr", foGreater, "0", foAnd});
        got = Message([&] { f.ApplyRows(eleven, true); });
        QCOMPARE(f.State(), 1);
    }
    QCOMPARE(got, message);
}

void TestFilter::refusedFieldTypes_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("memo") << "Notiz";
    QTest::newRow("graphic") << "Bild";
    QTest::newRow("ole") << "Ole";
}

// The operand is taken, the constant is not: the type has no value code.
void TestFilter::refusedFieldTypes()
{
    QFETCH(QString, field);
    TTable* t = Open();
    TDBEFilter f;
    f.SetDataSet(t);
    QCOMPARE(Message([&] { f.ApplyRows({{field, foEqual, "x", 0}}, true); }),
             QStringLiteral("Ungültiger Feldtyp für Filter"));
    QCOMPARE(f.State(), 1);
    QCOMPARE(NrsOf(t).size(), TypRows().size());
}

void TestFilter::operandTexts_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("wildcard");
    QTest::newRow("trailing dots") << "Name" << "abc.." << true << QVariant("abc") << 1;
    QTest::newRow("leading dots stay") << "Name" << "..abc" << true << QVariant("..abc") << 0;
    QTest::newRow("dots inside stay") << "Name" << "a..b" << true << QVariant("a..b") << 0;
    QTest::newRow("only dots") << "Name" << ".." << false << QVariant() << 2;
    QTest::newRow("dots on a number are no wildcard") << "Ganz" << "12.." << false << QVariant() << 0;
    QTest::newRow("blanks around a number") << "Ganz" << " 12 " << true << QVariant(qint64(12)) << 0;
    QTest::newRow("smallint too large") << "Klein" << "40000" << false << QVariant() << 0;
    QTest::newRow("word negative") << "Wort" << "-1" << false << QVariant() << 0;
    QTest::newRow("float with point") << "Zahl" << "1.5" << false << QVariant() << 0;
    QTest::newRow("boolean n is Nein") << "Ja" << "n" << true << QVariant(false) << 0;
    QTest::newRow("boolean j is Ja") << "Ja" << "j" << true << QVariant(true) << 0;
    QTest::newRow("boolean x") << "Ja" << "x" << false << QVariant() << 0;
    QTest::newRow("boolean empty is false") << "Ja" << "" << true << QVariant(false) << 0;
    QTest::newRow("date") << "Datum" << "1.2.2024" << true << QVariant(QDate(2024, 2, 1)) << 0;
    QTest::newRow("no date") << "Datum" << "31.02.2024" << false << QVariant() << 0;
    QTest::newRow("time") << "Zeit" << "7:05" << true << QVariant(QTime(7, 5)) << 0;
}

void TestFilter::operandTexts()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QVariant, value);
    QFETCH(int, wildcard);
    TTable* t = Open();
    QVariant got;
    int flag = -1;
    QCOMPARE(TDBEFilter::ConvertOperand(t->FieldByName(field), text, got, flag), valid);
    QCOMPARE(flag, wildcard);
    if (valid) QCOMPARE(got, value);
}

// Editing a filter again shows the rows it was made of.
void TestFilter::treeToRows_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QStringList>("shown");   // label|operator|operand|wildcard|connective per row
    QTest::newRow("text with dots, blank test")
        << Rows{{"Name", foEqual, "mü..", foOr}, {"Datum", foIsBlank, "", 0}}
        << QStringList{"Name|3|mü|1|11", "Datum|1||0|0"};
    QTest::newRow("numbers") << Rows{{"Klein", foLess, "-5", foAnd}, {"Wort", foGreaterEq, "65535", foAnd},
                                     {"Zahl", foEqual, "12,5", foAnd}, {"Bcd", foGreater, "1,25", 0}}
                             << QStringList{"Klein|6|-5|0|10", "Wort|7|65535|0|10", "Zahl|3|12,5|0|10",
                                            "Bcd|5|1,25|0|0"};
    QTest::newRow("dates and times") << Rows{{"Datum", foEqual, "15.01.2024", foAnd},
                                             {"Zeit", foLess, "08:30", foAnd},
                                             {"Zeitpunkt", foGreater, "15.01.2024 08:30", 0}}
                                     << QStringList{"Datum|3|15.01.2024|0|10", "Zeit|6|08:30:00|0|10",
                                                    "Zeitpunkt|5|15.01.2024 08:30:00|0|0"};
    // The field's own texts, so that OK reads them again.
    QTest::newRow("boolean") << Rows{{"Ja", foEqual, "n", 0}} << QStringList{"Ja|3|Nein|0|0"};
    QTest::newRow("pattern") << Rows{{"Name", foLike, "M%", 0}} << QStringList{"Name|30|M%|0|0"};
}

void TestFilter::treeToRows()
{
    QFETCH(Rows, rows);
    QFETCH(QStringList, shown);
    TTable* t = Open();
    TDBEFilter f;
    f.SetDataSet(t);
    f.ApplyRows(rows, true);
    QStringList got;
    for (const TDBEFilterDialogRow& r : f.TreeToRows())
        got << QStringLiteral("%1|%2|%3|%4|%5").arg(r.FieldLabel).arg(r.Operator).arg(r.Operand).arg(r.Wildcard).arg(r.Connective);
    QCOMPARE(got, shown);
}

void TestFilter::treeNotShown_data()
{
    QTest::addColumn<QString>("build");
    QTest::addColumn<QString>("message");
    QTest::newRow("Nicht") << "not" << "Aktueller Filter nicht darstellbar";
    QTest::newRow("eleven rows") << "eleven" << "Maximale Anzahl Filterzeilen überschritten";
}

void TestFilter::treeNotShown()
{
    QFETCH(QString, build);
    QFETCH(QString, message);
    TTable* t = Open();
    TDBEFilter f;
    f.SetDataSet(t);
    auto row = [&](int nr) {
        const int c = f.AddConstant(t->FieldByName("Nr"), nr, 0);
        return f.AddOperator(foEqual, f.AddField(QStringLiteral("Nr")), c);
    };
    if (build == QLatin1String("not")) {
        f.SetRoot(f.AddOperator(foNot, row(2), -1));
    } else {
        int root = row(1);
        for (int nr = 2; nr <= 11; ++nr) root = f.AddOperator(foOr, root, row(nr));
        f.SetRoot(root);
    }
    f.SetActive(true);
    // It works, it only cannot be shown.
    QCOMPARE(NrsOf(t), build == QLatin1String("not") ? (Nrs{1, 3, 4, 5, 6}) : (Nrs{1, 2, 3, 4, 5, 6}));
    QCOMPARE(Message([&] { f.TreeToRows(); }), message);
    if (build != QLatin1String("not")) QVERIFY_THROWS_EXCEPTION(EDBEFilterDefError, f.TreeToRows());
}

void TestFilter::states()
{
    TDBEFilter f;
    QCOMPARE(f.State(), 0);
    QCOMPARE(Message([&] { f.SetActive(true); }), QStringLiteral("Tabelle für Filter undefiniert."));
    TTable* t = Open();
    f.SetDataSet(t);
    QCOMPARE(f.State(), 1);
    int progress = 0;
    f.OnMessage = [&](int code) { progress = code; };
    f.ApplyRows({{"Nr", foLess, "3", 0}}, false);
    QCOMPARE(f.State(), 1);
    QCOMPARE(NrsOf(t), (Nrs{1, 2, 3, 4, 5, 6}));
    f.SetRegistered(true);
    QCOMPARE(f.State(), 2);
    QCOMPARE(progress, 0);
    f.SetActive(true);
    QCOMPARE(f.State(), 3);
    QCOMPARE(progress, 4);   // "Aktiviere Filter..."
    QCOMPARE(NrsOf(t), (Nrs{1, 2}));
    f.SetActive(false);
    QCOMPARE(f.State(), 2);
    QCOMPARE(NrsOf(t), (Nrs{1, 2, 3, 4, 5, 6}));
    f.SetActive(true);
    QCOMPARE(NrsOf(t), (Nrs{1, 2}));
    // Reset drops the tree too.
    f.SetRegistered(false);
    QCOMPARE(f.State(), 1);
    QCOMPARE(f.NodeCount(), 0);
    QCOMPARE(f.Root(), -1);
    QCOMPARE(NrsOf(t), (Nrs{1, 2, 3, 4, 5, 6}));
    // A detached filter forgets its table and what it had.
    f.ApplyRows({{"Nr", foLess, "3", 0}}, true);
    f.SetDataSet(nullptr);
    QCOMPARE(f.State(), 0);
    QCOMPARE(f.NodeCount(), 0);
    QCOMPARE(Message([&] { f.SaveToFile(QStringLiteral("x.TFD")); }), QStringLiteral("Kein Filter definiert"));
}

TARVOS_UI_TEST_MAIN(TestFilter)
#include "tst_dbefilt.moc"
