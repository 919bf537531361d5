// Which machine is due for which kind, and the list built from the park,
// without any window.
#include "DataMod.h"
#include "ParkFixture.h"
#include "Termine.h"
#include <QTest>

Q_DECLARE_METATYPE(TTerminSicht)

namespace {

const QDate kStichtag(2026, 12, 10);

std::unique_ptr<TTable> Open(const char* alias, const char* table)
{
    auto t = std::make_unique<TTable>();
    t->SetDatabaseName(QString::fromLatin1(alias));
    t->SetTableName(QString::fromLatin1(table));
    t->Open();
    return t;
}

// The list as "number: field=value, ..." per row, dates as shown.
QStringList Rows(TTable& termine)
{
    QStringList out;
    for (termine.First(); !termine.Eof(); termine.Next()) {
        QStringList filled;
        for (const QString& f : TerminFelder(TTerminSicht::Alle)) {
            TField* field = termine.FieldByName(f);
            if (!field->IsNull()) filled << f + u'=' + field->DisplayText();
        }
        out << termine.FieldByName(QStringLiteral("IdentNummer"))->AsString() + QStringLiteral(": ") + filled.join(u',');
    }
    return out;
}

}   // namespace

class TestTermine : public ParkFixture {
    Q_OBJECT

private slots:
    void init() { InitPark(); }
    void cleanup() { CleanupPark(); }

    void dueMachines_data()
    {
        QTest::addColumn<ParkSettings>("machine");
        QTest::addColumn<TTerminSicht>("sicht");
        QTest::addColumn<QString>("row");   // empty: not listed

        const QString m = QStringLiteral("IdentNummer");
        auto M = [&](std::initializer_list<std::pair<const char*, const char*>> fields) {
            ParkSettings s{{m, QStringLiteral("M1")}};
            for (const auto& [k, v] : fields) s.insert(QString::fromUtf8(k), QString::fromUtf8(v));
            return s;
        };
        QTest::newRow("TÜV on the reference day, all") << M({{"TÜVTermin", "10.12.2026"}}) << TTerminSicht::Alle
                                                      << QStringLiteral("M1: TÜVTermin=10.12.2026");
        QTest::newRow("TÜV on the reference day, TÜV") << M({{"TÜVTermin", "10.12.2026"}}) << TTerminSicht::Tuev
                                                      << QStringLiteral("M1: TÜVTermin=10.12.2026");
        QTest::newRow("five years past") << M({{"UVVTermin", "10.12.2021"}}) << TTerminSicht::UVV
                                         << QStringLiteral("M1: UVVTermin=10.12.2021");
        QTest::newRow("tomorrow") << M({{"TÜVTermin", "11.12.2026"}}) << TTerminSicht::Alle << QString();
        QTest::newRow("no dates at all") << M({{"Betriebsstunden", "900"}}) << TTerminSicht::Alle << QString();
        QTest::newRow("yearly maintenance is not listed") << M({{"WartungJahrTermin", "01.01.2020"}})
                                                          << TTerminSicht::Alle << QString();
        QTest::newRow("hours equal to the threshold")
            << M({{"BetriebsstundenTermin", "500"}, {"Betriebsstunden", "500"}}) << TTerminSicht::Betriebsstunden
            << QStringLiteral("M1: BetriebsstundenTermin=500");
        QTest::newRow("hours below the threshold")
            << M({{"BetriebsstundenTermin", "500"}, {"Betriebsstunden", "499,5"}}) << TTerminSicht::Alle << QString();
        QTest::newRow("empty threshold never") << M({{"Betriebsstunden", "100000"}}) << TTerminSicht::Betriebsstunden
                                               << QString();
        QTest::newRow("empty hours count 0") << M({{"BetriebsstundenTermin", "0"}}) << TTerminSicht::Alle
                                             << QStringLiteral("M1: BetriebsstundenTermin=0");
        QTest::newRow("TÜV and UVV in one row")
            << M({{"TÜVTermin", "01.03.2026"}, {"UVVTermin", "02.04.2026"}, {"WartungKleinTermin", "01.01.2027"}})
            << TTerminSicht::Alle << QStringLiteral("M1: TÜVTermin=01.03.2026,UVVTermin=02.04.2026");
        QTest::newRow("TÜV and UVV, view TÜV")
            << M({{"TÜVTermin", "01.03.2026"}, {"UVVTermin", "02.04.2026"}}) << TTerminSicht::Tuev
            << QStringLiteral("M1: TÜVTermin=01.03.2026");
        QTest::newRow("only UVV due, view TÜV") << M({{"UVVTermin", "02.04.2026"}}) << TTerminSicht::Tuev << QString();
        QTest::newRow("every kind")
            << M({{"TÜVTermin", "01.01.2026"}, {"UVVTermin", "01.01.2026"}, {"WartungKleinTermin", "01.01.2026"},
                  {"WartungGrossTermin", "01.01.2026"}, {"FreierTermin1", "01.01.2026"}, {"FreierTermin2", "01.01.2026"},
                  {"FreierTermin3", "10.12.2026"}, {"BetriebsstundenTermin", "10"}, {"Betriebsstunden", "11"}})
            << TTerminSicht::Alle
            << QStringLiteral("M1: TÜVTermin=01.01.2026,UVVTermin=01.01.2026,WartungKleinTermin=01.01.2026,"
                              "WartungGrossTermin=01.01.2026,FreierTermin1=01.01.2026,FreierTermin2=01.01.2026,"
                              "FreierTermin3=10.12.2026,BetriebsstundenTermin=10");
        QTest::newRow("third free date, its view") << M({{"FreierTermin3", "09.12.2026"}, {"FreierTermin2", "09.12.2026"}})
                                                   << TTerminSicht::Frei3 << QStringLiteral("M1: FreierTermin3=09.12.2026");
        QTest::newRow("large maintenance, its view") << M({{"WartungGrossTermin", "09.12.2026"}})
                                                     << TTerminSicht::WartungGross
                                                     << QStringLiteral("M1: WartungGrossTermin=09.12.2026");
    }
    void dueMachines()
    {
        QFETCH(ParkSettings, machine);
        QFETCH(TTerminSicht, sicht);
        QFETCH(QString, row);
        StoreMachine(machine);
        auto stamm = Open("Pelmora", "KfzStamm.db");
        auto termine = Open("PelmoraPriv", "Termine.DB");
        TermineAufbauen(*stamm, *termine, sicht, kStichtag);
        QCOMPARE(Rows(*termine), row.isEmpty() ? QStringList() : QStringList{row});
    }

    // Rows in the park's order, one step per machine, identification copied.
    void buildsOverTheWholePark()
    {
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("C-3")}, {QStringLiteral("TÜVTermin"), QStringLiteral("01.01.2020")},
                      {QStringLiteral("Gruppe"), QStringLiteral("Kran")}, {QStringLiteral("Bezeichnung1"), QStringLiteral("Turmdrehkran")}});
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("A-1")}, {QStringLiteral("TÜVTermin"), QStringLiteral("01.01.2020")}});
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("B-2")}, {QStringLiteral("TÜVTermin"), QStringLiteral("01.01.2030")}});
        auto stamm = Open("Pelmora", "KfzStamm.db");
        auto termine = Open("PelmoraPriv", "Termine.DB");
        int steps = 0;
        TermineAufbauen(*stamm, *termine, TTerminSicht::Tuev, kStichtag, [&] { ++steps; });
        QCOMPARE(steps, 3);
        QCOMPARE(Rows(*termine), (QStringList{QStringLiteral("A-1: TÜVTermin=01.01.2020"), QStringLiteral("C-3: TÜVTermin=01.01.2020")}));
        termine->Last();
        QCOMPARE(termine->FieldByName(QStringLiteral("Gruppe"))->AsString(), QStringLiteral("Kran"));
        QCOMPARE(termine->FieldByName(QStringLiteral("Bezeichnung1"))->AsString(), QStringLiteral("Turmdrehkran"));
    }

    void headings_data()
    {
        QTest::addColumn<TTerminSicht>("sicht");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("count");
        QTest::newRow("all") << TTerminSicht::Alle << QStringLiteral("Alle fälligen Termine")
                             << QStringLiteral("Anzahl Maschinen mit fälligen Terminen: 7");
        QTest::newRow("small maintenance") << TTerminSicht::WartungKlein << QStringLiteral("Fällige kl. Wartungen")
                                           << QStringLiteral("Anzahl Maschinen mit fälligen kl. Wartungen: 7");
        QTest::newRow("hours") << TTerminSicht::Betriebsstunden << QStringLiteral("Fällige Betriebsstundentermine")
                               << QStringLiteral("Anzahl Maschinen mit fälligen Betriebsstundenterminen: 7");
        QTest::newRow("second free date") << TTerminSicht::Frei2 << QStringLiteral("Fällige Leasingende")
                                          << QStringLiteral("Anzahl Maschinen mit fälligen Leasingende: 7");
    }
    void headings()
    {
        QFETCH(TTerminSicht, sicht);
        QFETCH(QString, heading);
        QFETCH(QString, count);
        const QStringList names{QStringLiteral("Kran-HU"), QStringLiteral("Leasingende"), QStringLiteral("Tacho")};
        QCOMPARE(TerminUeberschrift(sicht, names), heading);
        QCOMPARE(TerminAnzahlText(sicht, names, 7), count);
    }
};

QTEST_GUILESS_MAIN(TestTermine)
#include "tst_termine.moc"
