#pragma once
// An old park as the previous program left it: every table written as a
// Paradox file by pxlib's own writer, with umlauts in texts and field names,
// empty values, dates around 1.1.2000 and 29.2., money with cents, a long
// memo, a duplicate machine number and fields we do not know. Also kept: the
// records each of our tables must hold afterwards, in schema field order.
#include "DataMod.h"
#include "PxSchreiber.h"
#include "PxTabelle.h"
#include <QDate>
#include <QDir>
#include <QHash>
#include <QList>
#include <QVariant>

struct TAltPark {
    QString Ordner, PrivatOrdner;
    // Our table (lower-case base name) -> the records it must hold.
    QHash<QString, QList<QVariantList>> Erwartet;

    static QString LangesMemo()
    {
        return QString::fromUtf8("Übergabe am 29.02.2000 mit allen Unterlagen; Schlüssel im Büro, "
                                 "Ersatzschlüssel im Tresor. Äußerst wichtig: Hydrauliköl Bio (HEES), kein "
                                 "Mineralöl nachfüllen! Garantieverlängerung bis 5 Jahre / 6000 h abgeschlossen. "
                                 "Reifendruck vorne 6,5 bar, hinten 7,0 bar. Nächste große Inspektion bei "
                                 "Fa. Müller & Söhne, Straße des 17. Juni.");
    }

    // Writes one old table: the schema's columns (some renamed in another
    // letter case), then `extra` columns we do not know.
    static void Tabelle(const QString& pfad, const QString& schema, const QList<QVariantList>& saetze,
                        const QHash<QString, QString>& umbenannt = {}, const std::vector<TPxSpalte>& extra = {})
    {
        std::vector<TPxSpalte> spalten = PxSpaltenVon(SchemaOf(schema));
        for (TPxSpalte& s : spalten)
            if (umbenannt.contains(s.Name)) s.Name = umbenannt.value(s.Name);
        spalten.insert(spalten.end(), extra.begin(), extra.end());
        TPxSchreiber w(pfad, spalten);
        for (const QVariantList& s : saetze) w.Satz(s);
    }

    static int Index(const QString& schema, const QString& feld)
    {
        const TTableSchema& s = SchemaOf(schema);
        for (size_t i = 0; i < s.Fields.size(); ++i)
            if (s.Fields[i].Name == feld) return int(i);
        qFatal("unknown field");
    }

    // A record in schema field order, `extra` more values left null.
    static QVariantList Satz(const QString& schema, const QHash<QString, QVariant>& werte, int extra = 0)
    {
        QVariantList v(int(SchemaOf(schema).Fields.size()) + extra);
        for (auto it = werte.begin(); it != werte.end(); ++it) v[Index(schema, it.key())] = it.value();
        return v;
    }

    void Schreiben(const QString& basis)
    {
        Ordner = basis + QStringLiteral("/alt");
        PrivatOrdner = basis + QStringLiteral("/altprivat");
        QDir().mkpath(Ordner);
        QDir().mkpath(PrivatOrdner);
        const auto U = [](const char* s) { return QString::fromUtf8(s); };
        const auto pfad = [&](const char* datei) { return Ordner + u'/' + U(datei); };
        const auto privat = [&](const char* datei) { return PrivatOrdner + u'/' + U(datei); };

        // Machines: a full one, an empty one, a duplicate, one bought in 1899,
        // one with zero hours. The old table knows "Farbe" and "Kennzeichen".
        QList<QVariantList> m;
        m << Satz(QStringLiteral("KfzStamm.db"),
                  {{U("IdentNummer"), U("BAG-001")}, {U("Gruppe"), U("Bagger")}, {U("Standort"), U("Lager Süd")},
                   {U("Bezeichnung1"), U("Kettenbagger Größe M")}, {U("Bezeichnung2"), U("für Gräben")},
                   {U("Hersteller/Typ"), U("Liebherr R 920")}, {U("Baujahr"), U("1999")},
                   {U("Motorleistung"), U("115 kW")}, {U("FahrgestellNr"), U("WLH-ÄÖÜ-123")},
                   {U("Anschaffung"), QDate(1999, 12, 31)}, {U("Anschaffungspreis"), 123456.78},
                   {U("Finanzierung"), 0.01}, {U("UVVTermin"), QDate(2000, 1, 1)},
                   {U("WartungKleinTermin"), QDate(2000, 1, 2)}, {U("WartungGrossTermin"), QDate(2000, 2, 28)},
                   {U("BetriebsstundenTermin"), 1500.0}, {U("TÜVTermin"), QDate(2000, 2, 29)},
                   {U("FreierTermin1"), QDate(2024, 2, 29)}, {U("FreierTermin3"), QDate(1900, 1, 1)},
                   {U("Betriebsstunden"), 1234.5}, {U("Freifeld1"), U("Ölwechsel alle 500 h")},
                   {U("Freifeld10"), U("€ 12 – „Prüfung“")}, {U("Memo"), LangesMemo()}},
                  2);
        m[0][m[0].size() - 2] = U("gelb-grün");
        m[0][m[0].size() - 1] = U("TÜ-AB 123");
        m << Satz(QStringLiteral("KfzStamm.db"), {{U("IdentNummer"), U("LKW-ÄÖÜ")}, {U("Memo"), U("kurz")}}, 2);
        m << Satz(QStringLiteral("KfzStamm.db"), {{U("IdentNummer"), U("BAG-001")}, {U("Gruppe"), U("Doppelt")}}, 2);
        m << Satz(QStringLiteral("KfzStamm.db"),
                  {{U("IdentNummer"), U("KRN-1")}, {U("Anschaffung"), QDate(1899, 5, 3)}}, 2);
        m << Satz(QStringLiteral("KfzStamm.db"),
                  {{U("IdentNummer"), U("STA-5")}, {U("Gruppe"), U("Stapler")}, {U("Betriebsstunden"), 0.0},
                   {U("Anschaffungspreis"), 0.5}},
                  2);
        Tabelle(pfad("KFZSTAMM.DB"), QStringLiteral("KfzStamm.db"), m, {{U("TÜVTermin"), U("TÜVTERMIN")}},
                {{U("Farbe"), PxTyp::Alpha, 20}, {U("Kennzeichen"), PxTyp::Alpha, 12}});
        for (QVariantList& r : m) r.resize(r.size() - 2);
        Erwartet[QStringLiteral("kfzstamm")] = {m[0], m[1], m[4]};

        // Vouchers: one with month and year, one without (they follow the
        // date), one of no machine, one dated 2100.
        const QString var = QStringLiteral("KfzVar.DB");
        QList<QVariantList> v;
        v << Satz(var, {{U("IdentNummer"), U("BAG-001")}, {U("BelegDatum"), QDate(2000, 2, 29)},
                        {U("BelegNummer"), U("R-0815")}, {U("Betriebsstunden"), 1234.5},
                        {U("ReparaturKosten"), 99.99}, {U("Bemerkung"), U("Räder getauscht")},
                        {U("Monat"), U("Februar")}, {U("Jahr"), U("2000")}, {U("NachschlagDummyFeld"), U("TUV")}});
        v << Satz(var, {{U("IdentNummer"), U("BAG-001")}, {U("BelegDatum"), QDate(2000, 1, 1)},
                        {U("Benzinkosten"), 0.07}, {U("BenzinLiter"), 0.05}});
        v << Satz(var, {{U("IdentNummer"), U("XYZ-9")}, {U("BelegDatum"), QDate(1999, 12, 31)},
                        {U("SonstigeKosten3"), 1e6}, {U("Monat"), U("Dezember")}, {U("Jahr"), U("1999")}});
        v << Satz(var, {{U("IdentNummer"), U("BAG-001")}, {U("BelegDatum"), QDate(2100, 1, 1)}});
        Tabelle(pfad("kfzvar.db"), var, v, {{U("IdentNummer"), U("identnummer")}});
        v[1][Index(var, U("Monat"))] = U("Januar");
        v[1][Index(var, U("Jahr"))] = U("2000");
        Erwartet[QStringLiteral("kfzvar")] = {v[0], v[1], v[2]};

        const QString mon = QStringLiteral("KfzMonat.DB");
        QList<QVariantList> e;
        e << Satz(mon, {{U("IdentNummer"), U("BAG-001")}, {U("AuswJahr"), U("2000")}, {U("AuswMonatNum"), 2.0},
                        {U("AuswMonatText"), U("Februar")}, {U("GesamtKosten"), 100.06},
                        {U("Reparaturkosten"), 99.99}, {U("Benzinkosten"), 0.07}, {U("VerbrauchLiter"), 0.05}});
        e << Satz(mon, {{U("IdentNummer"), U("BAG-001")}, {U("AuswJahr"), U("2000")}, {U("AuswMonatNum"), 2.0},
                        {U("AuswMonatText"), U("Februar")}, {U("GesamtKosten"), 1.0}});
        Tabelle(pfad("KfzMonat.DB"), mon, e);
        Erwartet[QStringLiteral("kfzmonat")] = {e[0]};

        const QString his = QStringLiteral("KfzHisto.DB");
        QList<QVariantList> h;
        h << Satz(his, {{U("KfzNr"), U("BAG-001")}, {U("Datum"), QDate(2000, 2, 29)}, {U("Kosten"), 12.5},
                        {U("Reserve1"), U("Motor überholt")}, {U("Info"), U("C:\\Bilder\\Bagger Größe.jpg")}});
        h << Satz(his, {{U("KfzNr"), U("LKW-ÄÖÜ")}, {U("Datum"), QDate(1999, 12, 31)},
                        {U("Info"), U("Übernahme von der Niederlassung")}});
        Tabelle(pfad("KfzHisto.db"), his, h);
        Erwartet[QStringLiteral("kfzhisto")] = h;

        QList<QVariantList> k;
        for (const char* c : {"TUV", "UVV", "KLW", "GRW", "FT1", "FT2", "FT3", "BST"})
            k << QVariantList{U(c), U("Prüfung ") + U(c)};
        k << QVariantList{U("SÖP"), U("Sonderprüfung ä")};
        Tabelle(pfad("TERMINKZ.DB"), QStringLiteral("TerminKz.db"), k);
        Erwartet[QStringLiteral("terminkz")] = k;

        const QString sys = QStringLiteral("Kfzsyste.DB");
        QList<QVariantList> st;
        st << Satz(sys, {{U("NameFreitermin1"), U("Prüfung §")}, {U("NameFreifeld1"), U("Fahrer")},
                         {U("NameReparaturkosten"), U("Instandsetzung")}, {U("TÜVTIntervall"), 24},
                         {U("UVVTIntervall"), 12}, {U("BetriebsstundenTIntervall"), 250}, {U("Boolfeld1"), true},
                         {U("MitHeader"), U("geheim")}});
        Tabelle(pfad("Kfzsyste.DB"), sys, st, {{U("TÜVTIntervall"), U("tüvtintervall")}});
        Erwartet[QStringLiteral("kfzsyste")] = st;

        QList<QVariantList> g{{U("Bagger")}, {U("Stapler")}, {U("Größe")}};
        Tabelle(pfad("kfzgruppe.DB"), QStringLiteral("KfzGruppe.db"), g);
        Erwartet[QStringLiteral("kfzgruppe")] = g;
        QList<QVariantList> o{{U("Lager Süd")}};
        Tabelle(pfad("KfzStort.db"), QStringLiteral("KfzStort.db"), o);
        Erwartet[QStringLiteral("kfzstort")] = o;
        Tabelle(pfad("HILFE.DB"), QStringLiteral("HILFE.DB"), {{U("Die Hilfe des alten Programms")}});

        // The private folder: the user's settings, and working tables that
        // the program fills afresh.
        Tabelle(privat("KFZSYSPR.DB"), QStringLiteral("Kfzsyspr.DB"), {{U("S"), true}});
        Erwartet[QStringLiteral("kfzsyspr")] = {{U("S"), true}};
        Tabelle(privat("Termine.DB"), QStringLiteral("Termine.DB"), {{U("BAG-001"), U("Bagger")}});
        Tabelle(privat("KfzFuKst.db"), QStringLiteral("KfzFuKst.db"), {{U("BAG-001"), U("alt")}});
    }
};
