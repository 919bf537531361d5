#pragma once
// Writes Paradox tables the way the old program left them, with pxlib's own
// writer: for the import tests and the import benchmark.
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

struct px_doc;

struct TPxSpalte {
    QString Name;      // written in Windows-1252
    int Typ = 0;       // PxTyp
    int Laenge = 0;    // alpha and memo fields; others take their fixed size
};

class TPxSchreiber {
public:
    // Creates the table (and its memo file ".MB" when a column is a memo).
    // Bulk: records go straight into new data blocks (pxlib's own record
    // writer looks for free room in every block, which a million records
    // cannot wait for); the values are still encoded by pxlib.
    TPxSchreiber(const QString& pfad, const std::vector<TPxSpalte>& spalten, bool bulk = false);
    ~TPxSchreiber();
    TPxSchreiber(const TPxSchreiber&) = delete;
    TPxSchreiber& operator=(const TPxSchreiber&) = delete;

    // One record, a value per column: an invalid QVariant is null; QString,
    // double, int, QDate and bool as the column's type asks.
    void Satz(const QVariantList& werte);
    void Schliessen();

private:
    void BlockSchreiben();
    QString m_pfad;
    std::vector<TPxSpalte> m_spalten;
    std::vector<int> m_offset;
    int m_satzLaenge = 0;
    bool m_bulk = false;
    px_doc* m_px = nullptr;
    // Bulk mode: the block being filled and what the header must say.
    QByteArray m_block;
    int m_imBlock = 0, m_proBlock = 0, m_bloecke = 0, m_blockLaenge = 0, m_kopfLaenge = 0;
    qint64 m_saetze = 0;
    QByteArray m_ausgabe;
};

// Keeps pxlib's messages off the console and throws on errors.
void PxSchreiberFehler(const QString& text);

struct TTableSchema;
// The columns an old table of this schema had: text as alpha of its size,
// dates, numbers, money, whole numbers, truth values, memos (leader 240).
std::vector<TPxSpalte> PxSpaltenVon(const TTableSchema& schema);
