#include "Expr.h"
#include "DBFormat.h"
#include <QLocale>
#include <QRegularExpression>
#include <cmath>

// ------------------------------------------------------------------ values

QString TExprValue::ToText() const
{
    switch (K) {
    case Text: return S;
    case Number: return GermanNumberText(N);
    case Bool: return B ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
    }
    return S;
}

double TExprValue::ToNumber() const
{
    switch (K) {
    case Number: return N;
    case Bool: return B ? 1 : 0;
    case Text: {
        double d = 0;
        return ParseGermanNumber(S, d) ? d : 0;
    }
    }
    return 0;
}

bool TExprValue::ToBool() const
{
    switch (K) {
    case Bool: return B;
    case Number: return N != 0;
    case Text: {
        const QString t = S.trimmed();
        return !t.isEmpty() && t != QLatin1String("0") && t.compare(QLatin1String("Falsch"), Qt::CaseInsensitive) != 0;
    }
    }
    return false;
}

bool ParseGermanNumber(const QString& text, double& value)
{
    // Grouped by thousands or not, decimal comma; a currency sign or a unit
    // after a blank may follow ("1.234,50 €", "12,5 L"). Dates are no numbers.
    static const QRegularExpression number(QStringLiteral(
        R"(^\s*(?:€\s*)?([+-]?(?:\d{1,3}(?:\.\d{3})+|\d+)(?:,\d+)?(?:[eE][+-]?\d+)?)(?:\s*[€%]|\s+\S.*)?\s*$)"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch()) return false;
    QString s = m.captured(1);
    s.remove(DBFormat::ThousandSeparator);
    return DBFormat::TryStrToFloat(s, value);
}

QString GermanNumberText(double value)
{
    return DBFormat::FloatToStr(value);
}

// ------------------------------------------------------------------ nodes

struct TExpr::Node {
    enum Op {
        Lit, FieldRef, VarRef, PageNo, PageCount, PrintDate, Neg, Add, Sub, Mul, Div, Cat,
        Eq, Ne, Lt, Gt, Le, Ge, Sum, Count, If, Num, Fmt, Empty, DateFmt
    } op = Lit;
    TExprValue lit;
    QString name;
    int a = -1, b = -1, c = -1;
    int slot = -1;     // Summe(): index of its sum
};

struct TExpr::Impl {
    std::vector<Node> nodes;
    int root = -1;
    std::vector<qint64> sums;   // ten-thousandths, like the program's money sums
    qint64 count = 0;

    TExprValue Eval(int i, const TExprScope& sc) const;
};

namespace {

class TParser {
public:
    TParser(const QString& text, std::vector<TExpr::Node>& nodes, int& slotCount) : s(text), nodes(nodes), slotCount(slotCount) {}
    QString error;

    int ParseAll()
    {
        const int root = Expr(0);
        if (root < 0) return -1;
        Skip();
        if (p < s.size()) return Fail(QStringLiteral("unerwartetes Zeichen '%1'").arg(s[p]));
        return root;
    }

private:
    using N = TExpr::Node;
    const QString& s;
    std::vector<N>& nodes;
    int& slotCount;
    qsizetype p = 0;

    int Fail(const QString& why)
    {
        if (error.isEmpty()) error = QStringLiteral("%1 (Stelle %2)").arg(why).arg(p + 1);
        return -1;
    }
    void Skip()
    {
        while (p < s.size() && s[p].isSpace()) ++p;
    }
    bool Eat(QStringView tok)
    {
        Skip();
        if (s.mid(p, tok.size()) == tok) {
            p += tok.size();
            return true;
        }
        return false;
    }
    int Add(N n)
    {
        nodes.push_back(std::move(n));
        return int(nodes.size()) - 1;
    }
    int Binary(N::Op op, int a, int b)
    {
        if (a < 0 || b < 0) return -1;
        N n;
        n.op = op;
        n.a = a;
        n.b = b;
        return Add(std::move(n));
    }

    int Expr(int depth)
    {
        if (depth > TExpr::MaxDepth) return Fail(QStringLiteral("zu tief geschachtelt"));
        int l = Additive(depth);
        if (l < 0) return -1;
        static const std::pair<const char16_t*, N::Op> ops[] = {
            {u"<>", N::Ne}, {u"<=", N::Le}, {u">=", N::Ge}, {u"=", N::Eq}, {u"<", N::Lt}, {u">", N::Gt}};
        for (const auto& [tok, op] : ops)
            if (Eat(QStringView(tok))) return Binary(op, l, Additive(depth));
        return l;
    }
    int Additive(int depth)
    {
        int l = Multiplicative(depth);
        while (l >= 0) {
            if (Eat(u"+")) l = Binary(N::Add, l, Multiplicative(depth));
            else if (Eat(u"-")) l = Binary(N::Sub, l, Multiplicative(depth));
            else if (Eat(u"&")) l = Binary(N::Cat, l, Multiplicative(depth));
            else break;
        }
        return l;
    }
    int Multiplicative(int depth)
    {
        int l = Unary(depth);
        while (l >= 0) {
            if (Eat(u"*")) l = Binary(N::Mul, l, Unary(depth));
            else if (Eat(u"/")) l = Binary(N::Div, l, Unary(depth));
            else break;
        }
        return l;
    }
    int Unary(int depth)
    {
        if (depth > TExpr::MaxDepth) return Fail(QStringLiteral("zu tief geschachtelt"));
        if (Eat(u"-")) {
            const int a = Unary(depth + 1);
            if (a < 0) return -1;
            N n;
            n.op = N::Neg;
            n.a = a;
            return Add(std::move(n));
        }
        if (Eat(u"+")) return Unary(depth + 1);
        return Primary(depth);
    }

    static bool IdentChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'~'; }

    QString Ident()
    {
        Skip();
        const qsizetype b = p;
        while (p < s.size() && IdentChar(s[p])) ++p;
        return s.mid(b, p - b);
    }
    // A name after "Feld" or "Var": ".Name" or "[any name]".
    bool RefName(QString& out)
    {
        if (p < s.size() && s[p] == u'.') {
            ++p;
            const qsizetype b = p;
            while (p < s.size() && IdentChar(s[p])) ++p;
            out = s.mid(b, p - b);
            return !out.isEmpty();
        }
        if (p < s.size() && s[p] == u'[') {
            const qsizetype close = s.indexOf(u']', p + 1);
            if (close < 0) return false;
            out = s.mid(p + 1, close - p - 1);
            p = close + 1;
            return !out.isEmpty();
        }
        return false;
    }

    int Primary(int depth)
    {
        Skip();
        if (p >= s.size()) return Fail(QStringLiteral("Ausdruck unvollständig"));
        const QChar c = s[p];
        if (c == u'(') {
            ++p;
            const int e = Expr(depth + 1);
            if (e < 0) return -1;
            if (!Eat(u")")) return Fail(QStringLiteral("')' fehlt"));
            return e;
        }
        if (c == u'\'' || c == u'"') return StringLit(c);
        if (c.isDigit()) return NumberLit();
        if (!IdentChar(c)) return Fail(QStringLiteral("unerwartetes Zeichen '%1'").arg(c));
        const QString id = Ident();
        auto is = [&](const char* w) { return id.compare(QLatin1String(w), Qt::CaseInsensitive) == 0; };
        N n;
        if (is("Feld") || is("Var")) {
            n.op = is("Feld") ? N::FieldRef : N::VarRef;
            if (!RefName(n.name)) return Fail(QStringLiteral("Name nach '%1' fehlt").arg(id));
            return Add(std::move(n));
        }
        if (is("Seite")) { n.op = N::PageNo; return Add(std::move(n)); }
        if (is("Seitenzahl")) { n.op = N::PageCount; return Add(std::move(n)); }
        if (is("Druckdatum")) { n.op = N::PrintDate; return Add(std::move(n)); }
        if (is("Wahr") || is("Falsch")) {
            n.lit = TExprValue::FromBool(is("Wahr"));
            return Add(std::move(n));
        }
        struct Fn { const char* name; N::Op op; int args; };
        static const Fn fns[] = {{"Summe", N::Sum, 1}, {"Anzahl", N::Count, 0}, {"Wenn", N::If, 3},
                                 {"Zahl", N::Num, 1},  {"Format", N::Fmt, 2},   {"Leer", N::Empty, 1},
                                 {"Datum", N::DateFmt, 2}};
        for (const Fn& f : fns) {
            if (!is(f.name)) continue;
            if (!Eat(u"(")) return Fail(QStringLiteral("'(' nach %1 fehlt").arg(id));
            int args[3] = {-1, -1, -1};
            int n_args = 0;
            Skip();
            if (!Eat(u")")) {
                for (;;) {
                    if (n_args == 3) return Fail(QStringLiteral("zu viele Argumente für %1").arg(id));
                    args[n_args] = Expr(depth + 1);
                    if (args[n_args] < 0) return -1;
                    ++n_args;
                    if (Eat(u")")) break;
                    if (!Eat(u",")) return Fail(QStringLiteral("',' oder ')' fehlt"));
                }
            }
            if (n_args != f.args) return Fail(QStringLiteral("%1 erwartet %2 Argument(e)").arg(id).arg(f.args));
            n.op = f.op;
            n.a = args[0];
            n.b = args[1];
            n.c = args[2];
            if (f.op == N::Sum) n.slot = slotCount++;
            return Add(std::move(n));
        }
        return Fail(QStringLiteral("unbekannter Name '%1'").arg(id));
    }

    int StringLit(QChar quote)
    {
        ++p;
        QString out;
        for (;;) {
            if (p >= s.size()) return Fail(QStringLiteral("Text ohne Ende"));
            if (s[p] == quote) {
                if (p + 1 < s.size() && s[p + 1] == quote) {
                    out += quote;
                    p += 2;
                    continue;
                }
                ++p;
                break;
            }
            out += s[p++];
        }
        N n;
        n.lit = TExprValue::FromText(out);
        return Add(std::move(n));
    }

    int NumberLit()
    {
        const qsizetype b = p;
        while (p < s.size() && s[p].isDigit()) ++p;
        if (p + 1 < s.size() && s[p] == u'.' && s[p + 1].isDigit()) {
            ++p;
            while (p < s.size() && s[p].isDigit()) ++p;
        }
        bool ok = false;
        const double d = s.mid(b, p - b).toDouble(&ok);
        if (!ok || !std::isfinite(d)) return Fail(QStringLiteral("ungültige Zahl"));
        N n;
        n.lit = TExprValue::FromNumber(d);
        return Add(std::move(n));
    }
};

int CompareValues(const TExprValue& l, const TExprValue& r)
{
    if (l.K == TExprValue::Number || r.K == TExprValue::Number) {
        const double a = l.ToNumber(), b = r.ToNumber();
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    return QString::compare(l.ToText(), r.ToText());
}

// Money sums in ten-thousandths; values beyond what that holds are clamped.
qint64 ToFixed(double d)
{
    constexpr double limit = 9.0e14;
    if (!std::isfinite(d)) return 0;
    d = std::clamp(d, -limit, limit);
    return std::llround(d * 10000.0);
}

}   // namespace

TExprValue TExpr::Impl::Eval(int i, const TExprScope& sc) const
{
    const Node& n = nodes[size_t(i)];
    auto num = [&](int k) { return Eval(k, sc).ToNumber(); };
    switch (n.op) {
    case Node::Lit: return n.lit;
    case Node::FieldRef: return TExprValue::FromText(sc.Field(n.name));
    case Node::VarRef: return TExprValue::FromText(sc.Variable(n.name));
    case Node::PageNo: return TExprValue::FromNumber(sc.Page());
    case Node::PageCount: return TExprValue::FromText(PageCountMarker);
    case Node::PrintDate: return TExprValue::FromText(DBFormat::DateToStr(sc.PrintDate()));
    case Node::Neg: return TExprValue::FromNumber(-num(n.a));
    case Node::Add: return TExprValue::FromNumber(num(n.a) + num(n.b));
    case Node::Sub: return TExprValue::FromNumber(num(n.a) - num(n.b));
    case Node::Mul: return TExprValue::FromNumber(num(n.a) * num(n.b));
    case Node::Div: {
        const double d = num(n.b);
        // Nothing is printed for a division by zero rather than "inf".
        if (d == 0) return TExprValue::FromText(QString());
        return TExprValue::FromNumber(num(n.a) / d);
    }
    case Node::Cat: return TExprValue::FromText(Eval(n.a, sc).ToText() + Eval(n.b, sc).ToText());
    case Node::Eq: return TExprValue::FromBool(CompareValues(Eval(n.a, sc), Eval(n.b, sc)) == 0);
    case Node::Ne: return TExprValue::FromBool(CompareValues(Eval(n.a, sc), Eval(n.b, sc)) != 0);
    case Node::Lt: return TExprValue::FromBool(CompareValues(Eval(n.a, sc), Eval(n.b, sc)) < 0);
    case Node::Gt: return TExprValue::FromBool(CompareValues(Eval(n.a, sc), Eval(n.b, sc)) > 0);
    case Node::Le: return TExprValue::FromBool(CompareValues(Eval(n.a, sc), Eval(n.b, sc)) <= 0);
    case Node::Ge: return TExprValue::FromBool(CompareValues(Eval(n.a, sc), Eval(n.b, sc)) >= 0);
    case Node::Sum: return TExprValue::FromNumber(double(sums[size_t(n.slot)]) / 10000.0);
    case Node::Count: return TExprValue::FromNumber(double(count));
    case Node::If: return Eval(n.a, sc).ToBool() ? Eval(n.b, sc) : Eval(n.c, sc);
    case Node::Num: return TExprValue::FromNumber(num(n.a));
    case Node::Fmt: {
        const TExprValue v = Eval(n.a, sc);
        double d = 0;
        if (v.K == TExprValue::Number) d = v.N;
        else if (v.K != TExprValue::Text || !ParseGermanNumber(v.S, d)) return TExprValue::FromText(v.ToText());
        return TExprValue::FromText(DBFormat::FormatFloat(Eval(n.b, sc).ToText(), d));
    }
    case Node::Empty: return TExprValue::FromBool(Eval(n.a, sc).ToText().trimmed().isEmpty());
    case Node::DateFmt: {
        const QString t = Eval(n.a, sc).ToText();
        QDate d;
        if (!DBFormat::TryStrToDate(t, d)) return TExprValue::FromText(t);
        return TExprValue::FromText(QLocale(QLocale::German, QLocale::Germany).toString(d, Eval(n.b, sc).ToText()));
    }
    }
    return {};
}

TExpr::TExpr() : d(std::make_unique<Impl>()) {}
TExpr::~TExpr() = default;
TExpr::TExpr(const TExpr& o) : d(std::make_unique<Impl>(*o.d)) {}
TExpr& TExpr::operator=(const TExpr& o)
{
    if (this != &o) d = std::make_unique<Impl>(*o.d);
    return *this;
}
TExpr::TExpr(TExpr&& o) noexcept : d(std::move(o.d)) { o.d = std::make_unique<Impl>(); }
TExpr& TExpr::operator=(TExpr&& o) noexcept
{
    std::swap(d, o.d);
    return *this;
}

bool TExpr::Parse(const QString& text, QString* error)
{
    d = std::make_unique<Impl>();
    if (text.trimmed().isEmpty()) return true;
    if (text.size() > MaxLength) {
        if (error) *error = QStringLiteral("Ausdruck zu lang");
        return false;
    }
    int slotCount = 0;
    TParser parser(text, d->nodes, slotCount);
    const int root = parser.ParseAll();
    if (root < 0) {
        if (error) *error = parser.error;
        d = std::make_unique<Impl>();
        return false;
    }
    d->root = root;
    d->sums.assign(size_t(slotCount), 0);
    return true;
}

bool TExpr::IsEmpty() const { return d->root < 0; }

TExprValue TExpr::Eval(const TExprScope& scope) const
{
    if (d->root < 0) return {};
    return d->Eval(d->root, scope);
}

void TExpr::Accumulate(const TExprScope& scope)
{
    ++d->count;
    for (const Node& n : d->nodes)
        if (n.op == Node::Sum) {
            qint64& sum = d->sums[size_t(n.slot)];
            qint64 next = 0;
            if (!__builtin_add_overflow(sum, ToFixed(d->Eval(n.a, scope).ToNumber()), &next)) sum = next;
        }
}

void TExpr::ResetAggregates()
{
    d->count = 0;
    std::fill(d->sums.begin(), d->sums.end(), 0);
}

bool TExpr::HasAggregates() const
{
    for (const Node& n : d->nodes)
        if (n.op == Node::Sum || n.op == Node::Count) return true;
    return false;
}

void TExpr::CollectNames(QStringList& fields, QStringList& variables) const
{
    for (const Node& n : d->nodes) {
        if (n.op == Node::FieldRef) fields.append(n.name);
        else if (n.op == Node::VarRef) variables.append(n.name);
    }
}

// ---------------------------------------------------------------- templates

bool TTextTemplate::Parse(const QString& text, QString* error)
{
    m_parts.clear();
    QString literal;
    qsizetype i = 0;
    auto flush = [&] {
        if (literal.isEmpty()) return;
        Part part;
        part.Literal = literal;
        m_parts.push_back(std::move(part));
        literal.clear();
    };
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == u'{' && i + 1 < text.size() && text[i + 1] == u'{') {
            literal += u'{';
            i += 2;
            continue;
        }
        if (c == u'}' && i + 1 < text.size() && text[i + 1] == u'}') {
            literal += u'}';
            i += 2;
            continue;
        }
        if (c != u'{') {
            literal += c;
            ++i;
            continue;
        }
        // The placeholder ends at the first '}' outside a quoted text.
        qsizetype j = i + 1;
        QChar quote;
        while (j < text.size()) {
            const QChar x = text[j];
            if (!quote.isNull()) {
                if (x == quote) quote = QChar();
            } else if (x == u'\'' || x == u'"') {
                quote = x;
            } else if (x == u'}') {
                break;
            }
            ++j;
        }
        if (j >= text.size()) {
            if (error) *error = QStringLiteral("'}' fehlt nach Stelle %1").arg(i + 1);
            m_parts.clear();
            return false;
        }
        flush();
        Part part;
        part.IsExpr = true;
        QString why;
        if (!part.Expr.Parse(text.mid(i + 1, j - i - 1), &why) || part.Expr.IsEmpty()) {
            if (error) *error = why.isEmpty() ? QStringLiteral("leerer Platzhalter an Stelle %1").arg(i + 1) : why;
            m_parts.clear();
            return false;
        }
        m_parts.push_back(std::move(part));
        i = j + 1;
    }
    flush();
    return true;
}

QString TTextTemplate::Eval(const TExprScope& scope) const
{
    QString out;
    for (const Part& p : m_parts) out += p.IsExpr ? p.Expr.Eval(scope).ToText() : p.Literal;
    return out;
}

void TTextTemplate::CollectNames(QStringList& fields, QStringList& variables) const
{
    for (const Part& p : m_parts)
        if (p.IsExpr) p.Expr.CollectNames(fields, variables);
}
