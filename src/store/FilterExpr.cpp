#include "FilterExpr.h"
#include "DBConsts.h"
#include "DBErrors.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTime>
#include <QtEndian>

#include <sqlite3.h>

#include <cmath>
#include <vector>

namespace {

// Deep enough for any filter a user or the extender builds, shallow
// enough that the recursive compilers cannot exhaust the stack.
constexpr int MaxDepth = 200;
// Shared subtrees would otherwise let a small blob expand exponentially.
constexpr int MaxVisits = 10000;

// Raised while compiling; each entry point rethrows it as its own error type.
struct CompileFailure {
    QString detail;
};

[[noreturn]] void fail(const QString& detail)
{
    throw CompileFailure{detail};
}

// ---------------------------------------------------------------------------
// Values and how each field type stores them

enum class CmpOp { Eq, Ne, Lt, Gt, Le, Ge };

QString opSql(CmpOp op)
{
    switch (op) {
    case CmpOp::Eq: return QStringLiteral("=");
    case CmpOp::Ne: return QStringLiteral("<>");
    case CmpOp::Lt: return QStringLiteral("<");
    case CmpOp::Gt: return QStringLiteral(">");
    case CmpOp::Le: return QStringLiteral("<=");
    case CmpOp::Ge: return QStringLiteral(">=");
    }
    return {};
}

// "5 < F" is written as "F > 5" so the field always comes first.
CmpOp mirrored(CmpOp op)
{
    switch (op) {
    case CmpOp::Lt: return CmpOp::Gt;
    case CmpOp::Gt: return CmpOp::Lt;
    case CmpOp::Le: return CmpOp::Ge;
    case CmpOp::Ge: return CmpOp::Le;
    default: return op;
    }
}

enum class Store { Text, Memo, Integer, Float, Boolean, Date, Time, DateTime, None };

Store storeOf(TFieldType t)
{
    switch (t) {
    case ftString: return Store::Text;
    case ftMemo:
    case ftFmtMemo: return Store::Memo;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: return Store::Integer;
    case ftFloat:
    case ftCurrency:
    case ftBCD: return Store::Float;
    case ftBoolean: return Store::Boolean;
    case ftDate: return Store::Date;
    case ftTime: return Store::Time;
    case ftDateTime: return Store::DateTime;
    default: return Store::None;
    }
}

struct Constant {
    enum Kind { Text, Integer, Float, Boolean, Date, Time, DateTime } kind = Text;
    QString text;  // the text, or a number as written / formatted
    qint64 i = 0;
    double d = 0;
    bool b = false;
    QDate date;
    QTime time;

    QString shown() const
    {
        switch (kind) {
        case Text: return u'\'' + text + u'\'';
        case Integer:
        case Float: return text;
        case Boolean: return b ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
        case Date: return date.toString(u"dd.MM.yyyy");
        case Time: return time.toString(u"HH:mm:ss.zzz");
        case DateTime: return date.toString(u"dd.MM.yyyy") + u' ' + time.toString(u"HH:mm:ss.zzz");
        }
        return text;
    }
};

QString isoDate(const QDate& d) { return d.toString(u"yyyy-MM-dd"); }
QString isoTime(const QTime& t) { return t.toString(u"HH:mm:ss.zzz"); }
QString isoDateTime(const QDate& d, const QTime& t) { return isoDate(d) + u'T' + isoTime(t); }

bool parseNumber(const QString& text, double& value)
{
    static const QRegularExpression re(
        QStringLiteral("^[+-]?([0-9]+([.,][0-9]*)?|[.,][0-9]+)([eE][+-]?[0-9]+)?$"));
    QString s = text.trimmed();
    if (!re.match(s).hasMatch())
        return false;
    s.replace(u',', u'.');
    bool ok = false;
    value = QLocale::c().toDouble(s, &ok);
    return ok && std::isfinite(value);
}

bool parseDate(const QString& text, QDate& value)
{
    static const QRegularExpression german(QStringLiteral("^([0-9]{1,2})\\.([0-9]{1,2})\\.([0-9]{4})$"));
    static const QRegularExpression iso(QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})$"));
    const QString s = text.trimmed();
    if (auto m = german.match(s); m.hasMatch())
        value = QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    else if (auto m = iso.match(s); m.hasMatch())
        value = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    else
        return false;
    return value.isValid();
}

bool parseTime(const QString& text, QTime& value)
{
    static const QRegularExpression re(
        QStringLiteral("^([0-9]{1,2}):([0-9]{2})(?::([0-9]{2})(?:[.,]([0-9]{1,3}))?)?$"));
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    const int ms = m.captured(4).isEmpty() ? 0 : m.captured(4).leftJustified(3, u'0').toInt();
    value = QTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), ms);
    return value.isValid();
}

bool parseDateTime(const QString& text, QDate& date, QTime& time)
{
    const QString s = text.trimmed();
    qsizetype sep = s.indexOf(u'T');
    if (sep < 0)
        sep = s.indexOf(u' ');
    if (sep < 0) {
        time = QTime(0, 0);
        return parseDate(s, date);
    }
    return parseDate(s.left(sep), date) && parseTime(s.mid(sep + 1), time);
}

bool parseBool(const QString& text, bool& value)
{
    const QString s = text.trimmed();
    for (const char* w : {"wahr", "true", "1"})
        if (s.compare(QLatin1String(w), Qt::CaseInsensitive) == 0)
            return (value = true);
    for (const char* w : {"falsch", "false", "0"})
        if (s.compare(QLatin1String(w), Qt::CaseInsensitive) == 0)
            return !(value = false);
    return false;
}

[[noreturn]] void mismatch(const Constant& c, const TFilterField& f)
{
    fail(QStringLiteral("Wert %1 passt nicht zu Feld '%2'").arg(c.shown(), f.name));
}

// The constant in the form the field's column holds.
QVariant storageValue(const Constant& c, const TFilterField& f)
{
    const Store store = storeOf(f.type);
    switch (store) {
    case Store::Text:
    case Store::Memo:
        if (c.kind == Constant::Text || c.kind == Constant::Integer || c.kind == Constant::Float)
            return c.text;
        mismatch(c, f);
    case Store::Integer:
    case Store::Float:
        if (c.kind == Constant::Integer)
            return store == Store::Float ? QVariant(double(c.i)) : QVariant::fromValue<qint64>(c.i);
        if (c.kind == Constant::Float)
            return c.d;
        if (c.kind == Constant::Text) {
            double d = 0;
            if (!parseNumber(c.text, d))
                fail(DBConsts::SInvalidFloat.arg(c.text));
            if (store == Store::Integer && d == std::floor(d) && std::fabs(d) < 9.0e15)
                return QVariant::fromValue<qint64>(qint64(d));
            return d;
        }
        mismatch(c, f);
    case Store::Boolean: {
        bool b = false;
        if (c.kind == Constant::Boolean)
            b = c.b;
        else if (c.kind == Constant::Integer && (c.i == 0 || c.i == 1))
            b = c.i == 1;
        else if (c.kind == Constant::Text) {
            if (!parseBool(c.text, b))
                fail(DBConsts::SInvalidBoolValue.arg(c.text, f.name));
        } else
            mismatch(c, f);
        return QVariant::fromValue<qint64>(b ? 1 : 0);
    }
    case Store::Date: {
        QDate d;
        if (c.kind == Constant::Date || c.kind == Constant::DateTime)
            d = c.date;
        else if (c.kind == Constant::Text) {
            if (!parseDate(c.text, d))
                fail(DBConsts::SInvalidDate.arg(c.text));
        } else
            mismatch(c, f);
        return isoDate(d);
    }
    case Store::Time: {
        QTime t;
        if (c.kind == Constant::Time || c.kind == Constant::DateTime)
            t = c.time;
        else if (c.kind == Constant::Text) {
            if (!parseTime(c.text, t))
                fail(DBConsts::SInvalidTime.arg(c.text));
        } else
            mismatch(c, f);
        return isoTime(t);
    }
    case Store::DateTime: {
        QDate d;
        QTime t(0, 0);
        if (c.kind == Constant::DateTime) {
            d = c.date;
            t = c.time;
        } else if (c.kind == Constant::Date)
            d = c.date;
        else if (c.kind == Constant::Text) {
            if (!parseDateTime(c.text, d, t))
                fail(DBConsts::SInvalidDateTime.arg(c.text));
        } else
            mismatch(c, f);
        return isoDateTime(d, t);
    }
    case Store::None:
        break;
    }
    fail(QStringLiteral("Feld '%1' kann nicht verglichen werden").arg(f.name));
}

// ---------------------------------------------------------------------------
// SQL fragments

QString quotedName(const QString& name)
{
    QString n = name;
    n.replace(u'"', QStringLiteral("\"\""));
    return u'"' + n + u'"';
}

struct Frag {
    enum Level { Or, And, Atom };
    QString sql;
    QVariantList binds;
    Level level = Atom;
};

Frag andFrag(const Frag& l, const Frag& r)
{
    const auto part = [](const Frag& f) { return f.level == Frag::Or ? u'(' + f.sql + u')' : f.sql; };
    return {part(l) + QStringLiteral(" AND ") + part(r), l.binds + r.binds, Frag::And};
}

Frag orFrag(const Frag& l, const Frag& r)
{
    return {l.sql + QStringLiteral(" OR ") + r.sql, l.binds + r.binds, Frag::Or};
}

// A comparison with a blank field is false, so its negation is true; SQL
// would call both unknown and drop the record. TRUE and FALSE, not 1 and 0:
// a server wants truth values where SQLite takes numbers.
Frag notFrag(const Frag& x)
{
    return {QStringLiteral("NOT COALESCE(") + x.sql + QStringLiteral(", FALSE)"), x.binds, Frag::Atom};
}

bool storedAsText(const TFilterField& f)
{
    const Store s = storeOf(f.type);
    return s == Store::Text || s == Store::Memo;
}

// An empty text is stored as NULL, but an old row may still hold ''.
Frag blankFrag(const TFilterField& f, bool blank)
{
    const QString q = quotedName(f.name);
    if (storedAsText(f))
        return {blank ? QStringLiteral("(%1 IS NULL OR %1 = '')").arg(q)
                      : QStringLiteral("(%1 IS NOT NULL AND %1 <> '')").arg(q),
                {}, Frag::Atom};
    return {q + (blank ? QStringLiteral(" IS NULL") : QStringLiteral(" IS NOT NULL")), {}, Frag::Atom};
}

void requireComparable(const TFilterField& f)
{
    const Store s = storeOf(f.type);
    if (s == Store::None || s == Store::Memo)
        fail(QStringLiteral("Feld '%1' kann nicht verglichen werden").arg(f.name));
}

Frag compareFieldConst(const TFilterField& f, CmpOp op, const Constant& c)
{
    requireComparable(f);
    const bool emptyText = c.kind == Constant::Text && c.text.isEmpty();
    if (emptyText && (op == CmpOp::Eq || op == CmpOp::Ne))
        return blankFrag(f, op == CmpOp::Eq);
    const QString q = quotedName(f.name);
    if (storedAsText(f)) {
        // A blank field equals the empty text and nothing else.
        if (emptyText) {
            switch (op) {
            case CmpOp::Lt: return {QStringLiteral("FALSE"), {}, Frag::Atom};
            case CmpOp::Ge: return {QStringLiteral("TRUE"), {}, Frag::Atom};
            case CmpOp::Le: return blankFrag(f, true);
            case CmpOp::Gt: return blankFrag(f, false);
            default: break;
            }
        }
        // An old row's '' is blank too, though SQL finds it below every text.
        if (op == CmpOp::Ne || op == CmpOp::Lt || op == CmpOp::Le)
            return {QStringLiteral("(%1 %2 ? AND %1 <> '')").arg(q, opSql(op)), {storageValue(c, f)}, Frag::Atom};
    }
    return {q + u' ' + opSql(op) + QStringLiteral(" ?"), {storageValue(c, f)}, Frag::Atom};
}

struct Operand {
    const TFilterField* field = nullptr;
    Constant c;
    QString shown() const { return field ? field->name : c.shown(); }
};

Frag compareOperands(const Operand& l, CmpOp op, const Operand& r)
{
    if (l.field && r.field) {
        requireComparable(*l.field);
        requireComparable(*r.field);
        return {quotedName(l.field->name) + u' ' + opSql(op) + u' ' + quotedName(r.field->name), {}, Frag::Atom};
    }
    if (l.field)
        return compareFieldConst(*l.field, op, r.c);
    if (r.field)
        return compareFieldConst(*r.field, mirrored(op), l.c);
    fail(QStringLiteral("Vergleich ohne Feld: %1 %2 %3").arg(l.shown(), opSql(op), r.shown()));
}

// ---------------------------------------------------------------------------
// Filter text

struct Token {
    enum Kind { End, LParen, RParen, Op, String, Number, Name } kind = End;
    QString value;  // text of a string, name of a field, digits of a number
    QString raw;    // as written, for messages
    bool bare = false;  // name without [] or ""
    CmpOp op = CmpOp::Eq;
};

QList<Token> tokenize(const QString& text)
{
    QList<Token> tokens;
    const qsizetype n = text.size();
    qsizetype i = 0;
    const auto isNameChar = [](QChar ch) { return ch.isLetterOrNumber() || ch == u'_'; };
    const auto isDigit = [](QChar ch) { return ch >= u'0' && ch <= u'9'; };
    while (true) {
        while (i < n && text[i].isSpace())
            ++i;
        if (i >= n)
            break;
        const qsizetype start = i;
        const QChar ch = text[i];
        Token t;
        if (ch == u'(' || ch == u')') {
            t.kind = ch == u'(' ? Token::LParen : Token::RParen;
            ++i;
        } else if (ch == u'=' || ch == u'<' || ch == u'>') {
            t.kind = Token::Op;
            const QChar next = i + 1 < n ? text[i + 1] : QChar();
            if (ch == u'<' && next == u'>') {
                t.op = CmpOp::Ne;
                i += 2;
            } else if (ch == u'<' && next == u'=') {
                t.op = CmpOp::Le;
                i += 2;
            } else if (ch == u'>' && next == u'=') {
                t.op = CmpOp::Ge;
                i += 2;
            } else {
                t.op = ch == u'=' ? CmpOp::Eq : ch == u'<' ? CmpOp::Lt : CmpOp::Gt;
                ++i;
            }
        } else if (ch == u'\'') {
            t.kind = Token::String;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == u'\'') {
                    if (i + 1 < n && text[i + 1] == u'\'') {
                        t.value += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                t.value += text[i++];
            }
            if (!closed)
                fail(QStringLiteral("Zeichenkette nicht abgeschlossen: %1").arg(text.mid(start)));
        } else if (ch == u'[' || ch == u'"') {
            const QChar close = ch == u'[' ? u']' : u'"';
            t.kind = Token::Name;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == close) {
                    if (close == u'"' && i + 1 < n && text[i + 1] == u'"') {
                        t.value += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                t.value += text[i++];
            }
            if (!closed)
                fail(QStringLiteral("Feldname nicht abgeschlossen: %1").arg(text.mid(start)));
            if (t.value.trimmed().isEmpty())
                fail(QStringLiteral("leerer Feldname"));
        } else if (isDigit(ch) || (ch == u'-' && i + 1 < n && isDigit(text[i + 1]))) {
            t.kind = Token::Number;
            ++i;
            while (i < n && isDigit(text[i]))
                ++i;
            if (i + 1 < n && text[i] == u'.' && isDigit(text[i + 1])) {
                ++i;
                while (i < n && isDigit(text[i]))
                    ++i;
            }
            // "12abc" or "1.2.3" is neither a number nor a name
            while (i < n && (isNameChar(text[i]) || text[i] == u'.'))
                ++i;
            t.value = text.mid(start, i - start);
            static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
            if (!number.match(t.value).hasMatch())
                fail(QStringLiteral("ungültige Zahl '%1'").arg(t.value));
        } else if (isNameChar(ch)) {
            t.kind = Token::Name;
            t.bare = true;
            while (i < n && isNameChar(text[i]))
                ++i;
            t.value = text.mid(start, i - start);
        } else {
            fail(QStringLiteral("unerwartetes Zeichen '%1'").arg(ch));
        }
        t.raw = text.mid(start, i - start);
        tokens.append(t);
    }
    tokens.append(Token{});
    return tokens;
}

class TextParser {
public:
    TextParser(const QList<Token>& tokens, const TFilterFieldResolver& fields)
        : m_tokens(tokens), m_fields(fields) {}

    Frag parse()
    {
        Frag f = parseOr();
        if (peek().kind != Token::End)
            fail(QStringLiteral("unerwartetes %1 nach dem Ausdruck").arg(shown(peek())));
        return f;
    }

private:
    const Token& peek() const { return m_tokens[m_pos]; }

    // A quoted text already shows its quotes.
    static QString shown(const Token& t) { return t.kind == Token::String ? t.raw : u'\'' + t.raw + u'\''; }
    const Token& next() { return m_tokens[m_pos++]; }

    bool isKeyword(const Token& t, const char* word) const
    {
        return t.kind == Token::Name && t.bare && t.value.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    Frag parseOr()
    {
        Frag f = parseAnd();
        while (isKeyword(peek(), "or")) {
            ++m_pos;
            f = orFrag(f, parseAnd());
        }
        return f;
    }

    Frag parseAnd()
    {
        Frag f = parseNot();
        while (isKeyword(peek(), "and")) {
            ++m_pos;
            f = andFrag(f, parseNot());
        }
        return f;
    }

    Frag parseNot()
    {
        if (++m_depth > MaxDepth)
            fail(QStringLiteral("Ausdruck zu tief verschachtelt"));
        Frag f;
        if (isKeyword(peek(), "not")) {
            ++m_pos;
            f = notFrag(parseNot());
        } else {
            f = parsePrimary();
        }
        --m_depth;
        return f;
    }

    Frag parsePrimary()
    {
        if (peek().kind == Token::LParen) {
            ++m_pos;
            Frag f = parseOr();
            if (peek().kind == Token::End)
                fail(QStringLiteral("')' erwartet"));
            if (peek().kind != Token::RParen)
                fail(QStringLiteral("')' erwartet bei %1").arg(shown(peek())));
            ++m_pos;
            return f;
        }
        const Operand left = parseOperand();
        if (peek().kind != Token::Op) {
            if (peek().kind == Token::End)
                fail(QStringLiteral("Vergleichsoperator fehlt nach %1").arg(shown(m_tokens[m_pos - 1])));
            fail(QStringLiteral("Vergleichsoperator erwartet bei %1").arg(shown(peek())));
        }
        const CmpOp op = next().op;
        const Operand right = parseOperand();
        return compareOperands(left, op, right);
    }

    Operand parseOperand()
    {
        const Token& t = peek();
        Operand o;
        switch (t.kind) {
        case Token::End:
            fail(QStringLiteral("unerwartetes Ende"));
        case Token::String:
            o.c.kind = Constant::Text;
            o.c.text = t.value;
            break;
        case Token::Number: {
            o.c.text = t.value;
            bool ok = false;
            if (!t.value.contains(u'.'))
                o.c.i = t.value.toLongLong(&ok);
            if (ok) {
                o.c.kind = Constant::Integer;
            } else {
                o.c.kind = Constant::Float;
                o.c.d = QLocale::c().toDouble(t.value);
            }
            break;
        }
        case Token::Name:
            if (isKeyword(t, "and") || isKeyword(t, "or") || isKeyword(t, "not"))
                fail(QStringLiteral("Operand erwartet bei %1").arg(shown(t)));
            o.field = m_fields.byName ? m_fields.byName(t.value) : nullptr;
            if (!o.field) {
                // Aktiv = Wahr reads naturally; only where no field has that name
                if (t.bare && parseBool(t.value, o.c.b))
                    o.c.kind = Constant::Boolean;
                else
                    fail(DBConsts::SFieldNotFound.arg(t.value));
            }
            break;
        default:
            fail(QStringLiteral("Operand erwartet bei %1").arg(shown(t)));
        }
        ++m_pos;
        return o;
    }

    const QList<Token>& m_tokens;
    const TFilterFieldResolver& m_fields;
    qsizetype m_pos = 0;
    int m_depth = 0;
};

// ---------------------------------------------------------------------------
// Engine expression

constexpr int HeaderSize = 10;
constexpr int SlotSize = 18;

enum NodeClass { ncUnary = 1, ncBinary = 2, ncCompare = 3, ncField = 4, ncConst = 5 };

enum NodeOp {
    opIsBlank = 1, opNotBlank = 2, opEq = 3, opNe = 4, opGt = 5, opLt = 6, opGe = 7, opLe = 8,
    opNot = 9, opAnd = 10, opOr = 11, opField = 13, opConst = 14, opLike = 30
};

enum ValueType {
    vtString = 1, vtDate = 2, vtBoolean = 4, vtInt16 = 5, vtInt32 = 6, vtDouble = 7, vtBCD = 8,
    vtTime = 10, vtDateTime = 11, vtUInt16 = 12, vtFieldName = 254
};

constexpr qint64 MsPerDay = 86400000;

QString decodeWindows1252(QByteArrayView bytes)
{
    QStringDecoder decoder("Windows-1252");
    if (decoder.isValid())
        return decoder.decode(bytes);
    return QString::fromLatin1(bytes);  // Qt without ICU: right but for 0x80..0x9F
}

// Day 1 is 1 January of year 1 in the proleptic Gregorian calendar.
QDate dateFromDayNumber(qint64 day)
{
    if (day < 1)
        return {};
    const QDate d = QDate(1, 1, 1).addDays(day - 1);
    return d.year() <= 9999 ? d : QDate();
}

class EngineReader {
public:
    EngineReader(const QByteArray& expr, const TFilterFieldResolver& fields)
        : m_data(reinterpret_cast<const uchar*>(expr.constData())), m_size(expr.size()), m_fields(fields) {}

    Frag compile()
    {
        if (m_size < HeaderSize)
            fail(QStringLiteral("zu kurz (%1 Bytes)").arg(m_size));
        const int version = u16(0);
        const int total = u16(2);
        m_nodeCount = u16(4);
        const int nodeStart = u16(6);
        const int poolStart = u16(8);
        if (version != 2)
            fail(QStringLiteral("Version %1 wird nicht unterstützt").arg(version));
        if (total != m_size)
            fail(QStringLiteral("Gesamtgröße %1 passt nicht zur Länge %2").arg(total).arg(m_size));
        if (m_nodeCount == 0)
            fail(QStringLiteral("keine Knoten"));
        if (nodeStart != HeaderSize)
            fail(QStringLiteral("Knotenbereich beginnt bei %1 statt bei %2").arg(nodeStart).arg(HeaderSize));
        const int expectedPool = HeaderSize + SlotSize * m_nodeCount;
        if (poolStart != expectedPool)
            fail(QStringLiteral("Literalbereich beginnt bei %1 statt bei %2").arg(poolStart).arg(expectedPool));
        if (poolStart > m_size)
            fail(QStringLiteral("Knotenbereich reicht über das Ende hinaus"));
        m_poolStart = poolStart;
        m_poolSize = m_size - poolStart;
        m_active.assign(m_nodeCount, false);
        return condition(0);
    }

private:
    struct Slot {
        qint32 cls, op;
        quint16 a, b, c, d;
        int offset;
    };

    // Marks a node as being compiled; meeting it again below itself is a cycle.
    class Visit {
    public:
        Visit(EngineReader& r, int index) : m_r(r), m_index(index)
        {
            if (m_r.m_active[index])
                fail(QStringLiteral("Zyklus bei Knoten %1").arg(index * SlotSize));
            if (m_r.m_depth >= MaxDepth)
                fail(QStringLiteral("Ausdruck zu tief verschachtelt"));
            if (++m_r.m_visits > MaxVisits)
                fail(QStringLiteral("Ausdruck zu groß"));
            m_r.m_active[index] = true;
            ++m_r.m_depth;
        }
        ~Visit()
        {
            m_r.m_active[m_index] = false;
            --m_r.m_depth;
        }
        Visit(const Visit&) = delete;
        Visit& operator=(const Visit&) = delete;

    private:
        EngineReader& m_r;
        int m_index;
    };

    quint16 u16(int pos) const { return qFromLittleEndian<quint16>(m_data + pos); }
    qint32 i32(int pos) const { return qFromLittleEndian<qint32>(m_data + pos); }

    int nodeIndex(int offset) const
    {
        if (offset % SlotSize != 0 || offset / SlotSize >= m_nodeCount)
            fail(QStringLiteral("Knotenverweis %1 ungültig").arg(offset));
        return offset / SlotSize;
    }

    Slot slot(int index) const
    {
        const int base = HeaderSize + index * SlotSize;
        return {i32(base), i32(base + 4), u16(base + 8), u16(base + 10), u16(base + 12), u16(base + 14),
                index * SlotSize};
    }

    const uchar* literal(int offset, int size) const
    {
        if (offset >= m_poolSize || size > m_poolSize - offset)
            fail(QStringLiteral("Literalverweis %1 liegt außerhalb des Literalbereichs").arg(offset));
        return m_data + m_poolStart + offset;
    }

    // A zero-terminated string; `size` limits it when known (0 = up to the zero).
    QString literalString(int offset, int size) const
    {
        const uchar* p = literal(offset, qMax(size, 1));
        const int limit = size > 0 ? size : m_poolSize - offset;
        int len = 0;
        while (len < limit && p[len] != 0)
            ++len;
        if (size == 0 && len == limit)
            fail(QStringLiteral("Zeichenkette bei %1 nicht abgeschlossen").arg(offset));
        return decodeWindows1252(QByteArrayView(p, len));
    }

    [[noreturn]] void badOperator(const Slot& s) const
    {
        fail(QStringLiteral("Operator %1 in Knoten %2 (Klasse %3) unbekannt").arg(s.op).arg(s.offset).arg(s.cls));
    }

    const TFilterField* fieldByName(const QString& name) const
    {
        return m_fields.byName && !name.isEmpty() ? m_fields.byName(name) : nullptr;
    }

    Frag condition(int offset)
    {
        const int index = nodeIndex(offset);
        Visit visit(*this, index);
        const Slot s = slot(index);
        switch (s.cls) {
        case ncUnary:
            if (s.op == opNot)
                return notFrag(condition(s.a));
            if (s.op == opIsBlank || s.op == opNotBlank) {
                const Operand o = operand(s.a);
                if (!o.field)
                    fail(QStringLiteral("Leerprüfung ohne Feld in Knoten %1").arg(s.offset));
                return blankFrag(*o.field, s.op == opIsBlank);
            }
            badOperator(s);
        case ncBinary:
            switch (s.op) {
            case opAnd: {
                const Frag l = condition(s.a);
                return andFrag(l, condition(s.b));
            }
            case opOr: {
                const Frag l = condition(s.a);
                return orFrag(l, condition(s.b));
            }
            case opEq: case opNe: case opGt: case opLt: case opGe: case opLe: {
                static const CmpOp ops[] = {CmpOp::Eq, CmpOp::Ne, CmpOp::Gt, CmpOp::Lt, CmpOp::Ge, CmpOp::Le};
                const Operand l = operand(s.a);
                const Operand r = operand(s.b);
                return compareOperands(l, ops[s.op - opEq], r);
            }
            default:
                badOperator(s);
            }
        case ncCompare:
            if (s.op != opEq && s.op != opLike)
                badOperator(s);
            return textCompare(s);
        case ncField:
        case ncConst:
            fail(QStringLiteral("Knoten %1 ist keine Bedingung").arg(s.offset));
        default:
            fail(QStringLiteral("Knotenklasse %1 in Knoten %2 unbekannt").arg(s.cls).arg(s.offset));
        }
    }

    // Case-insensitive, partial or pattern comparison of a field with a constant.
    Frag textCompare(const Slot& s)
    {
        const bool ci = s.a != 0;
        const int partial = s.b;
        const Operand l = operand(s.c);
        const Operand r = operand(s.d);
        if (l.field && r.field)
            fail(QStringLiteral("Vergleich zweier Felder in Knoten %1 nicht möglich").arg(s.offset));
        if (!l.field && !r.field)
            fail(QStringLiteral("Vergleich ohne Feld in Knoten %1").arg(s.offset));
        const TFilterField& f = l.field ? *l.field : *r.field;
        const Constant& c = l.field ? r.c : l.c;
        const QString q = quotedName(f.name);

        if (s.op == opLike) {
            if (!storedAsText(f))
                fail(QStringLiteral("Mustervergleich mit Feld '%1' nicht möglich").arg(f.name));
            if (c.kind == Constant::Text && c.text.isEmpty())
                return blankFrag(f, true);
            // A blank field matches no pattern, not even '%'.
            return {QStringLiteral("(%1 <> '' AND tv_like(%1, ?, ?))").arg(q), {storageValue(c, f), ci ? 1 : 0},
                    Frag::Atom};
        }
        // Case and prefix length mean nothing for numbers and dates.
        if (!storedAsText(f))
            return compareFieldConst(f, CmpOp::Eq, c);
        if (c.kind == Constant::Text && c.text.isEmpty() && partial == 0)
            return blankFrag(f, true);
        const QVariant v = storageValue(c, f);
        if (ci)
            return {QStringLiteral("tv_ci_prefix(%1, ?, ?)").arg(q), {v, partial}, Frag::Atom};
        if (partial == 0)
            return {q + QStringLiteral(" = ?"), {v}, Frag::Atom};
        return {QStringLiteral("substr(%1, 1, ?) = substr(?, 1, ?)").arg(q), {partial, v, partial}, Frag::Atom};
    }

    Operand operand(int offset)
    {
        const int index = nodeIndex(offset);
        Visit visit(*this, index);
        const Slot s = slot(index);
        Operand o;
        if (s.cls == ncField) {
            if (s.op != opField)
                badOperator(s);
            const QString name = literalString(s.b, 0);
            o.field = fieldByName(name);
            if (!o.field && m_fields.byNumber)
                o.field = m_fields.byNumber(s.a);
            if (!o.field)
                fail(QStringLiteral("Feld '%1' (Nummer %2) nicht gefunden").arg(name).arg(s.a));
        } else if (s.cls == ncConst) {
            if (s.op != opConst)
                badOperator(s);
            if (s.a == vtFieldName) {
                const QString name = literalString(s.c, s.b);
                o.field = fieldByName(name);
                if (!o.field)
                    fail(DBConsts::SFieldNotFound.arg(name));
            } else {
                o.c = constant(s);
            }
        } else {
            fail(QStringLiteral("Knoten %1 ist weder Feld noch Konstante").arg(s.offset));
        }
        return o;
    }

    Constant constant(const Slot& s) const
    {
        const int type = s.a;
        const int size = s.b;
        const auto expectSize = [&](int n) {
            if (size != n)
                fail(QStringLiteral("Größe %1 passt nicht zum Werttyp %2 in Knoten %3").arg(size).arg(type).arg(s.offset));
            return literal(s.c, n);
        };
        Constant c;
        switch (type) {
        case vtString:
            c.kind = Constant::Text;
            c.text = literalString(s.c, size);
            break;
        case vtInt16:
            c.kind = Constant::Integer;
            c.i = qFromLittleEndian<qint16>(expectSize(2));
            break;
        case vtUInt16:
            c.kind = Constant::Integer;
            c.i = qFromLittleEndian<quint16>(expectSize(2));
            break;
        case vtInt32:
            c.kind = Constant::Integer;
            c.i = qFromLittleEndian<qint32>(expectSize(4));
            break;
        case vtBoolean:
            c.kind = Constant::Boolean;
            c.b = qFromLittleEndian<qint16>(expectSize(2)) != 0;
            break;
        case vtDouble:
            c.kind = Constant::Float;
            c.d = qFromLittleEndian<double>(expectSize(8));
            if (!std::isfinite(c.d))
                fail(QStringLiteral("ungültige Zahl in Knoten %1").arg(s.offset));
            c.text = QString::number(c.d, 'g', QLocale::FloatingPointShortest);
            break;
        case vtDate:
            c.kind = Constant::Date;
            // Eight bytes with the day number in the first four.
            c.date = dateFromDayNumber(qFromLittleEndian<qint32>(size == 4 ? expectSize(4) : expectSize(8)));
            if (!c.date.isValid())
                fail(QStringLiteral("ungültiges Datum in Knoten %1").arg(s.offset));
            break;
        case vtTime: {
            const qint32 ms = qFromLittleEndian<qint32>(expectSize(4));
            if (ms < 0 || ms >= MsPerDay)
                fail(QStringLiteral("ungültige Zeit in Knoten %1").arg(s.offset));
            c.kind = Constant::Time;
            c.time = QTime::fromMSecsSinceStartOfDay(ms);
            break;
        }
        case vtDateTime: {
            const double raw = qFromLittleEndian<double>(expectSize(8));
            if (!std::isfinite(raw) || raw < double(MsPerDay) || raw > 1.0e15)
                fail(QStringLiteral("ungültiger Zeitpunkt in Knoten %1").arg(s.offset));
            const qint64 ms = std::llround(raw);
            c.kind = Constant::DateTime;
            c.date = dateFromDayNumber(ms / MsPerDay);
            c.time = QTime::fromMSecsSinceStartOfDay(int(ms % MsPerDay));
            if (!c.date.isValid())
                fail(QStringLiteral("ungültiger Zeitpunkt in Knoten %1").arg(s.offset));
            break;
        }
        case vtBCD: {
            // Precision, sign bit and decimals, then the digits as nibbles.
            const uchar* p = expectSize(18);
            const int precision = p[0];
            const int scale = p[1] & 0x3F;
            if (precision < 1 || precision > 32 || scale > precision || (p[1] & 0x40))
                fail(QStringLiteral("ungültige BCD-Zahl in Knoten %1").arg(s.offset));
            QString digits;
            for (int i = 0; i < precision; ++i) {
                const int nibble = (i % 2 == 0) ? p[2 + i / 2] >> 4 : p[2 + i / 2] & 0xF;
                if (nibble > 9)
                    fail(QStringLiteral("ungültige BCD-Zahl in Knoten %1").arg(s.offset));
                digits += QChar(u'0' + nibble);
            }
            if (scale > 0)
                digits.insert(precision - scale, u'.');
            c.kind = Constant::Float;
            c.d = QLocale::c().toDouble(u'0' + digits);
            if (p[1] & 0x80)
                c.d = -c.d;
            c.text = QString::number(c.d, 'g', QLocale::FloatingPointShortest);
            break;
        }
        default:
            fail(QStringLiteral("Werttyp %1 in Knoten %2 unbekannt").arg(type).arg(s.offset));
        }
        if (c.kind == Constant::Integer)
            c.text = QString::number(c.i);
        return c;
    }

    const uchar* m_data;
    int m_size;
    const TFilterFieldResolver& m_fields;
    int m_nodeCount = 0;
    int m_poolStart = 0;
    int m_poolSize = 0;
    std::vector<bool> m_active;
    int m_depth = 0;
    int m_visits = 0;
};

TSqlCondition finish(const Frag& f)
{
    return {u'(' + f.sql + u')', f.binds};
}

// ---------------------------------------------------------------------------
// SQL functions

QString argText(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return QString::fromUtf8(p, sqlite3_value_bytes(v));
}

// Characters as the user counts them: code points, not UTF-16 units.
std::u32string codePoints(const QString& s, bool fold)
{
    std::u32string out;
    out.reserve(s.size());
    for (char32_t c : s.toUcs4())
        out.push_back(fold ? QChar::toCaseFolded(c) : c);
    return out;
}

void ciPrefixFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    std::u32string value = codePoints(argText(argv[0]), true);
    std::u32string constant = codePoints(argText(argv[1]), true);
    const sqlite3_int64 n = sqlite3_value_int64(argv[2]);
    if (n > 0) {
        value = value.substr(0, size_t(n));
        constant = constant.substr(0, size_t(n));
    }
    sqlite3_result_int(ctx, value == constant ? 1 : 0);
}

bool likeMatch(const std::u32string& s, const std::u32string& p)
{
    size_t si = 0, pi = 0;
    size_t starP = std::u32string::npos, starS = 0;
    while (si < s.size()) {
        if (pi < p.size() && p[pi] == U'%') {
            starP = pi++;
            starS = si;
        } else if (pi < p.size() && (p[pi] == U'_' || p[pi] == s[si])) {
            ++si;
            ++pi;
        } else if (starP != std::u32string::npos) {
            pi = starP + 1;
            si = ++starS;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == U'%')
        ++pi;
    return pi == p.size();
}

void likeFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    const bool ci = sqlite3_value_int(argv[2]) != 0;
    sqlite3_result_int(ctx, likeMatch(codePoints(argText(argv[0]), ci), codePoints(argText(argv[1]), ci)) ? 1 : 0);
}

} // namespace

TSqlCondition CompileFilterText(const QString& text, const TFilterFieldResolver& fields)
{
    if (text.trimmed().isEmpty())
        return {};
    try {
        const QList<Token> tokens = tokenize(text);
        return finish(TextParser(tokens, fields).parse());
    } catch (const CompileFailure& e) {
        throw EDatabaseError(DBConsts::SInvalidFilter.arg(e.detail));
    }
}

TSqlCondition CompileEngineExpression(const QByteArray& expr, const TFilterFieldResolver& fields)
{
    try {
        return finish(EngineReader(expr, fields).compile());
    } catch (const CompileFailure& e) {
        throw EDBEngineError(DbiErr::INVALIDFILTER, DBConsts::SInvalidEngineFilter.arg(e.detail));
    }
}

void RegisterFilterFunctions(sqlite3* db)
{
    if (!db)
        return;
    const struct {
        const char* name;
        int args;
        void (*func)(sqlite3_context*, int, sqlite3_value**);
    } functions[] = {
        {"tv_ci_prefix", 3, ciPrefixFunction},
        {"tv_like", 3, likeFunction},
    };
    for (const auto& f : functions) {
        const int rc = sqlite3_create_function_v2(db, f.name, f.args, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                                  nullptr, f.func, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            throw EDBEngineError(DbiErr::IO,
                                 DBConsts::SEngineIO.arg(QString::fromUtf8(sqlite3_db_filename(db, "main")),
                                                         QString::fromUtf8(f.name) + QStringLiteral(": ")
                                                             + QString::fromUtf8(sqlite3_errmsg(db))));
    }
}
