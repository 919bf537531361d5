#pragma once
// Taking over the data of the old program: its Paradox tables are read and
// checked first, the findings reported, and only on the user's word written
// into our tables, in one transaction over both databases. No widgets here:
// the dialog and the command-line tool share this unit.
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// What the check found for one table of the schema.
struct TUebernahmeTabelle {
    // Park: replaced as a whole (missing: emptied). Liste: replaced when
    // found (groups and locations are otherwise built from the machines).
    // Einstellung: its one record is updated field by field when found.
    // Nein: never taken over (working tables, the help text).
    enum class TArt { Park, Liste, Einstellung, Nein };
    QString Name;              // as the schema names it: "KfzStamm.db"
    QString Pfad;              // the file found, empty when missing
    TArt Art = TArt::Park;
    qint64 Saetze = 0;         // records in the file
    qint64 Uebernommen = 0;    // records that will be written
    QStringList Unbekannt;     // old fields our table does not have: skipped
    QStringList Fehlend;       // our fields the old table does not have
    QString Fehler;            // the table cannot be read at all
    bool Gefunden() const { return !Pfad.isEmpty(); }
};

// A record that is not taken over, with its position (1 = first) in the file.
struct TAbgelehnt {
    QString Tabelle;
    qint64 Satz = 0;
    QString Grund;
};

struct TUebernahmeBericht {
    QString Ordner, PrivatOrdner;
    std::vector<TUebernahmeTabelle> Tabellen;
    std::vector<TAbgelehnt> Abgelehnt;   // the first ones, each with its reason
    qint64 AbgelehntAnzahl = 0;          // all of them
    QStringList Hinweise;
    // No table unreadable and the machines found.
    bool Moeglich() const;
    // The summary the user reads before confirming.
    QString Text() const;
};

struct TZielWert;

class TUebernahme {
public:
    explicit TUebernahme(const QString& ordner, const QString& privatOrdner = QString());
    ~TUebernahme();
    TUebernahme(const TUebernahme&) = delete;
    TUebernahme& operator=(const TUebernahme&) = delete;

    // Told the table being read and how far the whole pass is; false
    // cancels the pass (EAbort).
    std::function<bool(const QString& tabelle, qint64 position, qint64 gesamt)> OnFortschritt;

    // Reads and checks every table; writes nothing.
    const TUebernahmeBericht& Pruefen();
    const TUebernahmeBericht& Bericht() const { return m_bericht; }

    // Keeps a copy of each database file it changes beside it, then replaces
    // the park in one transaction. Cancelled (EAbort) or failed, every table
    // stays as it was and the copies are removed. Returns the copies' paths.
    QStringList Schreiben();

    // Machines in the park now.
    static qint64 MaschinenImPark();
    // Why the park cannot take the old data where it lies (on a server the
    // import goes through a file); empty when it can.
    static QString ZielHindernis();
    // "Pelmora.sqlite.vor-Import-2026-12-10" beside the file; a further
    // copy of the same day gets "-2", "-3", … appended.
    static QString Sicherungsname(const QString& datei, const QDate& tag);

private:
    struct TPlan;
    void Durchlaufen(TPlan& plan, bool pruefen, qint64& position, qint64 gesamt,
                     const std::function<void(const std::vector<TZielWert>&)>& nehmen);
    void Melden(const QString& tabelle, qint64 position, qint64 gesamt);

    QString m_ordner, m_privatOrdner;
    TUebernahmeBericht m_bericht;
    std::vector<std::unique_ptr<TPlan>> m_plaene;
    bool m_geprueft = false;
};
