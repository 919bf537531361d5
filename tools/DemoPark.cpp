#include "DemoPark.h"
#include "DataMod.h"
#include "DBErrors.h"
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <random>
#include <sqlite3.h>
#include <vector>

namespace {

// Own draws on top of mt19937: the standard distributions differ between
// libraries, and the same seed must give the same park everywhere.
class TRandom {
public:
    explicit TRandom(quint32 seed) : m_gen(seed) {}
    int Int(int lo, int hi) { return lo + int(m_gen() % quint32(hi - lo + 1)); }
    double Real() { return m_gen() / 4294967296.0; }
    double Real(double lo, double hi) { return lo + (hi - lo) * Real(); }
    bool Chance(double p) { return Real() < p; }
    template <class T, size_t N> const T& Pick(const T (&a)[N]) { return a[m_gen() % N]; }
    template <class T> const T& Pick(const std::vector<T>& v) { return v[m_gen() % v.size()]; }
private:
    std::mt19937 m_gen;
};

struct TMachineType { const char* Name; int KW; };

struct TGroupInfo {
    const char* Name;
    const char* Prefix;
    std::vector<const char*> Kinds;       // Bezeichnung1
    std::vector<TMachineType> Types;
    double PriceLo, PriceHi;
    double HoursLo, HoursHi;              // operating hours per calendar day
    double LitresLo, LitresHi;            // one refuelling
    bool Road;                            // registered: plate, TÜV
    bool Wheels;
    int Weight;                           // share of the park
};

const std::vector<TGroupInfo>& Groups()
{
    static const std::vector<TGroupInfo> g = {
        {"Bagger", "BAG", {"Kettenbagger", "Mobilbagger", "Minibagger", "Kurzheckbagger"},
         {{"Liebherr R 920", 115}, {"Caterpillar 320", 121}, {"Komatsu PC210LC-11", 123}, {"Volvo EC220E", 128},
          {"Hitachi ZX210LC-7", 125}, {"Kubota KX080-4", 49}, {"Takeuchi TB290", 43}, {"Liebherr A 918 Compact", 115}},
         60000, 260000, 2.5, 4.5, 80, 250, false, false, 22},
        {"Radlader", "RAD", {"Radlader", "Kompaktlader", "Hoflader"},
         {{"Liebherr L 556", 140}, {"Volvo L90H", 128}, {"Caterpillar 950M", 185}, {"Kramer 8115", 55},
          {"Komatsu WA320-8", 126}},
         50000, 220000, 2.0, 4.0, 60, 200, false, true, 16},
        {"LKW", "LKW", {"Kipper 3-Achs", "Kipper 4-Achs", "Sattelzugmaschine", "Fahrmischer", "Abrollkipper"},
         {{"MAN TGS 26.440", 324}, {"Mercedes-Benz Arocs 3245", 335}, {"Scania R 450", 331}, {"Volvo FMX 460", 338},
          {"MAN TGS 41.480", 353}},
         90000, 180000, 3.0, 5.5, 150, 450, true, true, 18},
        {"Kran", "KRN", {"Mobilkran", "Turmdrehkran", "Autokran"},
         {{"Liebherr LTM 1050-3.1", 350}, {"Tadano AC 4.070-1", 400}, {"Grove GMK3060L", 330},
          {"Potain Igo T 85", 22}, {"Liebherr 81 K.1", 22}},
         200000, 650000, 1.5, 3.5, 100, 300, true, true, 8},
        {"Stapler", "STA", {"Dieselstapler", "Elektrostapler", "Teleskopstapler"},
         {{"Linde H30D", 37}, {"Jungheinrich EFG 320", 10}, {"Still RX70-30", 45}, {"Manitou MT 1440", 75},
          {"Merlo P40.17", 100}},
         18000, 90000, 2.5, 5.5, 20, 60, false, true, 14},
        {"Walze", "WAL", {"Tandemwalze", "Walzenzug", "Gummiradwalze"},
         {{"Bomag BW 120 AD-5", 25}, {"Hamm HD 12 VV", 34}, {"Dynapac CC1200", 24}, {"Bomag BW 213 D-5", 98}},
         25000, 120000, 1.2, 3.0, 30, 90, false, false, 8},
        {"Transporter", "TRA", {"Pritschenwagen", "Kastenwagen", "Mannschaftswagen", "Doppelkabine"},
         {{"VW Crafter 35 TDI", 103}, {"Mercedes-Benz Sprinter 316 CDI", 120}, {"Ford Transit 350", 96},
          {"Iveco Daily 35S16", 115}},
         30000, 65000, 1.5, 3.5, 40, 80, true, true, 14},
    };
    return g;
}

const char* const kLocations[] = {"Hauptsitz", "Werk Nord", "Lager Süd", "Baustelle A7", "Baustelle B27 Tübingen",
                                  "Kieswerk Ost", "Niederlassung Augsburg", "Bauhof West"};
const char* const kUses[] = {"Erdbau", "Tiefbau", "Straßenbau", "Hochbau", "Kanalbau", "Abbruch",
                             "Materialumschlag", "Winterdienst", "Gleisbau", "Landschaftsbau"};
const char* const kDrivers[] = {"Huber", "Maier", "Schneider", "Wagner", "Becker", "Hoffmann", "Schäfer", "Koch",
                                "Bauer", "Richter", "Klein", "Wolf", "Schröder", "Neumann", "Schwarz", "Zimmermann",
                                "Braun", "Krüger", "Hofmann", "Hartmann", "Lange", "Werner", "Krause", "Lehmann"};
const char* const kInitials[] = {"A.", "B.", "C.", "D.", "E.", "F.", "G.", "H.", "J.", "K.", "L.", "M.", "N.",
                                 "P.", "R.", "S.", "T.", "U.", "W."};
const char* const kPlates[] = {"TÜ", "RT", "S", "ES", "LB", "BB", "RW", "BL", "FDS", "CW"};
const char* const kInsurers[] = {"Allianz", "HDI", "R+V", "VHV", "Zurich", "AXA", "Württembergische"};
const char* const kLessors[] = {"Deutsche Leasing", "BNP Paribas Lease", "Cat Financial", "Volvo Financial",
                                "Liebherr-Finance", "Sparkasse Leasing"};
const char* const kTyres[] = {"315/80 R22.5", "385/65 R22.5", "17.5 R25", "20.5 R25", "235/65 R16C", "12.00-20",
                              "28x9-15", "405/70 R24"};
const char* const kEquipment[] = {"Klimaanlage", "GPS-Ortung", "Schnellwechsler", "Partikelfilter",
                                  "Rückfahrkamera", "Zentralschmierung", "Standheizung", "Anhängerkupplung"};
const char* const kMemos[] = {
    "Anbaugeräte: Tieflöffel 600 mm, Grabenräumlöffel 1800 mm, Hydraulikhammer.",
    "Schlüssel liegen im Büro Werk Nord, Ersatzschlüssel im Tresor.",
    "Achtung: Hydrauliköl Bio (HEES), kein Mineralöl nachfüllen!",
    "Maschine nur mit Einweisung durch den Polier benutzen.",
    "Vorbesitzer: Fa. Kern Tiefbau, Übernahme mit allen Unterlagen.",
    "Garantieverlängerung bis 5 Jahre / 6000 h abgeschlossen.",
    "Reifendruck vorne 6,5 bar, hinten 7,0 bar.",
};

// Texts per cost type, in the order of the eight cost fields.
const std::vector<std::vector<const char*>>& Remarks()
{
    static const std::vector<std::vector<const char*>> r = {
        {"Hydraulikschlauch ersetzt", "Bremsen instand gesetzt", "Anlasser getauscht", "Kupplung erneuert",
         "Frontscheibe getauscht", "Elektrik repariert", "Lichtmaschine getauscht", "Kette nachgespannt",
         "Schweißarbeiten am Löffel", "Zylinder abgedichtet", "Kühler erneuert", "Turbolader getauscht"},
        {"2 Reifen erneuert", "4 Reifen neu", "Reifen geflickt", "Reifenwechsel Winter", "Reifenwechsel Sommer",
         "Reifen runderneuert"},
        {"Inspektion 500 h", "Ölwechsel und Filter", "Große Inspektion", "Kundendienst", "Schmierdienst",
         "Inspektion 1000 h", "Luftfilter gewechselt"},
        {"TÜV-Hauptuntersuchung", "UVV-Prüfung", "Abgasuntersuchung", "Prüfung Hebezeug", "Sicherheitsprüfung",
         "Tachographprüfung"},
        {"Eigentankstelle", "Aral", "Shell", "Tankkarte DKV", "Avia", "Raiffeisen", "Esso", "Tankwagen Baustelle"},
        {"Versicherung", "Kfz-Steuer", "Mautgebühren", "Zulassung"},
        {"Reinigung", "Überführung", "Transport Tieflader", "Abschleppen"},
        {"Zubehör", "Werkzeug", "Schmierstoffe", "Kleinteile"},
    };
    return r;
}
const char* const kRemarks2[] = {"Werkstatt Huber", "Fa. Schneider Baumaschinen", "Eigenleistung",
                                 "Rechnung folgt", "Kulanz Hersteller", "Notdienst"};
const char* const kRemarks3[] = {"Garantie geprüft", "mit Kostenvoranschlag", "Teile auf Lager", "Nachkontrolle"};
const char* const kWorkshops[] = {"Werkstatt Huber", "Fa. Schneider Baumaschinen", "Eigene Werkstatt",
                                  "Liebherr Service", "Zeppelin Niederlassung", "Kiesel Service", "MAN Truck Service"};
const char* const kEvents[] = {
    "Motor-Generalüberholung, Zylinderkopfdichtung erneuert",
    "Unfallschaden hinten links behoben, Gutachten liegt vor",
    "Umbau auf Schnellwechsler, Abnahme durch Sachverständigen",
    "Hydraulikpumpe getauscht nach Leistungsverlust",
    "Neulackierung in Firmenfarbe",
    "Kabine nach Sturmschaden erneuert",
    "Übernahme von Niederlassung, Zustand gut",
    "Getriebe instand gesetzt, Garantie teilweise",
    "Nachrüstung Partikelfilter, neue Plakette",
    "Diebstahl von Kraftstoff angezeigt, Tankdeckel abschließbar nachgerüstet",
    "Elektronik-Update durch Hersteller",
    "Standortwechsel, Überführung per Tieflader",
};

// Cost columns of a voucher and of an evaluation, in the same order.
const char* const kVoucherCost[] = {"ReparaturKosten", "ReifenKosten", "Wartungskosten", "Untersuchungskosten",
                                    "Benzinkosten", "SonstigeKosten1", "SonstigeKosten2", "SonstigeKosten3"};
const char* const kMonthCost[] = {"Reparaturkosten", "Reifenkosten", "Wartungskosten", "Untersuchungskosten",
                                  "Benzinkosten", "Sonstigekosten1", "Sonstigekosten2", "Sonstigekosten3"};
constexpr int kFuel = 4;
const int kCostWeights[] = {15, 7, 15, 6, 45, 5, 4, 3};

double Cents(double v) { return std::round(v * 100.0) / 100.0; }
QVariant Iso(const QDate& d) { return d.isValid() ? QVariant(d.toString(Qt::ISODate)) : QVariant(); }
QString U(const char* s) { return QString::fromUtf8(s); }

// Inserts rows into one table by column name; values are stored as the
// store stores them (ISO dates, REAL numbers, NULL for empty text). The
// prepared statement is driven directly: QtSql's per-value bookkeeping
// would cost more than the inserts.
class TRowWriter {
public:
    TRowWriter(TDatabase* db, const QString& fileName) : m_q(db->Db()), m_db(db)
    {
        const TTableSchema& s = SchemaOf(fileName);
        QStringList cols, marks;
        for (const TFieldDef& f : s.Fields) {
            m_names << f.Name;
            cols << SqlQuote(f.Name);
            marks << QStringLiteral("?");
        }
        m_row.resize(s.Fields.size());
        if (!m_q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                             .arg(SqlQuote(TableBaseName(fileName)), cols.join(u','), marks.join(u','))))
            m_db->RaiseError(m_q.lastError(), fileName);
        const QVariant h = m_q.result()->handle();
        if (h.isValid() && qstrcmp(h.typeName(), "sqlite3_stmt*") == 0)
            m_st = *static_cast<sqlite3_stmt* const*>(h.constData());
        if (!m_st) DatabaseError(QStringLiteral("%1: keine SQLite-Anweisung").arg(fileName));
    }
    int Col(const char* name) const
    {
        const int i = int(m_names.indexOf(U(name)));
        if (i < 0) DatabaseError(QStringLiteral("Feld '%1' nicht gefunden").arg(U(name)));
        return i;
    }
    void Set(int col, const QVariant& v) { m_row[col] = v; }
    void Write()
    {
        sqlite3_reset(m_st);
        for (size_t i = 0; i < m_row.size(); ++i) {
            const QVariant& v = m_row[i];
            const int n = int(i) + 1;
            int rc;
            if (!v.isValid() || v.isNull()) {
                rc = sqlite3_bind_null(m_st, n);
            } else if (v.typeId() == QMetaType::Double) {
                rc = sqlite3_bind_double(m_st, n, v.toDouble());
            } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
                rc = sqlite3_bind_int64(m_st, n, v.toLongLong());
            } else {
                const QByteArray u = v.toString().toUtf8();
                rc = u.isEmpty() ? sqlite3_bind_null(m_st, n)
                                 : sqlite3_bind_text(m_st, n, u.constData(), int(u.size()), SQLITE_TRANSIENT);
            }
            if (rc != SQLITE_OK) Fail();
        }
        if (sqlite3_step(m_st) != SQLITE_DONE) Fail();
        std::fill(m_row.begin(), m_row.end(), QVariant());
        ++m_count;
    }
    qint64 Count() const { return m_count; }
private:
    [[noreturn]] void Fail()
    {
        const QString text = QString::fromUtf8(sqlite3_errmsg(m_db->Handle()));
        const int code = sqlite3_extended_errcode(m_db->Handle());
        sqlite3_reset(m_st);
        m_db->RaiseError(QSqlError(QString(), text, QSqlError::StatementError, QString::number(code)), QString());
    }
    QSqlQuery m_q;
    TDatabase* m_db;
    sqlite3_stmt* m_st = nullptr;
    QStringList m_names;
    std::vector<QVariant> m_row;
    qint64 m_count = 0;
};

struct TMachine {
    QString Ident, KfzNr;
    int Group = 0;
    QDate Purchase;
    int FirstMonth = 0;            // first month of the period with vouchers
    double HoursRate = 0, HoursOffset = 0;
    std::vector<quint16> PerMonth; // vouchers per month of the period
    double Weight = 0;
    double HoursAt(const QDate& d) const
    {
        return std::round((HoursOffset + HoursRate * Purchase.daysTo(d)) * 2.0) / 2.0;
    }
};

// A due date around today: some overdue, some soon, most later, some none.
QVariant DueDate(TRandom& r, const QDate& today, double emptyShare)
{
    if (r.Chance(emptyShare)) return {};
    const double x = r.Real();
    if (x < 0.12) return Iso(today.addDays(-r.Int(1, 120)));
    if (x < 0.32) return Iso(today.addDays(r.Int(0, 30)));
    return Iso(today.addDays(r.Int(31, 420)));
}

QString Alnum(TRandom& r, int n)
{
    static const char chars[] = "ABCDEFGHJKLMNPRSTUVWXYZ0123456789";
    QString s;
    for (int i = 0; i < n; ++i) s += QLatin1Char(chars[r.Int(0, int(sizeof(chars)) - 2)]);
    return s;
}

QString Letters(TRandom& r, int n)
{
    QString s;
    for (int i = 0; i < n; ++i) s += QLatin1Char(char('A' + r.Int(0, 25)));
    return s;
}

double FuelPrice(TRandom& r, int year)
{
    double p = 1.30 + 0.04 * (year - 2018);
    if (year == 2022) p += 0.35;
    return Cents(std::clamp(p, 1.05, 2.40) + r.Real(-0.08, 0.08));
}

QString AliasDir(const QString& dir, const char* sub) { return QDir(dir).absoluteFilePath(U(sub)); }

}   // namespace

namespace DemoPark {

void UseDirectory(const QString& dir)
{
    QDir().mkpath(dir);
    const QString data = AliasDir(dir, "Daten"), priv = AliasDir(dir, "Privat");
    QDir().mkpath(data);
    QDir().mkpath(priv);
    Session().SetAliasPath(QStringLiteral("Pelmora"), data);
    Session().SetAliasPath(QStringLiteral("PelmoraPriv"), priv);
    // Relative paths: the park can be moved or copied as a whole.
    QFile ini(QDir(dir).absoluteFilePath(QStringLiteral("aliases.ini")));
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        DatabaseError(QStringLiteral("%1 kann nicht geschrieben werden").arg(ini.fileName()));
    ini.write("[Pelmora]\nPath=Daten\n\n[PelmoraPriv]\nPath=Privat\n");
}

bool HasData(const QString& dir)
{
    const QString file = QDir(AliasDir(dir, "Daten")).absoluteFilePath(QStringLiteral("Pelmora.sqlite"));
    if (!QFileInfo::exists(file)) return false;
    bool found = false;
    const QString conn = QStringLiteral("demopark-probe");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) return true;   // unreadable: better not overwrite it
        for (const char* t : {"KfzStamm", "KfzVar", "KfzMonat", "KfzHisto"}) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(SqlQuote(U(t)))) && q.next()) found = true;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    return found;
}

void RemoveDatabases(const QString& dir)
{
    for (const QString& f : {QDir(AliasDir(dir, "Daten")).absoluteFilePath(QStringLiteral("Pelmora.sqlite")),
                             QDir(AliasDir(dir, "Privat")).absoluteFilePath(QStringLiteral("PelmoraPriv.sqlite"))})
        for (const QString& x : {f, f + QStringLiteral("-journal")})
            if (QFileInfo::exists(x) && !QFile::remove(x))
                DatabaseError(QStringLiteral("%1 kann nicht gelöscht werden").arg(x));
}

TDemoParkCounts Generate(const TDemoParkOptions& opt)
{
    QElapsedTimer timer;
    timer.start();
    TDemoParkCounts counts;
    TRandom r(opt.Seed);
    const QDate today = QDate::currentDate();
    const int months = std::max(1, opt.Years * 12);
    const QDate periodStart = QDate(today.year(), today.month(), 1).addMonths(-(months - 1));
    const auto monthStart = [&](int m) { return periodStart.addMonths(m); };
    const auto monthOf = [&](const QDate& d) {
        return (d.year() - periodStart.year()) * 12 + d.month() - periodStart.month();
    };
    const auto& groups = Groups();
    int weightSum = 0;
    for (const auto& g : groups) weightSum += g.Weight;

    CreateMissingTables();
    TDatabase* db = Session().Database(QStringLiteral("Pelmora"));

    // ------------------------------------------------------- the machines
    std::vector<TMachine> machines(size_t(std::max(0, opt.Machines)));
    std::vector<int> perGroup(groups.size(), 0);
    const int digits = std::max(4, int(QString::number(opt.Machines).size()));
    for (size_t i = 0; i < machines.size(); ++i) {
        TMachine& m = machines[i];
        // Some attachments share the first ten characters with their carrier:
        // their history is one and the same.
        const bool twin = i % 25 == 6 && i > 0 && machines[i - 1].Ident.endsWith(QLatin1String("/01"));
        if (twin) {
            m.Group = machines[i - 1].Group;
            m.Ident = machines[i - 1].Ident.left(machines[i - 1].Ident.size() - 3) + QStringLiteral("/02");
        } else {
            int w = r.Int(0, weightSum - 1);
            m.Group = 0;
            while (w >= groups[m.Group].Weight) w -= groups[m.Group].Weight, ++m.Group;
            m.Ident = QStringLiteral("%1-%2").arg(U(groups[m.Group].Prefix)).arg(++perGroup[m.Group], digits, 10, QLatin1Char('0'));
            if (i % 25 == 5 && i + 1 < machines.size()) m.Ident += QStringLiteral("/01");
        }
        m.KfzNr = m.Ident.left(10);
        const TGroupInfo& g = groups[m.Group];
        if (r.Chance(0.82)) {
            m.Purchase = periodStart.addDays(-r.Int(30, 12 * 365));
        } else {
            m.Purchase = periodStart.addDays(r.Int(0, std::max(1, int(periodStart.daysTo(today)) - 20)));
        }
        m.FirstMonth = std::max(0, monthOf(m.Purchase));
        m.HoursRate = r.Real(g.HoursLo, g.HoursHi);
        m.HoursOffset = r.Chance(0.2) ? r.Int(50, 3000) : r.Int(0, 20);   // bought used or new
        m.Weight = (months - m.FirstMonth) * r.Real(0.5, 1.5) * (g.Road ? 1.2 : 1.0);
    }

    // Voucher counts: exact totals when asked for, spread by weight.
    double wsum = 0;
    for (const auto& m : machines) wsum += m.Weight;
    qint64 total = opt.TotalVouchers > 0 ? opt.TotalVouchers : qint64(std::llround(wsum * opt.VouchersPerMonth));
    if (machines.empty()) total = 0;
    {
        double cum = 0;
        qint64 given = 0;
        for (auto& m : machines) {
            cum += m.Weight;
            const qint64 upto = wsum > 0 ? qint64(std::llround(total * (cum / wsum))) : 0;
            const qint64 k = upto - given;
            given = upto;
            m.PerMonth.assign(size_t(months), 0);
            const int active = months - m.FirstMonth;
            for (qint64 j = 0; j < k; ++j) ++m.PerMonth[size_t(m.FirstMonth + r.Int(0, active - 1))];
        }
    }

    db->BeginTransaction();
    try {
        {
            QSqlQuery q(db->Db());
            q.prepare(QStringLiteral("INSERT OR IGNORE INTO \"KfzGruppe\" (\"Gruppe\") VALUES (?)"));
            for (const auto& g : groups) {
                q.bindValue(0, U(g.Name));
                if (!q.exec()) db->RaiseError(q.lastError(), QString());
                ++counts.Groups;
            }
            q.prepare(QStringLiteral("INSERT OR IGNORE INTO \"KfzStort\" (\"Standort\") VALUES (?)"));
            for (const char* s : kLocations) {
                q.bindValue(0, U(s));
                if (!q.exec()) db->RaiseError(q.lastError(), QString());
                ++counts.Locations;
            }
        }
        {   // Captions of the free dates and fields.
            const char* names[][2] = {
                {"NameFreitermin1", "HU Kran"}, {"NameFreitermin2", "Leasingende"},
                {"NameFreitermin3", "Tachograph"}, {"NameFreifeld1", "Kostenstelle"},
                {"NameFreifeld2", "Fahrer"}, {"NameFreifeld3", "Kennzeichen"}, {"NameFreifeld4", "Versicherung"},
                {"NameFreifeld5", "Leasinggeber"}, {"NameFreifeld6", "Tankkarte"}, {"NameFreifeld7", "Reifengröße"},
                {"NameFreifeld8", "Inventarnummer"}, {"NameFreifeld9", "Garantie bis"},
                {"NameFreifeld10", "Ausstattung"}};
            QStringList sets;
            for (const auto& n : names) sets << SqlQuote(U(n[0])) + QStringLiteral(" = ?");
            QSqlQuery q(db->Db());
            q.prepare(QStringLiteral("UPDATE \"Kfzsyste\" SET %1").arg(sets.join(u',')));
            for (int i = 0; i < int(std::size(names)); ++i) q.bindValue(i, U(names[i][1]));
            if (!q.exec()) db->RaiseError(q.lastError(), QString());
            if (q.numRowsAffected() == 0) {
                QStringList cols, marks;
                for (const auto& n : names) cols << SqlQuote(U(n[0])), marks << QStringLiteral("?");
                q.prepare(QStringLiteral("INSERT INTO \"Kfzsyste\" (%1) VALUES (%2)").arg(cols.join(u','), marks.join(u',')));
                for (int i = 0; i < int(std::size(names)); ++i) q.bindValue(i, U(names[i][1]));
                if (!q.exec()) db->RaiseError(q.lastError(), QString());
            }
        }

        {
            TRowWriter w(db, QStringLiteral("KfzStamm.db"));
            const int cIdent = w.Col("IdentNummer"), cGruppe = w.Col("Gruppe"), cStandort = w.Col("Standort"),
                      cB1 = w.Col("Bezeichnung1"), cB2 = w.Col("Bezeichnung2"), cB3 = w.Col("Bezeichnung3"),
                      cTyp = w.Col("Hersteller/Typ"), cBaujahr = w.Col("Baujahr"), cKW = w.Col("Motorleistung"),
                      cFg = w.Col("FahrgestellNr"), cMotor = w.Col("MotorNr"), cAnsch = w.Col("Anschaffung"),
                      cPreis = w.Col("Anschaffungspreis"), cFin = w.Col("Finanzierung"), cUVV = w.Col("UVVTermin"),
                      cWJahr = w.Col("WartungJahrTermin"), cWKlein = w.Col("WartungKleinTermin"),
                      cWGross = w.Col("WartungGrossTermin"), cBstT = w.Col("BetriebsstundenTermin"),
                      cTUV = w.Col("TÜVTermin"), cF1 = w.Col("FreierTermin1"), cF2 = w.Col("FreierTermin2"),
                      cF3 = w.Col("FreierTermin3"), cBst = w.Col("Betriebsstunden"), cFf1 = w.Col("Freifeld1"),
                      cMemo = w.Col("Memo");
            for (const TMachine& m : machines) {
                const TGroupInfo& g = groups[m.Group];
                const TMachineType& type = r.Pick(g.Types);
                const bool financed = r.Chance(0.4);
                const int built = m.Purchase.year() - (r.Chance(0.25) ? r.Int(1, 4) : 0);
                const double price = Cents(std::round(r.Real(g.PriceLo, g.PriceHi) / 50.0) * 50.0);
                const double hoursNow = m.HoursAt(today);
                w.Set(cIdent, m.Ident);
                w.Set(cGruppe, U(g.Name));
                w.Set(cStandort, U(r.Pick(kLocations)));
                w.Set(cB1, U(r.Pick(g.Kinds)));
                w.Set(cB2, r.Chance(0.8) ? QVariant(U(r.Pick(kUses))) : QVariant());
                w.Set(cB3, financed ? QStringLiteral("Leasing") : QStringLiteral("Eigentum"));
                w.Set(cTyp, U(type.Name));
                w.Set(cBaujahr, QString::number(built));
                w.Set(cKW, QStringLiteral("%1 kW").arg(type.KW + r.Int(0, 3) * (type.KW > 40 ? 5 : 1)));
                w.Set(cFg, r.Chance(0.9) ? QVariant(QStringLiteral("W") + Alnum(r, 16)) : QVariant());
                w.Set(cMotor, r.Chance(0.7) ? QVariant(QStringLiteral("D%1-%2").arg(r.Int(900, 999)).arg(r.Int(1000000, 9999999)))
                                            : QVariant());
                w.Set(cAnsch, Iso(m.Purchase));
                w.Set(cPreis, price);
                if (financed) w.Set(cFin, Cents(std::round(price * r.Real(0.5, 0.9) / 100.0) * 100.0));
                w.Set(cTUV, DueDate(r, today, g.Road ? 0.05 : 0.7));
                w.Set(cUVV, DueDate(r, today, 0.08));
                w.Set(cWJahr, DueDate(r, today, 0.25));
                w.Set(cWKlein, DueDate(r, today, 0.1));
                w.Set(cWGross, DueDate(r, today, 0.2));
                w.Set(cF1, DueDate(r, today, m.Group == 3 ? 0.05 : 0.95));
                w.Set(cF2, financed ? DueDate(r, today, 0.1) : QVariant());
                w.Set(cF3, DueDate(r, today, m.Group == 2 ? 0.05 : 0.97));
                w.Set(cBst, hoursNow);
                if (!r.Chance(0.1)) {
                    // The next service interval, now and then already passed.
                    const double step = 500;
                    double due = std::ceil((hoursNow + 1) / step) * step;
                    if (r.Chance(0.12) && due > step) due -= step;
                    w.Set(cBstT, due);
                }
                // Free fields as the captions above name them.
                QVariant ff[10];
                if (r.Chance(0.9)) ff[0] = QStringLiteral("KST %1").arg(4000 + 100 * r.Int(1, 9) + 10 * m.Group);
                if (r.Chance(0.6)) ff[1] = QStringLiteral("%1 %2").arg(U(r.Pick(kInitials)), U(r.Pick(kDrivers)));
                if (g.Road) ff[2] = QStringLiteral("%1-%2 %3").arg(U(r.Pick(kPlates)), Letters(r, 2)).arg(r.Int(10, 9999));
                if (r.Chance(0.7)) ff[3] = U(r.Pick(kInsurers));
                if (financed) ff[4] = U(r.Pick(kLessors));
                if (r.Chance(g.Road ? 0.8 : 0.3)) ff[5] = QStringLiteral("DKV %1 %2").arg(r.Int(1000, 9999)).arg(r.Int(100000, 999999));
                if (g.Wheels && r.Chance(0.7)) ff[6] = U(r.Pick(kTyres));
                if (r.Chance(0.8)) ff[7] = QStringLiteral("INV-%1").arg(r.Int(10000, 99999));
                if (r.Chance(0.2)) ff[8] = m.Purchase.addYears(r.Int(2, 5)).toString(QStringLiteral("dd.MM.yyyy"));
                if (r.Chance(0.3)) ff[9] = U(r.Pick(kEquipment));
                for (int k = 0; k < 10; ++k) w.Set(cFf1 + k, ff[k]);
                if (r.Chance(0.2)) w.Set(cMemo, U(r.Pick(kMemos)));
                w.Write();
            }
            counts.Machines = w.Count();
        }

        {   // A few history entries; twins write under their common number.
            TRowWriter w(db, QStringLiteral("KfzHisto.DB"));
            const int cNr = w.Col("KfzNr"), cDatum = w.Col("Datum"), cKosten = w.Col("Kosten"),
                      cR1 = w.Col("Reserve1"), cR2 = w.Col("Reserve2"), cR3 = w.Col("Reserve3"), cInfo = w.Col("Info");
            for (const TMachine& m : machines) {
                const int n = r.Int(1, 4) + (m.Purchase.daysTo(today) > 5 * 365 ? 1 : 0);
                for (int k = 0; k < n; ++k) {
                    const QDate d = m.Purchase.addDays(r.Int(0, std::max(1, int(m.Purchase.daysTo(today)))));
                    w.Set(cNr, m.KfzNr);
                    w.Set(cDatum, Iso(d));
                    if (r.Chance(0.75)) w.Set(cKosten, Cents(r.Real(150, 18000)));
                    w.Set(cR1, U(r.Pick(kWorkshops)));
                    if (r.Chance(0.6)) w.Set(cR2, QStringLiteral("Auftrag %1-%2").arg(d.year()).arg(r.Int(1, 999), 3, 10, QLatin1Char('0')));
                    if (r.Chance(0.4)) w.Set(cR3, QStringLiteral("geprüft: %1 %2").arg(U(r.Pick(kInitials)), U(r.Pick(kDrivers))));
                    QString info = U(r.Pick(kEvents));
                    if (m.Ident != m.KfzNr) info += QStringLiteral(" (%1)").arg(m.Ident);
                    w.Set(cInfo, info);
                    w.Write();
                }
            }
            counts.History = w.Count();
        }

        {   // Vouchers month by month as they would have been entered, each
            // month's evaluation saved for most machines afterwards.
            TRowWriter v(db, QStringLiteral("KfzVar.DB"));
            TRowWriter e(db, QStringLiteral("KfzMonat.DB"));
            const int vIdent = v.Col("IdentNummer"), vDatum = v.Col("BelegDatum"), vNr = v.Col("BelegNummer"),
                      vBst = v.Col("Betriebsstunden"), vLiter = v.Col("BenzinLiter"), vB1 = v.Col("Bemerkung"),
                      vB2 = v.Col("Bemerkung2"), vB3 = v.Col("Bemerkung3"), vMonat = v.Col("Monat"),
                      vJahr = v.Col("Jahr"), vKz = v.Col("NachschlagDummyFeld");
            int vCost[8], eCost[8];
            for (int k = 0; k < 8; ++k) vCost[k] = v.Col(kVoucherCost[k]), eCost[k] = e.Col(kMonthCost[k]);
            const int eIdent = e.Col("IdentNummer"), eJahr = e.Col("AuswJahr"), eNum = e.Col("AuswMonatNum"),
                      eText = e.Col("AuswMonatText"), eTotal = e.Col("GesamtKosten"), eLiter = e.Col("VerbrauchLiter"),
                      eBst = e.Col("Betriebsstunden");
            int costWeightSum = 0;
            for (int w : kCostWeights) costWeightSum += w;
            const QString prefixes = QStringLiteral("RRWUTSSS");
            int numberYear = 0, number = 0;
            std::vector<int> days;
            for (int mo = 0; mo < months; ++mo) {
                const QDate first = monthStart(mo);
                const int lastDay = mo == months - 1 ? today.day() : first.daysInMonth();
                const QString monthName = MonthNames().at(first.month() - 1);
                const QString yearText = QString::number(first.year());
                const double fuelPrice = FuelPrice(r, first.year());
                if (first.year() != numberYear) numberYear = first.year(), number = 0;
                const bool past = mo < months - 1;
                for (const TMachine& m : machines) {
                    const int n = m.PerMonth[size_t(mo)];
                    if (n == 0) continue;
                    const TGroupInfo& g = groups[m.Group];
                    const int fromDay = (m.Purchase.year() == first.year() && m.Purchase.month() == first.month())
                                            ? std::min(m.Purchase.day(), lastDay) : 1;
                    days.clear();
                    for (int k = 0; k < n; ++k) days.push_back(r.Int(fromDay, lastDay));
                    std::sort(days.begin(), days.end());
                    double sums[8] = {}, litres = 0, hoursMax = 0;
                    for (int day : days) {
                        const QDate d(first.year(), first.month(), day);
                        int w = r.Int(0, costWeightSum - 1), type = 0;
                        while (w >= kCostWeights[type]) w -= kCostWeights[type], ++type;
                        double amount;
                        switch (type) {
                        case 0: amount = r.Chance(0.1) ? r.Real(1500, 9000) : r.Real(80, 1500); break;
                        case 1: amount = r.Real(180, g.Wheels ? 3200 : 900); break;
                        case 2: amount = r.Real(150, 1900); break;
                        case 3: amount = r.Real(60, 480); break;
                        case kFuel: {
                            const double l = std::round(r.Real(g.LitresLo, g.LitresHi) * 100.0) / 100.0;
                            litres += l;
                            v.Set(vLiter, l);
                            amount = l * fuelPrice;
                            break;
                        }
                        default: amount = r.Real(20, 950); break;
                        }
                        amount = Cents(amount);
                        const double hours = m.HoursAt(d);
                        sums[type] += amount;
                        hoursMax = std::max(hoursMax, hours);
                        v.Set(vIdent, m.Ident);
                        v.Set(vDatum, Iso(d));
                        v.Set(vNr, QStringLiteral("%1%2-%3").arg(prefixes[type]).arg(first.year() % 100, 2, 10, QLatin1Char('0'))
                                       .arg(++number, 6, 10, QLatin1Char('0')));
                        v.Set(vBst, hours);
                        v.Set(vCost[type], amount);
                        v.Set(vB1, U(r.Pick(Remarks()[size_t(type)])));
                        if (r.Chance(0.15)) v.Set(vB2, U(r.Pick(kRemarks2)));
                        if (r.Chance(0.04)) v.Set(vB3, U(r.Pick(kRemarks3)));
                        v.Set(vMonat, monthName);
                        v.Set(vJahr, yearText);
                        if (type == 3 && r.Chance(0.7)) v.Set(vKz, g.Road && r.Chance(0.6) ? QStringLiteral("TUV") : QStringLiteral("UVV"));
                        if (type == 2 && r.Chance(0.7)) {
                            const double x = r.Real();
                            v.Set(vKz, x < 0.55 ? QStringLiteral("KLW") : x < 0.8 ? QStringLiteral("GRW") : QStringLiteral("BST"));
                        }
                        v.Write();
                    }
                    if (past && r.Chance(0.88)) {
                        double sum = 0;
                        for (int k = 0; k < 8; ++k) {
                            e.Set(eCost[k], Cents(sums[k]));
                            sum += sums[k];
                        }
                        e.Set(eIdent, m.Ident);
                        e.Set(eJahr, yearText);
                        e.Set(eNum, double(first.month()));
                        e.Set(eText, monthName);
                        e.Set(eTotal, Cents(sum));
                        e.Set(eLiter, std::round(litres * 100.0) / 100.0);
                        e.Set(eBst, hoursMax);
                        e.Write();
                    }
                }
            }
            counts.Vouchers = v.Count();
            counts.Evaluations = e.Count();
        }
        db->Commit();
    } catch (...) {
        db->Rollback();
        throw;
    }
    // Written past the store: whatever it cached of these tables is stale.
    for (const char* t : {"KfzStamm", "KfzVar", "KfzMonat", "KfzHisto", "KfzGruppe", "KfzStort", "Kfzsyste"})
        db->NoteLocalChange(db->Table(U(t)).get());
    counts.Millis = timer.elapsed();
    return counts;
}

}   // namespace DemoPark
