#include "Passwort.h"
#include "Utility.h"
#include <QLineEdit>
#include <QtTest>

class TestUtility : public QObject {
    Q_OBJECT
private slots:
    void yearList_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("last");
        QTest::addColumn<int>("selected");
        QTest::newRow("2001") << QDate(2001, 5, 1) << "2011" << 11;
        QTest::newRow("2026") << QDate(2026, 12, 10) << "2036" << 36;
        QTest::newRow("1985 selects nothing") << QDate(1985, 1, 1) << "1995" << -1;
        QTest::newRow("1990 first") << QDate(1990, 3, 3) << "2000" << 0;
    }
    void yearList()
    {
        QFETCH(QDate, today);
        QFETCH(QString, last);
        QFETCH(int, selected);
        const QStringList items = YearListItems(today);
        QCOMPARE(items.first(), QStringLiteral("1990"));
        QCOMPARE(items.last(), last);
        QCOMPARE(YearListIndex(items, today), selected);
        if (selected >= 0) QCOMPARE(items[selected], QString::number(today.year()));
    }

    void password_data()
    {
        QTest::addColumn<QString>("entered");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("match");
        QTest::newRow("upper typed, lower stored") << "GEHEIM" << "geheim" << true;
        QTest::newRow("mixed") << "GeHeIm" << "geheim" << true;
        QTest::newRow("prefix only") << "geh" << "geheim" << false;
        QTest::newRow("umlaut case differs") << "MÜLLER" << "müller" << false;
        QTest::newRow("umlaut same case") << "MüLLER" << "müller" << true;
        QTest::newRow("both empty") << "" << "" << true;
        QTest::newRow("empty entry") << "" << "x" << false;
        QTest::newRow("mixed stored") << "TARVOS" << "TarVos" << true;
    }
    void password()
    {
        QFETCH(QString, entered);
        QFETCH(QString, stored);
        QFETCH(bool, match);
        QCOMPARE(TPasswordDlg::Matches(entered, stored), match);
    }

    void passwordDialogFrame()
    {
        TPasswordDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Paßwort-Dialog"));
        QCOMPARE(dlg.Password->maxLength(), 10);
        QCOMPARE(dlg.Password->echoMode(), QLineEdit::Password);
        dlg.Password->setText(QStringLiteral("alt"));
        dlg.show();
        QVERIFY(dlg.Password->text().isEmpty());
        dlg.hide();
    }

    void addMonths_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("months");
        QTest::addColumn<QDate>("expected");   // invalid: no such date
        QTest::newRow("15.11.2000 + 3") << QDate(2000, 11, 15) << 3 << QDate(2001, 2, 15);
        QTest::newRow("15.11.2000 + 14") << QDate(2000, 11, 15) << 14 << QDate(2002, 1, 15);
        QTest::newRow("15.11.2000 + 24") << QDate(2000, 11, 15) << 24 << QDate(2002, 11, 15);
        QTest::newRow("29.02.2000 + 48") << QDate(2000, 2, 29) << 48 << QDate(2004, 2, 29);
        QTest::newRow("15.12.2000 + 12") << QDate(2000, 12, 15) << 12 << QDate(2001, 12, 15);
        QTest::newRow("15.12.2000 + 1") << QDate(2000, 12, 15) << 1 << QDate(2001, 1, 15);
        QTest::newRow("interval 0") << QDate(2001, 8, 31) << 0 << QDate(2001, 8, 31);
        // A day the target month lacks becomes its last day.
        QTest::newRow("31.08.2026 + 6 to the end of February") << QDate(2026, 8, 31) << 6 << QDate(2027, 2, 28);
        QTest::newRow("29.02.2000 + 12 to 28.02.") << QDate(2000, 2, 29) << 12 << QDate(2001, 2, 28);
        QTest::newRow("31.01.2004 + 1 into a leap February") << QDate(2004, 1, 31) << 1 << QDate(2004, 2, 29);
        QTest::newRow("31.08.2001 + 1 to 30.09.") << QDate(2001, 8, 31) << 1 << QDate(2001, 9, 30);
        QTest::newRow("30.01.2001 + 13 to 28.02.") << QDate(2001, 1, 30) << 13 << QDate(2002, 2, 28);
        QTest::newRow("31.03.2001 + 12 keeps the 31st") << QDate(2001, 3, 31) << 12 << QDate(2002, 3, 31);
        QTest::newRow("15.05.2001 - 3") << QDate(2001, 5, 15) << -3 << QDate(2001, 2, 15);
        QTest::newRow("15.02.2001 - 3 into the year before") << QDate(2001, 2, 15) << -3 << QDate(2000, 11, 15);
        QTest::newRow("31.12.2001 - 10 to 28.02.") << QDate(2001, 12, 31) << -10 << QDate(2001, 2, 28);
        // What still fails: a year outside the calendar.
        QTest::newRow("15.06.9999 + 7 beyond 9999") << QDate(9999, 6, 15) << 7 << QDate();
        QTest::newRow("15.06.9999 + 6 to the last month") << QDate(9999, 6, 15) << 6 << QDate(9999, 12, 15);
        QTest::newRow("15.01.0001 - 1 before year 1") << QDate(1, 1, 15) << -1 << QDate();
        QTest::newRow("huge interval") << QDate(2001, 1, 15) << 2000000000 << QDate();
        QTest::newRow("no date") << QDate() << 1 << QDate();
    }
    void addMonths()
    {
        QFETCH(QDate, date);
        QFETCH(int, months);
        QFETCH(QDate, expected);
        const std::optional<QDate> result = AddMonths(date, months);
        QCOMPARE(result.has_value(), expected.isValid());
        if (result) QCOMPARE(*result, expected);
    }
};

QTEST_MAIN(TestUtility)
#include "tst_utility.moc"
