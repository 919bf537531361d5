// Times the import of an old park written as Paradox tables:
//   tarvos-importbench [--machines N] [--vouchers M] DIR
// The old tables are written into DIR/alt once (pxlib encodes every value);
// each run imports them into a fresh park in DIR/park and reports time and
// peak memory of the check and the write.
#include "DBErrors.h"
#include "DataMod.h"
#include "DemoPark.h"
#include "PxSchreiber.h"
#include "PxTabelle.h"
#include "Session.h"
#include "Uebernahme.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <random>
#include <sys/resource.h>

namespace {

long PeakKb()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss;
}

QVariantList Leer(const TTableSchema& s) { return QVariantList(int(s.Fields.size())); }

int Feld(const TTableSchema& s, const char* name)
{
    for (size_t i = 0; i < s.Fields.size(); ++i)
        if (s.Fields[i].Name == QString::fromUtf8(name)) return int(i);
    throw EDatabaseError(QStringLiteral("Feld %1 fehlt").arg(QString::fromUtf8(name)));
}

void Erzeugen(const QString& alt, int maschinen, qint64 belege)
{
    QDir().mkpath(alt);
    std::mt19937 zufall(4711);
    const QDate start(2015, 1, 1);
    const char* const gruppen[] = {"Bagger", "Radlader", "LKW", "Kran", "Stapler", "Walze"};
    const char* const orte[] = {"Hauptsitz", "Werk Nord", "Lager Süd", "Baustelle Tübingen"};
    const auto tabelle = [&](const char* name) { return QDir(alt).absoluteFilePath(QString::fromUtf8(name)); };
    {
        const TTableSchema& s = SchemaOf(QStringLiteral("KfzStamm.db"));
        TPxSchreiber w(tabelle("KFZSTAMM.DB"), PxSpaltenVon(s), true);
        for (int i = 0; i < maschinen; ++i) {
            QVariantList v = Leer(s);
            v[Feld(s, "IdentNummer")] = QStringLiteral("M-%1").arg(i, 6, 10, QLatin1Char('0'));
            v[Feld(s, "Gruppe")] = QString::fromUtf8(gruppen[i % 6]);
            v[Feld(s, "Standort")] = QString::fromUtf8(orte[i % 4]);
            v[Feld(s, "Bezeichnung1")] = QStringLiteral("Maschine %1").arg(i);
            v[Feld(s, "Anschaffung")] = start.addDays(-int(zufall() % 3000));
            v[Feld(s, "Anschaffungspreis")] = double(zufall() % 20000000) / 100.0;
            v[Feld(s, "TÜVTermin")] = start.addDays(int(zufall() % 4000));
            v[Feld(s, "Betriebsstunden")] = double(zufall() % 20000);
            if (i % 10 == 0) v[Feld(s, "Memo")] = QStringLiteral("Übergabe mit allen Unterlagen. ").repeated(12);
            w.Satz(v);
        }
    }
    {
        const TTableSchema& s = SchemaOf(QStringLiteral("KfzVar.DB"));
        TPxSchreiber w(tabelle("KFZVAR.DB"), PxSpaltenVon(s), true);
        const int kosten[] = {Feld(s, "ReparaturKosten"), Feld(s, "ReifenKosten"), Feld(s, "Wartungskosten"),
                              Feld(s, "Untersuchungskosten"), Feld(s, "Benzinkosten"), Feld(s, "SonstigeKosten1"),
                              Feld(s, "SonstigeKosten2"), Feld(s, "SonstigeKosten3")};
        for (qint64 i = 0; i < belege; ++i) {
            QVariantList v = Leer(s);
            const QDate d = start.addDays(int(i % 3650));
            v[Feld(s, "IdentNummer")] = QStringLiteral("M-%1").arg(i % maschinen, 6, 10, QLatin1Char('0'));
            v[Feld(s, "BelegDatum")] = d;
            v[Feld(s, "BelegNummer")] = QString::number(i);
            v[Feld(s, "Betriebsstunden")] = double(i % 9000);
            v[kosten[i % 8]] = double(zufall() % 500000) / 100.0;
            v[Feld(s, "Bemerkung")] = QStringLiteral("Werkstatt Müller");
            v[Feld(s, "Monat")] = MonthNames().at(d.month() - 1);
            v[Feld(s, "Jahr")] = QString::number(d.year());
            w.Satz(v);
        }
    }
    {
        const TTableSchema& s = SchemaOf(QStringLiteral("KfzHisto.DB"));
        TPxSchreiber w(tabelle("KFZHISTO.DB"), PxSpaltenVon(s), true);
        for (int i = 0; i < maschinen * 2; ++i) {
            QVariantList v = Leer(s);
            v[Feld(s, "KfzNr")] = QStringLiteral("M-%1").arg(i % maschinen, 6, 10, QLatin1Char('0'));
            v[Feld(s, "Datum")] = start.addDays(i % 3000);
            v[Feld(s, "Info")] = QStringLiteral("C:\\Bilder\\M%1.jpg").arg(i);
            w.Satz(v);
        }
    }
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    p.addHelpOption();
    QCommandLineOption maschinen(QStringLiteral("machines"), QStringLiteral("Maschinen"), QStringLiteral("n"),
                                 QStringLiteral("10000"));
    QCommandLineOption belege(QStringLiteral("vouchers"), QStringLiteral("Belege"), QStringLiteral("n"),
                              QStringLiteral("1000000"));
    p.addOptions({maschinen, belege});
    p.addPositionalArgument(QStringLiteral("dir"), QStringLiteral("Arbeitsordner"));
    p.process(app);
    if (p.positionalArguments().size() != 1) p.showHelp(2);
    QTextStream out(stdout);
    const QString dir = QDir(p.positionalArguments().first()).absolutePath();
    const QString alt = dir + QStringLiteral("/alt");
    try {
        if (!QFileInfo::exists(alt + QStringLiteral("/KFZVAR.DB"))) {
            QElapsedTimer t;
            t.start();
            Erzeugen(alt, p.value(maschinen).toInt(), p.value(belege).toLongLong());
            out << "Alte Tabellen geschrieben in " << t.elapsed() / 1000.0 << " s\n" << Qt::flush;
        }
        const long vorher = PeakKb();
        const QString park = dir + QStringLiteral("/park");
        DemoPark::UseDirectory(park);
        Session().CloseDatabases();
        DemoPark::RemoveDatabases(park);
        CreateMissingTables();

        QElapsedTimer t;
        t.start();
        TUebernahme u(alt);
        const TUebernahmeBericht& b = u.Pruefen();
        const qint64 pruefen = t.elapsed();
        u.Schreiben();
        const qint64 gesamt = t.elapsed();
        qint64 saetze = 0;
        for (const auto& x : b.Tabellen) saetze += x.Uebernommen;
        out << "Datensätze übernommen: " << saetze << "\n"
            << "Prüfen:    " << pruefen / 1000.0 << " s\n"
            << "Schreiben: " << (gesamt - pruefen) / 1000.0 << " s\n"
            << "Gesamt:    " << gesamt / 1000.0 << " s (Ziel: unter 60 s)\n"
            << "Spitzenspeicher: " << PeakKb() / 1024 << " MB (vor der Übernahme " << vorher / 1024
            << " MB; Ziel: unter 300 MB)\n";
        for (const QString& f : QDir(park + QStringLiteral("/Daten")).entryList({QStringLiteral("*.vor-Import-*")}))
            QFile::remove(park + QStringLiteral("/Daten/") + f);
    } catch (const std::exception& e) {
        out << QString::fromUtf8(e.what()) << "\n";
        return 1;
    }
    Session().CloseDatabases();
    return 0;
}
