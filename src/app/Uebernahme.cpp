#include "Uebernahme.h"
#include "Clock.h"
#include "DBFormat.h"
#include "DataMod.h"
#include "PxTabelle.h"
#include "Session.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <cmath>
#include <sqlite3.h>

struct TZielWert {
    enum TArt { Null, Text, Real, Int } Art = Null;
    QString TextWert;
    double RealWert = 0;
    qint64 IntWert = 0;
};

struct TUebernahme::TPlan {
    const TTableSchema* Schema = nullptr;
    size_t Info = 0;                   // its entry in the report
    std::unique_ptr<TPxTabelle> Px;
    std::vector<int> Ziel;             // per old field: our field, -1 skipped
    std::vector<bool> Gesetzt;         // per our field: filled from the old table
    std::vector<qint64> Abgelehnt;     // positions not taken, ascending
};

namespace {

constexpr int kGezeigt = 100;          // rejected records listed by reason
const QDate kFrueh(1900, 1, 1), kSpaet(2099, 12, 31);

QString Q(const QString& s) { return QStringLiteral("„%1“").arg(s); }
QString Base(const QString& datei) { return TableBaseName(datei).toLower(); }

TUebernahmeTabelle::TArt ArtVon(const QString& datei)
{
    using A = TUebernahmeTabelle::TArt;
    const QString b = Base(datei);
    if (b == u"kfzstamm" || b == u"kfzvar" || b == u"kfzmonat" || b == u"kfzhisto") return A::Park;
    if (b == u"terminkz" || b == u"kfzgruppe" || b == u"kfzstort") return A::Liste;
    if (b == u"kfzsyste" || b == u"kfzsyspr") return A::Einstellung;
    return A::Nein;
}

// The table file in the folder, whatever the letter case of name and ".DB".
QString Finden(const QString& ordner, const QString& datei)
{
    if (ordner.isEmpty()) return QString();
    const QString gesucht = TableBaseName(datei) + QStringLiteral(".db");
    const QDir dir(ordner);
    for (const QString& e : dir.entryList(QDir::Files))
        if (e.compare(gesucht, Qt::CaseInsensitive) == 0) return dir.absoluteFilePath(e);
    return QString();
}

int FeldIndex(const TTableSchema& s, const QString& name)
{
    for (size_t i = 0; i < s.Fields.size(); ++i)
        if (s.Fields[i].Name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

bool IstText(TFieldType t) { return t == ftString || t == ftMemo || t == ftFmtMemo; }
bool IstGanz(TFieldType t) { return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc; }
bool IstReal(TFieldType t) { return t == ftFloat || t == ftCurrency || t == ftBCD; }

// Old field types that carry nothing our fields could hold.
bool Unpassend(int pxTyp)
{
    return pxTyp == PxTyp::Grafik || pxTyp == PxTyp::Ole || pxTyp == PxTyp::Blob || pxTyp == PxTyp::Bytes;
}

QString Datum(const QDate& d) { return d.toString(QStringLiteral("dd.MM.yyyy")); }

bool TextZuZahl(const QString& text, double& v)
{
    const QString t = text.trimmed();
    if (DBFormat::TryStrToFloat(t, v)) return true;
    bool ok = false;
    v = t.toDouble(&ok);
    return ok && std::isfinite(v);
}

bool TextZuDatum(const QString& text, QDate& d)
{
    if (DBFormat::TryStrToDate(text, d)) return true;
    d = QDate::fromString(text.trimmed(), Qt::ISODate);
    return d.isValid();
}

bool TextZuWahr(const QString& text, bool& v)
{
    static const QStringList wahr{QStringLiteral("wahr"), QStringLiteral("true"), QStringLiteral("ja"),
                                  QStringLiteral("j"), QStringLiteral("t"), QStringLiteral("y"), QStringLiteral("1")};
    static const QStringList falsch{QStringLiteral("falsch"), QStringLiteral("false"), QStringLiteral("nein"),
                                    QStringLiteral("n"), QStringLiteral("f"), QStringLiteral("0")};
    const QString t = text.trimmed().toLower();
    if (wahr.contains(t)) return v = true, true;
    if (falsch.contains(t)) return v = false, true;
    return false;
}

// One old value into the form our column keeps; an empty text is null.
// Returns the reason when the value does not fit.
QString Umwandeln(const TPxWert& w, const TFieldDef& ziel, TZielWert& out)
{
    out = TZielWert();
    if (w.Art == TPxWert::Null) return QString();
    const TFieldType t = ziel.DataType;
    const auto falsch = [&](const QString& was) {
        return QStringLiteral("%1 in Feld %2 ist %3").arg(
            w.Art == TPxWert::Text ? QStringLiteral("Text %1").arg(Q(w.TextWert)) : QStringLiteral("der Wert"),
            ziel.Name, was);
    };
    if (IstText(t)) {
        QString s;
        switch (w.Art) {
        case TPxWert::Text: s = w.TextWert; break;
        case TPxWert::Zahl: s = DBFormat::FloatToStr(w.ZahlWert); break;
        case TPxWert::Datum: s = Datum(w.DatumWert); break;
        case TPxWert::Zeit: s = QTime::fromMSecsSinceStartOfDay(int(w.ZahlWert)).toString(QStringLiteral("HH:mm:ss")); break;
        case TPxWert::Logisch: s = w.LogischWert ? QStringLiteral("Wahr") : QStringLiteral("Falsch"); break;
        default: break;
        }
        if (!s.isEmpty()) out.Art = TZielWert::Text, out.TextWert = s;
        return QString();
    }
    if (t == ftDate) {
        QDate d;
        if (w.Art == TPxWert::Datum) d = w.DatumWert;
        else if (w.Art == TPxWert::Text && !TextZuDatum(w.TextWert, d)) return falsch(QStringLiteral("kein Datum"));
        else if (w.Art != TPxWert::Text) return falsch(QStringLiteral("kein Datum"));
        if (!d.isValid() || d < kFrueh || d > kSpaet)
            return QStringLiteral("Datum %1 in Feld %2 liegt nicht zwischen %3 und %4")
                .arg(d.isValid() ? Datum(d) : QStringLiteral("?"), ziel.Name, Datum(kFrueh), Datum(kSpaet));
        out.Art = TZielWert::Text;
        out.TextWert = d.toString(Qt::ISODate);
        return QString();
    }
    if (t == ftBoolean) {
        bool b = false;
        if (w.Art == TPxWert::Logisch) b = w.LogischWert;
        else if (w.Art == TPxWert::Zahl) b = w.ZahlWert != 0;
        else if (w.Art != TPxWert::Text || !TextZuWahr(w.TextWert, b))
            return falsch(QStringLiteral("kein Wahrheitswert („Wahr“ oder „Falsch“)"));
        out.Art = TZielWert::Int;
        out.IntWert = b ? 1 : 0;
        return QString();
    }
    if (IstReal(t) || IstGanz(t)) {
        double v = 0;
        if (w.Art == TPxWert::Zahl) v = w.ZahlWert;
        else if (w.Art == TPxWert::Logisch) v = w.LogischWert ? 1 : 0;
        else if (w.Art != TPxWert::Text || !TextZuZahl(w.TextWert, v)) return falsch(QStringLiteral("keine Zahl"));
        if (IstGanz(t)) {
            if (std::fabs(v) > 9e15) return falsch(QStringLiteral("zu groß"));
            out.Art = TZielWert::Int;
            out.IntWert = std::llround(v);
        } else {
            out.Art = TZielWert::Real;
            out.RealWert = v;
        }
        return QString();
    }
    return falsch(QStringLiteral("nicht übertragbar"));
}

QString SchluesselText(const TZielWert& z)
{
    switch (z.Art) {
    case TZielWert::Text: return z.TextWert;
    case TZielWert::Real: return QString::number(z.RealWert, 'g', 17);
    case TZielWert::Int: return QString::number(z.IntWert);
    default: return QString();
    }
}

// A connection of its own, so that both database files commit together.
class TSqlite {
public:
    explicit TSqlite(const QString& datei)
    {
        if (sqlite3_open_v2(QFile::encodeName(datei).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            Fehler(QStringLiteral("Öffnen"));
        sqlite3_busy_timeout(m_db, 10000);
    }
    ~TSqlite()
    {
        for (sqlite3_stmt* s : m_stmts) sqlite3_finalize(s);
        if (m_db && !sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }
    TSqlite(const TSqlite&) = delete;
    TSqlite& operator=(const TSqlite&) = delete;

    sqlite3_stmt* Prepare(const QString& sql)
    {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK) Fehler(sql);
        m_stmts.push_back(s);
        return s;
    }
    void Exec(const QString& sql, const QStringList& texte = {})
    {
        sqlite3_stmt* s = Prepare(sql);
        for (int i = 0; i < texte.size(); ++i) BindText(s, i + 1, texte[i]);
        Step(s);
    }
    qint64 Zahl(const QString& sql)
    {
        sqlite3_stmt* s = Prepare(sql);
        const qint64 v = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
        sqlite3_reset(s);
        return v;
    }
    void Step(sqlite3_stmt* s)
    {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW) Fehler(QString::fromUtf8(sqlite3_sql(s)));
    }
    void BindText(sqlite3_stmt* s, int n, const QString& text)
    {
        const QByteArray u = text.toUtf8();
        sqlite3_bind_text(s, n, u.constData(), int(u.size()), SQLITE_TRANSIENT);
    }
    void Bind(sqlite3_stmt* s, int n, const TZielWert& z)
    {
        switch (z.Art) {
        case TZielWert::Text: BindText(s, n, z.TextWert); break;
        case TZielWert::Real: sqlite3_bind_double(s, n, z.RealWert); break;
        case TZielWert::Int: sqlite3_bind_int64(s, n, z.IntWert); break;
        default: sqlite3_bind_null(s, n); break;
        }
    }
    void Rollback()
    {
        if (!sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }

private:
    [[noreturn]] void Fehler(const QString& was)
    {
        const int code = m_db ? sqlite3_errcode(m_db) & 0xff : SQLITE_CANTOPEN;
        const QString text = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
        Q_UNUSED(was);
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            throw EDatabaseError(QStringLiteral("Die Daten können nicht geschrieben werden: ein anderer Benutzer "
                                                "arbeitet gerade mit dem Maschinenpark. Bitte versuchen Sie es später."));
        throw EDatabaseError(QStringLiteral("Die Daten können nicht geschrieben werden: %1").arg(text));
    }
    sqlite3* m_db = nullptr;
    std::vector<sqlite3_stmt*> m_stmts;
};

}   // namespace

// ----------------------------------------------------------------- report

bool TUebernahmeBericht::Moeglich() const
{
    bool maschinen = false;
    for (const TUebernahmeTabelle& t : Tabellen) {
        if (!t.Fehler.isEmpty()) return false;
        if (Base(t.Name) == u"kfzstamm") maschinen = t.Gefunden();
    }
    return maschinen;
}

QString TUebernahmeBericht::Text() const
{
    using A = TUebernahmeTabelle::TArt;
    QStringList z;
    z << QStringLiteral("Übernahme aus dem Ordner %1").arg(Q(QDir::toNativeSeparators(Ordner)));
    if (!PrivatOrdner.isEmpty())
        z << QStringLiteral("Eigene Einstellungen aus %1").arg(Q(QDir::toNativeSeparators(PrivatOrdner)));
    z << QString();

    QStringList fehler;
    for (const TUebernahmeTabelle& t : Tabellen)
        if (!t.Fehler.isEmpty()) fehler << QStringLiteral("  %1").arg(t.Fehler);
    if (!Moeglich()) {
        z << QStringLiteral("Die Daten können so nicht übernommen werden:");
        z << fehler;
        for (const TUebernahmeTabelle& t : Tabellen)
            if (Base(t.Name) == u"kfzstamm" && !t.Gefunden())
                z << QStringLiteral("  Die Tabelle der Maschinen (KfzStamm.db) fehlt im gewählten Ordner.");
        z << QString();
    }

    z << QStringLiteral("Tabellen:");
    for (const TUebernahmeTabelle& t : Tabellen) {
        const QString b = Base(t.Name);
        QString s;
        if (!t.Fehler.isEmpty()) {
            s = QStringLiteral("nicht lesbar");
        } else if (t.Art == A::Nein) {
            if (!t.Gefunden()) continue;
            s = b == u"hilfe" ? QStringLiteral("gefunden, nicht übernommen: es gilt der Hilfetext dieses Programms")
                              : QStringLiteral("gefunden, nicht übernommen: Arbeitstabelle, die das Programm selbst neu füllt");
        } else if (!t.Gefunden()) {
            if (t.Art == A::Park) s = QStringLiteral("fehlt – die Tabelle bleibt nach der Übernahme leer");
            else if (b == u"terminkz") s = QStringLiteral("fehlt – die bisherigen Terminkennzeichen bleiben");
            else if (t.Art == A::Liste) s = QStringLiteral("fehlt – die Liste wird aus den Maschinen gebildet");
            else s = QStringLiteral("fehlt – die bisherigen Einstellungen bleiben");
        } else if (t.Art == A::Einstellung && t.Uebernommen == 0) {
            s = QStringLiteral("leer – die bisherigen Einstellungen bleiben");
        } else {
            s = QStringLiteral("%1 Datensätze, davon %2 übernommen").arg(t.Saetze).arg(t.Uebernommen);
        }
        z << QStringLiteral("  %1: %2").arg(t.Name, s);
    }
    z << QString();

    QStringList unbekannt, fehlend;
    for (const TUebernahmeTabelle& t : Tabellen) {
        if (!t.Unbekannt.isEmpty()) unbekannt << QStringLiteral("  %1: %2").arg(t.Name, t.Unbekannt.join(QStringLiteral(", ")));
        if (!t.Fehlend.isEmpty()) fehlend << QStringLiteral("  %1: %2").arg(t.Name, t.Fehlend.join(QStringLiteral(", ")));
    }
    if (!unbekannt.isEmpty()) {
        z << QStringLiteral("Felder, die dieses Programm nicht kennt (werden übersprungen):") << unbekannt << QString();
    }
    if (!fehlend.isEmpty()) {
        z << QStringLiteral("Felder, die in den alten Tabellen fehlen (bleiben leer, Einstellungen bleiben wie bisher):")
          << fehlend << QString();
    }
    if (AbgelehntAnzahl > 0) {
        z << QStringLiteral("Datensätze, die nicht übernommen werden (%1):").arg(AbgelehntAnzahl);
        for (size_t i = 0; i < Abgelehnt.size() && int(i) < kGezeigt; ++i)
            z << QStringLiteral("  %1, Datensatz %2: %3").arg(Abgelehnt[i].Tabelle).arg(Abgelehnt[i].Satz).arg(Abgelehnt[i].Grund);
        if (AbgelehntAnzahl > kGezeigt) z << QStringLiteral("  … und %1 weitere").arg(AbgelehntAnzahl - kGezeigt);
        z << QString();
    }
    if (!Hinweise.isEmpty()) {
        z << QStringLiteral("Hinweise:");
        for (const QString& h : Hinweise) z << QStringLiteral("  – %1").arg(h);
    }
    return z.join(u'\n');
}

// --------------------------------------------------------------- importer

TUebernahme::TUebernahme(const QString& ordner, const QString& privatOrdner)
    : m_ordner(ordner), m_privatOrdner(privatOrdner)
{
    m_bericht.Ordner = ordner;
    m_bericht.PrivatOrdner = privatOrdner;
}

TUebernahme::~TUebernahme() = default;

void TUebernahme::Melden(const QString& tabelle, qint64 position, qint64 gesamt)
{
    if (OnFortschritt && !OnFortschritt(tabelle, position, gesamt)) throw EAbort();
}

const TUebernahmeBericht& TUebernahme::Pruefen()
{
    using A = TUebernahmeTabelle::TArt;
    m_bericht.Tabellen.clear();
    m_bericht.Abgelehnt.clear();
    m_bericht.AbgelehntAnzahl = 0;
    m_bericht.Hinweise.clear();
    m_plaene.clear();
    m_geprueft = false;

    // Open every table first: their headers give the whole amount of work.
    qint64 gesamt = 0;
    for (const TTableSchema& s : PelmoraSchema()) {
        TUebernahmeTabelle t;
        t.Name = s.FileName;
        t.Art = ArtVon(s.FileName);
        const bool privat = s.Alias.compare(QLatin1String("PelmoraPriv"), Qt::CaseInsensitive) == 0;
        if (privat && !m_privatOrdner.isEmpty()) t.Pfad = Finden(m_privatOrdner, s.FileName);
        if (t.Pfad.isEmpty()) t.Pfad = Finden(m_ordner, s.FileName);
        m_bericht.Tabellen.push_back(t);
        if (t.Art == A::Nein || !t.Gefunden()) continue;

        auto plan = std::make_unique<TPlan>();
        plan->Schema = &s;
        plan->Info = m_bericht.Tabellen.size() - 1;
        TUebernahmeTabelle& info = m_bericht.Tabellen.back();
        try {
            plan->Px = std::make_unique<TPxTabelle>(t.Pfad);
        } catch (const EPxFehler& e) {
            info.Fehler = e.Message();
            continue;
        }
        info.Saetze = plan->Px->Anzahl();
        gesamt += info.Saetze;
        plan->Gesetzt.assign(s.Fields.size(), false);
        for (const TPxFeld& f : plan->Px->Felder()) {
            const int z = FeldIndex(s, f.Name);
            if (z >= 0 && Unpassend(f.Typ)) {
                info.Unbekannt << QStringLiteral("%1 (%2 passt nicht in dieses Feld)").arg(f.Name, PxTyp::Name(f.Typ));
                plan->Ziel.push_back(-1);
                continue;
            }
            if (z < 0 || plan->Gesetzt[size_t(z)]) {
                if (z < 0) info.Unbekannt << f.Name;
                plan->Ziel.push_back(-1);
                continue;
            }
            plan->Ziel.push_back(z);
            plan->Gesetzt[size_t(z)] = true;
        }
        for (size_t i = 0; i < s.Fields.size(); ++i)
            if (!plan->Gesetzt[i]) info.Fehlend << s.Fields[i].Name;
        if (plan->Px->Codepage() != 0 && plan->Px->Codepage() != 1252)
            m_bericht.Hinweise << QStringLiteral("%1 ist mit Zeichensatz %2 gespeichert; die Texte werden als "
                                                 "Windows-1252 gelesen. Prüfen Sie die Umlaute nach der Übernahme.")
                                      .arg(Q(plan->Px->Datei())).arg(plan->Px->Codepage());
        m_plaene.push_back(std::move(plan));
    }

    // Then read them through, in the order of the schema: machines first.
    QSet<QString> maschinen, maschinen10;
    qint64 position = 0, pfade = 0;
    QString pfadBeispiel;
    bool passwort = false;
    static const QRegularExpression windowsPfad(QStringLiteral("^([A-Za-z]:[\\\\/]|\\\\\\\\)"));
    for (auto& planPtr : m_plaene) {
        TPlan& plan = *planPtr;
        TUebernahmeTabelle& info = m_bericht.Tabellen[plan.Info];
        const QString b = Base(info.Name);
        const int ident = FeldIndex(*plan.Schema, b == u"kfzhisto" ? QStringLiteral("KfzNr") : QStringLiteral("IdentNummer"));
        const int infoFeld = FeldIndex(*plan.Schema, QStringLiteral("Info"));
        qint64 ohneMaschine = 0;
        Durchlaufen(plan, true, position, gesamt, [&](const std::vector<TZielWert>& zeile) {
            ++info.Uebernommen;
            if (b == u"kfzstamm") {
                maschinen.insert(zeile[size_t(ident)].TextWert);
                maschinen10.insert(zeile[size_t(ident)].TextWert.left(10));
            } else if (b == u"kfzvar" || b == u"kfzmonat") {
                if (!maschinen.contains(zeile[size_t(ident)].TextWert)) ++ohneMaschine;
            } else if (b == u"kfzhisto") {
                if (!maschinen10.contains(zeile[size_t(ident)].TextWert)) ++ohneMaschine;
                const QString& pfad = zeile[size_t(infoFeld)].TextWert;
                if (windowsPfad.match(pfad).hasMatch()) {
                    if (pfadBeispiel.isEmpty()) pfadBeispiel = pfad;
                    ++pfade;
                }
            } else if (b == u"kfzsyste") {
                passwort = plan.Gesetzt[size_t(FeldIndex(*plan.Schema, QStringLiteral("MitHeader")))];
            }
        });
        if (ohneMaschine > 0)
            m_bericht.Hinweise << QStringLiteral("%1 Datensätze in %2 gehören zu keiner übernommenen Maschine; sie "
                                                 "werden übernommen, sind im Programm aber nicht zu sehen.")
                                      .arg(ohneMaschine).arg(info.Name);
    }
    Melden(QString(), gesamt, gesamt);

    if (pfade > 0)
        m_bericht.Hinweise << QStringLiteral("%1 Einträge der Historie verweisen auf Bilder oder Dokumente mit "
                                             "Windows-Pfaden (z. B. %2). Die Pfade werden unverändert übernommen; "
                                             "liegen die Dateien nicht mehr dort, verschieben Sie sie oder passen "
                                             "Sie die Einträge an.")
                                  .arg(pfade).arg(Q(pfadBeispiel));
    if (passwort)
        m_bericht.Hinweise << QStringLiteral("Das Paßwort für die Benutzerrechte ist nach der Übernahme das des "
                                             "alten Programms.");
    m_bericht.Hinweise << QStringLiteral("Die Namen der freien Termine, Freifelder und Kostenarten gelten wie alle "
                                         "Einstellungen nach dem nächsten Programmstart.");
    m_bericht.Hinweise << QStringLiteral("Die Berichtsvorlagen des alten Programms liegen in einem geschlossenen "
                                         "Format vor und werden nicht übernommen; es gelten die mitgelieferten "
                                         "Vorlagen dieses Programms.");
    m_geprueft = true;
    return m_bericht;
}

void TUebernahme::Durchlaufen(TPlan& plan, bool pruefen, qint64& position, qint64 gesamt,
                              const std::function<void(const std::vector<TZielWert>&)>& nehmen)
{
    TUebernahmeTabelle& info = m_bericht.Tabellen[plan.Info];
    const TTableSchema& s = *plan.Schema;
    const bool einzeln = info.Art == TUebernahmeTabelle::TArt::Einstellung;
    const bool kosten = Base(info.Name) == u"kfzvar";
    const int belegDatum = FeldIndex(s, QStringLiteral("BelegDatum"));
    const int monat = FeldIndex(s, QStringLiteral("Monat"));
    const int jahr = FeldIndex(s, QStringLiteral("Jahr"));

    // Unique keys of the schema: a second record with the same key is refused.
    std::vector<std::vector<int>> schluessel;
    for (const TIndexDef& ix : s.Indexes) {
        if (!(ix.Options & ixUnique)) continue;
        std::vector<int> felder;
        for (const QString& f : ix.FieldList()) felder.push_back(FeldIndex(s, f));
        schluessel.push_back(felder);
    }
    std::vector<QHash<QString, qint64>> gesehen(schluessel.size());

    std::vector<TPxWert> werte;
    std::vector<TZielWert> zeile(s.Fields.size());
    QString lesefehler;
    qint64 nr = 0, genommen = 0;
    size_t naechsteAbgelehnt = 0;
    plan.Px->Zurueck();
    Melden(info.Name, position, gesamt);
    while (plan.Px->Lesen(werte, lesefehler)) {
        ++nr;
        if ((++position & 1023) == 0) Melden(info.Name, position, gesamt);
        if (!pruefen && naechsteAbgelehnt < plan.Abgelehnt.size() && plan.Abgelehnt[naechsteAbgelehnt] == nr) {
            ++naechsteAbgelehnt;
            continue;
        }
        QString grund;
        if (!lesefehler.isEmpty()) grund = QStringLiteral("nicht lesbar: %1").arg(lesefehler);
        std::fill(zeile.begin(), zeile.end(), TZielWert());
        for (size_t i = 0; grund.isEmpty() && i < werte.size(); ++i)
            if (plan.Ziel[i] >= 0) grund = Umwandeln(werte[i], s.Fields[size_t(plan.Ziel[i])], zeile[size_t(plan.Ziel[i])]);
        // Month and year of a voucher follow its date; old records may lack them.
        if (grund.isEmpty() && kosten && zeile[size_t(belegDatum)].Art == TZielWert::Text) {
            const QDate d = QDate::fromString(zeile[size_t(belegDatum)].TextWert, Qt::ISODate);
            if (zeile[size_t(monat)].Art == TZielWert::Null)
                zeile[size_t(monat)] = {TZielWert::Text, MonthNames().at(d.month() - 1), 0, 0};
            if (zeile[size_t(jahr)].Art == TZielWert::Null)
                zeile[size_t(jahr)] = {TZielWert::Text, QString::number(d.year()), 0, 0};
        }
        for (size_t i = 0; grund.isEmpty() && !einzeln && i < s.Fields.size(); ++i)
            if (s.Fields[i].Required && zeile[i].Art == TZielWert::Null)
                grund = QStringLiteral("das Pflichtfeld %1 ist leer").arg(s.Fields[i].Name);
        if (pruefen && grund.isEmpty() && einzeln && genommen > 0)
            grund = QStringLiteral("die Einstellungen haben nur einen Datensatz; der erste wird übernommen");
        for (size_t k = 0; pruefen && grund.isEmpty() && k < schluessel.size(); ++k) {
            QStringList teile;
            for (int f : schluessel[k]) teile << SchluesselText(zeile[size_t(f)]);
            const QString key = teile.join(QChar(0x1F));
            const auto it = gesehen[k].constFind(key);
            if (it == gesehen[k].cend()) {
                gesehen[k].insert(key, nr);
            } else if (Base(info.Name) == u"kfzstamm") {
                grund = QStringLiteral("Ident.-Nummer %1 kommt doppelt vor (wie in Datensatz %2)").arg(Q(key)).arg(*it);
            } else {
                grund = QStringLiteral("Schlüssel %1 kommt doppelt vor (wie in Datensatz %2)")
                            .arg(Q(teile.join(QStringLiteral(" / ")))).arg(*it);
            }
        }
        if (!grund.isEmpty()) {
            if (!pruefen)
                throw EPxFehler(QStringLiteral("Die Datei %1 hat sich seit der Prüfung geändert (Datensatz %2). "
                                               "Bitte prüfen Sie erneut.").arg(Q(plan.Px->Datei())).arg(nr));
            plan.Abgelehnt.push_back(nr);
            if (m_bericht.Abgelehnt.size() < 1000) m_bericht.Abgelehnt.push_back({info.Name, nr, grund});
            ++m_bericht.AbgelehntAnzahl;
            continue;
        }
        ++genommen;
        nehmen(zeile);
    }
}

QString TUebernahme::ZielHindernis()
{
    if (!Session().IsServerAlias(QStringLiteral("Pelmora"))) return QString();
    return QStringLiteral("Der gemeinsame Park liegt auf einem Datenbankserver. Übernehmen Sie die Daten des alten "
                          "Programms zuerst in einen Park in einem Ordner und übertragen Sie diesen dann mit "
                          "„Optionen – Daten auf Server übertragen“ auf eine leere Serverdatenbank.");
}

QStringList TUebernahme::Schreiben()
{
    using A = TUebernahmeTabelle::TArt;
    if (const QString hindernis = ZielHindernis(); !hindernis.isEmpty()) throw EDatabaseError(hindernis);
    if (!m_geprueft) Pruefen();
    if (!m_bericht.Moeglich())
        throw EDatabaseError(QStringLiteral("Die Daten können so nicht übernommen werden. Bitte beachten Sie die "
                                            "Zusammenfassung der Prüfung."));
    CreateMissingTables();
    const QString haupt = Session().Database(QStringLiteral("Pelmora"))->FileName();
    bool mitPrivat = false;
    for (const auto& p : m_plaene)
        if (p->Schema->Alias.compare(QLatin1String("PelmoraPriv"), Qt::CaseInsensitive) == 0
            && m_bericht.Tabellen[p->Info].Uebernommen > 0)
            mitPrivat = true;
    const QString privat = mitPrivat ? Session().Database(QStringLiteral("PelmoraPriv"))->FileName() : QString();

    TSqlite db(haupt);
    if (mitPrivat) db.Exec(QStringLiteral("ATTACH DATABASE ? AS priv"), {privat});
    QStringList kopien;
    try {
        // The copies are consistent snapshots, taken before anything changes.
        const QDate heute = Today();
        const QString k1 = Sicherungsname(haupt, heute);
        db.Exec(QStringLiteral("VACUUM main INTO ?"), {k1});
        kopien << k1;
        if (mitPrivat) {
            const QString k2 = Sicherungsname(privat, heute);
            db.Exec(QStringLiteral("VACUUM priv INTO ?"), {k2});
            kopien << k2;
        }

        qint64 gesamt = 0, position = 0;
        for (const auto& p : m_plaene) gesamt += m_bericht.Tabellen[p->Info].Saetze;
        db.Exec(QStringLiteral("BEGIN IMMEDIATE"));
        for (const TUebernahmeTabelle& t : m_bericht.Tabellen) {
            if (t.Art == A::Nein) continue;
            const TTableSchema& s = SchemaOf(t.Name);
            const QString name = (s.Alias.compare(QLatin1String("PelmoraPriv"), Qt::CaseInsensitive) == 0
                                      ? QStringLiteral("priv.") : QString())
                               + SqlQuote(TableBaseName(s.FileName));
            TPlan* plan = nullptr;
            for (const auto& p : m_plaene)
                if (p->Schema == &s) plan = p.get();
            const QString b = Base(t.Name);
            if (!plan) {
                // Missing: the park's tables are emptied; groups and locations
                // come from the machines; the rest stays.
                if (t.Art == A::Park) db.Exec(QStringLiteral("DELETE FROM %1").arg(name));
                if (b == u"kfzgruppe" || b == u"kfzstort") {
                    const QString feld = SqlQuote(s.Fields.front().Name);
                    db.Exec(QStringLiteral("DELETE FROM %1").arg(name));
                    db.Exec(QStringLiteral("INSERT INTO %1 (%2) SELECT DISTINCT %2 FROM \"KfzStamm\" WHERE %2 IS NOT NULL")
                                .arg(name, feld));
                }
                continue;
            }
            if (t.Art == A::Einstellung && t.Uebernommen == 0) continue;
            QStringList spalten, marken;
            std::vector<int> felder;
            for (size_t i = 0; i < s.Fields.size(); ++i) {
                // A settings record keeps what the old table does not name.
                if (t.Art == A::Einstellung && !plan->Gesetzt[i]) continue;
                spalten << SqlQuote(s.Fields[i].Name);
                marken << QStringLiteral("?");
                felder.push_back(int(i));
            }
            const bool aendern = t.Art == A::Einstellung && db.Zahl(QStringLiteral("SELECT count(*) FROM %1").arg(name)) > 0;
            if (!aendern) db.Exec(QStringLiteral("DELETE FROM %1").arg(name));
            QString sql;
            if (aendern) {
                QStringList zuweisungen;
                for (const QString& c : spalten) zuweisungen << c + QStringLiteral("=?");
                sql = QStringLiteral("UPDATE %1 SET %2").arg(name, zuweisungen.join(u','));
            } else {
                sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(name, spalten.join(u','), marken.join(u','));
            }
            sqlite3_stmt* st = db.Prepare(sql);
            Durchlaufen(*plan, false, position, gesamt, [&](const std::vector<TZielWert>& zeile) {
                for (size_t i = 0; i < felder.size(); ++i) db.Bind(st, int(i) + 1, zeile[size_t(felder[i])]);
                db.Step(st);
            });
        }
        Melden(QString(), gesamt, gesamt);
        db.Exec(QStringLiteral("COMMIT"));
    } catch (...) {
        db.Rollback();
        for (const QString& k : kopien) QFile::remove(k);
        throw;
    }
    return kopien;
}

qint64 TUebernahme::MaschinenImPark()
{
    TDatabase* db = Session().Database(QStringLiteral("Pelmora"));
    if (!db->TableExists(QStringLiteral("KfzStamm.db"))) return 0;
    QSqlQuery q(db->Db());
    if (!q.exec(QStringLiteral("SELECT count(*) FROM \"KfzStamm\"")) || !q.next()) return 0;
    return q.value(0).toLongLong();
}

QString TUebernahme::Sicherungsname(const QString& datei, const QDate& tag)
{
    const QString basis = datei + QStringLiteral(".vor-Import-") + tag.toString(Qt::ISODate);
    QString name = basis;
    for (int n = 2; QFileInfo::exists(name); ++n) name = basis + QStringLiteral("-%1").arg(n);
    return name;
}
