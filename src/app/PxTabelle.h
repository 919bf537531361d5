#pragma once
// Reading a Paradox table of the old program. The file and its memo file are
// checked here before pxlib sees them, and every offset is bounded by the
// file, so damaged input ends in a German message naming the file, never in
// a crash.
#include "DBErrors.h"
#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QString>
#include <memory>
#include <vector>

struct px_doc;

// A table (or its memo file) that cannot be read; the text names the file.
class EPxFehler : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// The old program's texts are Windows-1252.
QString Win1252ToUnicode(const char* data, qsizetype size);
QByteArray UnicodeToWin1252(const QString& text);

// Field types as pxlib numbers them.
namespace PxTyp {
constexpr int Alpha = 0x01, Datum = 0x02, Short = 0x03, Long = 0x04, Waehrung = 0x05, Zahl = 0x06,
              Logisch = 0x09, Memo = 0x0C, Blob = 0x0D, FmtMemo = 0x0E, Ole = 0x0F, Grafik = 0x10,
              Zeit = 0x14, Zeitstempel = 0x15, AutoInc = 0x16, Bcd = 0x17, Bytes = 0x18;
// "Text", "Datum", … for messages.
QString Name(int typ);
}

struct TPxFeld {
    QString Name;
    int Typ = 0;
    int Laenge = 0;     // bytes in the record
    int Offset = 0;     // from the start of the record
    int Stellen = 0;    // decimals of a BCD field
};

// One value as stored: null, text, number, date, time of day in
// milliseconds, truth value; memos and BCD come as text.
struct TPxWert {
    enum TArt { Null, Text, Zahl, Datum, Zeit, Logisch } Art = Null;
    QString TextWert;
    double ZahlWert = 0;
    QDate DatumWert;
    bool LogischWert = false;
};

class TPxTabelle {
public:
    // Opens and checks the table; a memo file beside it (same name, ".MB",
    // any letter case) is required when the table has memo fields.
    explicit TPxTabelle(const QString& pfad);
    ~TPxTabelle();
    TPxTabelle(const TPxTabelle&) = delete;
    TPxTabelle& operator=(const TPxTabelle&) = delete;

    QString Datei() const { return m_datei; }            // file name without folder
    const std::vector<TPxFeld>& Felder() const { return m_felder; }
    qint64 Anzahl() const { return m_anzahl; }
    int Codepage() const { return m_codepage; }

    // The next record in file order, one value per field. False at the end.
    // A record whose values cannot be read is still returned: `fehler` then
    // says why (German), and the values are not to be used.
    bool Lesen(std::vector<TPxWert>& werte, QString& fehler);
    // Back to the first record.
    void Zurueck();

private:
    [[noreturn]] void Fehler(const QString& text) const;
    void KopfPruefen();
    void BloeckePruefen();
    void MemoDateiPruefen();
    bool BlockLaden();
    QString MemoLesen(const char* feld, int laenge, bool& ok, QString& fehler);

    QString m_pfad, m_datei;
    QFile m_file;
    qint64 m_groesse = 0;
    QByteArray m_kopf;
    int m_satzLaenge = 0, m_kopfLaenge = 0, m_blockLaenge = 0, m_version = 0, m_codepage = 0;
    int m_dateiBloecke = 0, m_ersterBlock = 0;
    qint64 m_anzahl = 0;
    std::vector<TPxFeld> m_felder;
    std::vector<int> m_kette;          // data blocks in chain order
    // The memo file, when the table has memo fields.
    std::unique_ptr<QFile> m_memo;
    qint64 m_memoGroesse = 0;
    QString m_memoDatei;
    // Freed also when the constructor throws half-way.
    struct TDoc {
        px_doc* Px = nullptr;
        ~TDoc();
    } m_doc;
    px_doc* m_px = nullptr;
    QString m_meldung;      // pxlib's last error
    // Reading position.
    size_t m_blockIndex = 0;
    int m_satzImBlock = 0, m_saetzeImBlock = 0;
    QByteArray m_block;
};
