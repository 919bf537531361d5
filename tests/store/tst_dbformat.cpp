#include "DBFormat.h"

#include <QtTest>
#include <cmath>
#include <limits>

using namespace DBFormat;

class TestDBFormat : public QObject {
    Q_OBJECT
private slots:
    void formatFloat_data();
    void formatFloat();
    void floatToStr_data();
    void floatToStr();
    void fixedAndCurrency_data();
    void fixedAndCurrency();
    void parseFloat_data();
    void parseFloat();
    void parseInt_data();
    void parseInt();
    void parseDate_data();
    void parseDate();
    void parseTime_data();
    void parseTime();
    void parseDateTime_data();
    void parseDateTime();
    void dateTimeText_data();
    void dateTimeText();
    void failedParseKeepsValue();
    void roundBanker_data();
    void roundBanker();
};

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();
}

void TestDBFormat::formatFloat_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    // the program's own masks
    QTest::newRow("plain two decimals") << "########0.00" << 1234.5 << "1234,50";
    QTest::newRow("grouped millions") << "###,###,##0.00" << 1234567.891 << "1.234.567,89";
    QTest::newRow("grouped zero") << "###,###,##0.00" << 0.0 << "0,00";
    QTest::newRow("grouped negative") << "###,###,##0.00" << -1234.5 << "-1.234,50";
    QTest::newRow("half cent rounds up") << "####0.00" << 0.005 << "0,01";

    // '#' and '0' places
    QTest::newRow("hash only, zero") << "#" << 0.0 << "";
    QTest::newRow("hash only, value") << "#" << 42.0 << "42";
    QTest::newRow("leading zeros") << "00000" << 42.0 << "00042";
    QTest::newRow("more digits than places") << "0" << 12345.0 << "12345";
    QTest::newRow("no integer zero") << "#.##" << 0.5 << ",5";
    QTest::newRow("optional decimals dropped") << "0.##" << 1.0 << "1";
    QTest::newRow("optional decimals kept") << "0.0#" << 1.25 << "1,25";
    QTest::newRow("optional decimal trimmed") << "0.0#" << 1.2 << "1,2";
    QTest::newRow("zero inside hashes") << "#0#.00" << 5.0 << "05,00";

    // thousands grouping
    QTest::newRow("three digits") << "#,##0" << 999.0 << "999";
    QTest::newRow("four digits") << "#,##0" << 1000.0 << "1.000";
    QTest::newRow("six digits") << "#,##0" << 123456.0 << "123.456";
    QTest::newRow("seven digits") << "#,##0" << 1234567.0 << "1.234.567";
    QTest::newRow("negative four digits") << "#,##0" << -1000.0 << "-1.000";
    QTest::newRow("carry into a new group") << "#,##0.00" << 999.995 << "1.000,00";
    QTest::newRow("comma after point is no grouping") << "0.0,0" << 1234.5 << "1234,50";

    // rounding half away from zero on the decimal value
    QTest::newRow("2.675") << "0.00" << 2.675 << "2,68";
    QTest::newRow("1.005") << "0.00" << 1.005 << "1,01";
    QTest::newRow("0.125") << "0.00" << 0.125 << "0,13";
    QTest::newRow("half up") << "0" << 2.5 << "3";
    QTest::newRow("half down negative") << "0" << -0.5 << "-1";
    QTest::newRow("below half") << "0.0" << 0.449 << "0,4";
    QTest::newRow("grouped rounding") << "#,##0" << 1234.5 << "1.235";
    QTest::newRow("negative rounds to zero") << "0.00" << -0.001 << "0,00";

    // sections
    QTest::newRow("negative section") << "0.00;(0.00)" << -5.5 << "(5,50)";
    QTest::newRow("negative section, positive value") << "0.00;(0.00)" << 5.5 << "5,50";
    QTest::newRow("no zero section") << "0.00;(0.00)" << 0.0 << "0,00";
    QTest::newRow("zero section") << "0.00;(0.00);'null'" << 0.0 << "null";
    QTest::newRow("empty negative section") << "0.00;;'null'" << -2.0 << "-2,00";
    QTest::newRow("empty zero section") << "0.00;(0.00);" << 0.0 << "0,00";
    QTest::newRow("rounds to zero section") << "0.0;(0.0);'-'" << -0.01 << "-";
    QTest::newRow("negative section with own sign") << "0;-0 'S'" << -3.0 << "-3 S";
    QTest::newRow("semicolon in quotes") << "0' ; '0" << 12.0 << "1 ; 2";

    // scientific
    QTest::newRow("exponent plus") << "0.00E+00" << 12345.0 << "1,23E+04";
    QTest::newRow("exponent negative") << "0.00E+00" << 0.000123 << "1,23E-04";
    QTest::newRow("exponent minus, positive") << "0.00E-00" << 12345.0 << "1,23E04";
    QTest::newRow("exponent minus, negative") << "0.00E-00" << 0.000123 << "1,23E-04";
    QTest::newRow("exponent lower case") << "0.###e+0" << 1500.0 << "1,5e+3";
    QTest::newRow("exponent of zero") << "0.00E+00" << 0.0 << "0,00E+00";
    QTest::newRow("exponent two integer places") << "00.0E+0" << 1234.0 << "12,3E+2";
    QTest::newRow("exponent negative value") << "0.00E+00" << -12345.0 << "-1,23E+04";
    QTest::newRow("exponent carry") << "0.00E+00" << 99999.0 << "1,00E+05";
    QTest::newRow("E without sign is text") << "0E" << 5.0 << "5E";

    // literals
    QTest::newRow("single quoted") << "0.00 'kg'" << 3.0 << "3,00 kg";
    QTest::newRow("double quoted point") << "\"Nr. \"0" << 7.0 << "Nr. 7";
    QTest::newRow("quoted placeholder") << "'#'0" << 5.0 << "#5";
    QTest::newRow("bare text") << "0.00 €" << 3.0 << "3,00 €";
    QTest::newRow("text between digits") << "00-00" << 1234.0 << "12-34";
    QTest::newRow("no placeholders") << "'leer'" << 5.0 << "leer";

    // general format
    QTest::newRow("empty mask") << "" << 12.5 << "12,5";
    QTest::newRow("too wide for fixed") << "0" << 1e20 << "1E20";
    QTest::newRow("not a number") << "0.00" << NaN << "NAN";
    QTest::newRow("infinite") << "0.00" << -Inf << "-INF";
}

void TestDBFormat::formatFloat()
{
    QFETCH(QString, mask);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(FormatFloat(mask, value), expected);
}

void TestDBFormat::floatToStr_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("precision");
    QTest::addColumn<QString>("expected");

    QTest::newRow("decimal") << 12.5 << 15 << "12,5";
    QTest::newRow("integer") << 100.0 << 15 << "100";
    QTest::newRow("zero") << 0.0 << 15 << "0";
    QTest::newRow("negative zero") << -0.0 << 15 << "0";
    QTest::newRow("negative fraction") << -0.1 << 15 << "-0,1";
    QTest::newRow("no grouping") << 1234567.25 << 15 << "1234567,25";
    QTest::newRow("binary noise cut") << 0.1 + 0.2 << 15 << "0,3";
    QTest::newRow("third") << 1.0 / 3 << 15 << "0,333333333333333";
    QTest::newRow("two thirds rounded") << 2.0 / 3 << 15 << "0,666666666666667";
    QTest::newRow("largest fixed") << 1e14 << 15 << "100000000000000";
    QTest::newRow("first scientific") << 1e15 << 15 << "1E15";
    QTest::newRow("rounds into scientific") << 999999999999999.9 << 15 << "1E15";
    QTest::newRow("large") << 1e20 << 15 << "1E20";
    QTest::newRow("large digits") << 123456789012345678.0 << 15 << "1,23456789012346E17";
    QTest::newRow("smallest fixed") << 0.0001 << 15 << "0,0001";
    QTest::newRow("small") << 1.5e-5 << 15 << "1,5E-5";
    QTest::newRow("small negative") << -1.5e-7 << 15 << "-1,5E-7";
    QTest::newRow("precision rounds half up") << 12.345 << 4 << "12,35";
    QTest::newRow("precision forces exponent") << 1234.5 << 3 << "1,23E3";
    QTest::newRow("not a number") << NaN << 15 << "NAN";
    QTest::newRow("infinite") << Inf << 15 << "INF";
    QTest::newRow("negative infinite") << -Inf << 15 << "-INF";
}

void TestDBFormat::floatToStr()
{
    QFETCH(double, value);
    QFETCH(int, precision);
    QFETCH(QString, expected);
    QCOMPARE(FloatToStr(value, precision), expected);
}

void TestDBFormat::fixedAndCurrency_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("fixed");
    QTest::addColumn<QString>("currency");

    QTest::newRow("thousands") << 1234.5 << 2 << "1234,50" << "1.234,50 €";
    QTest::newRow("negative") << -3.0 << 2 << "-3,00" << "-3,00 €";
    QTest::newRow("zero") << 0.0 << 2 << "0,00" << "0,00 €";
    QTest::newRow("tiny negative") << -0.004 << 2 << "0,00" << "0,00 €";
    QTest::newRow("half cent") << 1234567.005 << 2 << "1234567,01" << "1.234.567,01 €";
    QTest::newRow("negative half cent") << -2.675 << 2 << "-2,68" << "-2,68 €";
    QTest::newRow("no decimals") << 2.5 << 0 << "3" << "2,50 €";
    QTest::newRow("one decimal") << 1e6 << 1 << "1000000,0" << "1.000.000,00 €";
    QTest::newRow("fraction only") << 0.5 << 3 << "0,500" << "0,50 €";
}

void TestDBFormat::fixedAndCurrency()
{
    QFETCH(double, value);
    QFETCH(int, digits);
    QFETCH(QString, fixed);
    QFETCH(QString, currency);
    QCOMPARE(FloatToStrFixed(value, digits), fixed);
    QCOMPARE(CurrToStr(value), currency);
}

void TestDBFormat::parseFloat_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("expected");

    QTest::newRow("comma") << "12,5" << true << 12.5;
    QTest::newRow("blanks and sign") << " -0,5 " << true << -0.5;
    QTest::newRow("plus sign") << "+3" << true << 3.0;
    QTest::newRow("exponent") << "1e3" << true << 1000.0;
    QTest::newRow("signed exponent") << "1,5E-2" << true << 0.015;
    QTest::newRow("no integer digits") << ",5" << true << 0.5;
    QTest::newRow("long decimal") << "0,1" << true << 0.1;
    QTest::newRow("underflow is zero") << "1e-400" << true << 0.0;
    QTest::newRow("large") << "1,7e308" << true << 1.7e308;

    QTest::newRow("point") << "12.5" << false << 0.0;
    QTest::newRow("thousands point") << "1.000,5" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blanks") << "   " << false << 0.0;
    QTest::newRow("word") << "abc" << false << 0.0;
    QTest::newRow("nan") << "NaN" << false << 0.0;
    QTest::newRow("inf") << "inf" << false << 0.0;
    QTest::newRow("trailing letter") << "12a" << false << 0.0;
    QTest::newRow("two signs") << "--1" << false << 0.0;
    QTest::newRow("sign only") << "+" << false << 0.0;
    QTest::newRow("comma only") << "," << false << 0.0;
    QTest::newRow("two commas") << "1,2,3" << false << 0.0;
    QTest::newRow("inner blank") << "1 000" << false << 0.0;
    QTest::newRow("exponent without digits") << "1e" << false << 0.0;
    QTest::newRow("exponent sign only") << "1e+" << false << 0.0;
    QTest::newRow("hex") << "0x10" << false << 0.0;
    QTest::newRow("overflow") << "1e400" << false << 0.0;
    QTest::newRow("non-latin digits") << QString::fromUtf8("\u0661\u0662") << false << 0.0;
}

void TestDBFormat::parseFloat()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, expected);
    double value = 0;
    QCOMPARE(TryStrToFloat(text, value), ok);
    if (ok)
        QCOMPARE(value, expected);
}

void TestDBFormat::parseInt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("plain") << "42" << true << qint64(42);
    QTest::newRow("blanks and sign") << " -17 " << true << qint64(-17);
    QTest::newRow("plus") << "+5" << true << qint64(5);
    QTest::newRow("leading zeros") << "007" << true << qint64(7);
    QTest::newRow("max") << "9223372036854775807" << true << std::numeric_limits<qint64>::max();
    QTest::newRow("min") << "-9223372036854775808" << true << std::numeric_limits<qint64>::min();

    QTest::newRow("above max") << "9223372036854775808" << false << qint64(0);
    QTest::newRow("empty") << "" << false << qint64(0);
    QTest::newRow("sign only") << "-" << false << qint64(0);
    QTest::newRow("decimal") << "1,5" << false << qint64(0);
    QTest::newRow("trailing letter") << "12a" << false << qint64(0);
    QTest::newRow("inner blank") << "1 2" << false << qint64(0);
    QTest::newRow("exponent") << "1e3" << false << qint64(0);
    QTest::newRow("hex") << "0x1F" << false << qint64(0);
    QTest::newRow("fullwidth digits") << QString::fromUtf8("\uFF11\uFF12") << false << qint64(0);
}

void TestDBFormat::parseInt()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(qint64, expected);
    qint64 value = 0;
    QCOMPARE(TryStrToInt(text, value), ok);
    if (ok)
        QCOMPARE(value, expected);
}

void TestDBFormat::parseDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected"); // invalid: refused

    const int thisYear = QDate::currentDate().year();
    QTest::newRow("short") << "1.2.2020" << QDate(2020, 2, 1);
    QTest::newRow("padded") << "01.02.2020" << QDate(2020, 2, 1);
    QTest::newRow("blanks") << " 15.11.1998 " << QDate(1998, 11, 15);
    QTest::newRow("leap day") << "29.02.2024" << QDate(2024, 2, 29);
    QTest::newRow("two-digit year 00") << "1.1.00" << QDate(2000, 1, 1);
    QTest::newRow("two-digit year 49") << "1.1.49" << QDate(2049, 1, 1);
    QTest::newRow("two-digit year 50") << "1.1.50" << QDate(1950, 1, 1);
    QTest::newRow("two-digit year 99") << "31.12.99" << QDate(1999, 12, 31);
    QTest::newRow("this year with point") << "5.6." << QDate(thisYear, 6, 5);
    QTest::newRow("this year") << "05.06" << QDate(thisYear, 6, 5);
    QTest::newRow("early year") << "1.1.0999" << QDate(999, 1, 1);

    QTest::newRow("31 February") << "31.02.2020" << QDate();
    QTest::newRow("no leap day") << "29.02.2023" << QDate();
    QTest::newRow("31 April") << "31.4.2020" << QDate();
    QTest::newRow("day zero") << "0.1.2020" << QDate();
    QTest::newRow("month 13") << "1.13.2020" << QDate();
    QTest::newRow("year zero") << "1.1.0000" << QDate();
    QTest::newRow("five-digit year") << "1.1.10000" << QDate();
    QTest::newRow("iso") << "2020-01-01" << QDate();
    QTest::newRow("slashes") << "1/1/2020" << QDate();
    QTest::newRow("empty") << "" << QDate();
    QTest::newRow("day only") << "12" << QDate();
    QTest::newRow("missing month") << "1..2020" << QDate();
    QTest::newRow("three-digit day") << "001.1.2020" << QDate();
    QTest::newRow("extra part") << "1.1.2020.5" << QDate();
    QTest::newRow("with time") << "1.1.2020 12:00" << QDate();
    QTest::newRow("sign") << "-1.1.2020" << QDate();
}

void TestDBFormat::parseDate()
{
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    QDate value;
    QCOMPARE(TryStrToDate(text, value), expected.isValid());
    if (expected.isValid())
        QCOMPARE(value, expected);
}

void TestDBFormat::parseTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QTime>("expected"); // invalid: refused

    QTest::newRow("hours and minutes") << "8:05" << QTime(8, 5);
    QTest::newRow("seconds") << "08:05:30" << QTime(8, 5, 30);
    QTest::newRow("milliseconds") << "23:59:59,999" << QTime(23, 59, 59, 999);
    QTest::newRow("midnight") << " 0:00 " << QTime(0, 0);

    QTest::newRow("hour 24") << "24:00" << QTime();
    QTest::newRow("minute 60") << "12:60" << QTime();
    QTest::newRow("second 60") << "12:00:60" << QTime();
    QTest::newRow("hour only") << "12" << QTime();
    QTest::newRow("empty seconds") << "12:05:" << QTime();
    QTest::newRow("one-digit minute") << "12:5" << QTime();
    QTest::newRow("short milliseconds") << "12:30:15,5" << QTime();
    QTest::newRow("milliseconds without seconds") << "12:30,123" << QTime();
    QTest::newRow("point") << "12.30" << QTime();
    QTest::newRow("empty") << "" << QTime();
}

void TestDBFormat::parseTime()
{
    QFETCH(QString, text);
    QFETCH(QTime, expected);
    QTime value;
    QCOMPARE(TryStrToTime(text, value), expected.isValid());
    if (expected.isValid())
        QCOMPARE(value, expected);
}

void TestDBFormat::parseDateTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected"); // invalid: refused

    QTest::newRow("date and time") << "1.2.2020 13:45" << QDateTime(QDate(2020, 2, 1), QTime(13, 45));
    QTest::newRow("with seconds") << "01.02.2020 13:45:10" << QDateTime(QDate(2020, 2, 1), QTime(13, 45, 10));
    QTest::newRow("date only") << "1.2.2020" << QDateTime(QDate(2020, 2, 1), QTime(0, 0));
    QTest::newRow("two-digit year") << "1.2.20 8:00" << QDateTime(QDate(2020, 2, 1), QTime(8, 0));

    QTest::newRow("bad time") << "1.2.2020 25:00" << QDateTime();
    QTest::newRow("bad date") << "31.2.2020 12:00" << QDateTime();
    QTest::newRow("glued") << "1.2.2020x" << QDateTime();
    QTest::newRow("time only") << "13:45" << QDateTime();
    QTest::newRow("empty") << "" << QDateTime();
}

void TestDBFormat::parseDateTime()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    QDateTime value;
    QCOMPARE(TryStrToDateTime(text, value), expected.isValid());
    if (expected.isValid())
        QCOMPARE(value, expected);
}

void TestDBFormat::dateTimeText_data()
{
    QTest::addColumn<QDateTime>("value");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("both");

    QTest::newRow("afternoon") << QDateTime(QDate(2020, 2, 1), QTime(13, 45, 7))
                               << "01.02.2020" << "13:45:07" << "01.02.2020 13:45:07";
    QTest::newRow("midnight") << QDateTime(QDate(1999, 12, 31), QTime(0, 0))
                              << "31.12.1999" << "00:00:00" << "31.12.1999";
    QTest::newRow("just after midnight") << QDateTime(QDate(2024, 2, 29), QTime(0, 0, 1))
                                         << "29.02.2024" << "00:00:01" << "29.02.2024 00:00:01";
    QTest::newRow("null") << QDateTime() << "" << "" << "";
}

void TestDBFormat::dateTimeText()
{
    QFETCH(QDateTime, value);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, both);
    QCOMPARE(DateToStr(value.date()), date);
    QCOMPARE(TimeToStr(value.time()), time);
    QCOMPARE(DateTimeToStr(value), both);

    // what is written must read back
    if (value.isValid()) {
        QDateTime back;
        QVERIFY(TryStrToDateTime(both, back));
        QCOMPARE(back, value);
    }
}

void TestDBFormat::failedParseKeepsValue()
{
    double d = 7.5;
    qint64 i = 7;
    QDate date(2001, 1, 1);
    QTime time(1, 2, 3);
    QVERIFY(!TryStrToFloat(QStringLiteral("x"), d));
    QVERIFY(!TryStrToInt(QStringLiteral("x"), i));
    QVERIFY(!TryStrToDate(QStringLiteral("31.02.2020"), date));
    QVERIFY(!TryStrToTime(QStringLiteral("25:00"), time));
    QCOMPARE(d, 7.5);
    QCOMPARE(i, qint64(7));
    QCOMPARE(date, QDate(2001, 1, 1));
    QCOMPARE(time, QTime(1, 2, 3));
}

void TestDBFormat::roundBanker_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<double>("expected");

    QTest::newRow("half to even down") << 2.125 << 2 << 2.12;
    QTest::newRow("half to even up") << 2.135 << 2 << 2.14;
    QTest::newRow("2.675 up") << 2.675 << 2 << 2.68;
    QTest::newRow("2.665 down") << 2.665 << 2 << 2.66;
    QTest::newRow("1.005 down") << 1.005 << 2 << 1.0;
    QTest::newRow("0.5") << 0.5 << 0 << 0.0;
    QTest::newRow("1.5") << 1.5 << 0 << 2.0;
    QTest::newRow("2.5") << 2.5 << 0 << 2.0;
    QTest::newRow("-2.5") << -2.5 << 0 << -2.0;
    QTest::newRow("-1.5") << -1.5 << 0 << -2.0;
    QTest::newRow("above half") << 2.1251 << 2 << 2.13;
    QTest::newRow("below half") << 1.2349 << 2 << 1.23;
    QTest::newRow("carry") << 9.995 << 2 << 10.0;
    QTest::newRow("tiny to zero") << -0.004 << 2 << 0.0;
    QTest::newRow("already short") << 1.1 << 2 << 1.1;
    QTest::newRow("hundreds") << 12345.0 << -2 << 12300.0;
    QTest::newRow("hundreds half even") << 1250.0 << -2 << 1200.0;
    QTest::newRow("hundreds half odd") << 1350.0 << -2 << 1400.0;
}

void TestDBFormat::roundBanker()
{
    QFETCH(double, value);
    QFETCH(int, digits);
    QFETCH(double, expected);
    const double result = RoundBanker(value, digits);
    // exactly the double nearest to the rounded decimal
    QVERIFY2(result == expected, qPrintable(QString::number(result, 'g', 17)));
}

QTEST_APPLESS_MAIN(TestDBFormat)
#include "tst_dbformat.moc"
