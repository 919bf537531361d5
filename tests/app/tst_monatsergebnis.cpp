// A machine's month summed from its vouchers, without any window.
#include "DataMod.h"
#include "UiTestSupport.h"

namespace {

struct TBeleg {
    QString Machine;
    QDate Date;
    QString Field;       // the cost type, empty for none
    double Amount = 0;
    QVariant Hours;
    QVariant Litres;
};
using TBelege = QList<TBeleg>;

TBeleg Beleg(const char* machine, QDate date, const char* field, double amount, QVariant hours = {},
             QVariant litres = {})
{
    return {QString::fromLatin1(machine), date, QString::fromLatin1(field), amount, hours, litres};
}

// The non-zero parts of a result, as "name=value" in a fixed order.
QString Text(const TMonatsErgebnis& r)
{
    const std::pair<const char*, qint64> sums[] = {
        {"Reparatur", r.Reparatur},   {"Reifen", r.Reifen},     {"Wartung", r.Wartung},
        {"Untersuchung", r.Untersuchung}, {"Benzin", r.Benzin}, {"Sonstige1", r.Sonstige1},
        {"Sonstige2", r.Sonstige2},   {"Sonstige3", r.Sonstige3}, {"Gesamt", r.Gesamt}};
    QStringList parts;
    for (const auto& [name, value] : sums)
        if (value != 0) parts << QStringLiteral("%1=%2").arg(QLatin1String(name)).arg(value);
    if (r.Liter != 0) parts << QStringLiteral("Liter=%1").arg(r.Liter);
    if (r.Betriebsstunden != 0) parts << QStringLiteral("Std=%1").arg(r.Betriebsstunden);
    return parts.join(QLatin1Char(' '));
}

}   // namespace

Q_DECLARE_METATYPE(TBelege)

class TestMonatsErgebnis : public QObject {
    Q_OBJECT
private slots:
    void sums_data();
    void sums();
};

void TestMonatsErgebnis::sums_data()
{
    QTest::addColumn<TBelege>("belege");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<QString>("expected");   // amounts in ten-thousandths

    const TBelege bounds{Beleg("M1", QDate(2001, 1, 31), "ReparaturKosten", 10, 100),
                         Beleg("M1", QDate(2001, 2, 1), "ReparaturKosten", 5, 250),
                         Beleg("M1", QDate(2002, 1, 15), "ReparaturKosten", 7, 180)};
    QTest::newRow("last day of the month") << bounds << 2001 << 1 << "Reparatur=100000 Gesamt=100000 Std=250";
    QTest::newRow("first day of the month") << bounds << 2001 << 2 << "Reparatur=50000 Gesamt=50000 Std=250";
    QTest::newRow("same month, other year") << bounds << 2002 << 1 << "Reparatur=70000 Gesamt=70000 Std=250";
    QTest::newRow("month without vouchers") << bounds << 2001 << 3 << "Std=250";
    QTest::newRow("no vouchers at all") << TBelege{} << 2001 << 1 << "";

    QTest::newRow("each cost type in its own sum")
        << TBelege{Beleg("M1", QDate(2005, 6, 1), "ReparaturKosten", 1), Beleg("M1", QDate(2005, 6, 2), "ReifenKosten", 2),
                   Beleg("M1", QDate(2005, 6, 3), "Wartungskosten", 3),
                   Beleg("M1", QDate(2005, 6, 4), "Untersuchungskosten", 4),
                   Beleg("M1", QDate(2005, 6, 5), "Benzinkosten", 5, {}, 30.25),
                   Beleg("M1", QDate(2005, 6, 6), "SonstigeKosten1", 6), Beleg("M1", QDate(2005, 6, 7), "SonstigeKosten2", 7),
                   Beleg("M1", QDate(2005, 6, 8), "SonstigeKosten3", 8)}
        << 2005 << 6
        << "Reparatur=10000 Reifen=20000 Wartung=30000 Untersuchung=40000 Benzin=50000 Sonstige1=60000 "
           "Sonstige2=70000 Sonstige3=80000 Gesamt=360000 Liter=30.25";
    QTest::newRow("another machine's vouchers do not count")
        << TBelege{Beleg("M1", QDate(2005, 6, 1), "ReparaturKosten", 1, 10),
                   Beleg("M2", QDate(2005, 6, 1), "ReparaturKosten", 1000, 9000, 50)}
        << 2005 << 6 << "Reparatur=10000 Gesamt=10000 Std=10";
    QTest::newRow("litres only of the month, readings of all months")
        << TBelege{Beleg("M1", QDate(2005, 5, 31), "Benzinkosten", 10, 500, 40),
                   Beleg("M1", QDate(2005, 6, 1), "Benzinkosten", 20, 300, 12.5)}
        << 2005 << 6 << "Benzin=200000 Gesamt=200000 Liter=12.5 Std=500";
    QTest::newRow("a voucher without date counts only its reading")
        << TBelege{Beleg("M1", QDate(), "ReparaturKosten", 99, 700), Beleg("M1", QDate(2005, 6, 9), "ReifenKosten", 1)}
        << 2005 << 6 << "Reifen=10000 Gesamt=10000 Std=700";

    TBelege tenths;
    for (int i = 0; i < 1000; ++i) tenths << Beleg("M1", QDate(2001, 1, 1 + i % 28), "ReparaturKosten", 0.1);
    QTest::newRow("a thousand tenths are exactly 100") << tenths << 2001 << 1 << "Reparatur=1000000 Gesamt=1000000";
    QTest::newRow("an exact half goes to the even neighbour, down")
        << TBelege{Beleg("M1", QDate(2001, 1, 5), "Untersuchungskosten", 0.00025)} << 2001 << 1
        << "Untersuchung=2 Gesamt=2";
    QTest::newRow("an exact half goes to the even neighbour, up")
        << TBelege{Beleg("M1", QDate(2001, 1, 5), "Untersuchungskosten", 0.00035)} << 2001 << 1
        << "Untersuchung=4 Gesamt=4";
}

void TestMonatsErgebnis::sums()
{
    QFETCH(TBelege, belege);
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(QString, expected);

    TTestDatabases db;
    TDataModule1 dm;
    for (const char* machine : {"M1", "M2"}) dm.TTblMain->AppendRecord({QString::fromLatin1(machine)});
    TTable* var = dm.TTblVarKosten;
    for (const TBeleg& b : belege) {
        dm.TTblMain->FindKey({b.Machine});
        var->Append();
        if (b.Date.isValid()) var->FieldByName(QStringLiteral("BelegDatum"))->SetAsDate(b.Date);
        var->FieldByName(b.Field)->SetAsFloat(b.Amount);
        if (b.Hours.isValid()) var->FieldByName(QStringLiteral("Betriebsstunden"))->SetAsFloat(b.Hours.toDouble());
        if (b.Litres.isValid()) var->FieldByName(QStringLiteral("BenzinLiter"))->SetAsFloat(b.Litres.toDouble());
        var->Post();
    }
    QVERIFY(dm.TTblMain->FindKey({QStringLiteral("M1")}));

    const TMonatsErgebnis r = BerechneMonatsErgebnis(var, QStringLiteral("M1"), year, month);
    QVERIFY(r.Gueltig);
    QCOMPARE(r.IdentNummer, QStringLiteral("M1"));
    QCOMPARE(r.Jahr, year);
    QCOMPARE(r.Monat, month);
    QCOMPARE(Text(r), expected);
    QVERIFY(!var->ControlsDisabled());
}

QTEST_GUILESS_MAIN(TestMonatsErgebnis)
#include "tst_monatsergebnis.moc"
