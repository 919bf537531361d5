// Moves a park between a folder and a server, or back for a backup:
//   tarvos-transfer QUELLE ZIEL
// QUELLE and ZIEL are aliases of the "aliases.ini" in the working directory,
// e.g. [Pelmora] Path=Daten and [Server] Server=tarvos-server Database=tarvos.
// The target must be empty; everything goes in one transaction.
#include "DBErrors.h"
#include "Session.h"
#include "Transfer.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The private alias lies where the program keeps it.
    UseProgramName();
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Überträgt die Tabellen eines Parks in eine leere Datenbank "
                                               "(Ordner oder Server, Aliase aus aliases.ini)."));
    p.addHelpOption();
    p.addPositionalArgument(QStringLiteral("QUELLE"), QStringLiteral("Alias, von dem gelesen wird."));
    p.addPositionalArgument(QStringLiteral("ZIEL"), QStringLiteral("Alias einer leeren Datenbank."));
    p.process(app);
    QTextStream out(stdout), err(stderr);
    if (p.positionalArguments().size() != 2) {
        err << "Bitte Quelle und Ziel angeben.\n" << p.helpText();
        return 1;
    }
    const QString from = p.positionalArguments()[0], to = p.positionalArguments()[1];
    try {
        for (const QString& alias : {from, to})
            if (!Session().IsKnownAlias(alias)) DatabaseError(QStringLiteral("Alias '%1' ist unbekannt").arg(alias));
        TDatabase* source = Session().Database(from);
        TDatabase* target = Session().Database(to);
        out << "Von " << source->FileName() << " nach " << target->FileName() << "\n";
        out.flush();
        const auto counts = TransferTables(*source, *target, [&](const QString& table, qint64 done) {
            out << "  " << table << ": " << done << "\r";
            out.flush();
        });
        out << QStringLiteral("%1 | %2 | %3\n").arg(QStringLiteral("Tabelle"), -14).arg(QStringLiteral("vorher"), 10)
                   .arg(QStringLiteral("nachher"), 10);
        bool same = true;
        for (const TTransferCount& c : counts) {
            out << QStringLiteral("%1 | %2 | %3\n").arg(c.Table, -14).arg(c.Source, 10).arg(c.Target, 10);
            same = same && c.Source == c.Target;
        }
        out << (same ? "Alle Datensätze übertragen.\n" : "Die Anzahlen weichen ab!\n");
        Session().CloseDatabases();
        return same ? 0 : 1;
    } catch (const Exception& e) {
        err << "Fehler: " << e.Message() << "\n";
        return 1;
    }
}
