#include "DBConsts.h"
#include "DBErrors.h"
#include "FilterExpr.h"

#include <QDate>
#include <QStringEncoder>
#include <QTime>
#include <QtEndian>
#include <QtTest>

#include <sqlite3.h>

#include <array>
#include <cmath>
#include <limits>
#include <optional>

namespace {

using Ids = QList<int>;

// Builds engine expressions the way the extender lays them out, so the
// tests describe trees instead of byte offsets.
class ExprBuilder {
public:
    enum Class { Unary = 1, Binary = 2, Compare = 3, Field = 4, Const = 5 };
    enum Op {
        IsBlank = 1, NotBlank = 2, Eq = 3, Ne = 4, Gt = 5, Lt = 6, Ge = 7, Le = 8,
        Not = 9, And = 10, Or = 11, FieldOp = 13, ConstOp = 14, Like = 30
    };
    enum Type {
        TString = 1, TDate = 2, TBool = 4, TInt16 = 5, TInt32 = 6, TDouble = 7, TBCD = 8,
        TTime = 10, TDateTime = 11, TUInt16 = 12
    };

    int field(const QString& name, int number) { return node(Field, FieldOp, {quint16(number), literal(text(name)), 0, 0}, 0); }
    int str(const QString& s) { return value(TString, text(s)); }
    int i16(qint16 v) { return value(TInt16, le(v)); }
    int u16(quint16 v) { return value(TUInt16, le(v)); }
    int i32(qint32 v) { return value(TInt32, le(v)); }
    int boolean(bool v) { return value(TBool, le<qint16>(v ? 1 : 0)); }
    int dbl(double v) { return value(TDouble, le(v)); }
    // As the filter object writes it: eight bytes, the day number in the first four.
    int date(const QDate& d) { return value(TDate, le<qint32>(dayNumber(d)) + QByteArray(4, '\0')); }
    int time(const QTime& t) { return value(TTime, le<qint32>(t.msecsSinceStartOfDay())); }
    int dateTime(const QDate& d, const QTime& t) { return value(TDateTime, le(double(dayNumber(d)) * 86400000.0 + t.msecsSinceStartOfDay())); }
    int value(int type, const QByteArray& bytes) { return node(Const, ConstOp, {quint16(type), quint16(bytes.size()), literal(bytes), 0}, 0); }

    int unary(int op, int x) { return node(Unary, op, {quint16(x), 0, 0, 0}, 0b0001); }
    int binary(int op, int l, int r) { return node(Binary, op, {quint16(l), quint16(r), 0, 0}, 0b0011); }
    int compare(int op, bool ci, int partial, int l, int r)
    {
        return node(Compare, op, {quint16(ci ? 0xFFFF : 0), quint16(partial), quint16(l), quint16(r)}, 0b1100);
    }

    // Node references are given as indices here; `refs` marks which words hold one.
    int node(qint32 cls, qint32 op, std::array<quint16, 4> words, int refs)
    {
        m_nodes.append({cls, op, words, refs});
        return int(m_nodes.size()) - 1;
    }

    // The root goes into slot 0, the others keep their order.
    QByteArray build(int root) const
    {
        QList<int> order{root};
        for (int i = 0; i < m_nodes.size(); ++i)
            if (i != root)
                order.append(i);
        QList<int> slotOf(m_nodes.size());
        for (int s = 0; s < order.size(); ++s)
            slotOf[order[s]] = s;

        const int count = int(m_nodes.size());
        const int poolStart = 10 + 18 * count;
        QByteArray out;
        for (quint16 h : {quint16(2), quint16(poolStart + m_pool.size()), quint16(count), quint16(10), quint16(poolStart)})
            out += le(h);
        for (int index : order) {
            const Node& n = m_nodes[index];
            out += le(n.cls);
            out += le(n.op);
            for (int w = 0; w < 4; ++w)
                out += le(quint16((n.refs >> w) & 1 ? slotOf[n.words[w]] * 18 : n.words[w]));
            out += QByteArray(2, '\0');
        }
        return out + m_pool;
    }

    static qint32 dayNumber(const QDate& d) { return qint32(QDate(1, 1, 1).daysTo(d) + 1); }

    template <typename T>
    static QByteArray le(T v)
    {
        QByteArray b(sizeof(T), '\0');
        qToLittleEndian(v, b.data());
        return b;
    }

private:
    struct Node {
        qint32 cls, op;
        std::array<quint16, 4> words;
        int refs;
    };

    static QByteArray text(const QString& s)
    {
        QStringEncoder enc("Windows-1252");
        QByteArray b = enc.encode(s);
        b.append('\0');
        return b;
    }

    quint16 literal(const QByteArray& bytes)
    {
        const auto offset = quint16(m_pool.size());
        m_pool += bytes;
        return offset;
    }

    QList<Node> m_nodes;
    QByteArray m_pool;
};

QByteArray expr(const std::function<int(ExprBuilder&)>& tree)
{
    ExprBuilder b;
    const int root = tree(b);
    return b.build(root);
}

QByteArray patched16(QByteArray bytes, int pos, quint16 value)
{
    qToLittleEndian(value, bytes.data() + pos);
    return bytes;
}

QByteArray patched32(QByteArray bytes, int pos, qint32 value)
{
    qToLittleEndian(value, bytes.data() + pos);
    return bytes;
}

} // namespace

class TestFilterExpr : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void filterText_data();
    void filterText();
    void filterTextEmpty();
    void filterTextInvalid_data();
    void filterTextInvalid();

    void engineExpression_data();
    void engineExpression();
    void engineExpressionInvalid_data();
    void engineExpressionInvalid();

    void sqlFunctions_data();
    void sqlFunctions();

private:
    TFilterFieldResolver resolver() const;
    std::optional<Ids> select(const QString& where, const QVariantList& binds);
    void checkMatches(const TSqlCondition& cond, const Ids& expected);

    sqlite3* m_db = nullptr;
    QString m_error;
    QList<TFilterField> m_fields;
};

void TestFilterExpr::initTestCase()
{
    m_fields = {
        {"Name", 1, ftString, 30},      {"Ort", 2, ftString, 30},        {"Jahr", 3, ftString, 4},
        {"Betrag", 4, ftFloat, 0},      {"Datum", 5, ftDate, 0},         {"Aktiv", 6, ftBoolean, 0},
        {"Anzahl", 7, ftInteger, 0},    {"Hersteller/Typ", 8, ftString, 20}, {"Länge", 9, ftFloat, 0},
        {"Notiz", 10, ftMemo, 0},       {"Bild", 11, ftBlob, 0},         {"Zeit", 12, ftTime, 0},
        {"Zeitpunkt", 13, ftDateTime, 0}, {"Einheit", 14, ftString, 5},
    };
    QCOMPARE(sqlite3_open(":memory:", &m_db), SQLITE_OK);
    const char* setup = R"(
        CREATE TABLE t (id INTEGER PRIMARY KEY, "Name" TEXT, "Ort" TEXT, "Jahr" TEXT, "Betrag" REAL,
            "Datum" TEXT, "Aktiv" INTEGER, "Anzahl" INTEGER, "Hersteller/Typ" TEXT, "Länge" REAL,
            "Notiz" TEXT, "Bild" BLOB, "Zeit" TEXT, "Zeitpunkt" TEXT, "Einheit" TEXT);
        INSERT INTO t VALUES
          (1, 'Müller', 'Berlin', '2005', 12.5, '2024-01-15', 1, 3, 'ABC/1', 1.5, 'lang', x'00', '08:30:00.000', '2024-01-15T08:30:00.000', '€'),
          (2, 'mueller', 'Hamburg', '2006', 100.0, '2023-12-31', 0, 10, NULL, NULL, NULL, NULL, '12:00:00.000', '2023-12-31T23:59:59.999', 'kg'),
          (3, 'MÜLLERSTADT', 'Berlin', '2005', -3.25, NULL, 1, NULL, 'XYZ', 2.0, NULL, NULL, NULL, NULL, NULL),
          (4, 'müller', NULL, '1999', NULL, '2024-02-29', NULL, 7, 'ABC/1', NULL, NULL, NULL, '17:45:30.250', '2024-02-29T00:00:00.000', NULL),
          (5, NULL, 'München', NULL, 0.0, '2024-01-15', 0, 0, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
          (6, 'O''Brien', '', '2005', 7.25, '2000-06-01', 1, 5, NULL, 3.0, NULL, NULL, NULL, NULL, NULL),
          (7, 'Meier', 'Hamburg', '2010', 12.5, '2024-03-01', 0, 12, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
          (8, 'Berlin', 'Berlin', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    )";
    char* err = nullptr;
    const int rc = sqlite3_exec(m_db, setup, nullptr, nullptr, &err);
    QVERIFY2(rc == SQLITE_OK, err);
    RegisterFilterFunctions(m_db);
}

void TestFilterExpr::cleanupTestCase()
{
    sqlite3_close(m_db);
}

TFilterFieldResolver TestFilterExpr::resolver() const
{
    TFilterFieldResolver r;
    r.byName = [this](const QString& name) -> const TFilterField* {
        for (const TFilterField& f : m_fields)
            if (f.name.compare(name, Qt::CaseInsensitive) == 0)
                return &f;
        return nullptr;
    };
    r.byNumber = [this](int no) -> const TFilterField* {
        for (const TFilterField& f : m_fields)
            if (f.fieldNo == no)
                return &f;
        return nullptr;
    };
    return r;
}

std::optional<Ids> TestFilterExpr::select(const QString& where, const QVariantList& binds)
{
    const QByteArray sql = QStringLiteral("SELECT id FROM t%1 ORDER BY id")
                               .arg(where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where)
                               .toUtf8();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &st, nullptr) != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db)) + QStringLiteral(" in ") + QString::fromUtf8(sql);
        return std::nullopt;
    }
    if (sqlite3_bind_parameter_count(st) != binds.size()) {
        m_error = QStringLiteral("%1 Platzhalter, %2 Werte").arg(sqlite3_bind_parameter_count(st)).arg(binds.size());
        sqlite3_finalize(st);
        return std::nullopt;
    }
    for (int i = 0; i < binds.size(); ++i) {
        const QVariant& v = binds[i];
        switch (v.typeId()) {
        case QMetaType::UnknownType:
            sqlite3_bind_null(st, i + 1);
            break;
        case QMetaType::QString:
            sqlite3_bind_text(st, i + 1, v.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Bool:
            sqlite3_bind_int64(st, i + 1, v.toLongLong());
            break;
        case QMetaType::Double:
            sqlite3_bind_double(st, i + 1, v.toDouble());
            break;
        default:
            m_error = QStringLiteral("unerwarteter Werttyp %1").arg(QString::fromLatin1(v.typeName()));
            sqlite3_finalize(st);
            return std::nullopt;
        }
    }
    Ids ids;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        ids.append(sqlite3_column_int(st, 0));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return std::nullopt;
    }
    return ids;
}

void TestFilterExpr::checkMatches(const TSqlCondition& cond, const Ids& expected)
{
    QVERIFY2(cond.sql.startsWith(u'(') && cond.sql.endsWith(u')'), qPrintable(cond.sql));
    const auto ids = select(cond.sql, cond.binds);
    QVERIFY2(ids.has_value(), qPrintable(m_error));
    QCOMPARE(*ids, expected);
    // The condition is ANDed with others; a stray top-level OR would leak rows.
    const auto combined = select(QStringLiteral("0 AND ") + cond.sql, cond.binds);
    QVERIFY2(combined.has_value(), qPrintable(m_error));
    QCOMPARE(*combined, Ids{});
    // Values travel as binds only.
    for (const QVariant& b : cond.binds)
        if (b.typeId() == QMetaType::QString && b.toString().size() >= 4)
            QVERIFY2(!cond.sql.contains(b.toString()), qPrintable(cond.sql));
}

// ---------------------------------------------------------------------------

void TestFilterExpr::filterText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Ids>("expected");

    QTest::newRow("quoted text") << "Name = 'Müller'" << Ids{1};
    QTest::newRow("field name case, value exact") << "name = 'müller'" << Ids{4};
    QTest::newRow("not equal skips blank") << "Name <> 'Müller'" << Ids{2, 3, 4, 6, 7, 8};
    QTest::newRow("doubled quote") << "Name = 'O''Brien'" << Ids{6};
    QTest::newRow("quotes cannot escape the value") << "Name = 'x'' OR ''1''=''1'" << Ids{};
    QTest::newRow("number against text field") << "Jahr = 2005" << Ids{1, 3, 6};
    QTest::newRow("number against text field, reversed") << "2005 = Jahr" << Ids{1, 3, 6};
    QTest::newRow("text field orders as text") << "Jahr > 2005" << Ids{2, 7};
    QTest::newRow("float greater") << "Betrag > 10" << Ids{1, 2, 7};
    QTest::newRow("float decimal point") << "Betrag = 12.5" << Ids{1, 7};
    QTest::newRow("float from text with comma") << "Betrag >= '12,5'" << Ids{1, 2, 7};
    QTest::newRow("constant left mirrors operator") << "10 < Betrag" << Ids{1, 2, 7};
    QTest::newRow("negative constant left") << "-3 > Betrag" << Ids{3};
    QTest::newRow("float blank") << "Betrag = ''" << Ids{4, 8};
    QTest::newRow("integer against decimal") << "Anzahl > 2.5" << Ids{1, 2, 4, 6, 7};
    QTest::newRow("integer from text") << "Anzahl = '7'" << Ids{4};
    QTest::newRow("integer less or equal") << "Anzahl <= 3" << Ids{1, 5};
    QTest::newRow("german date") << "Datum = '15.01.2024'" << Ids{1, 5};
    QTest::newRow("iso date") << "Datum >= '2024-01-01'" << Ids{1, 4, 5, 7};
    QTest::newRow("short german date") << "Datum < '1.1.2024'" << Ids{2, 6};
    QTest::newRow("boolean wahr") << "Aktiv = 'Wahr'" << Ids{1, 3, 6};
    QTest::newRow("boolean true lower case") << "Aktiv = 'true'" << Ids{1, 3, 6};
    QTest::newRow("boolean bare false") << "Aktiv = False" << Ids{2, 5, 7};
    QTest::newRow("boolean zero") << "Aktiv = 0" << Ids{2, 5, 7};
    QTest::newRow("boolean not equal") << "Aktiv <> 'Falsch'" << Ids{1, 3, 6};
    QTest::newRow("time") << "Zeit > '12:00'" << Ids{4};
    QTest::newRow("time with seconds") << "Zeit = '17:45:30.25'" << Ids{4};
    QTest::newRow("datetime from date") << "Zeitpunkt = '29.02.2024'" << Ids{4};
    QTest::newRow("datetime before") << "Zeitpunkt < '01.01.2024 00:00'" << Ids{2};
    QTest::newRow("blank text") << "Ort = ''" << Ids{4, 6};
    QTest::newRow("not blank text") << "Ort <> ''" << Ids{1, 2, 3, 5, 7, 8};
    QTest::newRow("and binds tighter than or")
        << "Ort = 'Berlin' or Ort = 'Hamburg' and Jahr = 2006" << Ids{1, 2, 3, 8};
    QTest::newRow("parentheses") << "(Ort = 'Berlin' or Ort = 'Hamburg') and Jahr = 2005" << Ids{1, 3};
    QTest::newRow("and then or") << "Jahr = 2005 AND Betrag < 10 OR Name = 'Meier'" << Ids{3, 6, 7};
    QTest::newRow("nested parentheses")
        << "((Name = 'Meier') or ((Ort = 'München')))" << Ids{5, 7};
    // A blank place is not Berlin: "not" of a failed comparison holds.
    QTest::newRow("not") << "not Ort = 'Berlin'" << Ids{2, 4, 5, 6, 7};
    QTest::newRow("not of a blank number's comparison") << "not Betrag > 10" << Ids{3, 4, 5, 6, 8};
    QTest::newRow("not over group") << "NOT (Ort = 'Berlin' OR Ort = '')" << Ids{2, 5, 7};
    QTest::newRow("double not") << "not not Name = 'Müller'" << Ids{1};
    QTest::newRow("not inside and") << "Ort = 'Berlin' and not Jahr = 2005" << Ids{8};
    QTest::newRow("bracketed name") << "[Hersteller/Typ] = 'ABC/1'" << Ids{1, 4};
    QTest::newRow("double quoted name") << "\"Hersteller/Typ\" = 'XYZ'" << Ids{3};
    QTest::newRow("umlaut in bare name") << "Länge >= 2" << Ids{3, 6};
    QTest::newRow("field against field") << "Name = Ort" << Ids{8};
    QTest::newRow("no blanks needed") << "Ort='Berlin'\nand\tJahr=2005" << Ids{1, 3};
    QTest::newRow("multi-byte text") << "Einheit = '€'" << Ids{1};
}

void TestFilterExpr::filterText()
{
    QFETCH(QString, text);
    QFETCH(Ids, expected);
    try {
        checkMatches(CompileFilterText(text, resolver()), expected);
    } catch (const Exception& e) {
        QFAIL(qPrintable(e.Message()));
    }
}

void TestFilterExpr::filterTextEmpty()
{
    for (const QString& text : {QString(), QStringLiteral("   \t\n")}) {
        const TSqlCondition cond = CompileFilterText(text, resolver());
        QVERIFY(cond.isEmpty());
        QVERIFY(cond.binds.isEmpty());
    }
}

void TestFilterExpr::filterTextInvalid_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("detail");

    QTest::newRow("unterminated quote") << "Name = 'Müller" << "nicht abgeschlossen";
    QTest::newRow("missing close paren") << "(Name = 'a'" << "')' erwartet";
    QTest::newRow("extra close paren") << "Name = 'a')" << "')'";
    QTest::newRow("unknown field") << "Xyz = 1" << "Feld 'Xyz' nicht gefunden";
    QTest::newRow("missing right operand") << "Name =" << "unerwartetes Ende";
    QTest::newRow("missing operator") << "Name 'a'" << "Vergleichsoperator";
    QTest::newRow("lone field") << "Name" << "Vergleichsoperator";
    QTest::newRow("dangling and") << "Name = 'a' and" << "unerwartetes Ende";
    QTest::newRow("dangling not") << "Name = 'a' and not" << "unerwartetes Ende";
    QTest::newRow("double or") << "Name = 'a' or or Ort = 'b'" << "'or'";
    QTest::newRow("trailing comparison") << "Name = 'a' Ort = 'b'" << "'Ort'";
    QTest::newRow("empty parentheses") << "()" << "')'";
    QTest::newRow("doubled operator") << "Name == 'a'" << "'='";
    QTest::newRow("unknown character") << "Name = 'a' # 1" << "'#'";
    QTest::newRow("slash in bare name") << "Hersteller/Typ = 'a'" << "'/'";
    QTest::newRow("unterminated bracket") << "[Hersteller/Typ = 'a'" << "nicht abgeschlossen";
    QTest::newRow("empty bracket") << "[] = 'a'" << "Feldname";
    QTest::newRow("malformed number") << "Anzahl = 12abc" << "12abc";
    QTest::newRow("text not a number") << "Betrag = 'abc'" << "'abc'";
    QTest::newRow("empty text ordered against number") << "Betrag > ''" << "Gleitkommawert";
    QTest::newRow("impossible date") << "Datum = '31.02.2024'" << "31.02.2024";
    QTest::newRow("number against date") << "Datum = 5" << "Datum";
    QTest::newRow("bad time") << "Zeit = '25:00'" << "25:00";
    QTest::newRow("bad boolean") << "Aktiv = 'vielleicht'" << "vielleicht";
    QTest::newRow("boolean out of range") << "Aktiv = 2" << "Aktiv";
    QTest::newRow("boolean against text") << "Name = Wahr" << "Name";
    QTest::newRow("memo field") << "Notiz = 'x'" << "Notiz";
    QTest::newRow("blob field blank") << "Bild = ''" << "Bild";
    QTest::newRow("no field") << "1 = 2" << "ohne Feld";
    QTest::newRow("deep parentheses") << QString(300, u'(') + "Name = 'a'" + QString(300, u')') << "verschachtelt";
    QTest::newRow("deep not") << QStringLiteral("not ").repeated(300) + "Name = 'a'" << "verschachtelt";
}

void TestFilterExpr::filterTextInvalid()
{
    QFETCH(QString, text);
    QFETCH(QString, detail);
    try {
        const TSqlCondition cond = CompileFilterText(text, resolver());
        QFAIL(qPrintable(QStringLiteral("compiled to ") + cond.sql));
    } catch (const EDatabaseError& e) {
        QVERIFY2(e.Message().startsWith(QStringLiteral("Ungültiger Filterausdruck: ")), qPrintable(e.Message()));
        QVERIFY2(e.Message().contains(detail), qPrintable(e.Message()));
    }
}

// ---------------------------------------------------------------------------

void TestFilterExpr::engineExpression_data()
{
    using B = ExprBuilder;
    QTest::addColumn<QByteArray>("expr");
    QTest::addColumn<Ids>("expected");

    QTest::newRow("prefix ignoring case")
        << expr([](B& b) { return b.compare(B::Eq, true, 2, b.field("Name", 1), b.str("Mü")); }) << Ids{1, 3, 4};
    QTest::newRow("whole value ignoring case")
        << expr([](B& b) { return b.compare(B::Eq, true, 0, b.field("Name", 1), b.str("MÜLLER")); }) << Ids{1, 4};
    QTest::newRow("prefix with case")
        << expr([](B& b) { return b.compare(B::Eq, false, 2, b.field("Name", 1), b.str("Mü")); }) << Ids{1};
    QTest::newRow("prefix longer than constant")
        << expr([](B& b) { return b.compare(B::Eq, true, 4, b.field("Name", 1), b.str("Mü")); }) << Ids{};
    QTest::newRow("compare with constant first")
        << expr([](B& b) { return b.compare(B::Eq, true, 2, b.str("be"), b.field("Ort", 2)); }) << Ids{1, 3, 8};
    QTest::newRow("exact equal")
        << expr([](B& b) { return b.binary(B::Eq, b.field("Name", 1), b.str("Müller")); }) << Ids{1};
    QTest::newRow("exact equal, constant first")
        << expr([](B& b) { return b.binary(B::Eq, b.str("Müller"), b.field("Name", 1)); }) << Ids{1};
    // Row 6 holds '' (an old row), row 4 NULL: both are blank and fail.
    QTest::newRow("not equal")
        << expr([](B& b) { return b.binary(B::Ne, b.field("Ort", 2), b.str("Berlin")); }) << Ids{2, 5, 7};
    QTest::newRow("less skips the old empty text")
        << expr([](B& b) { return b.binary(B::Lt, b.field("Ort", 2), b.str("Hamburg")); }) << Ids{1, 3, 8};
    QTest::newRow("less or equal skips the old empty text")
        << expr([](B& b) { return b.binary(B::Le, b.field("Ort", 2), b.str("Berlin")); }) << Ids{1, 3, 8};
    QTest::newRow("greater than the empty text is not blank")
        << expr([](B& b) { return b.binary(B::Gt, b.field("Ort", 2), b.str("")); }) << Ids{1, 2, 3, 5, 7, 8};
    QTest::newRow("less or equal the empty text is blank")
        << expr([](B& b) { return b.binary(B::Le, b.field("Ort", 2), b.str("")); }) << Ids{4, 6};
    QTest::newRow("less than the empty text is nothing")
        << expr([](B& b) { return b.binary(B::Lt, b.field("Ort", 2), b.str("")); }) << Ids{};
    QTest::newRow("greater or equal the empty text is everything")
        << expr([](B& b) { return b.binary(B::Ge, b.field("Ort", 2), b.str("")); }) << Ids{1, 2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("not of a comparison with a blank field") << expr([](B& b) {
        return b.unary(B::Not, b.binary(B::Eq, b.field("Ort", 2), b.str("Berlin")));
    }) << Ids{2, 4, 5, 6, 7};
    QTest::newRow("pattern skips blank fields")
        << expr([](B& b) { return b.compare(B::Like, true, 0, b.field("Ort", 2), b.str("%")); })
        << Ids{1, 2, 3, 5, 7, 8};
    QTest::newRow("empty pattern is blank")
        << expr([](B& b) { return b.compare(B::Like, true, 0, b.field("Ort", 2), b.str("")); }) << Ids{4, 6};
    QTest::newRow("bcd constant") << expr([](B& b) {
        // 12.50 with two decimals: digits 00..001250, sign bit off.
        QByteArray bcd(18, '\0');
        bcd[0] = char(32);
        bcd[1] = char(2);
        bcd[16] = char(0x12);
        bcd[17] = char(0x50);
        return b.binary(B::Eq, b.field("Betrag", 4), b.value(B::TBCD, bcd));
    }) << Ids{1, 7};
    QTest::newRow("negative bcd constant") << expr([](B& b) {
        QByteArray bcd(18, '\0');
        bcd[0] = char(32);
        bcd[1] = char(0x80 | 2);
        bcd[17] = char(0x01);
        return b.binary(B::Lt, b.field("Betrag", 4), b.value(B::TBCD, bcd));
    }) << Ids{3};
    QTest::newRow("equal empty text is blank")
        << expr([](B& b) { return b.binary(B::Eq, b.field("Ort", 2), b.str("")); }) << Ids{4, 6};
    QTest::newRow("blank text")
        << expr([](B& b) { return b.unary(B::IsBlank, b.field("Ort", 2)); }) << Ids{4, 6};
    QTest::newRow("not blank text")
        << expr([](B& b) { return b.unary(B::NotBlank, b.field("Ort", 2)); }) << Ids{1, 2, 3, 5, 7, 8};
    QTest::newRow("blank number")
        << expr([](B& b) { return b.unary(B::IsBlank, b.field("Betrag", 4)); }) << Ids{4, 8};
    QTest::newRow("(A or B) and C") << expr([](B& b) {
        const int a = b.binary(B::Eq, b.field("Ort", 2), b.str("Berlin"));
        const int o = b.binary(B::Eq, b.field("Ort", 2), b.str("Hamburg"));
        const int c = b.binary(B::Eq, b.field("Jahr", 3), b.i16(2005));
        return b.binary(B::And, b.binary(B::Or, a, o), c);
    }) << Ids{1, 3};
    QTest::newRow("A or (B and C)") << expr([](B& b) {
        const int a = b.binary(B::Eq, b.field("Ort", 2), b.str("Berlin"));
        const int o = b.binary(B::Eq, b.field("Ort", 2), b.str("Hamburg"));
        const int c = b.binary(B::Eq, b.field("Jahr", 3), b.i16(2006));
        return b.binary(B::Or, a, b.binary(B::And, o, c));
    }) << Ids{1, 2, 3, 8};
    QTest::newRow("not over or") << expr([](B& b) {
        const int a = b.binary(B::Eq, b.field("Ort", 2), b.str("Berlin"));
        const int e = b.unary(B::IsBlank, b.field("Ort", 2));
        return b.unary(B::Not, b.binary(B::Or, a, e));
    }) << Ids{2, 5, 7};
    QTest::newRow("not over prefix") << expr([](B& b) {
        return b.unary(B::Not, b.compare(B::Eq, true, 2, b.field("Name", 1), b.str("mü")));
    }) << Ids{2, 5, 6, 7, 8};
    QTest::newRow("like ignoring case")
        << expr([](B& b) { return b.compare(B::Like, true, 0, b.field("Name", 1), b.str("m%er")); }) << Ids{1, 2, 4, 7};
    QTest::newRow("like with case")
        << expr([](B& b) { return b.compare(B::Like, false, 0, b.field("Name", 1), b.str("m%")); }) << Ids{2, 4};
    QTest::newRow("like single character")
        << expr([](B& b) { return b.compare(B::Like, true, 0, b.field("Name", 1), b.str("_ü%")); }) << Ids{1, 3, 4};
    QTest::newRow("like suffix")
        << expr([](B& b) { return b.compare(B::Like, true, 0, b.field("Name", 1), b.str("%stadt")); }) << Ids{3};
    QTest::newRow("date equal")
        << expr([](B& b) { return b.binary(B::Eq, b.field("Datum", 5), b.date(QDate(2024, 1, 15))); }) << Ids{1, 5};
    QTest::newRow("date by day number")
        << expr([](B& b) { return b.binary(B::Eq, b.field("Datum", 5), b.value(B::TDate, B::le<qint32>(738900))); })
        << Ids{1, 5};
    QTest::newRow("date greater")
        << expr([](B& b) { return b.binary(B::Gt, b.field("Datum", 5), b.date(QDate(2024, 1, 15))); }) << Ids{4, 7};
    QTest::newRow("date from text")
        << expr([](B& b) { return b.binary(B::Le, b.field("Datum", 5), b.str("31.12.2023")); }) << Ids{2, 6};
    QTest::newRow("double greater or equal")
        << expr([](B& b) { return b.binary(B::Ge, b.field("Betrag", 4), b.dbl(12.5)); }) << Ids{1, 2, 7};
    QTest::newRow("double less")
        << expr([](B& b) { return b.binary(B::Lt, b.field("Betrag", 4), b.dbl(0.0)); }) << Ids{3};
    QTest::newRow("double from text")
        << expr([](B& b) { return b.binary(B::Eq, b.field("Betrag", 4), b.str("12,5")); }) << Ids{1, 7};
    QTest::newRow("int32")
        << expr([](B& b) { return b.binary(B::Gt, b.field("Anzahl", 7), b.i32(5)); }) << Ids{2, 4, 7};
    QTest::newRow("uint16")
        << expr([](B& b) { return b.binary(B::Eq, b.field("Anzahl", 7), b.u16(10)); }) << Ids{2};
    QTest::newRow("int16 against text field")
        << expr([](B& b) { return b.binary(B::Eq, b.field("Jahr", 3), b.i16(2005)); }) << Ids{1, 3, 6};
    QTest::newRow("boolean")
        << expr([](B& b) { return b.binary(B::Eq, b.field("Aktiv", 6), b.boolean(true)); }) << Ids{1, 3, 6};
    QTest::newRow("time")
        << expr([](B& b) { return b.binary(B::Ge, b.field("Zeit", 12), b.time(QTime(12, 0))); }) << Ids{2, 4};
    QTest::newRow("datetime equal")
        << expr([](B& b) { return b.binary(B::Eq, b.field("Zeitpunkt", 13), b.dateTime(QDate(2023, 12, 31), QTime(23, 59, 59, 999))); })
        << Ids{2};
    QTest::newRow("datetime by milliseconds")
        << expr([](B& b) {
               return b.binary(B::Eq, b.field("Zeitpunkt", 13),
                               b.value(B::TDateTime, B::le(738885.0 * 86400000.0 + 86399999.0)));
           })
        << Ids{2};
    QTest::newRow("datetime greater")
        << expr([](B& b) { return b.binary(B::Gt, b.field("Zeitpunkt", 13), b.dateTime(QDate(2024, 1, 15), QTime(8, 30))); })
        << Ids{4};
    QTest::newRow("field by number when name unknown")
        << expr([](B& b) { return b.binary(B::Eq, b.field("Unbekannt", 2), b.str("Berlin")); }) << Ids{1, 3, 8};
    QTest::newRow("field name wins over number")
        << expr([](B& b) { return b.binary(B::Eq, b.field("Name", 2), b.str("Berlin")); }) << Ids{8};
    QTest::newRow("field name in Windows-1252")
        << expr([](B& b) { return b.binary(B::Ge, b.field("Länge", 0), b.dbl(2)); }) << Ids{3, 6};
    QTest::newRow("constant in Windows-1252")
        << expr([](B& b) { return b.binary(B::Eq, b.field("Einheit", 14), b.str("€")); }) << Ids{1};
    QTest::newRow("field against field")
        << expr([](B& b) { return b.binary(B::Eq, b.field("Name", 1), b.field("Ort", 2)); }) << Ids{8};
    QTest::newRow("shared subtree") << expr([](B& b) {
        const int a = b.binary(B::Eq, b.field("Ort", 2), b.str("Berlin"));
        return b.binary(B::And, a, a);
    }) << Ids{1, 3, 8};
}

void TestFilterExpr::engineExpression()
{
    QFETCH(QByteArray, expr);
    QFETCH(Ids, expected);
    try {
        checkMatches(CompileEngineExpression(expr, resolver()), expected);
    } catch (const Exception& e) {
        QFAIL(qPrintable(e.Message()));
    }
}

void TestFilterExpr::engineExpressionInvalid_data()
{
    using B = ExprBuilder;
    QTest::addColumn<QByteArray>("expr");

    // Name = 'Müller': slot 0 compare, slot 18 field, slot 36 constant, pool at 64.
    const QByteArray base = expr([](B& b) {
        const int f = b.field("Name", 1);
        const int c = b.str("Müller");
        return b.binary(B::Eq, f, c);
    });
    const auto slot = [](int index, int at) { return 10 + index * 18 + at; };
    enum { Cls = 0, Op = 4, A = 8, Bw = 10, C = 12 };

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("shorter than header") << base.left(9);
    QTest::newRow("bad version") << patched16(base, 0, 3);
    QTest::newRow("truncated") << base.chopped(1);
    QTest::newRow("size larger than data") << patched16(base, 2, quint16(base.size() + 1));
    QTest::newRow("no nodes") << patched16(patched16(base, 4, 0), 8, 10);
    QTest::newRow("node start") << patched16(base, 6, 12);
    QTest::newRow("literal start") << patched16(base, 8, 63);
    QTest::newRow("node reference past end") << patched16(base, slot(0, Bw), 54);
    QTest::newRow("node reference inside a slot") << patched16(base, slot(0, A), 20);
    QTest::newRow("field name outside pool") << patched16(base, slot(1, Bw), 200);
    QTest::newRow("constant size outside pool") << patched16(base, slot(2, Bw), 200);
    QTest::newRow("constant offset outside pool") << patched16(base, slot(2, C), 8);
    QTest::newRow("unknown class") << patched32(base, slot(0, Cls), 7);
    QTest::newRow("unknown binary operator") << patched32(base, slot(0, Op), 12);
    QTest::newRow("compare operator") << patched32(patched32(base, slot(0, Cls), 3), slot(0, Op), 4);
    QTest::newRow("field operator") << patched32(base, slot(1, Op), 14);
    QTest::newRow("unknown value type") << patched16(base, slot(2, A), 9);
    QTest::newRow("root is a field") << expr([](B& b) { return b.field("Aktiv", 6); });
    QTest::newRow("field name not terminated") << expr([](B& b) {
        const int c = b.i16(5);
        return b.binary(B::Eq, b.field("Anzahl", 0), c);
    }).chopped(1) + 'x';
    QTest::newRow("self cycle") << expr([](B& b) { return b.unary(B::Not, 0); });
    QTest::newRow("two node cycle") << expr([](B& b) {
        b.unary(B::Not, 1);
        b.unary(B::Not, 0);
        return 0;
    });
    QTest::newRow("cycle through and") << expr([](B& b) {
        const int cmp = b.binary(B::Eq, b.field("Name", 1), b.str("x"));
        return b.binary(B::And, cmp, b.unary(B::Not, 4));
    });
    QTest::newRow("too deep") << expr([](B& b) {
        int n = b.binary(B::Eq, b.field("Name", 1), b.str("x"));
        for (int i = 0; i < 300; ++i)
            n = b.unary(B::Not, n);
        return n;
    });
    QTest::newRow("unknown field") << expr([](B& b) { return b.binary(B::Eq, b.field("Xyz", 99), b.i16(1)); });
    QTest::newRow("two constants") << expr([](B& b) { return b.binary(B::Eq, b.i16(1), b.i16(1)); });
    QTest::newRow("blank test on constant") << expr([](B& b) { return b.unary(B::IsBlank, b.i16(1)); });
    QTest::newRow("and over a field") << expr([](B& b) {
        return b.binary(B::And, b.field("Aktiv", 6), b.unary(B::IsBlank, b.field("Name", 1)));
    });
    QTest::newRow("bcd constant of the wrong size") << expr([](B& b) { return b.binary(B::Eq, b.field("Betrag", 4), b.value(B::TBCD, QByteArray(10, '\0'))); });
    QTest::newRow("bcd digit out of range") << expr([](B& b) {
        QByteArray bcd(18, '\0');
        bcd[0] = char(32);
        bcd[17] = char(0x0A);
        return b.binary(B::Eq, b.field("Betrag", 4), b.value(B::TBCD, bcd));
    });
    QTest::newRow("int32 with wrong size") << expr([](B& b) { return b.binary(B::Eq, b.field("Anzahl", 7), b.value(B::TInt32, B::le<qint16>(1))); });
    QTest::newRow("day number zero") << expr([](B& b) { return b.binary(B::Eq, b.field("Datum", 5), b.value(B::TDate, B::le<qint32>(0))); });
    QTest::newRow("time past midnight") << expr([](B& b) { return b.binary(B::Eq, b.field("Zeit", 12), b.value(B::TTime, B::le<qint32>(86400000))); });
    QTest::newRow("datetime not a number") << expr([](B& b) {
        return b.binary(B::Eq, b.field("Zeitpunkt", 13), b.value(B::TDateTime, B::le(std::numeric_limits<double>::quiet_NaN())));
    });
    QTest::newRow("text constant against date") << expr([](B& b) { return b.binary(B::Eq, b.field("Datum", 5), b.str("gestern")); });
    QTest::newRow("like on a number field") << expr([](B& b) { return b.compare(B::Like, true, 0, b.field("Betrag", 4), b.str("1%")); });
    QTest::newRow("memo in comparison") << expr([](B& b) { return b.binary(B::Eq, b.field("Notiz", 10), b.str("x")); });
}

void TestFilterExpr::engineExpressionInvalid()
{
    QFETCH(QByteArray, expr);
    try {
        const TSqlCondition cond = CompileEngineExpression(expr, resolver());
        QFAIL(qPrintable(QStringLiteral("compiled to ") + cond.sql));
    } catch (const EDBEngineError& e) {
        QCOMPARE(e.ErrorCode(), DbiErr::INVALIDFILTER);
        QVERIFY2(e.Message().startsWith(QStringLiteral("Ungültiger Filterausdruck der Tabelle: ")), qPrintable(e.Message()));
    }
}

// ---------------------------------------------------------------------------

void TestFilterExpr::sqlFunctions_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<int>("expected");

    const QString prefix = QStringLiteral("tv_ci_prefix(?, ?, ?)");
    const QString like = QStringLiteral("tv_like(?, ?, ?)");
    QTest::newRow("prefix folds umlauts") << prefix << QVariantList{"Über", "üb", 2} << 1;
    QTest::newRow("prefix shorter value") << prefix << QVariantList{"Ü", "üb", 2} << 0;
    QTest::newRow("prefix whole value") << prefix << QVariantList{"ABC", "abc", 0} << 1;
    QTest::newRow("prefix whole value differs") << prefix << QVariantList{"ABCD", "abc", 0} << 0;
    QTest::newRow("prefix null value") << prefix << QVariantList{QVariant(), "a", 1} << 0;
    QTest::newRow("prefix counts characters") << prefix << QVariantList{"ÄÖx", "äöy", 2} << 1;
    QTest::newRow("like any run") << like << QVariantList{"abc", "%", 0} << 1;
    QTest::newRow("like empty value") << like << QVariantList{"", "%", 0} << 1;
    QTest::newRow("like one character") << like << QVariantList{"abc", "a_c", 0} << 1;
    QTest::newRow("like one character missing") << like << QVariantList{"ac", "a_c", 0} << 0;
    QTest::newRow("like underscore is one character") << like << QVariantList{"äbc", "_bc", 0} << 1;
    QTest::newRow("like backtracks") << like << QVariantList{"aaab", "%ab", 0} << 1;
    QTest::newRow("like whole value") << like << QVariantList{"abcd", "abc", 0} << 0;
    QTest::newRow("like folds case") << like << QVariantList{"ÄRGER", "är%", 1} << 1;
    QTest::newRow("like keeps case") << like << QVariantList{"ÄRGER", "är%", 0} << 0;
    QTest::newRow("like null value") << like << QVariantList{QVariant(), "%", 1} << 0;
}

void TestFilterExpr::sqlFunctions()
{
    QFETCH(QString, call);
    QFETCH(QVariantList, args);
    QFETCH(int, expected);
    // One row carries the result: id 1 when the function said yes.
    const auto ids = select(QStringLiteral("id = 1 AND ") + call, args);
    QVERIFY2(ids.has_value(), qPrintable(m_error));
    QCOMPARE(*ids, expected ? Ids{1} : Ids{});
}

QTEST_GUILESS_MAIN(TestFilterExpr)
#include "tst_filterexpr.moc"
