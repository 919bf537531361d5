// Where the program works: the documents folder for a program started from the menu.
#include "Arbeitsordner.h"
#include "DBErrors.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Compares folders by their real place, so "/usr/bin/" and a link to it match.
QString Vergleichbar(const QString& ordner)
{
    if (ordner.isEmpty()) return {};
    const QString echt = QFileInfo(ordner).canonicalFilePath();
    return QDir::cleanPath(echt.isEmpty() ? ordner : echt);
}

}

QString Arbeitsordner(const TStartOrt& ort)
{
    const QString aktuell = Vergleichbar(ort.Aktuell);
    const bool installiert = !ort.InstallOrdner.isEmpty() && Vergleichbar(ort.ProgrammOrdner) == Vergleichbar(ort.InstallOrdner);
    if (!installiert) return ort.Aktuell;
    if (aktuell != Vergleichbar(ort.Heim) && aktuell != QStringLiteral("/")) return ort.Aktuell;
    return QDir(ort.Dokumente).filePath(QStringLiteral("TARVOS Maschinenpark"));
}

TStartOrt AktuellerStartOrt(const QString& installOrdner)
{
    return {QCoreApplication::applicationDirPath(), installOrdner, QDir::currentPath(), QDir::homePath(),
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)};
}

void ArbeitsordnerEinrichten(const QString& ordner)
{
    if (!QDir().mkpath(ordner) || !QDir::setCurrent(ordner))
        throw Exception(QStringLiteral("Der Ordner „%1“ kann nicht angelegt oder geöffnet werden.")
                                 .arg(QDir::toNativeSeparators(ordner)));
}
