#include "PxTabelle.h"
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstring>
// pxlib's header has no C++ guard of its own.
extern "C" {
#include <paradox.h>
}

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unused
// codes keep their own value so that nothing is lost.
const char16_t kCp1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

quint16 U16(const char* p) { return quint16(quint8(p[0]) | quint8(p[1]) << 8); }
qint16 S16(const char* p) { return qint16(U16(p)); }
quint32 U32(const char* p) { return quint32(U16(p)) | quint32(U16(p + 2)) << 16; }

// Bytes a field of each type takes; 0: as declared (1..255).
int FesteLaenge(int typ)
{
    switch (typ) {
    case PxTyp::Datum: case PxTyp::Long: case PxTyp::Zeit: case PxTyp::AutoInc: return 4;
    case PxTyp::Short: return 2;
    case PxTyp::Waehrung: case PxTyp::Zahl: case PxTyp::Zeitstempel: return 8;
    case PxTyp::Logisch: return 1;
    case PxTyp::Bcd: return 17;
    default: return 0;
    }
}

bool IstBlob(int typ)
{
    return typ == PxTyp::Memo || typ == PxTyp::Blob || typ == PxTyp::FmtMemo || typ == PxTyp::Ole
        || typ == PxTyp::Grafik;
}

bool IstBekannt(int typ)
{
    return typ == PxTyp::Alpha || FesteLaenge(typ) > 0 || IstBlob(typ) || typ == PxTyp::Bytes;
}

// Julian day of 1 January of year 1: pxlib counts dates from there.
constexpr qint64 kTag0 = 1721425;

void PxMeldung(pxdoc_t*, int typ, const char* text, void* daten)
{
    if (typ != PX_Warning && daten) *static_cast<QString*>(daten) = QString::fromLocal8Bit(text);
}

QString Q(const QString& datei) { return QStringLiteral("„%1“").arg(datei); }

// The file of this name in the folder, whatever the letter case.
QString DateiOhneGross(const QString& ordner, const QString& name)
{
    const QDir dir(ordner);
    if (dir.exists(name)) return dir.absoluteFilePath(name);
    for (const QString& e : dir.entryList(QDir::Files))
        if (e.compare(name, Qt::CaseInsensitive) == 0) return dir.absoluteFilePath(e);
    return QString();
}

}   // namespace

QString Win1252ToUnicode(const char* data, qsizetype size)
{
    QString s(size, Qt::Uninitialized);
    QChar* out = s.data();
    for (qsizetype i = 0; i < size; ++i) {
        const quint8 c = quint8(data[i]);
        out[i] = (c >= 0x80 && c < 0xA0) ? QChar(kCp1252[c - 0x80]) : QChar(c);
    }
    return s;
}

QByteArray UnicodeToWin1252(const QString& text)
{
    QByteArray b;
    b.reserve(text.size());
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        char c = '?';
        if (u < 0x80 || (u >= 0xA0 && u < 0x100)) {
            c = char(u);
        } else {
            for (int i = 0; i < 32; ++i)
                if (kCp1252[i] == u) { c = char(0x80 + i); break; }
        }
        b.append(c);
    }
    return b;
}

QString PxTyp::Name(int typ)
{
    switch (typ) {
    case Alpha: return QStringLiteral("Text");
    case Datum: return QStringLiteral("Datum");
    case Short: case Long: case AutoInc: return QStringLiteral("Ganzzahl");
    case Waehrung: return QStringLiteral("Währung");
    case Zahl: case Bcd: return QStringLiteral("Zahl");
    case Logisch: return QStringLiteral("Logisch");
    case Memo: case FmtMemo: return QStringLiteral("Memo");
    case Grafik: return QStringLiteral("Grafik");
    case Ole: return QStringLiteral("OLE");
    case Blob: return QStringLiteral("Binär");
    case Zeit: return QStringLiteral("Uhrzeit");
    case Zeitstempel: return QStringLiteral("Zeitstempel");
    case Bytes: return QStringLiteral("Bytes");
    default: return QStringLiteral("Typ %1").arg(typ);
    }
}

// ------------------------------------------------------------------ table

TPxTabelle::TPxTabelle(const QString& pfad) : m_pfad(pfad), m_datei(QFileInfo(pfad).fileName()), m_file(pfad)
{
    if (!m_file.open(QIODevice::ReadOnly))
        Fehler(QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2.").arg(Q(m_datei), m_file.errorString()));
    m_groesse = m_file.size();
    KopfPruefen();
    BloeckePruefen();
    MemoDateiPruefen();

    // Only a file that passed the checks above reaches pxlib.
    m_doc.Px = PX_new3(PxMeldung, nullptr, nullptr, nullptr, &m_meldung);
    m_px = m_doc.Px;
    if (!m_px) Fehler(QStringLiteral("Für %1 fehlt Speicher.").arg(Q(m_datei)));
    if (PX_open_file(m_px, QFile::encodeName(m_pfad).constData()) < 0)
        Fehler(QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2.").arg(Q(m_datei), m_meldung));
    const int n = PX_get_num_fields(m_px);
    pxfield_t* f = PX_get_fields(m_px);
    bool gleich = n == int(m_felder.size()) && f;
    for (int i = 0; gleich && i < n; ++i)
        gleich = f[i].px_ftype == m_felder[i].Typ && f[i].px_flen == m_felder[i].Laenge
              && Win1252ToUnicode(f[i].px_fname, qstrlen(f[i].px_fname)) == m_felder[i].Name;
    if (!gleich) Fehler(QStringLiteral("Die Feldliste von %1 ist beschädigt.").arg(Q(m_datei)));
}

TPxTabelle::~TPxTabelle() = default;

TPxTabelle::TDoc::~TDoc()
{
    if (Px) PX_delete(Px);
}

void TPxTabelle::Fehler(const QString& text) const
{
    throw EPxFehler(text);
}

void TPxTabelle::KopfPruefen()
{
    const auto kaputt = [this](const QString& grund) {
        Fehler(QStringLiteral("Die Datei %1 ist beschädigt: %2.").arg(Q(m_datei), grund));
    };
    if (m_groesse < 0x58)
        Fehler(QStringLiteral("Die Datei %1 ist keine Paradox-Tabelle (nur %2 Bytes).").arg(Q(m_datei)).arg(m_groesse));
    m_kopf = m_file.read(0x58);
    const char* k = m_kopf.constData();
    const int dateiTyp = quint8(k[4]);
    const int versionId = quint8(k[0x39]);
    if (m_kopf.size() < 0x58 || (dateiTyp != 0 && dateiTyp != 2) || versionId < 3 || versionId > 12)
        Fehler(QStringLiteral("Die Datei %1 ist keine Paradox-Tabelle.").arg(Q(m_datei)));
    m_satzLaenge = U16(k);
    m_kopfLaenge = U16(k + 2);
    const int tabellenGroesse = quint8(k[5]);
    m_blockLaenge = tabellenGroesse * 0x400;
    m_anzahl = qint32(U32(k + 6));
    m_dateiBloecke = U16(k + 0x0C);
    m_ersterBlock = U16(k + 0x0E);
    const int feldAnzahl = S16(k + 0x21);
    m_version = versionId;
    const int basis = versionId >= 5 ? 0x78 : 0x58;
    if (tabellenGroesse < 1 || tabellenGroesse > 32)
        kaputt(QStringLiteral("unmögliche Blockgröße %1 KB").arg(tabellenGroesse));
    if (m_kopfLaenge < basis) kaputt(QStringLiteral("unmögliche Kopflänge %1").arg(m_kopfLaenge));
    if (m_kopfLaenge > m_groesse)
        Fehler(QStringLiteral("Die Datei %1 ist abgeschnitten: der Kopf allein braucht %2 Bytes, die Datei hat %3.")
                   .arg(Q(m_datei)).arg(m_kopfLaenge).arg(m_groesse));
    if (m_satzLaenge < 1) kaputt(QStringLiteral("die Satzlänge ist 0"));
    if (feldAnzahl < 1 || feldAnzahl > 255) kaputt(QStringLiteral("unmögliche Feldanzahl %1").arg(feldAnzahl));
    if (m_anzahl < 0) kaputt(QStringLiteral("unmögliche Satzanzahl %1").arg(m_anzahl));
    m_file.seek(0);
    m_kopf = m_file.read(m_kopfLaenge);
    if (m_kopf.size() != m_kopfLaenge) kaputt(m_file.errorString());
    k = m_kopf.constData();
    quint32 schluessel = U32(k + 0x25);
    if (schluessel == 0xFF00FF00u) schluessel = basis == 0x78 ? U32(k + 0x5C) : 0;
    if (schluessel != 0)
        Fehler(QStringLiteral("Die Tabelle %1 ist mit einem Kennwort verschlüsselt. Bitte entfernen Sie das "
                              "Kennwort im alten Programm und übernehmen Sie die Daten dann erneut.").arg(Q(m_datei)));
    m_codepage = basis == 0x78 ? U16(k + 0x6A) : 0;

    // Field types and sizes, then the table name and the field names.
    int pos = basis;
    if (pos + feldAnzahl * 2 > m_kopfLaenge) kaputt(QStringLiteral("die Feldliste passt nicht in den Kopf"));
    int summe = 0;
    for (int i = 0; i < feldAnzahl; ++i) {
        TPxFeld f;
        f.Typ = quint8(k[pos + 2 * i]);
        const int groesse = quint8(k[pos + 2 * i + 1]);
        if (!IstBekannt(f.Typ)) kaputt(QStringLiteral("Feld %1 hat den unbekannten Typ %2").arg(i + 1).arg(f.Typ));
        const int fest = FesteLaenge(f.Typ);
        if (f.Typ == PxTyp::Bcd) {
            f.Laenge = 17;
            f.Stellen = groesse;
            if (groesse > 32) kaputt(QStringLiteral("Feld %1 hat %2 Nachkommastellen").arg(i + 1).arg(groesse));
        } else if (fest > 0) {
            f.Laenge = fest;
            if (groesse != fest) kaputt(QStringLiteral("Feld %1 hat die unmögliche Länge %2").arg(i + 1).arg(groesse));
        } else {
            f.Laenge = groesse;
            if (groesse < (IstBlob(f.Typ) ? 10 : 1))
                kaputt(QStringLiteral("Feld %1 hat die unmögliche Länge %2").arg(i + 1).arg(groesse));
        }
        f.Offset = summe;
        summe += f.Laenge;
        m_felder.push_back(f);
    }
    if (summe != m_satzLaenge)
        kaputt(QStringLiteral("die Felder ergeben %1 Bytes je Datensatz, der Kopf nennt %2").arg(summe).arg(m_satzLaenge));
    pos += feldAnzahl * 2 + 4 + feldAnzahl * 4 + (versionId == 12 ? 261 : 79);
    for (TPxFeld& f : m_felder) {
        const int ende = pos < m_kopfLaenge ? int(std::find(k + pos, k + m_kopfLaenge, '\0') - k) : m_kopfLaenge;
        if (ende >= m_kopfLaenge) kaputt(QStringLiteral("die Feldnamen passen nicht in den Kopf"));
        // pxlib reads at most 299 characters of a name.
        if (ende == pos || ende - pos > 255) kaputt(QStringLiteral("unmöglicher Feldname"));
        f.Name = Win1252ToUnicode(k + pos, ende - pos);
        pos = ende + 1;
    }
}

void TPxTabelle::BloeckePruefen()
{
    const auto kaputt = [this](const QString& grund) {
        Fehler(QStringLiteral("Die Datei %1 ist beschädigt: %2.").arg(Q(m_datei), grund));
    };
    const qint64 noetig = qint64(m_kopfLaenge) + qint64(m_dateiBloecke) * m_blockLaenge;
    if (noetig > m_groesse)
        Fehler(QStringLiteral("Die Datei %1 ist abgeschnitten: %2 Datenblöcke brauchen %3 Bytes, die Datei hat %4.")
                   .arg(Q(m_datei)).arg(m_dateiBloecke).arg(noetig).arg(m_groesse));
    std::vector<bool> gesehen(size_t(m_dateiBloecke) + 1, false);
    qint64 saetze = 0;
    for (int b = m_ersterBlock; b != 0;) {
        if (b > m_dateiBloecke)
            kaputt(QStringLiteral("ein Verweis zeigt auf Datenblock %1, die Datei hat %2").arg(b).arg(m_dateiBloecke));
        if (gesehen[size_t(b)]) kaputt(QStringLiteral("die Datenblöcke verweisen im Kreis"));
        gesehen[size_t(b)] = true;
        char kopf[6];
        m_file.seek(m_kopfLaenge + qint64(b - 1) * m_blockLaenge);
        if (m_file.read(kopf, 6) != 6) kaputt(QStringLiteral("Datenblock %1 ist nicht lesbar").arg(b));
        const int daten = S16(kopf + 4);
        int n = 0;
        if (daten >= 0 && daten % m_satzLaenge == 0) n = daten / m_satzLaenge + 1;
        else if (daten != -m_satzLaenge) kaputt(QStringLiteral("Datenblock %1 nennt eine unmögliche Datenmenge").arg(b));
        if (6 + qint64(n) * m_satzLaenge > m_blockLaenge)
            kaputt(QStringLiteral("Datenblock %1 nennt mehr Datensätze, als hineinpassen").arg(b));
        saetze += n;
        m_kette.push_back(b);
        b = U16(kopf);
    }
    if (saetze != m_anzahl)
        kaputt(QStringLiteral("der Kopf nennt %1 Datensätze, die Datenblöcke enthalten %2").arg(m_anzahl).arg(saetze));
}

void TPxTabelle::MemoDateiPruefen()
{
    if (std::none_of(m_felder.begin(), m_felder.end(), [](const TPxFeld& f) { return IstBlob(f.Typ); })) return;
    const QFileInfo info(m_pfad);
    const QString name = info.completeBaseName() + QStringLiteral(".MB");
    const QString pfad = DateiOhneGross(info.absolutePath(), name);
    if (pfad.isEmpty())
        Fehler(QStringLiteral("Zur Tabelle %1 fehlt die Memodatei %2: ohne sie sind die Memos nicht lesbar.")
                   .arg(Q(m_datei), Q(name)));
    m_memo = std::make_unique<QFile>(pfad);
    m_memoDatei = QFileInfo(pfad).fileName();
    if (!m_memo->open(QIODevice::ReadOnly))
        Fehler(QStringLiteral("Die Memodatei %1 kann nicht gelesen werden: %2.").arg(Q(m_memoDatei), m_memo->errorString()));
    m_memoGroesse = m_memo->size();
    char typ = 1;
    if (m_memoGroesse % 4096 != 0 || m_memoGroesse == 0)
        Fehler(QStringLiteral("Die Memodatei %1 ist abgeschnitten (%2 Bytes, erwartet ein Vielfaches von 4096).")
                   .arg(Q(m_memoDatei)).arg(m_memoGroesse));
    if (m_memo->read(&typ, 1) != 1 || typ != 0)
        Fehler(QStringLiteral("Die Datei %1 ist keine Memodatei.").arg(Q(m_memoDatei)));
}

void TPxTabelle::Zurueck()
{
    m_blockIndex = 0;
    m_satzImBlock = m_saetzeImBlock = 0;
}

bool TPxTabelle::BlockLaden()
{
    if (m_blockIndex >= m_kette.size()) return false;
    const int b = m_kette[m_blockIndex++];
    m_file.seek(m_kopfLaenge + qint64(b - 1) * m_blockLaenge);
    m_block = m_file.read(m_blockLaenge);
    const int daten = m_block.size() >= 6 ? S16(m_block.constData() + 4) : -1;
    const int n = daten >= 0 ? daten / m_satzLaenge + 1 : 0;
    // The file was checked when it was opened; it must not change since.
    if (m_block.size() != m_blockLaenge || (daten >= 0 && 6 + qint64(n) * m_satzLaenge > m_blockLaenge))
        Fehler(QStringLiteral("Die Datei %1 hat sich während des Lesens geändert.").arg(Q(m_datei)));
    m_satzImBlock = 0;
    m_saetzeImBlock = n;
    return true;
}

QString TPxTabelle::MemoLesen(const char* feld, int laenge, bool& ok, QString& fehler)
{
    const int vorspann = laenge - 10;
    const quint32 verweis = U32(feld + vorspann);
    const quint32 groesse = U32(feld + vorspann + 4);
    ok = true;
    if (groesse == 0) return QString();
    const auto kaputt = [&](const QString& grund) {
        ok = false;
        fehler = QStringLiteral("Memo unlesbar, %1").arg(grund);
        return QString();
    };
    auto text = [](const char* p, qsizetype n) {
        while (n > 0 && p[n - 1] == '\0') --n;
        return Win1252ToUnicode(p, n);
    };
    if (groesse <= quint32(vorspann)) return text(feld, groesse);
    if (!m_memo) return kaputt(QStringLiteral("die Memodatei fehlt"));
    const qint64 ort = verweis & 0xFFFFFF00u;
    const int index = verweis & 0xFF;
    if (ort == 0 || ort + 4096 > m_memoGroesse || groesse > m_memoGroesse)
        return kaputt(QStringLiteral("es verweist außerhalb von %1").arg(Q(m_memoDatei)));
    char kopf[12];
    m_memo->seek(ort);
    if (m_memo->read(kopf, 12) != 12) return kaputt(QStringLiteral("%1 ist nicht lesbar").arg(Q(m_memoDatei)));
    qint64 start = 0;
    if (kopf[0] == 2) {
        // One memo in blocks of its own.
        const qint64 bloecke = U16(kopf + 1);
        start = ort + 9;
        if (index != 0xFF || U32(kopf + 3) != groesse || start + groesse > ort + bloecke * 4096
            || start + groesse > m_memoGroesse)
            return kaputt(QStringLiteral("sein Block in %1 passt nicht dazu").arg(Q(m_memoDatei)));
    } else if (kopf[0] == 3) {
        // Several small memos in one block, found through its table of 64.
        if (index >= 64) return kaputt(QStringLiteral("unmöglicher Eintrag %1").arg(index));
        quint8 eintrag[5];
        m_memo->seek(ort + 12 + index * 5);
        if (m_memo->read(reinterpret_cast<char*>(eintrag), 5) != 5)
            return kaputt(QStringLiteral("%1 ist nicht lesbar").arg(Q(m_memoDatei)));
        start = ort + qint64(eintrag[0]) * 16;
        if (eintrag[1] == 0 || quint32((eintrag[1] - 1) * 16 + eintrag[4]) != groesse || start < ort + 12 + 64 * 5
            || start + groesse > ort + 4096)
            return kaputt(QStringLiteral("sein Eintrag in %1 passt nicht dazu").arg(Q(m_memoDatei)));
    } else {
        return kaputt(QStringLiteral("es verweist auf keinen Memoblock in %1").arg(Q(m_memoDatei)));
    }
    m_memo->seek(start);
    const QByteArray daten = m_memo->read(groesse);
    if (daten.size() != qsizetype(groesse)) return kaputt(QStringLiteral("%1 ist nicht lesbar").arg(Q(m_memoDatei)));
    return text(daten.constData(), daten.size());
}

bool TPxTabelle::Lesen(std::vector<TPxWert>& werte, QString& fehler)
{
    while (m_satzImBlock >= m_saetzeImBlock)
        if (!BlockLaden()) return false;
    char* satz = m_block.data() + 6 + qint64(m_satzImBlock++) * m_satzLaenge;
    fehler.clear();
    werte.assign(m_felder.size(), TPxWert());
    for (size_t i = 0; i < m_felder.size(); ++i) {
        const TPxFeld& f = m_felder[i];
        char* p = satz + f.Offset;
        TPxWert& w = werte[i];
        // Zero bytes are null. pxlib's own test for it reads past its 4-byte
        // buffer on 64-bit systems and turns a null date into a wrong one.
        if (f.Typ != PxTyp::Alpha && FesteLaenge(f.Typ) > 0
            && std::all_of(p, p + f.Laenge, [](char c) { return c == 0; }))
            continue;
        const auto unlesbar = [&] {
            if (fehler.isEmpty()) fehler = QStringLiteral("Feld %1 ist nicht lesbar").arg(f.Name);
        };
        switch (f.Typ) {
        case PxTyp::Alpha: {
            char* s = nullptr;
            const int r = PX_get_data_alpha(m_px, p, f.Laenge, &s);
            if (r > 0 && s) {
                w.Art = TPxWert::Text;
                w.TextWert = Win1252ToUnicode(s, qstrnlen(s, f.Laenge));
            } else if (r < 0) {
                unlesbar();
            }
            if (s) m_px->free(m_px, s);
            break;
        }
        case PxTyp::Datum: case PxTyp::Long: case PxTyp::AutoInc: case PxTyp::Zeit: {
            long v = 0;
            if (PX_get_data_long(m_px, p, 4, &v) > 0) {
                if (f.Typ == PxTyp::Datum) {
                    w.Art = TPxWert::Datum;
                    w.DatumWert = QDate::fromJulianDay(qint64(v) + kTag0);
                } else {
                    w.Art = f.Typ == PxTyp::Zeit ? TPxWert::Zeit : TPxWert::Zahl;
                    w.ZahlWert = double(v);
                }
            }
            break;
        }
        case PxTyp::Short: {
            short v = 0;
            if (PX_get_data_short(m_px, p, 2, &v) > 0) {
                w.Art = TPxWert::Zahl;
                w.ZahlWert = v;
            }
            break;
        }
        case PxTyp::Zahl: case PxTyp::Waehrung: case PxTyp::Zeitstempel: {
            double v = 0;
            if (PX_get_data_double(m_px, p, 8, &v) > 0) {
                if (!std::isfinite(v)) {
                    unlesbar();
                } else if (f.Typ == PxTyp::Zeitstempel) {
                    w.Art = TPxWert::Datum;
                    w.DatumWert = QDate::fromJulianDay(qint64(std::floor(v / 86400000.0)) + kTag0);
                } else {
                    w.Art = TPxWert::Zahl;
                    w.ZahlWert = v;
                }
            }
            break;
        }
        case PxTyp::Logisch: {
            char v = 0;
            if (PX_get_data_byte(m_px, p, 1, &v) > 0) {
                w.Art = TPxWert::Logisch;
                w.LogischWert = v != 0;
            }
            break;
        }
        case PxTyp::Bcd: {
            char* s = nullptr;
            const int r = PX_get_data_bcd(m_px, reinterpret_cast<unsigned char*>(p), f.Stellen, &s);
            if (r > 0 && s) {
                bool ok = false;
                const double v = QString::fromLatin1(s).replace(u',', u'.').toDouble(&ok);
                if (ok) {
                    w.Art = TPxWert::Zahl;
                    w.ZahlWert = v;
                } else {
                    unlesbar();
                }
            } else if (r < 0) {
                unlesbar();
            }
            if (s) m_px->free(m_px, s);
            break;
        }
        case PxTyp::Memo: case PxTyp::FmtMemo: {
            bool ok = true;
            QString grund;
            const QString t = MemoLesen(p, f.Laenge, ok, grund);
            if (!ok) {
                if (fehler.isEmpty()) fehler = QStringLiteral("Feld %1: %2").arg(f.Name, grund);
            } else if (!t.isEmpty()) {
                w.Art = TPxWert::Text;
                w.TextWert = t;
            }
            break;
        }
        default:
            break;   // pictures, binary data: nothing the program keeps
        }
    }
    return true;
}
