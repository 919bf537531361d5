#pragma once
// The extender's texts live in a numbered table (59001 to 59740), as the
// stored layouts and the dialogs refer to them by number.
#include <QString>

QString DBEString(int id);

// Texts used by number in the code.
namespace DBEStr {
constexpr int SearchNotFound = 59559;      // "\"%s\" nicht gefunden."
constexpr int SearchNextNotFound = 59560;  // "\"%s\" nicht weiter gefunden."
constexpr int BookmarkCaption = 59561;
constexpr int BookmarkError = 59562;       // "Lesezeichen %1d: %s."
constexpr int LookupHint = 59564;          // "Nachschlagen mittels %s"
constexpr int ActivateFilter = 59565;      // "Aktiviere Filter..."
constexpr int SearchMode = 59577;          // "Suchmodus"
constexpr int SearchText = 59582;          // "Suche: \"%s\""
constexpr int UserAbort = 59592;           // "Operation abgebrochen"
constexpr int SearchMaster = 59593;        // "Suche Hauptdatensatz..."
constexpr int OpenTableView = 59594;       // "Öffne Tabellenansicht..."
constexpr int Primary = 59063;             // "*Primär"
constexpr int NoIndex = 59064;             // "Kein Index"
}

// Fills "%s", "%d" and "%1d" in order, as the stored texts are written.
QString FormatStr(const QString& fmt, const QStringList& args);
inline QString DBEFormat(int id, const QStringList& args) { return FormatStr(DBEString(id), args); }
