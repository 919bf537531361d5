#pragma once
// Expressions of the layouts: column values, footer sums, filters and the
// {placeholders} of texts. Parsed once when a layout is read, evaluated per
// line; damaged text is refused at parse time with a reason, never later.
#include <QDate>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// A value while an expression runs: contents of fields and variables are
// texts; arithmetic reads them as German numbers.
struct TExprValue {
    enum Kind { Text, Number, Bool } K = Text;
    QString S;
    double N = 0;
    bool B = false;

    static TExprValue FromText(QString s) { TExprValue v; v.S = std::move(s); return v; }
    static TExprValue FromNumber(double n) { TExprValue v; v.K = Number; v.N = n; return v; }
    static TExprValue FromBool(bool b) { TExprValue v; v.K = Bool; v.B = b; return v; }
    QString ToText() const;
    double ToNumber() const;   // text that is no number counts as 0
    bool ToBool() const;
};

// What an expression can see while it runs.
class TExprScope {
public:
    virtual ~TExprScope() = default;
    virtual QString Field(const QString& name) const = 0;
    virtual QString Variable(const QString& name) const = 0;
    virtual int Page() const = 0;
    virtual QDate PrintDate() const = 0;
};

// The page count is known only when the last page is done: it is written as
// this marker and put in when the pages are drawn.
inline const QString PageCountMarker = QStringLiteral("\x01#\x01");

class TExpr {
public:
    TExpr();
    ~TExpr();
    TExpr(const TExpr&);
    TExpr& operator=(const TExpr&);
    TExpr(TExpr&&) noexcept;
    TExpr& operator=(TExpr&&) noexcept;

    // Parses `text`; false with a German reason in `error` when it is no expression.
    bool Parse(const QString& text, QString* error = nullptr);
    bool IsEmpty() const;
    TExprValue Eval(const TExprScope& scope) const;

    // Sums and counts of Summe() and Anzahl(): one more table line.
    void Accumulate(const TExprScope& scope);
    void ResetAggregates();
    bool HasAggregates() const;

    void CollectNames(QStringList& fields, QStringList& variables) const;

    // Longest accepted text and deepest nesting: damaged files stay cheap.
    static constexpr int MaxLength = 4096;
    static constexpr int MaxDepth = 48;

    struct Node;   // the parse tree, known to the parser only

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A text with {expression} placeholders; "{{" and "}}" stand for braces.
class TTextTemplate {
public:
    bool Parse(const QString& text, QString* error = nullptr);
    QString Eval(const TExprScope& scope) const;
    bool IsConstant() const { return m_parts.size() <= 1 && (m_parts.empty() || !m_parts[0].IsExpr); }
    void CollectNames(QStringList& fields, QStringList& variables) const;

private:
    struct Part {
        bool IsExpr = false;
        QString Literal;
        TExpr Expr;
    };
    std::vector<Part> m_parts;
};

// German number text to a number: "1.234,50 €", "-3", "12,5 L"; false when
// the text holds no number.
bool ParseGermanNumber(const QString& text, double& value);
// A number for printing: without needless decimals, decimal comma.
QString GermanNumberText(double value);
