#include "PxSchreiber.h"
#include "DataMod.h"
#include "PxTabelle.h"
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <cstring>
extern "C" {
#include <paradox.h>
}

namespace {

int FesteLaenge(int typ)
{
    switch (typ) {
    case PxTyp::Datum: case PxTyp::Long: case PxTyp::Zeit: case PxTyp::AutoInc: return 4;
    case PxTyp::Short: return 2;
    case PxTyp::Waehrung: case PxTyp::Zahl: case PxTyp::Zeitstempel: return 8;
    case PxTyp::Logisch: return 1;
    default: return 0;
    }
}

void Meldung(pxdoc_t*, int typ, const char* text, void*)
{
    if (typ != PX_Warning) PxSchreiberFehler(QString::fromLocal8Bit(text));
}

void Le16(char* p, int v)
{
    p[0] = char(v & 0xFF);
    p[1] = char((v >> 8) & 0xFF);
}

}   // namespace

void PxSchreiberFehler(const QString& text)
{
    throw EPxFehler(QStringLiteral("pxlib: %1").arg(text));
}

TPxSchreiber::TPxSchreiber(const QString& pfad, const std::vector<TPxSpalte>& spalten, bool bulk)
    : m_pfad(pfad), m_spalten(spalten), m_bulk(bulk)
{
    m_px = PX_new2(Meldung, nullptr, nullptr, nullptr);
    // pxlib frees the field list with the document, so it allocates it too.
    auto* felder = static_cast<pxfield_t*>(m_px->malloc(m_px, spalten.size() * sizeof(pxfield_t), "Felder"));
    bool memo = false;
    for (size_t i = 0; i < spalten.size(); ++i) {
        TPxSpalte& s = m_spalten[i];
        if (FesteLaenge(s.Typ) > 0) s.Laenge = FesteLaenge(s.Typ);
        felder[i].px_fname = PX_strdup(m_px, UnicodeToWin1252(s.Name).constData());
        felder[i].px_ftype = char(s.Typ);
        felder[i].px_flen = s.Laenge;
        felder[i].px_fdc = 0;
        m_offset.push_back(m_satzLaenge);
        m_satzLaenge += s.Laenge;
        memo = memo || s.Typ == PxTyp::Memo;
    }
    if (PX_create_file(m_px, felder, int(spalten.size()), QFile::encodeName(pfad).constData(), pxfFileTypNonIndexDB) < 0)
        PxSchreiberFehler(QStringLiteral("%1 kann nicht angelegt werden").arg(pfad));
    if (memo) {
        const QFileInfo info(pfad);
        const QString mb = info.absolutePath() + u'/' + info.completeBaseName() + QStringLiteral(".MB");
        pxblob_t* blob = PX_new_blob(m_px);
        if (PX_create_blob_file(blob, QFile::encodeName(mb).constData()) < 0)
            PxSchreiberFehler(QStringLiteral("%1 kann nicht angelegt werden").arg(mb));
        m_px->px_blob = blob;
    }
    m_blockLaenge = m_px->px_head->px_maxtablesize * 0x400;
    m_kopfLaenge = m_px->px_head->px_headersize;
    m_proBlock = (m_blockLaenge - 6) / m_satzLaenge;
}

TPxSchreiber::~TPxSchreiber()
{
    try {
        Schliessen();
    } catch (...) {
    }
}

void TPxSchreiber::Satz(const QVariantList& werte)
{
    QByteArray satz(m_satzLaenge, '\0');
    for (size_t i = 0; i < m_spalten.size() && int(i) < werte.size(); ++i) {
        const TPxSpalte& s = m_spalten[i];
        const QVariant& v = werte[int(i)];
        char* p = satz.data() + m_offset[i];
        if (!v.isValid() || v.isNull()) continue;   // zero bytes: null
        switch (s.Typ) {
        case PxTyp::Alpha: {
            QByteArray t = UnicodeToWin1252(v.toString()).left(s.Laenge);
            if (!t.isEmpty()) PX_put_data_alpha(m_px, p, s.Laenge, t.data());
            break;
        }
        case PxTyp::Memo: {
            QByteArray t = UnicodeToWin1252(v.toString());
            if (!t.isEmpty() && PX_put_data_blob(m_px, p, s.Laenge, t.data(), int(t.size())) < 0)
                PxSchreiberFehler(QStringLiteral("Memo nicht geschrieben"));
            break;
        }
        case PxTyp::Datum: PX_put_data_long(m_px, p, 4, int(v.toDate().toJulianDay() - 1721425)); break;
        case PxTyp::Long: case PxTyp::AutoInc: PX_put_data_long(m_px, p, 4, v.toInt()); break;
        case PxTyp::Short: PX_put_data_short(m_px, p, 2, short(v.toInt())); break;
        case PxTyp::Zahl: case PxTyp::Waehrung: PX_put_data_double(m_px, p, 8, v.toDouble()); break;
        case PxTyp::Logisch: PX_put_data_byte(m_px, p, 1, v.toBool() ? 1 : 0); break;
        default: break;
        }
    }
    if (!m_bulk) {
        if (PX_put_record(m_px, satz.data()) < 0) PxSchreiberFehler(QStringLiteral("Datensatz nicht geschrieben"));
        return;
    }
    if (m_block.isEmpty()) m_block = QByteArray(m_blockLaenge, '\0');
    std::memcpy(m_block.data() + 6 + m_imBlock * m_satzLaenge, satz.constData(), size_t(m_satzLaenge));
    ++m_saetze;
    if (++m_imBlock == m_proBlock) BlockSchreiben();
}

void TPxSchreiber::BlockSchreiben()
{
    if (m_imBlock == 0) return;
    ++m_bloecke;
    char* k = m_block.data();
    Le16(k, m_bloecke + 1);                       // the last one is mended on closing
    Le16(k + 2, m_bloecke - 1);
    Le16(k + 4, (m_imBlock - 1) * m_satzLaenge);
    m_ausgabe.append(m_block);
    m_block.fill('\0');
    m_imBlock = 0;
    if (m_ausgabe.size() >= (8 << 20)) {
        QFile f(m_pfad);
        if (!f.open(QIODevice::ReadWrite) || !f.seek(m_kopfLaenge + qint64(m_bloecke) * m_blockLaenge - m_ausgabe.size())
            || f.write(m_ausgabe) != m_ausgabe.size())
            PxSchreiberFehler(QStringLiteral("%1 nicht geschrieben").arg(m_pfad));
        m_ausgabe.clear();
    }
}

void TPxSchreiber::Schliessen()
{
    if (!m_px) return;
    if (m_bulk) BlockSchreiben();
    PX_close(m_px);
    PX_delete(m_px);
    m_px = nullptr;
    if (!m_bulk) return;
    QFile f(m_pfad);
    if (!f.open(QIODevice::ReadWrite)) PxSchreiberFehler(QStringLiteral("%1 nicht geschrieben").arg(m_pfad));
    if (!m_ausgabe.isEmpty()) {
        f.seek(m_kopfLaenge + qint64(m_bloecke) * m_blockLaenge - m_ausgabe.size());
        f.write(m_ausgabe);
        m_ausgabe.clear();
    }
    if (m_bloecke > 0) {
        char ende[2];
        Le16(ende, 0);
        f.seek(m_kopfLaenge + qint64(m_bloecke - 1) * m_blockLaenge);
        f.write(ende, 2);
    }
    // The header as pxlib's own writer leaves it for this many blocks.
    char kopf[4];
    f.seek(6);
    for (int i = 0; i < 4; ++i) kopf[i] = char((m_saetze >> (8 * i)) & 0xFF);
    f.write(kopf, 4);
    char bloecke[8];
    Le16(bloecke, m_bloecke);                      // next block to use
    Le16(bloecke + 2, m_bloecke);                  // blocks in the file
    Le16(bloecke + 4, m_bloecke > 0 ? 1 : 0);      // first block
    Le16(bloecke + 6, m_bloecke);                  // last block
    f.seek(0x0A);
    f.write(bloecke, 8);
    f.seek(0x3A);
    f.write(bloecke, 2);
}

std::vector<TPxSpalte> PxSpaltenVon(const TTableSchema& schema)
{
    std::vector<TPxSpalte> s;
    for (const TFieldDef& f : schema.Fields) {
        switch (f.DataType) {
        case ftString: s.push_back({f.Name, PxTyp::Alpha, f.Size}); break;
        case ftDate: s.push_back({f.Name, PxTyp::Datum, 4}); break;
        case ftCurrency: s.push_back({f.Name, PxTyp::Waehrung, 8}); break;
        case ftInteger: s.push_back({f.Name, PxTyp::Short, 2}); break;
        case ftBoolean: s.push_back({f.Name, PxTyp::Logisch, 1}); break;
        case ftMemo: s.push_back({f.Name, PxTyp::Memo, 250}); break;
        default: s.push_back({f.Name, PxTyp::Zahl, 8}); break;
        }
    }
    return s;
}
