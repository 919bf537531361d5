// Program entry. Until the windows exist, the program opens the data
// module and reports what the park holds.
#include "DataMod.h"
#include "DBErrors.h"
#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TARVOS Maschinenpark"));
    QApplication::setOrganizationName(QStringLiteral("TARVOS"));
    QTextStream out(stdout);
    try {
        TDataModule1 dm;
        out << "TARVOS Maschinenpark\n";
        out << "Gemeinsame Daten: " << Session().Database(QStringLiteral("Pelmora"))->FileName() << "\n";
        out << "Eigene Daten:     " << Session().Database(QStringLiteral("PelmoraPriv"))->FileName() << "\n";
        for (TTable* t : dm.StartTables())
            out << QStringLiteral("  %1 %2 Datensätze\n").arg(t->TableName(), -14).arg(t->RecordCount());
    } catch (const Exception& e) {
        QTextStream(stderr) << e.Message() << "\n";
        return 1;
    }
    return 0;
}
