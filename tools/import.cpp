// tarvos-import: takes over the Paradox tables of the old program into the
// park of the working directory (or of --park), as the menu command does.
#include "DBErrors.h"
#include "Session.h"
#include "Uebernahme.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The private alias lies where the program keeps it.
    UseProgramName();
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Übernimmt die Paradox-Tabellen des alten Programms."));
    p.addHelpOption();
    p.addPositionalArgument(QStringLiteral("ordner"), QStringLiteral("Datenordner des alten Programms"));
    QCommandLineOption privat({QStringLiteral("p"), QStringLiteral("privat")},
                              QStringLiteral("Privater Ordner des alten Programms (Kfzsyspr.DB)"), QStringLiteral("ordner"));
    QCommandLineOption park(QStringLiteral("park"), QStringLiteral("Arbeitsverzeichnis des Maschinenparks"),
                            QStringLiteral("ordner"));
    QCommandLineOption nurPruefen({QStringLiteral("n"), QStringLiteral("nur-pruefen")},
                                  QStringLiteral("Nur prüfen und berichten, nichts schreiben"));
    QCommandLineOption ja({QStringLiteral("y"), QStringLiteral("ja")},
                          QStringLiteral("Ohne Rückfrage übernehmen, auch über bestehende Maschinen"));
    p.addOptions({privat, park, nurPruefen, ja});
    p.process(app);
    if (p.positionalArguments().size() != 1) p.showHelp(2);

    QTextStream out(stdout), err(stderr);
    if (p.isSet(park) && !QDir::setCurrent(p.value(park))) {
        err << "Den Ordner " << p.value(park) << " gibt es nicht.\n";
        return 2;
    }
    auto frage = [&](const QString& text) {
        if (p.isSet(ja)) return true;
        out << text << " [j/N] " << Qt::flush;
        char zeile[16] = {};
        return std::fgets(zeile, sizeof zeile, stdin) && (zeile[0] == 'j' || zeile[0] == 'J');
    };
    try {
        TUebernahme u(p.positionalArguments().first(), p.value(privat));
        int zuletzt = -1;
        u.OnFortschritt = [&](const QString& tabelle, qint64 pos, qint64 gesamt) {
            const int prozent = gesamt > 0 ? int(pos * 100 / gesamt) : 100;
            if (prozent != zuletzt) err << "\r" << tabelle << " " << prozent << " %   " << Qt::flush;
            zuletzt = prozent;
            return true;
        };
        const TUebernahmeBericht& b = u.Pruefen();
        err << "\n";
        out << b.Text() << "\n" << Qt::flush;
        if (!b.Moeglich()) return 1;
        if (p.isSet(nurPruefen)) return 0;
        const qint64 maschinen = TUebernahme::MaschinenImPark();
        if (!frage(QStringLiteral("Daten übernehmen?"))) return 3;
        if (maschinen > 0
            && !frage(QStringLiteral("Der Maschinenpark enthält bereits %1 Maschinen. Alle bisherigen Daten ersetzen?")
                          .arg(maschinen)))
            return 3;
        zuletzt = -1;
        const QStringList kopien = u.Schreiben();
        err << "\n";
        out << "Übernommen. Kopie der bisherigen Daten: " << kopien.join(QStringLiteral(", ")) << "\n";
    } catch (const std::exception& e) {
        err << "\n" << QString::fromUtf8(e.what()) << "\n";
        return 1;
    }
    Session().CloseDatabases();
    return 0;
}
