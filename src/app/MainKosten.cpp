// The variable costs of a machine: the rules of a voucher, its buttons and
// its reports.
#include "Application.h"
#include "Clock.h"
#include "DBErrors.h"
#include "DBGrid.h"
#include "DataMod.h"
#include "Guard.h"
#include "Dialogs.h"
#include "Main.h"
#include "RadioGrp.h"
#include "Report1.h"
#include <QPushButton>

namespace {

const char* const kKostenarten[] = {"ReparaturKosten", "ReifenKosten",    "Wartungskosten",  "Untersuchungskosten",
                                    "Benzinkosten",    "SonstigeKosten1", "SonstigeKosten2", "SonstigeKosten3"};

// Grid columns the refusals point at.
constexpr int kSpalteDatum = 0;
constexpr int kSpalteBetriebsstunden = 2;
constexpr int kSpalteKosten = 4;

QString S(const char* utf8) { return QString::fromUtf8(utf8); }

}   // namespace

void THauptFormular::ConnectKostenHandlers()
{
    TTable* t = DM->TTblVarKosten;
    auto beforeInsert = t->BeforeInsert;
    t->BeforeInsert = [this, beforeInsert](TDataSet* ds) {
        if (beforeInsert) beforeInsert(ds);
        TTblVarKostenBeforeInsert();
    };
    auto beforePost = t->BeforePost;
    t->BeforePost = [this, beforePost](TDataSet* ds) {
        if (beforePost) beforePost(ds);
        TTblVarKostenBeforePost();
    };
    auto afterPost = t->AfterPost;
    t->AfterPost = [this, afterPost](TDataSet* ds) {
        if (afterPost) afterPost(ds);
        TTblVarKostenAfterPost();
    };
    ConnectGuarded(TBtnVarKostenNeu, &QPushButton::clicked, this, &THauptFormular::TBtnVarKostenNeuClick);
    ConnectGuarded(TBtnVarKostenSpeichern, &QPushButton::clicked, this, &THauptFormular::TBtnVarKostenSpeichernClick);
    ConnectGuarded(TBtnVarKostenLoeschen, &QPushButton::clicked, this, &THauptFormular::TBtnVarKostenLoeschenClick);
    ConnectGuarded(TBitBtnVarKostenDrucken, &QPushButton::clicked, this, &THauptFormular::TBitBtnVarKostenDruckenClick);
    ConnectGuarded(TBitBtnVarKostenVorschau, &QPushButton::clicked, this, &THauptFormular::TBitBtnVarKostenVorschauClick);
}

void THauptFormular::FocusKostenSpalte(int column)
{
    TDBGridVarKosten->setFocus();
    TDBGridVarKosten->SetSelectedIndex(column);
}

void THauptFormular::TTblVarKostenBeforeInsert()
{
    // A new voucher must be visible whatever the view.
    RadioGrpKostenSicht->SetItemIndex(0);
}

void THauptFormular::TTblVarKostenBeforePost()
{
    TTable* t = DM->TTblVarKosten;
    TField* datum = t->FieldByName(QStringLiteral("BelegDatum"));
    if (datum->IsNull()) {
        MessageDlg(S("Bitte geben Sie ein Datum ein, da sonst eine zeiltliche Zuordnung der Kosten nicht möglich ist"),
                   mtError, mbOK);
        FocusKostenSpalte(kSpalteDatum);
        throw EAbort();
    }
    int gefuellt = 0;
    for (const char* name : kKostenarten)
        if (!t->FieldByName(QString::fromLatin1(name))->IsNull()) ++gefuellt;
    if (gefuellt > 1) {
        MessageDlg(QStringLiteral("Bitte geben Sie nur eine Kostenart pro Zeile ein."), mtError, mbOK);
        FocusKostenSpalte(kSpalteKosten);
        throw EAbort();
    }
    if (gefuellt == 0) {
        MessageDlg(QStringLiteral("Bitte geben Sie noch die Kosten in die entsprechende Spalte ein."), mtError, mbOK);
        FocusKostenSpalte(kSpalteKosten);
        throw EAbort();
    }
    if (t->FieldByName(QStringLiteral("Betriebsstunden"))->IsNull()
        && MessageDlg(S("Möchten Sie bei diesem Kostendatensatz keine Betriebsstunden eingeben"), mtConfirmation,
                      mbYesNo)
               == mrYes) {
        FocusKostenSpalte(kSpalteBetriebsstunden);
        throw EAbort();
    }
    // The views filter on these two, not on the date.
    const QDate d = datum->AsDate();
    t->FieldByName(QStringLiteral("Jahr"))->SetAsString(QString::number(d.year()));
    t->FieldByName(QStringLiteral("Monat"))->SetAsString(MonthNames().at(d.month() - 1));
}

void THauptFormular::TTblVarKostenAfterPost()
{
    TTable* t = DM->TTblVarKosten;
    // Read before the machine is posted, which may move the vouchers.
    TField* stunden = t->FieldByName(QStringLiteral("Betriebsstunden"));
    const bool hatStunden = !stunden->IsNull();
    const double beleg = stunden->AsFloat();
    const QString belegText = stunden->AsString();
    const QString code = t->FieldByName(QStringLiteral("TerminKz"))->AsString();

    TTable* m = DM->TTblMain;
    TField* maschine = m->FieldByName(QStringLiteral("Betriebsstunden"));
    if (hatStunden && beleg > (maschine->IsNull() ? 0.0 : maschine->AsFloat())) {
        m->Edit();
        m->FieldByName(QStringLiteral("Betriebsstunden"))->SetAsString(belegText);
        m->Post();
    }
    if (!code.isEmpty()) TerminFortschreibungAnbieten(code);
}

void THauptFormular::TBtnVarKostenNeuClick()
{
    QDate vorgabe;
    TTable* var = DM->TTblVar;
    try {
        // The machine's last voucher in key order gives the date.
        var->SetDatabaseName(QStringLiteral("Pelmora"));
        var->SetTableName(QStringLiteral("KfzVar.db"));
        var->SetIndexName(QString());
        var->SetMasterSource(DM->TDataSrcMain);
        var->SetMasterFields(QStringLiteral("IdentNummer"));
        var->Open();
        var->Last();
        vorgabe = var->FieldByName(QStringLiteral("BelegDatum"))->AsDate();
    } catch (...) {
        vorgabe = QDate();
    }
    DM->ResetSpareHandles();
    if (!vorgabe.isValid()) vorgabe = Today();

    try {
        TTable* t = DM->TTblVarKosten;
        t->Append();
        t->FieldByName(QStringLiteral("BelegDatum"))->SetAsDate(vorgabe);
        TDBGridVarKosten->setFocus();
        int spalte = 0;
        TDBGridVarKosten->SetSelectedIndex(spalte);
        while (spalte < TDBGridVarKosten->FieldCount()
               && TDBGridVarKosten->Fields(spalte)->FieldName() != QLatin1String("BelegDatum"))
            TDBGridVarKosten->SetSelectedIndex(++spalte);
    } catch (...) {
        MessageDlg(QStringLiteral("Einfügen eines Kostendatensatzes nicht möglich"), mtError, mbOK);
    }
}

void THauptFormular::TBtnVarKostenSpeichernClick()
{
    TTable* t = DM->TTblVarKosten;
    if (t->State() != dsEdit && t->State() != dsInsert) return;
    try {
        t->Post();
    } catch (...) {
        // The rules have spoken already; the record stays being edited.
    }
}

void THauptFormular::TBtnVarKostenLoeschenClick()
{
    TTable* t = DM->TTblVarKosten;
    if (t->State() == dsInsert) {
        t->Cancel();
        return;
    }
    if (MessageDlg(S("Möchten Sie den markierten Kostendatensatz wirklich löschen"), mtConfirmation, mbYesNo) != mrYes)
        return;
    try {
        t->Delete();
    } catch (...) {
        MessageDlg(S("Löschen des Kostendatensatzes nicht möglich"), mtError, mbOK);
    }
}

void THauptFormular::VarKostenDrucken(int mode)
{
    if (DM->TTblVarKosten->IsEmpty()) {
        MessageDlg(S("Sie haben noch keine var. Kosten für diese Maschine eingegeben"), mtInformation, mbOK);
        return;
    }
    RunReport(rkVarKosten, TReportMode(mode));
}

void THauptFormular::TBitBtnVarKostenDruckenClick()
{
    VarKostenDrucken(rmPrint);
}

void THauptFormular::TBitBtnVarKostenVorschauClick()
{
    VarKostenDrucken(rmPreview);
}
