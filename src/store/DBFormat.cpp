#include "DBFormat.h"

#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace DBFormat {
namespace {

// A double as its shortest round-trip decimal: value = 0.digits * 10^exp.
// All rounding works on these digits, so 2.675 rounds like the 2.675 the
// user typed (to 2,68) and not like its binary neighbour 2.67499999...
// The old program saw extended constants, which round the same way.
struct Decimal {
    bool negative = false;
    std::string digits; // no leading or trailing zeros; empty means zero
    int exp = 0;

    bool isZero() const { return digits.empty(); }
};

Decimal toDecimal(double value)
{
    Decimal d;
    d.negative = std::signbit(value);
    if (value == 0)
        return d;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    const std::string text(buf, res.ptr);
    const auto e = text.find('e');
    for (std::size_t i = 0; i < e; ++i)
        if (text[i] != '.')
            d.digits += text[i];
    d.exp = std::stoi(text.substr(e + 1)) + 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

enum class Rounding { HalfAwayFromZero, HalfToEven };

// Keeps the first `keep` digits and rounds the rest away.
void roundDigits(Decimal& d, int keep, Rounding mode)
{
    if (d.isZero() || keep >= int(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const char next = d.digits[keep];
    bool up;
    if (mode == Rounding::HalfAwayFromZero) {
        up = next >= '5';
    } else if (next != '5') {
        up = next > '5';
    } else if (keep + 1 < int(d.digits.size())) {
        up = true; // trailing zeros are stripped, so more digits mean above half
    } else {
        const char prev = keep > 0 ? d.digits[keep - 1] : '0';
        up = (prev - '0') % 2 == 1;
    }
    d.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9')
            d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exp;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

void roundDecimals(Decimal& d, int decimals, Rounding mode) { roundDigits(d, d.exp + decimals, mode); }

// Digits left of the decimal point, without leading zeros ("" for zero).
std::string integerDigits(const Decimal& d)
{
    if (d.exp <= 0)
        return {};
    std::string s = d.digits.substr(0, std::min<std::size_t>(d.exp, d.digits.size()));
    s.resize(d.exp, '0');
    return s;
}

// Digits right of the decimal point, without trailing zeros.
std::string fractionDigits(const Decimal& d)
{
    if (d.exp >= int(d.digits.size()))
        return {};
    if (d.exp >= 0)
        return d.digits.substr(d.exp);
    return std::string(-d.exp, '0') + d.digits;
}

QString nonFinite(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

// ---- masks -----------------------------------------------------------

struct Token {
    enum Kind { Literal, Digit, Exponent } kind;
    QString text;          // Literal; for Exponent the 'E' or 'e' as written
    bool zero = false;     // Digit: '0' rather than '#'
    bool fraction = false; // Digit: right of the decimal point
    bool plusSign = false; // Exponent: "E+" always shows the sign
    int minDigits = 0;     // Exponent: zeros after the sign
};

struct Section {
    std::vector<Token> tokens;
    bool grouping = false;
    bool scientific = false;
    int intPlaces = 0;
    int fracPlaces = 0;
    int minInt = 0;  // places from the first integer '0' to the point
    int minFrac = 0; // places up to the last fraction '0'
};

// Splits at ';' outside quotes.
QStringList splitSections(const QString& mask)
{
    QStringList parts;
    QString current;
    QChar quote;
    for (const QChar c : mask) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            parts << current;
            current.clear();
            continue;
        }
        current += c;
    }
    parts << current;
    return parts;
}

Section parseSection(const QString& s)
{
    Section sec;
    bool seenPoint = false;
    int firstZero = 0; // 1-based place of the first integer '0'
    auto literal = [&](const QString& text) {
        if (!sec.tokens.empty() && sec.tokens.back().kind == Token::Literal)
            sec.tokens.back().text += text;
        else
            sec.tokens.push_back({Token::Literal, text});
    };
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'\'' || c == u'"') {
            qsizetype end = s.indexOf(c, i + 1);
            if (end < 0)
                end = s.size();
            literal(s.mid(i + 1, end - i - 1));
            i = end;
        } else if (c == u'0' || c == u'#') {
            Token t{Token::Digit, {}};
            t.zero = c == u'0';
            t.fraction = seenPoint;
            if (seenPoint) {
                ++sec.fracPlaces;
                if (t.zero)
                    sec.minFrac = sec.fracPlaces;
            } else {
                ++sec.intPlaces;
                if (t.zero && firstZero == 0)
                    firstZero = sec.intPlaces;
            }
            sec.tokens.push_back(t);
        } else if (c == u'.') {
            seenPoint = true; // a second point is dropped, as in the old program
        } else if (c == u',') {
            if (!seenPoint)
                sec.grouping = true;
        } else if ((c == u'E' || c == u'e') && !sec.scientific && i + 1 < s.size()
                   && (s[i + 1] == u'+' || s[i + 1] == u'-')) {
            sec.scientific = true;
            Token t{Token::Exponent, QString(c)};
            t.plusSign = s[i + 1] == u'+';
            i += 2;
            while (i < s.size() && s[i] == u'0') {
                ++t.minDigits;
                ++i;
            }
            --i;
            sec.tokens.push_back(t);
        } else {
            literal(QString(c));
        }
    }
    if (firstZero > 0)
        sec.minInt = sec.intPlaces - firstZero + 1;
    return sec;
}

QString applySection(const Section& sec, const Decimal& d, bool withSign)
{
    std::string intDigits, fracDigits;
    int exponent = 0;
    if (sec.scientific) {
        if (d.isZero()) {
            intDigits = std::string(sec.minInt, '0');
        } else {
            intDigits = d.digits.substr(0, std::min<std::size_t>(sec.intPlaces, d.digits.size()));
            intDigits.resize(sec.intPlaces, '0');
            if (int(d.digits.size()) > sec.intPlaces)
                fracDigits = d.digits.substr(sec.intPlaces);
            exponent = d.exp - sec.intPlaces;
        }
    } else {
        intDigits = integerDigits(d);
        fracDigits = fractionDigits(d);
        if (int(intDigits.size()) < sec.minInt)
            intDigits.insert(0, sec.minInt - intDigits.size(), '0');
    }
    if (int(fracDigits.size()) < sec.minFrac)
        fracDigits.resize(sec.minFrac, '0');

    const bool grouping = sec.grouping && !sec.scientific;
    const int n = int(intDigits.size());
    QString out;
    if (withSign)
        out += u'-';
    // Integer digit at position p, counted from the units place.
    auto putInt = [&](int p) {
        out += QChar::fromLatin1(intDigits[n - 1 - p]);
        if (grouping && p > 0 && p % 3 == 0)
            out += ThousandSeparator;
    };
    int intIndex = 0, fracIndex = 0;
    for (const Token& t : sec.tokens) {
        switch (t.kind) {
        case Token::Literal:
            out += t.text;
            break;
        case Token::Exponent: {
            out += t.text;
            if (exponent < 0)
                out += u'-';
            else if (t.plusSign)
                out += u'+';
            out += QString::number(std::abs(exponent)).rightJustified(t.minDigits, u'0');
            break;
        }
        case Token::Digit:
            if (!t.fraction) {
                const int p = sec.intPlaces - 1 - intIndex;
                // The first place also takes every digit the mask has no room for.
                if (intIndex == 0)
                    for (int q = n - 1; q > p; --q)
                        putInt(q);
                if (p < n)
                    putInt(p);
                ++intIndex;
            } else {
                if (fracIndex == 0 && sec.intPlaces == 0)
                    for (int q = n - 1; q >= 0; --q)
                        putInt(q);
                if (fracIndex < int(fracDigits.size())) {
                    // The comma only appears together with a decimal digit.
                    if (fracIndex == 0)
                        out += DecimalSeparator;
                    out += QChar::fromLatin1(fracDigits[fracIndex]);
                }
                ++fracIndex;
            }
            break;
        }
    }
    return out;
}

// Rounds `d` for the section: decimals in fixed, significant digits in
// scientific notation.
void roundForSection(Decimal& d, const Section& sec)
{
    if (sec.scientific)
        roundDigits(d, std::max(1, sec.intPlaces + sec.fracPlaces), Rounding::HalfAwayFromZero);
    else
        roundDecimals(d, sec.fracPlaces, Rounding::HalfAwayFromZero);
}

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Reads 1..maxLen ASCII digits; the whole part must be digits.
bool readNumber(QStringView part, int minLen, int maxLen, int& value)
{
    if (part.size() < minLen || part.size() > maxLen)
        return false;
    value = 0;
    for (const QChar c : part) {
        if (!isAsciiDigit(c))
            return false;
        value = value * 10 + (c.unicode() - u'0');
    }
    return true;
}

} // namespace

QString FormatFloat(const QString& mask, double value)
{
    if (mask.isEmpty())
        return FloatToStr(value);
    if (!std::isfinite(value))
        return nonFinite(value);

    const QStringList parts = splitSections(mask);
    auto section = [&](int index) {
        if (index < parts.size() && !parts[index].isEmpty())
            return index;
        return 0;
    };

    Decimal d = toDecimal(value);
    int index = d.isZero() ? section(2) : d.negative ? section(1) : 0;
    Section sec = parseSection(parts[index]);
    roundForSection(d, sec);
    if (d.isZero() && index != section(2)) {
        // Rounded away to nothing: shown as zero, never as "-0,00".
        index = section(2);
        sec = parseSection(parts[index]);
    }
    // Fixed notation with more than 18 integer digits falls back to the
    // general format, as the old program did.
    if (!sec.scientific && d.exp > 18)
        return FloatToStr(value);
    // The negative section writes its own sign, if any.
    const bool withSign = d.negative && !d.isZero() && index == 0;
    return applySection(sec, d, withSign);
}

QString FloatToStr(double value, int precision)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    if (precision < 1)
        precision = 15;
    Decimal d = toDecimal(value);
    roundDigits(d, precision, Rounding::HalfAwayFromZero);
    if (d.isZero())
        return QStringLiteral("0");

    QString out;
    if (d.negative)
        out += u'-';
    if (d.exp > precision || d.exp < -3) {
        out += QChar::fromLatin1(d.digits[0]);
        if (d.digits.size() > 1)
            out += DecimalSeparator + QString::fromLatin1(d.digits.substr(1));
        out += QChar(u'E');
        out += QString::number(d.exp - 1);
        return out;
    }
    const std::string intDigits = integerDigits(d);
    const std::string fracDigits = fractionDigits(d);
    out += intDigits.empty() ? QStringLiteral("0") : QString::fromLatin1(intDigits);
    if (!fracDigits.empty())
        out += DecimalSeparator + QString::fromLatin1(fracDigits);
    return out;
}

QString FloatToStrFixed(double value, int digits)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    digits = std::clamp(digits, 0, 18); // the old program's limit
    Decimal d = toDecimal(value);
    roundDecimals(d, digits, Rounding::HalfAwayFromZero);
    std::string intDigits = integerDigits(d);
    std::string fracDigits = fractionDigits(d);
    fracDigits.resize(digits, '0');

    QString out;
    if (d.negative && !d.isZero())
        out += u'-';
    out += intDigits.empty() ? QStringLiteral("0") : QString::fromLatin1(intDigits);
    if (digits > 0)
        out += DecimalSeparator + QString::fromLatin1(fracDigits);
    return out;
}

QString CurrToStr(double value)
{
    return FormatFloat(QStringLiteral("#,##0.00"), value) + u' ' + CurrencyString;
}

bool TryStrToFloat(const QString& text, double& value)
{
    const QString s = text.trimmed();
    // sign? digits? (',' digits?)? ([eE] sign? digits)?, with at least one
    // mantissa digit; anything else (dots, words, inner blanks) is refused.
    std::string ascii;
    qsizetype i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        if (s[i] == u'-')
            ascii += '-';
        ++i;
    }
    int mantissaDigits = 0;
    while (i < s.size() && isAsciiDigit(s[i])) {
        ascii += char(s[i++].unicode());
        ++mantissaDigits;
    }
    if (i < s.size() && s[i] == DecimalSeparator) {
        ascii += '.';
        ++i;
        while (i < s.size() && isAsciiDigit(s[i])) {
            ascii += char(s[i++].unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        ascii += 'e';
        ++i;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
            ascii += char(s[i++].unicode());
        int expDigits = 0;
        while (i < s.size() && isAsciiDigit(s[i])) {
            ascii += char(s[i++].unicode());
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != s.size())
        return false;

    double result = 0;
    const auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), result);
    if (res.ptr != ascii.data() + ascii.size())
        return false;
    if (res.ec == std::errc::result_out_of_range) {
        // Too small for a double reads as zero, too large is refused; the
        // decimal exponent of the first significant digit tells which.
        const auto e = ascii.find('e');
        const std::string mantissa = ascii.substr(0, e);
        const auto point = mantissa.find('.');
        const auto first = mantissa.find_first_of("123456789");
        long long magnitude = 0;
        if (first != std::string::npos) {
            const auto end = point == std::string::npos ? mantissa.size() : point;
            magnitude = first < end ? (long long)(end - first) - 1 : -(long long)(first - end);
        }
        if (e != std::string::npos) {
            std::string digits = ascii.substr(e + 1);
            const bool negExp = digits[0] == '-';
            if (digits[0] == '+' || digits[0] == '-')
                digits.erase(0, 1);
            digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
            // Anything beyond a million is out of range either way.
            const long long expValue = digits.empty() ? 0 : digits.size() > 7 ? 10000000 : std::stoll(digits);
            magnitude += negExp ? -expValue : expValue;
        }
        if (magnitude > 0)
            return false;
        result = ascii[0] == '-' ? -0.0 : 0.0;
    } else if (res.ec != std::errc()) {
        return false;
    }
    value = result;
    return true;
}

bool TryStrToInt(const QString& text, qint64& value)
{
    const QString s = text.trimmed();
    qsizetype start = 0;
    if (!s.isEmpty() && (s[0] == u'+' || s[0] == u'-'))
        start = 1;
    if (start == s.size())
        return false;
    for (qsizetype i = start; i < s.size(); ++i)
        if (!isAsciiDigit(s[i]))
            return false;
    bool ok = false;
    const qint64 result = s.toLongLong(&ok, 10);
    if (!ok)
        return false;
    value = result;
    return true;
}

bool TryStrToDate(const QString& text, QDate& value)
{
    const QString s = text.trimmed();
    const QList<QStringView> parts = QStringView(s).split(u'.');
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    int day, month, year;
    if (!readNumber(parts[0], 1, 2, day) || !readNumber(parts[1], 1, 2, month))
        return false;
    if (parts.size() == 2 || parts[2].isEmpty()) {
        year = QDate::currentDate().year();
    } else {
        if (!readNumber(parts[2], 1, 4, year))
            return false;
        if (parts[2].size() <= 2)
            year += year < 50 ? 2000 : 1900;
        if (year < 1)
            return false;
    }
    const QDate d(year, month, day);
    if (!d.isValid())
        return false;
    value = d;
    return true;
}

bool TryStrToTime(const QString& text, QTime& value)
{
    const QString s = text.trimmed();
    QStringView rest(s);
    int ms = 0;
    const qsizetype comma = rest.indexOf(DecimalSeparator);
    if (comma >= 0) {
        // Milliseconds as three digits, as TimeToStr's counterpart "zzz".
        if (!readNumber(rest.mid(comma + 1), 3, 3, ms))
            return false;
        rest = rest.left(comma);
    }
    const QList<QStringView> parts = rest.split(u':');
    if (parts.size() < 2 || parts.size() > 3 || (comma >= 0 && parts.size() != 3))
        return false;
    int h, m, sec = 0;
    if (!readNumber(parts[0], 1, 2, h) || !readNumber(parts[1], 2, 2, m))
        return false;
    if (parts.size() == 3 && !readNumber(parts[2], 2, 2, sec))
        return false;
    if (!QTime::isValid(h, m, sec, ms))
        return false;
    value = QTime(h, m, sec, ms);
    return true;
}

bool TryStrToDateTime(const QString& text, QDateTime& value)
{
    const QString s = text.trimmed();
    const qsizetype blank = s.indexOf(u' ');
    QDate d;
    QTime t(0, 0);
    if (blank < 0) {
        if (!TryStrToDate(s, d))
            return false;
    } else if (!TryStrToDate(s.left(blank), d) || !TryStrToTime(s.mid(blank + 1), t)) {
        return false;
    }
    value = QDateTime(d, t);
    return true;
}

QString DateToStr(const QDate& d)
{
    return d.isValid() ? d.toString(ShortDateFormat) : QString();
}

QString TimeToStr(const QTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("HH:mm:ss")) : QString();
}

QString DateTimeToStr(const QDateTime& dt)
{
    if (!dt.isValid())
        return {};
    if (dt.time() == QTime(0, 0))
        return DateToStr(dt.date());
    return DateToStr(dt.date()) + u' ' + TimeToStr(dt.time());
}

double RoundBanker(double value, int digits)
{
    if (!std::isfinite(value))
        return value;
    Decimal d = toDecimal(value);
    roundDecimals(d, digits, Rounding::HalfToEven);
    if (d.isZero())
        return 0.0;
    const std::string text = (d.negative ? "-0." : "0.") + d.digits + 'e' + std::to_string(d.exp);
    double result = value;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}

} // namespace DBFormat
