#include "DataMod.h"
#include "DBErrors.h"
#include "Utility.h"
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>

static void InitDeliveredResources()
{
    Q_INIT_RESOURCE(delivered);
}

namespace {

// The first steps for a new installation; the help window shows the table's text.
QString DeliveredHelpText()
{
    InitDeliveredResources();
    QFile f(QStringLiteral(":/delivered/Hilfe.txt"));
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.readAll());
}

TFieldDef S(const char* name, int size, bool required = false) { return {QString::fromUtf8(name), ftString, size, required, 0}; }
TFieldDef F(const char* name, TFieldType t, int size = 0) { return {QString::fromUtf8(name), t, size, false, 0}; }

TFieldDesc D(const char* name, const char* label = "", const char* format = "", int width = 0, bool visible = true)
{
    TFieldDesc d;
    d.FieldName = QString::fromUtf8(name);
    d.DisplayLabel = QString::fromUtf8(label);
    d.DisplayFormat = QString::fromUtf8(format);
    d.DisplayWidth = width;
    d.Visible = visible;
    return d;
}

TIndexDef Primary(const char* fields, bool unique = true)
{
    return {QString(), QString::fromUtf8(fields), ixPrimary | (unique ? ixUnique : 0)};
}

// A secondary index: another order to walk a table in (index choice).
TIndexDef Secondary(const char* name, const char* fields)
{
    return {QString::fromUtf8(name), QString::fromUtf8(fields), ixCaseInsensitive};
}

std::vector<TTableSchema> BuildSchema()
{
    std::vector<TTableSchema> s;
    const QString P = QStringLiteral("Pelmora"), PP = QStringLiteral("PelmoraPriv");
    const char* money = "########0.00";
    const char* sum = "###,###,##0.00";

    {   // KfzStamm.db: the machines; captions come from the main window. Besides their
        // numbers they can be walked by description, group or location.
        TTableSchema t{P, QStringLiteral("KfzStamm.db"), {},
                       {Primary("IdentNummer"), Secondary("Bezeichnung", "Bezeichnung1"),
                        Secondary("Gruppe", "Gruppe"), Secondary("Standort", "Standort")},
                       {}};
        t.Fields = {S("IdentNummer", 30, true), S("Gruppe", 30), S("Standort", 30), S("Bezeichnung1", 30),
                    S("Bezeichnung2", 30), S("Bezeichnung3", 30), S("Hersteller/Typ", 30), S("Baujahr", 4),
                    S("Motorleistung", 10), S("FahrgestellNr", 30), S("MotorNr", 30), F("Anschaffung", ftDate),
                    F("Anschaffungspreis", ftCurrency), F("Finanzierung", ftCurrency), F("UVVTermin", ftDate),
                    F("WartungJahrTermin", ftDate), F("WartungKleinTermin", ftDate), F("WartungGrossTermin", ftDate),
                    F("BetriebsstundenTermin", ftFloat), F("TÜVTermin", ftDate), F("FreierTermin1", ftDate),
                    F("FreierTermin2", ftDate), F("FreierTermin3", ftDate), F("Betriebsstunden", ftFloat)};
        for (int i = 1; i <= 10; ++i) t.Fields.push_back({QStringLiteral("Freifeld%1").arg(i), ftString, 30, false, 0});
        t.Fields.push_back(F("Memo", ftMemo, 240));
        s.push_back(t);
    }
    s.push_back({P, QStringLiteral("TerminKz.db"), {S("TerminKennzeichen", 3, true), S("TerminErklaerung", 20)},
                 {Primary("TerminKennzeichen")}, {}});
    {
        TTableSchema t{PP, QStringLiteral("Termine.DB"), {}, {}, {}};
        t.Fields = {S("IdentNummer", 30), S("Gruppe", 30), S("Bezeichnung1", 30), F("TÜVTermin", ftDate),
                    F("UVVTermin", ftDate), F("WartungKleinTermin", ftDate), F("WartungGrossTermin", ftDate),
                    F("BetriebsstundenTermin", ftFloat), F("FreierTermin1", ftDate), F("FreierTermin2", ftDate),
                    F("FreierTermin3", ftDate)};
        t.Declared = {D("IdentNummer"), D("Gruppe"), D("Bezeichnung1"), D("TÜVTermin", "TÜV"), D("UVVTermin", "UVV"),
                      D("WartungKleinTermin", "Kl. Wartung"), D("WartungGrossTermin", "Gr. Wartung"),
                      D("BetriebsstundenTermin", "Betriebsstunden"), D("FreierTermin1", "Freier Termin1"),
                      D("FreierTermin2", "Freier Termin2"), D("FreierTermin3", "Freier Termin3")};
        s.push_back(t);
    }
    {   // KfzVar.DB: a machine's vouchers in date order, equal dates in entry order.
        TTableSchema t{P, QStringLiteral("KfzVar.DB"), {}, {Primary("IdentNummer;BelegDatum", false)}, {}};
        t.Fields = {S("IdentNummer", 30, true), F("BelegDatum", ftDate), S("BelegNummer", 10), F("Betriebsstunden", ftFloat),
                    F("ReparaturKosten", ftFloat), F("ReifenKosten", ftFloat), F("Wartungskosten", ftFloat),
                    F("Untersuchungskosten", ftFloat), F("Benzinkosten", ftFloat), F("SonstigeKosten1", ftFloat),
                    F("SonstigeKosten2", ftFloat), F("SonstigeKosten3", ftFloat), F("BenzinLiter", ftFloat),
                    S("Bemerkung", 30), S("Bemerkung2", 30), S("Bemerkung3", 30), S("Monat", 10), S("Jahr", 4),
                    S("NachschlagDummyFeld", 3)};
        TFieldDesc kz = D("TerminKz");
        kz.FieldKind = fkLookup;
        kz.DataType = ftString;
        kz.Size = 3;
        kz.KeyFields = QStringLiteral("NachschlagDummyFeld");
        kz.LookupKeyFields = QStringLiteral("TerminKennzeichen");
        kz.LookupResultField = QStringLiteral("TerminKennzeichen");
        t.Declared = {D("IdentNummer", "", "", 0, false), D("BelegDatum"), D("BelegNummer"), D("Betriebsstunden"), kz,
                      D("ReparaturKosten", "Reparaturkosten", money), D("ReifenKosten", "Reifenkosten", money),
                      D("Wartungskosten", "", money), D("Untersuchungskosten", "", money),
                      D("Benzinkosten", "Treibstoffkosten", money), D("SonstigeKosten1", "Sonstige Kosten1", money),
                      D("SonstigeKosten2", "Sonstige Kosten2", money), D("SonstigeKosten3", "Sonstige Kosten3", money),
                      D("BenzinLiter", "Verbrauch/Liter", "####0.00"), D("Bemerkung", "Bemerkung1"), D("Bemerkung2"),
                      D("Bemerkung3"), D("Monat", "", "", 0, false), D("Jahr", "", "", 0, false),
                      D("NachschlagDummyFeld", "", "", 0, false)};
        s.push_back(t);
    }
    {   // KfzMonat.DB: one evaluation per machine and month; inserted by position.
        TTableSchema t{P, QStringLiteral("KfzMonat.DB"), {},
                       {Primary("IdentNummer;AuswJahr;AuswMonatNum;AuswMonatText")}, {}};
        t.Fields = {S("IdentNummer", 30, true), S("AuswJahr", 4), F("AuswMonatNum", ftFloat), S("AuswMonatText", 10),
                    F("GesamtKosten", ftCurrency), F("Reparaturkosten", ftCurrency), F("Reifenkosten", ftCurrency),
                    F("Wartungskosten", ftCurrency), F("Untersuchungskosten", ftCurrency), F("Benzinkosten", ftCurrency),
                    F("Sonstigekosten1", ftCurrency), F("Sonstigekosten2", ftCurrency), F("Sonstigekosten3", ftCurrency),
                    F("VerbrauchLiter", ftFloat), F("Betriebsstunden", ftFloat)};
        t.Declared = {D("IdentNummer", "", "", 0, false), D("AuswJahr", "Jahr"), D("AuswMonatNum", "Monat", "", 0, false),
                      D("AuswMonatText", "Monat", "", 9), D("GesamtKosten", "Gesamt", sum, 10),
                      D("Reparaturkosten", "Reparatur", sum, 15), D("Reifenkosten", "Reifen", sum, 15),
                      D("Wartungskosten", "Wartung", sum, 15), D("Untersuchungskosten", "Untersuch.", sum, 15),
                      D("Benzinkosten", "Benzin", sum, 15), D("Sonstigekosten1", "Sonstige1", sum, 15),
                      D("Sonstigekosten2", "Sonstige2", sum, 15), D("Sonstigekosten3", "Sonstige3", sum, 15),
                      D("VerbrauchLiter", "Verbr./L.", "", 5), D("Betriebsstunden", "Betr.Std.", "", 5, false)};
        s.push_back(t);
    }
    {   // KfzHisto.DB: found by the first 10 characters of the machine number.
        TTableSchema t{P, QStringLiteral("KfzHisto.DB"), {}, {Primary("KfzNr;Datum", false)}, {}};
        t.Fields = {S("KfzNr", 10, true), F("Datum", ftDate), F("Kosten", ftFloat), S("Reserve1", 30), S("Reserve2", 30),
                    S("Reserve3", 30), S("Info", 255)};
        t.Declared = {D("KfzNr", "", "", 0, false), D("Datum"), D("Kosten"), D("Reserve1", "Bemerkung1"),
                      D("Reserve2", "Bemerkung2"), D("Reserve3", "Bemerkung3"), D("Info")};
        s.push_back(t);
    }
    s.push_back({PP, QStringLiteral("Kfzsyspr.DB"), {S("Rights", 1), F("Schreibschutz", ftBoolean)}, {}, {}});
    {
        TTableSchema t{P, QStringLiteral("Kfzsyste.DB"), {}, {}, {}};
        for (int i = 1; i <= 3; ++i) t.Fields.push_back({QStringLiteral("NameFreitermin%1").arg(i), ftString, 30, false, 0});
        for (int i = 1; i <= 10; ++i) t.Fields.push_back({QStringLiteral("NameFreifeld%1").arg(i), ftString, 30, false, 0});
        for (const char* n : {"NameReparaturkosten", "NameReifenkosten", "NameWartungskosten", "NameUntersuchungskosten",
                              "NameBenzinkosten", "NameSonstigekosten1", "NameSonstigekosten2", "NameSonstigekosten3"})
            t.Fields.push_back(S(n, 30));
        for (int i = 1; i <= 3; ++i) t.Fields.push_back({QStringLiteral("NameHistorieBemerkung%1").arg(i), ftString, 30, false, 0});
        for (int i = 1; i <= 3; ++i) t.Fields.push_back({QStringLiteral("NameVarKostenBemerkung%1").arg(i), ftString, 30, false, 0});
        for (const char* n : {"TÜVTIntervall", "UVVTIntervall", "WartungKleinTIntervall", "WartungGrossTIntervall",
                              "FreierT1Intervall", "FreierT2Intervall", "FreierT3Intervall", "BetriebsstundenTIntervall"})
            t.Fields.push_back(F(n, ftInteger));
        t.Fields.push_back(F("Boolfeld1", ftBoolean));
        t.Fields.push_back(S("MitHeader", 10));
        s.push_back(t);
    }
    s.push_back({P, QStringLiteral("KfzGruppe.db"), {S("Gruppe", 30, true)}, {Primary("Gruppe")}, {}});
    s.push_back({P, QStringLiteral("HILFE.DB"), {F("Hilfe", ftMemo, 240)}, {}, {}});
    s.push_back({P, QStringLiteral("KfzStort.db"), {S("Standort", 30, true)}, {Primary("Standort")}, {}});
    {
        TTableSchema t{PP, QStringLiteral("KfzFuKst.db"), {}, {}, {}};
        t.Fields = {S("KfzNr", 10), S("Info", 30), S("Gruppe", 30), S("Kostenstelle", 30), F("GesamtKosten", ftCurrency),
                    F("ReparaturKosten", ftCurrency), F("ReifenKosten", ftCurrency), F("WartungKosten", ftCurrency),
                    F("UntersuchungKosten", ftCurrency), F("VerbrauchKosten", ftCurrency), F("SonstigeKosten", ftCurrency),
                    F("Sonstige2Kosten", ftCurrency), F("Sonstige3Kosten", ftCurrency), F("VerbrauchLiter", ftFloat),
                    F("DVerbrauchLiter", ftFloat), F("DVerbrauchLiter100Km", ftFloat), F("Ertrag", ftCurrency)};
        t.Declared = {D("KfzNr", "Ident.-Nr.", "", 30), D("Info", "Bezeichnung1"), D("Gruppe"), D("Kostenstelle"),
                      D("GesamtKosten"), D("ReparaturKosten"), D("ReifenKosten"), D("WartungKosten"),
                      D("UntersuchungKosten"), D("VerbrauchKosten", "TreibstoffKosten"), D("SonstigeKosten"),
                      D("Sonstige2Kosten"), D("Sonstige3Kosten"), D("VerbrauchLiter", "Verbrauch/L."),
                      D("DVerbrauchLiter", "", "", 0, false), D("DVerbrauchLiter100Km", "", "", 0, false),
                      D("Ertrag", "", "", 0, false)};
        s.push_back(t);
    }
    for (auto& t : s) {
        int no = 0;
        for (auto& f : t.Fields) f.FieldNo = ++no;
    }
    return s;
}

void FillDelivered(const TTableSchema& s)
{
    TTable t;
    t.SetDatabaseName(s.Alias);
    t.SetTableName(s.FileName);
    t.Open();
    const QString name = TableBaseName(s.FileName).toLower();
    if (name == QLatin1String("kfzsyste")) {
        t.Append();
        const char* intervals[][2] = {{"TÜVTIntervall", "12"}, {"UVVTIntervall", "12"}, {"WartungKleinTIntervall", "6"},
                                      {"WartungGrossTIntervall", "12"}, {"FreierT1Intervall", "12"},
                                      {"FreierT2Intervall", "12"}, {"FreierT3Intervall", "12"},
                                      {"BetriebsstundenTIntervall", "500"}};
        for (const auto& iv : intervals) t.FieldByName(QString::fromUtf8(iv[0]))->SetAsString(QString::fromUtf8(iv[1]));
        t.FieldByName(QStringLiteral("Boolfeld1"))->SetAsBoolean(false);
        t.FieldByName(QStringLiteral("MitHeader"))->SetAsString(QStringLiteral("TARVOS"));
        t.Post();
    } else if (name == QLatin1String("terminkz")) {
        const char* codes[][2] = {{"TUV", "TÜV-Prüfung"}, {"UVV", "UVV-Prüfung"}, {"KLW", "Kleine Wartung"},
                                  {"GRW", "Große Wartung"}, {"FT1", "Freier Termin 1"}, {"FT2", "Freier Termin 2"},
                                  {"FT3", "Freier Termin 3"}, {"BST", "Betriebsstunden"}};
        for (const auto& c : codes) t.AppendRecord({QString::fromUtf8(c[0]), QString::fromUtf8(c[1])});
    } else if (name == QLatin1String("hilfe")) {
        t.AppendRecord({DeliveredHelpText()});
    } else if (name == QLatin1String("kfzsyspr")) {
        t.AppendRecord({QStringLiteral("S"), QStringLiteral("Falsch")});
    }
    t.Close();
}

}   // namespace

const QStringList& MonthNames()
{
    static const QStringList names{
        QStringLiteral("Januar"), QStringLiteral("Februar"), QStringLiteral("März"), QStringLiteral("April"),
        QStringLiteral("Mai"), QStringLiteral("Juni"), QStringLiteral("Juli"), QStringLiteral("August"),
        QStringLiteral("September"), QStringLiteral("Oktober"), QStringLiteral("November"), QStringLiteral("Dezember")};
    return names;
}

const std::vector<TTableSchema>& PelmoraSchema()
{
    static const std::vector<TTableSchema> s = BuildSchema();
    return s;
}

const TTableSchema& SchemaOf(const QString& fileName)
{
    for (const auto& t : PelmoraSchema())
        if (TableBaseName(t.FileName).compare(TableBaseName(fileName), Qt::CaseInsensitive) == 0) return t;
    DatabaseError(QStringLiteral("Tabelle '%1' gehört nicht zum Schema").arg(fileName));
}

void CreateMissingTables()
{
    for (const TTableSchema& s : PelmoraSchema()) {
        TDatabase* db = Session().Database(s.Alias);
        if (db->TableExists(s.FileName)) continue;
        db->CreateTable(s.FileName, s.Fields, s.Indexes);
        FillDelivered(s);
    }
}

// ------------------------------------------------------------ data module

std::function<void(const QString&, bool)> TDataModule1::OnTableSwitched;

TTable* TDataModule1::MakeTable(const char* name, const QString& fileName)
{
    auto* t = new TTable(this);
    t->setObjectName(QString::fromLatin1(name));
    if (!fileName.isEmpty()) {
        const TTableSchema& s = SchemaOf(fileName);
        t->SetDatabaseName(s.Alias);
        t->SetTableName(s.FileName);
        if (!s.Declared.empty()) t->DeclareFields(s.Declared);
        if (OnTableSwitched) {
            t->AfterOpen = [fileName](TDataSet*) { OnTableSwitched(fileName, true); };
            t->AfterClose = [fileName](TDataSet*) { OnTableSwitched(fileName, false); };
        }
    }
    return t;
}

TDataSource* TDataModule1::MakeSource(const char* name, TTable* t)
{
    auto* s = new TDataSource(this);
    s->setObjectName(QString::fromLatin1(name));
    s->SetDataSet(t);
    return s;
}

TDataModule1::TDataModule1(QObject* owner) : QObject(owner)
{
    setObjectName(QStringLiteral("DataModule1"));
    // Network control files live in the working directory.
    Session().SetNetFileDir(QDir::currentPath());
    CreateMissingTables();

    TTblMain = MakeTable("TTblMain", QStringLiteral("KfzStamm.db"));
    TTblBetriebsstunden = MakeTable("TTblBetriebsstunden", QStringLiteral("TerminKz.db"));
    TTblTermine = MakeTable("TTblTermine", QStringLiteral("Termine.DB"));
    TTblVarKosten = MakeTable("TTblVarKosten", QStringLiteral("KfzVar.DB"));
    TTblMonatKosten = MakeTable("TTblMonatKosten", QStringLiteral("KfzMonat.DB"));
    TTblHistorie = MakeTable("TTblHistorie", QStringLiteral("KfzHisto.DB"));
    TTblEinstellungenPriv = MakeTable("TTblEinstellungenPriv", QStringLiteral("Kfzsyspr.DB"));
    TTblEinstellungenAllgem = MakeTable("TTblEinstellungenAllgem", QStringLiteral("Kfzsyste.DB"));
    TTblGruppe = MakeTable("TTblGruppe", QStringLiteral("KfzGruppe.db"));
    TTblHilfe = MakeTable("TTblHilfe", QStringLiteral("HILFE.DB"));
    TblStandort = MakeTable("TblStandort", QStringLiteral("KfzStort.db"));
    TTblFuhrparkKosten = MakeTable("TTblFuhrparkKosten", QStringLiteral("KfzFuKst.db"));
    TTblVar = MakeTable("TTblVar", QString());
    TTblVar1 = MakeTable("TTblVar1", QString());

    TDataSrcMain = MakeSource("TDataSrcMain", TTblMain);
    TDataSrcBetriebsstunden = MakeSource("TDataSrcBetriebsstunden", TTblBetriebsstunden);
    TDataSrcTermine = MakeSource("TDataSrcTermine", TTblTermine);
    TDataSrcVarKosten = MakeSource("TDataSrcVarKosten", TTblVarKosten);
    TDataSrcMonatKosten = MakeSource("TDataSrcMonatKosten", TTblMonatKosten);
    DataSrcHistorie = MakeSource("DataSrcHistorie", TTblHistorie);
    TDataSrcEinstellungenPriv = MakeSource("TDataSrcEinstellungenPriv", TTblEinstellungenPriv);
    TDataSrcEinstellungenAllgem = MakeSource("TDataSrcEinstellungenAllgem", TTblEinstellungenAllgem);
    TDataSrcGruppe = MakeSource("TDataSrcGruppe", TTblGruppe);
    TDataSrcHilfe = MakeSource("TDataSrcHilfe", TTblHilfe);
    DataSrcStandort = MakeSource("DataSrcStandort", TblStandort);
    DataSrcFuhrparkKosten = MakeSource("DataSrcFuhrparkKosten", TTblFuhrparkKosten);

    // The code of a voucher is looked up in the due-date kinds.
    for (const TFieldDesc& d : SchemaOf(QStringLiteral("KfzVar.DB")).Declared)
        if (d.FieldKind == fkLookup) {
            std::vector<TFieldDesc> decl = TTblVarKosten->DeclaredFields();
            for (auto& x : decl)
                if (x.FieldKind == fkLookup) x.LookupDataSet = TTblBetriebsstunden;
            TTblVarKosten->DeclareFields(decl);
            break;
        }
    // Costs and evaluations of the current machine; history by the first
    // ten characters of its number.
    TTblVarKosten->SetIndexFieldNames(QStringLiteral("IdentNummer"));
    TTblVarKosten->SetMasterSource(TDataSrcMain);
    TTblVarKosten->SetMasterFields(QStringLiteral("IdentNummer"));
    TTblMonatKosten->SetIndexFieldNames(QStringLiteral("IdentNummer"));
    TTblMonatKosten->SetMasterSource(TDataSrcMain);
    TTblMonatKosten->SetMasterFields(QStringLiteral("IdentNummer"));
    TTblHistorie->SetIndexFieldNames(QStringLiteral("KfzNr"));
    TTblHistorie->SetMasterSource(TDataSrcMain);
    TTblHistorie->SetMasterFields(QStringLiteral("IdentNummer"));

    for (TTable* t : StartTables()) t->Open();
}

TDataModule1::~TDataModule1()
{
    // Closing never throws out of here: the program is ending.
    auto closeQuietly = [](TTable* t) {
        try {
            t->Close();
        } catch (...) {
        }
    };
    for (TTable* t : StartTables()) closeQuietly(t);
    closeQuietly(TTblFuhrparkKosten);
    try {
        ResetSpareHandles();
    } catch (...) {
    }
}

std::vector<TTable*> TDataModule1::StartTables() const
{
    return {TTblMain, TTblBetriebsstunden, TTblTermine, TTblVarKosten, TTblMonatKosten, TTblHistorie,
            TTblEinstellungenPriv, TTblEinstellungenAllgem, TTblGruppe, TTblHilfe, TblStandort};
}

bool TDataModule1::AenderungOffen() const
{
    for (TTable* t : StartTables())
        if (t->State() == dsEdit || t->State() == dsInsert) return true;
    return false;
}

void TDataModule1::ResetSpareHandles()
{
    for (TTable* t : {TTblVar, TTblVar1}) {
        t->Close();
        t->SetMasterSource(nullptr);
        t->SetMasterFields(QString());
        t->SetIndexName(QString());
        t->SetFiltered(false);
        t->SetFilter(QString());
        t->SetDatabaseName(QString());
        t->SetTableName(QString());
    }
}

namespace {

// The spare handle on one of the machine's detail tables, ranged to the machine.
struct TDetailOfMachine {
    const char* Table;
    const char* Index;   // the fields the link uses
};
const TDetailOfMachine kVouchers{"KfzVar.DB", "IdentNummer"};
const TDetailOfMachine kEvaluations{"KfzMonat.DB", "IdentNummer"};
const TDetailOfMachine kHistory{"KfzHisto.DB", "KfzNr"};

const int kHistoryKeyLength = 10;

void OpenDetailOfMachine(TTable* t, const TDetailOfMachine& d, TDataSource* machines)
{
    t->SetDatabaseName(QStringLiteral("Pelmora"));
    t->SetTableName(QString::fromLatin1(d.Table));
    t->SetIndexFieldNames(QString::fromLatin1(d.Index));
    t->SetMasterSource(machines);
    t->SetMasterFields(QStringLiteral("IdentNummer"));
    t->Open();
}

}   // namespace

TDataModule1::TMaschinenAnhang TDataModule1::MaschinenAnhang()
{
    TMaschinenAnhang a;
    const auto count = [this](const TDetailOfMachine& d) {
        OpenDetailOfMachine(TTblVar, d, TDataSrcMain);
        const int n = TTblVar->RecordCount();
        ResetSpareHandles();
        return n;
    };
    try {
        a.Belege = count(kVouchers);
        a.Auswertungen = count(kEvaluations);
        a.Historie = count(kHistory);
    } catch (...) {
        ResetSpareHandles();
        throw;
    }

    const QString number = TTblMain->FieldByName(QStringLiteral("IdentNummer"))->AsString();
    const QString key = number.left(kHistoryKeyLength);
    TTable machines;
    machines.SetDatabaseName(QStringLiteral("Pelmora"));
    machines.SetTableName(QStringLiteral("KfzStamm.db"));
    machines.Open();
    TField* other = machines.FieldByName(QStringLiteral("IdentNummer"));
    for (machines.First(); !machines.Eof() && !a.HistorieGeteilt; machines.Next()) {
        const QString n = other->AsString();
        if (n != number && n.left(kHistoryKeyLength).compare(key, Qt::CaseInsensitive) == 0) a.HistorieGeteilt = true;
    }
    return a;
}

void TDataModule1::MaschinenAnhangLoeschen()
{
    const bool shared = MaschinenAnhang().HistorieGeteilt;
    std::vector<TDetailOfMachine> details{kVouchers, kEvaluations};
    if (!shared) details.push_back(kHistory);
    try {
        for (const TDetailOfMachine& d : details) {
            TTable* t = TTblVar;
            OpenDetailOfMachine(t, d, TDataSrcMain);
            while (!t->IsEmpty()) {
                t->First();
                t->Delete();
            }
            ResetSpareHandles();
        }
    } catch (...) {
        ResetSpareHandles();
        throw;
    }
}

void TDataModule1::MaschinenAnhangUmschreiben(const QString& alt, const QString& neu)
{
    // The records are found through a link as the program shows them, from
    // the machine as it is still stored.
    TTable machine;
    machine.SetDatabaseName(QStringLiteral("Pelmora"));
    machine.SetTableName(QStringLiteral("KfzStamm.db"));
    machine.Open();
    if (!machine.FindKey({alt})) return;
    TDataSource source;
    source.SetDataSet(&machine);

    bool historyShared = false;
    TField* number = machine.FieldByName(QStringLiteral("IdentNummer"));
    TTable others;
    others.SetDatabaseName(QStringLiteral("Pelmora"));
    others.SetTableName(QStringLiteral("KfzStamm.db"));
    others.Open();
    TField* otherNumber = others.FieldByName(QStringLiteral("IdentNummer"));
    const QString oldKey = alt.left(kHistoryKeyLength);
    for (others.First(); !others.Eof() && !historyShared; others.Next()) {
        const QString n = otherNumber->AsString();
        historyShared = n != number->AsString() && n.left(kHistoryKeyLength).compare(oldKey, Qt::CaseInsensitive) == 0;
    }

    for (const TDetailOfMachine* d : {&kVouchers, &kEvaluations, &kHistory}) {
        const bool history = d == &kHistory;
        const QString value = history ? neu.left(kHistoryKeyLength) : neu;
        if (history && value == oldKey) continue;
        TTable t;
        OpenDetailOfMachine(&t, *d, &source);
        TField* link = t.FieldByName(QString::fromLatin1(d->Index));
        // Every record is read before any is written: a changed record
        // leaves the range, or stays in it when the link ignores case.
        std::vector<TBookmark> marks;
        std::vector<QVariantList> copies;
        for (t.First(); !t.Eof(); t.Next()) {
            marks.push_back(t.GetBookmark());
            if (history && historyShared) {
                QVariantList values;
                for (const auto& f : t.Fields())
                    values << (f->FieldKind() == fkData ? f->Value() : QVariant());
                copies.push_back(values);
            }
        }
        if (history && historyShared) {
            for (const QVariantList& values : copies) {
                t.Append();
                for (int i = 0; i < t.FieldCount(); ++i)
                    if (t.FieldAt(i)->FieldKind() == fkData) t.FieldAt(i)->SetValue(values[i]);
                link->SetAsString(value);
                t.Post();
            }
            continue;
        }
        for (TBookmark b : marks) {
            t.GotoBookmark(b);
            t.Edit();
            link->SetAsString(value);
            t.Post();
        }
    }
}

void TDataModule1::MonatsSummenBerechnen()
{
    TTable* t = TTblMonatKosten;
    TMonatsSummen sums;
    struct Term { double TMonatsSummen::*sum; const char* field; };
    static const Term terms[] = {
        {&TMonatsSummen::GesamtKosten, "GesamtKosten"},       {&TMonatsSummen::Reparaturkosten, "Reparaturkosten"},
        {&TMonatsSummen::Reifenkosten, "Reifenkosten"},       {&TMonatsSummen::Wartungskosten, "Wartungskosten"},
        {&TMonatsSummen::Untersuchungskosten, "Untersuchungskosten"}, {&TMonatsSummen::Benzinkosten, "Benzinkosten"},
        {&TMonatsSummen::Sonstigekosten1, "Sonstigekosten1"}, {&TMonatsSummen::Sonstigekosten2, "Sonstigekosten2"},
        {&TMonatsSummen::Sonstigekosten3, "Sonstigekosten3"}, {&TMonatsSummen::VerbrauchLiter, "VerbrauchLiter"}};
    TField* fields[std::size(terms)];
    for (size_t i = 0; i < std::size(terms); ++i) fields[i] = t->FieldByName(QString::fromLatin1(terms[i].field));
    TControlsDisabled still(t);
    for (t->First(); !t->Eof(); t->Next())
        for (size_t i = 0; i < std::size(terms); ++i)
            if (!fields[i]->IsNull()) sums.*terms[i].sum += fields[i]->AsFloat();
    MonatsSummen = sums;
}

// ------------------------------------------------------- monthly evaluation

TMonatsErgebnis BerechneMonatsErgebnis(TDataSet* belege, const QString& identNummer, int jahr, int monat)
{
    TMonatsErgebnis r;
    r.IdentNummer = identNummer;
    r.Jahr = jahr;
    r.Monat = monat;
    struct Term { qint64 TMonatsErgebnis::*sum; const char* field; };
    static const Term terms[] = {
        {&TMonatsErgebnis::Benzin, "Benzinkosten"},       {&TMonatsErgebnis::Reparatur, "ReparaturKosten"},
        {&TMonatsErgebnis::Reifen, "ReifenKosten"},       {&TMonatsErgebnis::Wartung, "Wartungskosten"},
        {&TMonatsErgebnis::Untersuchung, "Untersuchungskosten"}, {&TMonatsErgebnis::Sonstige1, "SonstigeKosten1"},
        {&TMonatsErgebnis::Sonstige2, "SonstigeKosten2"}, {&TMonatsErgebnis::Sonstige3, "SonstigeKosten3"}};
    TField* amounts[std::size(terms)];
    for (size_t i = 0; i < std::size(terms); ++i) amounts[i] = belege->FieldByName(QString::fromLatin1(terms[i].field));
    TField* date = belege->FieldByName(QStringLiteral("BelegDatum"));
    TField* hours = belege->FieldByName(QStringLiteral("Betriebsstunden"));
    TField* litres = belege->FieldByName(QStringLiteral("BenzinLiter"));

    TControlsDisabled still(belege);
    for (belege->First(); !belege->Eof(); belege->Next()) {
        if (!hours->IsNull()) r.Betriebsstunden = std::max(r.Betriebsstunden, hours->AsFloat());
        const QDate d = date->AsDate();
        if (!d.isValid() || d.year() != jahr || d.month() != monat) continue;
        for (size_t i = 0; i < std::size(terms); ++i)
            if (!amounts[i]->IsNull()) r.*terms[i].sum += ToFixed(amounts[i]->AsFloat());
        if (!litres->IsNull()) r.Liter += litres->AsFloat();
    }
    for (const Term& term : terms) r.Gesamt += r.*term.sum;
    r.Gueltig = true;
    return r;
}
