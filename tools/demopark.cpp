// Fills a working directory with a demo machine park:
//   tarvos-demopark [--machines N] [--years Y] [--vouchers-per-month V] [--seed S] [--force] DIR
#include "DemoPark.h"
#include "DBErrors.h"
#include "Session.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTextStream>

namespace {

int Fail(const QString& text)
{
    QTextStream(stderr) << text << "\n";
    return 1;
}

}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvos-demopark"));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Erzeugt einen Demo-Maschinenpark im Arbeitsverzeichnis DIR."));
    p.addHelpOption();
    const QCommandLineOption machines(QStringLiteral("machines"), QStringLiteral("Anzahl der Maschinen (60)."),
                                      QStringLiteral("N"), QStringLiteral("60"));
    const QCommandLineOption years(QStringLiteral("years"), QStringLiteral("Jahre mit Belegen (4)."),
                                   QStringLiteral("Y"), QStringLiteral("4"));
    const QCommandLineOption perMonth(QStringLiteral("vouchers-per-month"),
                                      QStringLiteral("Belege je Maschine und Monat im Mittel (3)."),
                                      QStringLiteral("V"), QStringLiteral("3"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Startwert des Zufallsgenerators (4711)."),
                                  QStringLiteral("S"), QStringLiteral("4711"));
    const QCommandLineOption force(QStringLiteral("force"), QStringLiteral("Vorhandenen Maschinenpark ersetzen."));
    p.addOptions({machines, years, perMonth, seed, force});
    p.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("Arbeitsverzeichnis des Programms."));
    p.process(app);
    if (p.positionalArguments().size() != 1) return Fail(QStringLiteral("Bitte genau ein Verzeichnis angeben.\n") + p.helpText());

    TDemoParkOptions opt;
    bool ok1, ok2, ok3, ok4;
    opt.Machines = p.value(machines).toInt(&ok1);
    opt.Years = p.value(years).toInt(&ok2);
    opt.VouchersPerMonth = QLocale::c().toDouble(p.value(perMonth), &ok3);
    opt.Seed = p.value(seed).toUInt(&ok4);
    if (!ok1 || opt.Machines < 1) return Fail(QStringLiteral("Ungültige Anzahl der Maschinen: %1").arg(p.value(machines)));
    if (!ok2 || opt.Years < 1 || opt.Years > 50) return Fail(QStringLiteral("Ungültige Anzahl der Jahre: %1").arg(p.value(years)));
    if (!ok3 || opt.VouchersPerMonth < 0) return Fail(QStringLiteral("Ungültige Belegzahl je Monat: %1").arg(p.value(perMonth)));
    if (!ok4) return Fail(QStringLiteral("Ungültiger Startwert: %1").arg(p.value(seed)));

    const QString dir = QDir(p.positionalArguments().first()).absolutePath();
    QTextStream out(stdout);
    try {
        if (DemoPark::HasData(dir)) {
            if (!p.isSet(force))
                return Fail(QStringLiteral("In %1 liegt bereits ein Maschinenpark mit Daten; er wird nicht "
                                           "überschrieben. Mit --force wird er ersetzt.").arg(dir));
            DemoPark::RemoveDatabases(dir);
        }
        DemoPark::UseDirectory(dir);
        const TDemoParkCounts c = DemoPark::Generate(opt);
        const QLocale de(QLocale::German, QLocale::Germany);
        out << QStringLiteral("Demo-Maschinenpark erzeugt in %1\n").arg(dir);
        out << QStringLiteral("  Maschinen:          %1\n").arg(de.toString(c.Machines), 10);
        out << QStringLiteral("  Belege:             %1\n").arg(de.toString(c.Vouchers), 10);
        out << QStringLiteral("  Monatsauswertungen: %1\n").arg(de.toString(c.Evaluations), 10);
        out << QStringLiteral("  Historieneinträge:  %1\n").arg(de.toString(c.History), 10);
        out << QStringLiteral("  Gruppen:            %1\n").arg(de.toString(c.Groups), 10);
        out << QStringLiteral("  Standorte:          %1\n").arg(de.toString(c.Locations), 10);
        out << QStringLiteral("  Dauer:              %1 s\n").arg(de.toString(c.Millis / 1000.0, 'f', 2), 10);
    } catch (const Exception& e) {
        return Fail(QStringLiteral("Fehler: %1").arg(e.Message()));
    }
    Session().CloseDatabases();
    return 0;
}
