#pragma once
// Text conversions of the data layer in German notation: decimal comma,
// thousands dot, dates as dd.MM.yyyy.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

namespace DBFormat {
inline constexpr QChar DecimalSeparator = u',';
inline constexpr QChar ThousandSeparator = u'.';
inline const QString CurrencyString = QStringLiteral("€");
inline const QString ShortDateFormat = QStringLiteral("dd.MM.yyyy");

// Delphi-style number masks: sections "pos;neg;zero", '0' digit, '#'
// optional digit, '.' decimal point, ',' thousands, "E+00" exponent,
// quoted literals. An empty mask gives the general format.
QString FormatFloat(const QString& mask, double value);
// General format with up to `precision` significant digits ("12,5", "1E20").
QString FloatToStr(double value, int precision = 15);
// Fixed notation with `digits` decimals, without thousands separators.
QString FloatToStrFixed(double value, int digits);
// Money in the locale's form: "1.234,50 €", "-3,00 €".
QString CurrToStr(double value);

// Strict parsers: blanks around are ignored, decimal comma only.
bool TryStrToFloat(const QString& text, double& value);
bool TryStrToInt(const QString& text, qint64& value);
// Accepts d.M.yyyy, d.M.yy (years below 50 are 20xx) and d.M. (this year).
bool TryStrToDate(const QString& text, QDate& value);
bool TryStrToTime(const QString& text, QTime& value);
bool TryStrToDateTime(const QString& text, QDateTime& value);

QString DateToStr(const QDate& d);
QString TimeToStr(const QTime& t);
QString DateTimeToStr(const QDateTime& dt);

// Rounds half to even at `digits` decimals (the money rule of the program).
double RoundBanker(double value, int digits);
}
