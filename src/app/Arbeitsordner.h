#pragma once
// Where the program works: the folder whose Daten/ and aliases.ini it uses.
#include <QString>

// Where a start happened, as the caller found it.
struct TStartOrt {
    QString ProgrammOrdner;   // folder of the running program
    QString InstallOrdner;    // folder the package installs the program to; empty: none
    QString Aktuell;          // working directory at the start
    QString Heim;             // the user's home folder
    QString Dokumente;        // the user's documents folder
};

// An installed program started where desktops start programs (the home
// folder or the root) works in "TARVOS Maschinenpark" under the documents;
// started in any other folder, the user chose that one. A program run from
// where it was built stays where it was started.
QString Arbeitsordner(const TStartOrt& ort);

// The start as this process sees it.
TStartOrt AktuellerStartOrt(const QString& installOrdner);

// Creates the folder when missing and makes it the working directory.
// Throws an exception with a German text when either fails.
void ArbeitsordnerEinrichten(const QString& ordner);
