#pragma once
// German texts of the data layer and the table engine.
#include <QString>

namespace DBConsts {
inline const QString SDataSetClosed = QStringLiteral("Operation bei geschlossener Datenmenge nicht ausführbar");
inline const QString SDataSetOpen = QStringLiteral("Operation bei geöffneter Datenmenge nicht ausführbar");
inline const QString SDataSetEmpty = QStringLiteral("Operation bei leerer Datenmenge nicht ausführbar");
inline const QString SNotEditing = QStringLiteral("Datenmenge befindet sich nicht im Editier- oder Einfügemodus");
inline const QString SDataSetReadOnly = QStringLiteral("Eine schreibgeschützte Datenmenge kann nicht geändert werden");
inline const QString SFieldNotFound = QStringLiteral("Feld '%1' nicht gefunden");
inline const QString SFieldRequired = QStringLiteral("Feld '%1' muß einen Wert haben");
inline const QString SFieldReadOnly = QStringLiteral("Feld '%1' kann nicht geändert werden");
inline const QString SFieldAccessError = QStringLiteral("Feld '%1' kann nicht als Typ %2 gelesen werden");
inline const QString SInvalidFloat = QStringLiteral("'%1' ist kein gültiger Gleitkommawert");
inline const QString SInvalidInteger = QStringLiteral("'%1' ist kein gültiger Integerwert");
inline const QString SInvalidDate = QStringLiteral("'%1' ist kein gültiges Datum");
inline const QString SInvalidTime = QStringLiteral("'%1' ist keine gültige Zeit");
inline const QString SInvalidDateTime = QStringLiteral("'%1' ist kein gültiges Datum und Zeit");
inline const QString SInvalidBoolValue = QStringLiteral("'%1' ist kein gültiger Boolescher Wert für Feld '%2'");
inline const QString SFieldValueError = QStringLiteral("Ungültiger Wert für Feld '%1': %2");
inline const QString SNoTableName = QStringLiteral("Eigenschaft TableName fehlt");
inline const QString SNoAliasName = QStringLiteral("Eigenschaft DatabaseName fehlt");
inline const QString SUnknownAlias = QStringLiteral("Alias '%1' ist unbekannt");
inline const QString STableNotFound = QStringLiteral("Tabelle '%1' nicht gefunden");
inline const QString STableExists = QStringLiteral("Tabelle '%1' existiert bereits");
inline const QString SIndexNotFound = QStringLiteral("Index '%1' nicht gefunden");
inline const QString SNoIndexForFields = QStringLiteral("Kein Index für die Felder '%1'");
inline const QString SCircularDataLink = QStringLiteral("Zirkuläre Datenverbindungen sind nicht erlaubt");
inline const QString SNotSetKey = QStringLiteral("Datenmenge befindet sich nicht im Suchmodus");
inline const QString SRecordNotFound = QStringLiteral("Datensatz nicht gefunden");
inline const QString SBOF = QStringLiteral("Anfang der Tabelle");
inline const QString SEOF = QStringLiteral("Ende der Tabelle");
inline const QString SKeyViol = QStringLiteral("Indexfehler");
inline const QString SRecChanged = QStringLiteral("Der Datensatz wurde von einem anderen Benutzer geändert.");
inline const QString SRecDeleted = QStringLiteral("Der Datensatz wurde von einem anderen Benutzer gelöscht.");
inline const QString SOutOfRange = QStringLiteral("Datensatz liegt außerhalb des gültigen Bereichs");
inline const QString SNoSuchFilter = QStringLiteral("Filter nicht gefunden");
inline const QString SInvalidFilter = QStringLiteral("Ungültiger Filterausdruck: %1");
inline const QString SInvalidEngineFilter = QStringLiteral("Ungültiger Filterausdruck der Tabelle: %1");
inline const QString SNotSupported = QStringLiteral("Funktion wird nicht unterstützt");
inline const QString SEngineIO = QStringLiteral("Fehler beim Zugriff auf die Datenbank %1: %2");
inline const QString SDatabaseLocked = QStringLiteral("Die Datenbank ist von einem anderen Benutzer gesperrt. Bitte versuchen Sie es noch einmal.");
inline const QString SServerConnect = QStringLiteral("Keine Verbindung zum Datenbankserver %1: %2");
inline const QString SServerLoginCancelled = QStringLiteral("Anmeldung am Datenbankserver %1 abgebrochen");
inline const QString SServerLost = QStringLiteral("Die Verbindung zum Datenbankserver %1 ist unterbrochen. Es wurde nichts "
                                                  "gespeichert; sobald der Server wieder erreichbar ist, geht es mit der "
                                                  "nächsten Aktion weiter.");
inline const QString SServerReadOnly = QStringLiteral("Der Datenbankserver %1 erlaubt Ihnen nur das Lesen.");
inline const QString SNetDirMissing = QStringLiteral("Netzwerk-Steuerverzeichnis '%1' existiert nicht");
inline const QString SBlobReadOnly = QStringLiteral("Der Blob-Datenstrom ist nur zum Lesen geöffnet");
inline const QString SNotBlobField = QStringLiteral("Feld '%1' ist kein Blob-Feld");
inline const QString SReadOnlyCursor = QStringLiteral("Der Cursor ist schreibgeschützt");
inline const QString SLookupInfoError = QStringLiteral("Die Nachschlageinformation für Feld '%1' ist unvollständig");
inline const QString SNoSQL = QStringLiteral("Keine SQL-Anweisung verfügbar");
inline const QString SInvalidQuery = QStringLiteral("Ungültige Abfrage: %1");
inline const QString SQueryNoSelect = QStringLiteral("Die Anweisung liefert keine Datensätze");
inline const QString SQueryOneStatement = QStringLiteral("Der Text enthält mehr als eine Anweisung");
inline const QString SQueryOnServer = QStringLiteral("Abfragetexte sind nur bei einem Park in einem Ordner möglich, nicht auf dem Server");
inline const QString SIdentNeeded = QStringLiteral("Feld '%1' ist ein Pflichtfeld");
}
