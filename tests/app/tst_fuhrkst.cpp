// The park cost evaluation without its window: the period, the sums per
// machine and the fixed-point park totals.
#include "DBErrors.h"
#include "DataMod.h"
#include "Fuhrkst.h"
#include "ParkFixture.h"
#include "Utility.h"
#include <QTest>

Q_DECLARE_METATYPE(TZeitraumSicht)

namespace {

std::unique_ptr<TTable> Open(const char* alias, const char* table)
{
    auto t = std::make_unique<TTable>();
    t->SetDatabaseName(QString::fromLatin1(alias));
    t->SetTableName(QString::fromLatin1(table));
    t->Open();
    return t;
}

// A saved monthly evaluation: total = repair + fuel.
void StoreEvaluation(const QString& machine, int year, int month, double repair, double fuel = 0, double litres = 0)
{
    auto t = Open("Pelmora", "KfzMonat.DB");
    t->AppendRecord({machine, QString::number(year), month, MonthNames().at(month - 1), repair + fuel, repair, QVariant(),
                     QVariant(), QVariant(), fuel, QVariant(), QVariant(), QVariant(), litres});
}

// The working table as "KfzNr: total/repair/fuel/litres" per row.
QStringList Rows(TTable& t)
{
    QStringList out;
    for (t.First(); !t.Eof(); t.Next()) {
        QStringList v;
        for (const char* f : {"GesamtKosten", "ReparaturKosten", "VerbrauchKosten", "VerbrauchLiter"})
            v << QString::number(t.FieldByName(QString::fromLatin1(f))->AsFloat());
        out << t.FieldByName(QStringLiteral("KfzNr"))->AsString() + QStringLiteral(": ") + v.join(u'/');
    }
    return out;
}

}   // namespace

class TestFuhrkst : public ParkFixture {
    Q_OBJECT

private slots:
    void init() { InitPark(); }
    void cleanup() { CleanupPark(); }

    void period_data()
    {
        QTest::addColumn<TZeitraumSicht>("sicht");
        QTest::addColumn<QString>("jahr");
        QTest::addColumn<QString>("monat");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("label");
        QTest::newRow("all") << TZeitraumSicht::Alle << QString() << QString() << QString()
                             << QStringLiteral("Auswertungszeitraum: Alle Daten");
        QTest::newRow("year") << TZeitraumSicht::Jahr << QStringLiteral("2004") << QString()
                              << QStringLiteral("AuswJahr = 2004") << QStringLiteral("Auswertungszeitraum: Jahr 2004");
        QTest::newRow("month") << TZeitraumSicht::Monat << QStringLiteral("2004") << QStringLiteral("März")
                               << QStringLiteral("(AuswJahr = '2004') and (AuswMonatText = 'März')")
                               << QStringLiteral("Auswertungszeitraum: Monat März 2004");
        QTest::newRow("month without a year") << TZeitraumSicht::Monat << QString() << QStringLiteral("März")
                                              << QStringLiteral("(AuswJahr = '') and (AuswMonatText = 'März')")
                                              << QStringLiteral("Auswertungszeitraum: ???");
    }
    void period()
    {
        QFETCH(TZeitraumSicht, sicht);
        QFETCH(QString, jahr);
        QFETCH(QString, monat);
        QFETCH(QString, filter);
        QFETCH(QString, label);
        QCOMPARE(ZeitraumFilter(sicht, jahr, monat), filter);
        QCOMPARE(ZeitraumText(jahr, monat), label);
    }

    // Each machine sums exactly the rows of the period; one without any gets zeros.
    void sumsPerMachine_data()
    {
        QTest::addColumn<TZeitraumSicht>("sicht");
        QTest::addColumn<QString>("jahr");
        QTest::addColumn<QString>("monat");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("all") << TZeitraumSicht::Alle << QString() << QString()
                             << QStringList{QStringLiteral("A: 1111.5/1100.5/11/30"), QStringLiteral("B: 0/0/0/0"),
                                            QStringLiteral("C: 5000/5000/0/0")};
        QTest::newRow("year 2004") << TZeitraumSicht::Jahr << QStringLiteral("2004") << QString()
                                   << QStringList{QStringLiteral("A: 111/100/11/30"), QStringLiteral("B: 0/0/0/0"),
                                                  QStringLiteral("C: 0/0/0/0")};
        QTest::newRow("March 2004") << TZeitraumSicht::Monat << QStringLiteral("2004") << QStringLiteral("März")
                                    << QStringList{QStringLiteral("A: 11/0/11/20"), QStringLiteral("B: 0/0/0/0"),
                                                   QStringLiteral("C: 0/0/0/0")};
    }
    void sumsPerMachine()
    {
        QFETCH(TZeitraumSicht, sicht);
        QFETCH(QString, jahr);
        QFETCH(QString, monat);
        QFETCH(QStringList, rows);
        for (const char* m : {"A", "B", "C"}) StoreMachine({{QStringLiteral("IdentNummer"), QString::fromLatin1(m)}});
        StoreEvaluation(QStringLiteral("A"), 2004, 3, 0, 11, 20);
        StoreEvaluation(QStringLiteral("A"), 2004, 4, 100, 0, 10);
        StoreEvaluation(QStringLiteral("A"), 2003, 3, 1000.5);
        StoreEvaluation(QStringLiteral("A"), 2005, 3, 0);
        StoreEvaluation(QStringLiteral("C"), 2003, 12, 5000);
        auto stamm = Open("Pelmora", "KfzStamm.db");
        auto ziel = Open("PelmoraPriv", "KfzFuKst.db");
        TParkSummen summen;
        int steps = 0;
        FuhrparkKostenBerechnen(*stamm, ZeitraumFilter(sicht, jahr, monat), *ziel, summen, [&] { ++steps; });
        QCOMPARE(steps, 3);
        QCOMPARE(Rows(*ziel), rows);
    }

    // The park totals are held to the ten-thousandth and shown to the cent.
    void parkTotalsAreFixedPoint()
    {
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("A")}});
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("B")}});
        StoreEvaluation(QStringLiteral("A"), 2004, 1, 100.005, 0, 1.25);
        StoreEvaluation(QStringLiteral("B"), 2004, 1, 0.004, 0, 2.5);
        auto stamm = Open("Pelmora", "KfzStamm.db");
        auto ziel = Open("PelmoraPriv", "KfzFuKst.db");
        TParkSummen summen;
        FuhrparkKostenBerechnen(*stamm, QString(), *ziel, summen);
        QCOMPARE(summen.Kosten[0], qint64(1000090));
        QCOMPARE(summen.Kosten[1], qint64(1000090));
        QCOMPARE(FixedToStr(summen.Kosten[0]), QStringLiteral("100,01"));
        QCOMPARE(summen.Liter, 3.75);
    }

    // Only the machines the main window's filter lets through, the master not
    // moved, long numbers cut to the working table's ten characters.
    void machinesAsTheMasterStands()
    {
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("ABCDEFGHIJKL")}, {QStringLiteral("Gruppe"), QStringLiteral("Bagger")},
                      {QStringLiteral("Standort"), QStringLiteral("Halle 2")}, {QStringLiteral("Bezeichnung1"), QStringLiteral("Mobilbagger")}});
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("K-1")}, {QStringLiteral("Gruppe"), QStringLiteral("Kran")}});
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("Z-9")}, {QStringLiteral("Gruppe"), QStringLiteral("Bagger")}});
        StoreEvaluation(QStringLiteral("ABCDEFGHIJKL"), 2004, 1, 12);
        auto stamm = Open("Pelmora", "KfzStamm.db");
        stamm->SetFilter(QStringLiteral("Gruppe = 'Bagger'"));
        stamm->SetFiltered(true);
        stamm->Last();
        auto ziel = Open("PelmoraPriv", "KfzFuKst.db");
        TParkSummen summen;
        FuhrparkKostenBerechnen(*stamm, QString(), *ziel, summen);
        QCOMPARE(Rows(*ziel), (QStringList{QStringLiteral("ABCDEFGHIJ: 12/12/0/0"), QStringLiteral("Z-9: 0/0/0/0")}));
        ziel->First();
        QCOMPARE(ziel->FieldByName(QStringLiteral("Info"))->AsString(), QStringLiteral("Mobilbagger"));
        QCOMPARE(ziel->FieldByName(QStringLiteral("Gruppe"))->AsString(), QStringLiteral("Bagger"));
        QCOMPARE(ziel->FieldByName(QStringLiteral("Kostenstelle"))->AsString(), QStringLiteral("Halle 2"));
        QCOMPARE(stamm->FieldByName(QStringLiteral("IdentNummer"))->AsString(), QStringLiteral("Z-9"));
    }

    // A period the store cannot filter by ends the evaluation with its error.
    void unusablePeriodIsReported()
    {
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("A")}});
        auto stamm = Open("Pelmora", "KfzStamm.db");
        auto ziel = Open("PelmoraPriv", "KfzFuKst.db");
        TParkSummen summen;
        QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                                 FuhrparkKostenBerechnen(*stamm, ZeitraumFilter(TZeitraumSicht::Jahr, QString(), QString()),
                                                         *ziel, summen));
        QVERIFY(ziel->IsEmpty());
        QCOMPARE(summen.Kosten[0], qint64(0));
    }
};

QTEST_GUILESS_MAIN(TestFuhrkst)
#include "tst_fuhrkst.moc"
