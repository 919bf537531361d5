// Mutation run of the Paradox reader, built with AddressSanitizer:
//   tarvos-pxfuzz [COUNT] [SEED] [DIR]
// Writes two small tables with pxlib's writer, then damages copies of them
// COUNT times (bytes, words, cut or grown files, a lost memo file) and reads
// each through. Every outcome must be the records or a message naming the
// file; a crash or a memory error stops the run under the sanitizer.
#include "PxTabelle.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <random>
extern "C" {
#include <paradox.h>
}

namespace {

struct TSaat {
    QByteArray Db, Mb;
};

// A table with every kind of field the old program used, several blocks,
// short memos in the record and long ones in the memo file.
TSaat Schreiben(const QString& dir, int saetze, int blockTyp)
{
    const QString db = dir + QStringLiteral("/saat.db"), mb = dir + QStringLiteral("/saat.mb");
    QFile::remove(db);
    QFile::remove(mb);
    pxdoc_t* px = PX_new();
    const char* namen[] = {"IdentNummer", "T\xDCVTermin", "Preis", "Stunden", "Aktiv", "Anzahl", "Memo"};
    const int typen[] = {pxfAlpha, pxfDate, pxfCurrency, pxfNumber, pxfLogical, pxfShort, pxfMemoBLOb};
    const int laengen[] = {30, 4, 8, 8, 1, 2, blockTyp};
    auto* f = static_cast<pxfield_t*>(px->malloc(px, 7 * sizeof(pxfield_t), "f"));
    int satzLaenge = 0;
    for (int i = 0; i < 7; ++i) {
        f[i].px_fname = PX_strdup(px, namen[i]);
        f[i].px_ftype = char(typen[i]);
        f[i].px_flen = laengen[i];
        f[i].px_fdc = 0;
        satzLaenge += laengen[i];
    }
    PX_create_file(px, f, 7, QFile::encodeName(db).constData(), pxfFileTypNonIndexDB);
    pxblob_t* b = PX_new_blob(px);
    PX_create_blob_file(b, QFile::encodeName(mb).constData());
    px->px_blob = b;
    QByteArray memo(700, 'x');
    memo[0] = char(0xC4);
    for (int r = 0; r < saetze; ++r) {
        QByteArray satz(satzLaenge, '\0');
        char* p = satz.data();
        QByteArray id = "M\xFC" + QByteArray::number(r);
        PX_put_data_alpha(px, p, 30, id.data());
        PX_put_data_long(px, p + 30, 4, 730179 + r);
        PX_put_data_double(px, p + 34, 8, r * 12.25);
        if (r % 5) PX_put_data_double(px, p + 42, 8, r * 0.5);
        PX_put_data_byte(px, p + 50, 1, char(r % 2));
        PX_put_data_short(px, p + 51, 2, short(r));
        const int n = r % 3 == 0 ? 0 : r % 3 == 1 ? 20 : 300 + r;
        if (n) PX_put_data_blob(px, p + 53, laengen[6], memo.data(), std::min(n, int(memo.size())));
        PX_put_record(px, satz.data());
    }
    PX_close(px);
    PX_delete(px);
    TSaat s;
    QFile a(db), m(mb);
    a.open(QIODevice::ReadOnly);
    m.open(QIODevice::ReadOnly);
    s.Db = a.readAll();
    s.Mb = m.readAll();
    return s;
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 anzahl = argc > 1 ? QByteArray(argv[1]).toLongLong() : 300000;
    const quint32 saat = argc > 2 ? QByteArray(argv[2]).toUInt() : 19;
    const QString dir = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("/dev/shm/tarvos-pxfuzz");
    QDir().mkpath(dir);
    QTextStream out(stdout);
    const std::vector<TSaat> saaten = {Schreiben(dir, 40, 20), Schreiben(dir, 400, 60)};
    std::mt19937 z(saat);
    const auto zahl = [&](quint32 n) { return n ? z() % n : 0; };
    const qint32 werte[] = {0, 1, -1, 2, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, qint32(0x80000000), 6, 0x800};
    qint64 gelesen = 0, abgewiesen = 0, satzFehler = 0;
    const QString db = dir + QStringLiteral("/Kaputt.DB"), mb = dir + QStringLiteral("/Kaputt.MB");
    for (qint64 i = 0; i < anzahl; ++i) {
        const TSaat& s = saaten[zahl(2)];
        QByteArray d = s.Db, m = s.Mb;
        const int schritte = 1 + int(zahl(6));
        for (int k = 0; k < schritte; ++k) {
            QByteArray& ziel = zahl(5) == 0 ? m : d;
            if (ziel.isEmpty()) continue;
            // Mostly the header and the block heads, where the counts live.
            const quint32 art = zahl(10);
            qsizetype ort = art < 5 ? zahl(quint32(std::min<qsizetype>(ziel.size(), 0x120)))
                          : art < 7 ? (0x800 + 0x400 * qsizetype(zahl(64)) + zahl(8)) % ziel.size()
                                    : zahl(quint32(ziel.size()));
            switch (zahl(7)) {
            case 0: ziel[ort] = char(z()); break;
            case 1: ziel[ort] = char(ziel[ort] ^ (1 << zahl(8))); break;
            case 2: case 3: {
                const qint32 w = werte[zahl(std::size(werte))];
                const int breite = zahl(2) ? 2 : 4;
                for (int b = 0; b < breite && ort + b < ziel.size(); ++b) ziel[ort + b] = char((w >> (8 * b)) & 0xFF);
                break;
            }
            case 4: ziel.truncate(zahl(quint32(ziel.size()))); break;
            case 5: ziel.append(QByteArray(int(zahl(5000)), char(z()))); break;
            default: ziel[ort] = 0; break;
            }
        }
        QFile a(db);
        a.open(QIODevice::WriteOnly | QIODevice::Truncate);
        a.write(d);
        a.close();
        QFile::remove(mb);
        if (zahl(20) != 0) {
            QFile b(mb);
            b.open(QIODevice::WriteOnly | QIODevice::Truncate);
            b.write(m);
        }
        try {
            TPxTabelle t(db);
            std::vector<TPxWert> w;
            QString fehler;
            while (t.Lesen(w, fehler))
                if (!fehler.isEmpty()) ++satzFehler;
            ++gelesen;
        } catch (const EPxFehler& e) {
            if (!e.Message().contains(QLatin1String("Kaputt."))) {
                out << "Meldung ohne Dateinamen: " << e.Message() << "\n";
                return 1;
            }
            ++abgewiesen;
        }
        if ((i + 1) % 50000 == 0) out << (i + 1) << " Dateien …\n" << Qt::flush;
    }
    out << anzahl << " beschädigte Dateien gelesen: " << gelesen << " ganz gelesen (" << satzFehler
        << " unlesbare Datensätze gemeldet), " << abgewiesen << " mit Meldung abgewiesen, kein Absturz.\n";
    return 0;
}
