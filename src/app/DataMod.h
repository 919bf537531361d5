#pragma once
// The data module: one handle and one data source per table, opened at
// start in a fixed order, and the schema every new database receives.
#include "Table.h"
#include <QObject>
#include <QStringList>
#include <functional>

// One table of the schema: where it lies, its stored fields and keys, and
// the fields the program declares on its handle.
struct TTableSchema {
    QString Alias;                      // "Pelmora" or "PelmoraPriv"
    QString FileName;                   // "KfzVar.DB"
    std::vector<TFieldDef> Fields;
    std::vector<TIndexDef> Indexes;
    std::vector<TFieldDesc> Declared;   // empty: the stored fields as they are
};

// The month names, the one encoding of months in every table and filter.
const QStringList& MonthNames();
// Every table of the program, in the order they are opened at start, then the rest.
const std::vector<TTableSchema>& PelmoraSchema();
const TTableSchema& SchemaOf(const QString& fileName);
// Creates missing tables in both databases and fills the delivered records.
void CreateMissingTables();

// One machine's month, summed from its vouchers.
struct TMonatsErgebnis {
    bool Gueltig = false;
    QString IdentNummer;      // the machine it was computed for
    int Jahr = 0;
    int Monat = 0;            // 1 to 12
    // Fixed-point amounts, ten-thousandths.
    qint64 Reparatur = 0, Reifen = 0, Wartung = 0, Untersuchung = 0, Benzin = 0, Sonstige1 = 0, Sonstige2 = 0,
           Sonstige3 = 0, Gesamt = 0;
    double Liter = 0;
    double Betriebsstunden = 0;   // the highest reading of any voucher, whatever its month
};
// Sums the vouchers a KfzVar.DB data set shows (one machine's range) for a
// month by their BelegDatum. The data set is walked and left at its end.
TMonatsErgebnis BerechneMonatsErgebnis(TDataSet* belege, const QString& identNummer, int jahr, int monat);

class TDataModule1 : public QObject {
    Q_OBJECT
public:
    explicit TDataModule1(QObject* owner = nullptr);
    ~TDataModule1() override;

    TTable* TTblMain;
    TTable* TTblBetriebsstunden;
    TTable* TTblTermine;
    TTable* TTblVarKosten;
    TTable* TTblMonatKosten;
    TTable* TTblHistorie;
    TTable* TTblEinstellungenPriv;
    TTable* TTblEinstellungenAllgem;
    TTable* TTblGruppe;
    TTable* TTblHilfe;
    TTable* TblStandort;
    TTable* TTblFuhrparkKosten;
    TTable* TTblVar;
    TTable* TTblVar1;

    TDataSource* TDataSrcMain;
    TDataSource* TDataSrcBetriebsstunden;
    TDataSource* TDataSrcTermine;
    TDataSource* TDataSrcVarKosten;
    TDataSource* TDataSrcMonatKosten;
    TDataSource* DataSrcHistorie;
    TDataSource* TDataSrcEinstellungenPriv;
    TDataSource* TDataSrcEinstellungenAllgem;
    TDataSource* TDataSrcGruppe;
    TDataSource* TDataSrcHilfe;
    TDataSource* DataSrcStandort;
    TDataSource* DataSrcFuhrparkKosten;

    // The eleven tables opened at start, in their order.
    std::vector<TTable*> StartTables() const;
    // Whether one of them holds an unsaved edit or insert.
    bool AenderungOffen() const;
    // Closes the spare handles and clears alias, table, index, master and filter.
    void ResetSpareHandles();

    // Observers of the start and end (the order is part of the contract).
    static std::function<void(const QString& tableName, bool opened)> OnTableSwitched;

    // --- what belongs to a machine
    // The current machine's records in the other tables. Its history is
    // keyed by the first 10 characters of the number and may be shared.
    struct TMaschinenAnhang {
        int Belege = 0;
        int Auswertungen = 0;
        int Historie = 0;
        bool HistorieGeteilt = false;   // another machine has the same first 10 characters
    };
    TMaschinenAnhang MaschinenAnhang();
    // Deletes the current machine's vouchers, evaluations and, unless shared,
    // its history; the caller holds the transaction around it and the machine.
    void MaschinenAnhangLoeschen();
    // Gives the vouchers, evaluations and history of the machine stored as
    // `alt` the number `neu` (the history by its first 10 characters; a
    // history shared with another machine is copied, so both keep it). The
    // caller holds the transaction around it and the machine's post.
    void MaschinenAnhangUmschreiben(const QString& alt, const QString& neu);

    // --- monthly overview totals
    // Sums over KfzMonat.DB as it stands: the current machine, narrowed by any filter.
    struct TMonatsSummen {
        double GesamtKosten = 0, Reparaturkosten = 0, Reifenkosten = 0, Wartungskosten = 0,
               Untersuchungskosten = 0, Benzinkosten = 0, Sonstigekosten1 = 0, Sonstigekosten2 = 0,
               Sonstigekosten3 = 0, VerbrauchLiter = 0;
    };
    TMonatsSummen MonatsSummen;
    void MonatsSummenBerechnen();

private:
    TTable* MakeTable(const char* name, const QString& fileName);
    TDataSource* MakeSource(const char* name, TTable* t);
};
