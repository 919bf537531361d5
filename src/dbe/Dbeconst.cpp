#include "Dbeconst.h"
#include <QHash>

// The extender's numbered texts.
QString DBEString(int id)
{
    static const QHash<int, QString> texts{
        {59001, QStringLiteral("Wert")},
        {59002, QStringLiteral("Optionen")},
        {59003, QStringLiteral("Groß-/Kleinschreibung beachten")},
        {59004, QStringLiteral("Suche Richtung Tabellenende")},
        {59005, QStringLiteral("Felder")},
        {59006, QStringLiteral("Wertsuche [%s]")},
        {59007, QStringLiteral("Suchstring, .. als Wildcard")},
        {59008, QStringLiteral("Suchen")},
        {59009, QStringLiteral("&Weitersuchen")},
        {59011, QStringLiteral("Nachschlagen [%s]")},
        {59012, QStringLiteral("Öffne Nachschlagequelle...")},
        {59021, QStringLiteral("Verfügbare Lesezeichen")},
        {59022, QStringLiteral("Löschen")},
        {59023, QStringLiteral("Nr")},
        {59030, QStringLiteral("Filterdefinition [%s]")},
        {59031, QStringLiteral("Feld")},
        {59032, QStringLiteral("Operator")},
        {59033, QStringLiteral("Operand")},
        {59034, QStringLiteral("Löschen")},
        {59035, QStringLiteral("Leer")},
        {59036, QStringLiteral("Nicht leer")},
        {59037, QStringLiteral("Gleich")},
        {59038, QStringLiteral("Ungleich")},
        {59039, QStringLiteral("Größer als")},
        {59040, QStringLiteral("Kleiner als")},
        {59041, QStringLiteral("Größer gleich")},
        {59042, QStringLiteral("Kleiner gleich")},
        {59043, QStringLiteral("Nicht")},
        {59044, QStringLiteral("Und")},
        {59045, QStringLiteral("Oder")},
        {59046, QStringLiteral("Wie")},
        {59050, QStringLiteral("Wildcard .. am Ende des Operanden bei Operator 'Gleich' für Teilstringfilter und Ignorierung der Groß-/Kleinschreibung")},
        {59051, QStringLiteral("Ansicht Grafikfeld %s (%dx%d)")},
        {59052, QStringLiteral("Bearbeite Grafikfeld %s (%dx%d)")},
        {59053, QStringLiteral("Kopieren")},
        {59054, QStringLiteral("Einfügen")},
        {59055, QStringLiteral("Laden")},
        {59056, QStringLiteral("Speichern")},
        {59057, QStringLiteral("Entfernen")},
        {59061, QStringLiteral("Indexwahl [%s]")},
        {59062, QStringLiteral("Indizes")},
        {59063, QStringLiteral("*Primär")},
        {59064, QStringLiteral("Kein Index")},
        {59071, QStringLiteral("Felder nebeneinander")},
        {59072, QStringLiteral("Felder untereinander")},
        {59073, QStringLiteral("Beschriftung oben")},
        {59074, QStringLiteral("Beschriftung links (linksbündig)")},
        {59075, QStringLiteral("Beschriftung links (rechtsbündig)")},
        {59076, QStringLiteral("Öffne Einzeldatensatzansicht...")},
        {59501, QStringLiteral("Tabelle für Filter undefiniert.")},
        {59502, QStringLiteral("Ungültiger Feldtyp für Filter")},
        {59503, QStringLiteral("Maximale Anzahl Operatoren erreicht")},
        {59504, QStringLiteral("Maximale Anzahl Operanden erreicht")},
        {59505, QStringLiteral("Maximale Anzahl Filterzeilen überschritten")},
        {59506, QStringLiteral("Unbekannter Feldtyp")},
        {59507, QStringLiteral("Aktueller Filter nicht darstellbar")},
        {59508, QStringLiteral("Dieses Feld darf nicht leer bleiben !")},
        {59509, QStringLiteral("Eingabe nicht vom erwarteten Typ !")},
        {59520, QStringLiteral("Datei %s ist keine Filterdefinitionsdatei")},
        {59521, QStringLiteral("Kein Filter definiert")},
        {59522, QStringLiteral("Ungültiger Knotentyp")},
        {59523, QStringLiteral("Feld nicht gefunden.")},
        {59524, QStringLiteral("Falsche Feldnummer.")},
        {59525, QStringLiteral("Falscher Feldtyp.")},
        {59526, QStringLiteral("Fehler beim Lesen der Filterdefinition.")},
        {59527, QStringLiteral("Tabellenstruktur wurde geändert:")},
        {59528, QStringLiteral("Feldname: %s, Feldnummer: %d")},
        {59529, QStringLiteral("Vor dem Wildcard muß wenigstens ein Zeichen stehen !")},
        {59551, QStringLiteral("Tabellenansicht [%s]")},
        {59559, QStringLiteral("\"%s\" nicht gefunden.")},
        {59560, QStringLiteral("\"%s\" nicht weiter gefunden.")},
        {59561, QStringLiteral("Lesezeichen [%s]")},
        {59562, QStringLiteral("Lesezeichen %1d: %s.")},
        {59564, QStringLiteral("Nachschlagen mittels %s")},
        {59565, QStringLiteral("Aktiviere Filter...")},
        {59566, QStringLiteral("Einzeldatensatzansicht [%s]")},
        {59569, QStringLiteral("Zurücksetzen")},
        {59570, QStringLiteral("Bearbeiten")},
        {59571, QStringLiteral("Laden")},
        {59572, QStringLiteral("Speichern")},
        {59573, QStringLiteral("Filter wurde für Tabelle %s definiert!\r\nTrotzdem Anwendung auf Tabelle %s versuchen ?")},
        {59574, QStringLiteral("Ansicht Memofeld %s")},
        {59575, QStringLiteral("Bearbeite Memofeld %s")},
        {59576, QStringLiteral("Keine Lesezeichen für Tabelle %s definiert")},
        {59577, QStringLiteral("Suchmodus")},
        {59578, QStringLiteral("Speichere Filter für [%s]")},
        {59579, QStringLiteral("Lade Filter für [%s]")},
        {59580, QStringLiteral("Filterdefinitionen (*.TFD)|*.TFD")},
        {59581, QStringLiteral("Abbruch")},
        {59582, QStringLiteral("Suche: \"%s\"")},
        {59583, QStringLiteral("Keine Tabelle für Lesezeichen definiert")},
        {59584, QStringLiteral("Lesezeichen konnte nicht erzeugt werden")},
        {59585, QStringLiteral("Datensatz liegt außerhalb des Detailbereichs")},
        {59592, QStringLiteral("Operation abgebrochen")},
        {59593, QStringLiteral("Suche Hauptdatensatz...")},
        {59594, QStringLiteral("Öffne Tabellenansicht...")},
        {59700, QStringLiteral("Feldwert suchen")},
        {59701, QStringLiteral("Nächsten Feldwert suchen")},
        {59702, QStringLiteral("Lesezeichen setzen")},
        {59703, QStringLiteral("Gehezu Lesezeichen")},
        {59704, QStringLiteral("Tabellenansicht")},
        {59705, QStringLiteral("Filter bearbeiten")},
        {59706, QStringLiteral("Filter aktivieren/deaktivieren")},
        {59707, QStringLiteral("Index wählen")},
        {59710, QStringLiteral("Erster Datensatz")},
        {59711, QStringLiteral("Vorherige Datensatzgruppe")},
        {59712, QStringLiteral("Vorheriger Datensatz")},
        {59713, QStringLiteral("Nächster Datensatz")},
        {59714, QStringLiteral("Nächste Datensatzgruppe")},
        {59715, QStringLiteral("Letzter Datensatz")},
        {59720, QStringLiteral("Datensatz einfügen")},
        {59721, QStringLiteral("Datensatz löschen")},
        {59722, QStringLiteral("Datensatz bearbeiten")},
        {59723, QStringLiteral("Änderung bestätigen")},
        {59724, QStringLiteral("Änderungen verwerfen")},
        {59725, QStringLiteral("Daten aktualisieren")},
        {59730, QStringLiteral("Feld aus vorh. Datensatz duplizieren")},
        {59731, QStringLiteral("Datensatz auf neuen duplizieren")},
        {59732, QStringLiteral("Feldwert nachschlagen")},
        {59733, QStringLiteral("Bearbeitungsmodus ein/aus")},
        {59734, QStringLiteral("Memoansicht")},
        {59735, QStringLiteral("Inkrementelle Suche ein/aus")},
        {59736, QStringLiteral("Einzeldatensatzansicht")},
    };
    return texts.value(id);
}

QString FormatStr(const QString& fmt, const QStringList& args)
{
    QString out;
    int next = 0;
    for (int i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != u'%' || i + 1 >= fmt.size()) { out += fmt[i]; continue; }
        if (fmt[i + 1] == u'%') { out += u'%'; ++i; continue; }
        int j = i + 1;
        while (j < fmt.size() && fmt[j].isDigit()) ++j;
        if (j < fmt.size() && (fmt[j] == u's' || fmt[j] == u'd')) {
            out += next < args.size() ? args[next] : QString();
            ++next;
            i = j;
        } else {
            out += fmt[i];
        }
    }
    return out;
}
