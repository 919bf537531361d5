// The machine record: the rules every post of a machine passes, and the
// master-data reports.
#include "Application.h"
#include "DBComboBox.h"
#include "DBEdit.h"
#include "DBErrors.h"
#include "DataMod.h"
#include "Guard.h"
#include "Dialogs.h"
#include "Main.h"
#include "RadioGrp.h"
#include "Report1.h"
#include "Session.h"
#include <QPushButton>

namespace {

// A group or location typed into its box joins its list once.
void AddToList(TTable* list, const QString& field, const QString& text)
{
    if (text.isEmpty() || list->FindKey({text})) return;
    list->Insert();
    list->FieldByName(field)->SetAsString(text);
    list->Post();
}

QString Anzahl(int n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : many));
}

TDatabase* Pelmora()
{
    return Session().Database(QStringLiteral("Pelmora"));
}

}   // namespace

void THauptFormular::ConnectStammHandlers()
{
    // Groups and locations may be typed freely; saving the machine lists them.
    DBLkpCmbBoxGruppe->SetStyle(csDropDown);
    DBLkpCmbBoxStandort->SetStyle(csDropDown);

    TTable* t = DM->TTblMain;
    auto previous = t->BeforePost;
    t->BeforePost = [this, previous](TDataSet* ds) {
        if (previous) previous(ds);
        TTblMainBeforePost();
    };
    auto afterPost = t->AfterPost;
    t->AfterPost = [this, afterPost](TDataSet* ds) {
        MaschinenTransaktionAbschliessen(m_maschineUmbenennen, true);
        if (afterPost) afterPost(ds);
    };
    auto postError = t->OnPostError;
    t->OnPostError = [this, postError](TDataSet* ds) {
        MaschinenTransaktionAbschliessen(m_maschineUmbenennen, false);
        if (postError) postError(ds);
    };
    auto deleteError = t->OnDeleteError;
    t->OnDeleteError = [this, deleteError](TDataSet* ds) {
        MaschinenTransaktionAbschliessen(m_maschineLoeschen, false);
        if (deleteError) deleteError(ds);
    };
    auto beforeDelete = t->BeforeDelete;
    t->BeforeDelete = [this, beforeDelete](TDataSet* ds) {
        if (beforeDelete) beforeDelete(ds);
        TTblMainBeforeDelete();
    };
    auto afterDelete = t->AfterDelete;
    t->AfterDelete = [this, afterDelete](TDataSet* ds) {
        MaschinenTransaktionAbschliessen(m_maschineLoeschen, true);
        if (afterDelete) afterDelete(ds);
    };
    ConnectGuarded(TBitBtnStammdatenDrucken, &QPushButton::clicked, this, &THauptFormular::TBitBtnStammdatenDruckenClick);
    ConnectGuarded(TBitBtnStammdatenPreview, &QPushButton::clicked, this, &THauptFormular::TBitBtnStammdatenPreviewClick);
}

void THauptFormular::TTblMainBeforePost()
{
    TTable* t = DM->TTblMain;
    if (t->FieldByName(QStringLiteral("IdentNummer"))->AsString().isEmpty()) {
        MessageDlg(QStringLiteral("Bitte geben Sie unbedingt eine Indentifikationsnummer ein oder brechen Sie die "
                                  "Eingabe ab (X-Symboltaste)"),
                   mtError, mbOK);
        if (PageCtrlMain->currentWidget() != TabStammDaten) {
            SetActivePage(TabStammDaten);
            // The bar and the keys follow the tab shown, so the user can cancel here.
            PageCtrlMainChange();
        }
        EditIdentNr->setFocus();
        throw EAbort();
    }
    AddToList(DM->TTblGruppe, QStringLiteral("Gruppe"), DBLkpCmbBoxGruppe->currentText());
    AddToList(DM->TblStandort, QStringLiteral("Standort"), DBLkpCmbBoxStandort->currentText());

    // A new number takes the machine's vouchers, evaluations and history
    // along, in the transaction that stores the machine.
    if (t->State() != dsEdit) return;
    TField* nummer = t->FieldByName(QStringLiteral("IdentNummer"));
    const QString alt = nummer->OldValue().toString();
    const QString neu = nummer->AsString();
    if (alt == neu || alt.isEmpty()) return;
    Pelmora()->BeginTransaction();
    m_maschineUmbenennen = true;
    try {
        DM->MaschinenAnhangUmschreiben(alt, neu);
    } catch (...) {
        MaschinenTransaktionAbschliessen(m_maschineUmbenennen, false);
        throw;
    }
}


void THauptFormular::StammdatenDrucken(int mode)
{
    const TReportKind kind = RadioGrpDrucken->ItemIndex() == 1 ? rkStammdatenListe : rkStammdaten;
    RunReport(kind, TReportMode(mode));
}

void THauptFormular::TBitBtnStammdatenDruckenClick()
{
    StammdatenDrucken(rmPrint);
}

void THauptFormular::TBitBtnStammdatenPreviewClick()
{
    StammdatenDrucken(rmPreview);
}

// ------------------------------------------------------------ deleting

QString THauptFormular::MaschineLoeschenFrage()
{
    const QString frage = QString::fromUtf8("Möchten Sie diese Maschine wirklich löschen.");
    TTable* t = DM->TTblMain;
    // A new machine has nothing stored yet; deleting it only drops the input.
    if (t->State() == dsInsert || t->IsEmpty()) return frage;
    const TDataModule1::TMaschinenAnhang a = DM->MaschinenAnhang();
    const int historie = a.HistorieGeteilt ? 0 : a.Historie;
    QString text = frage;
    if (a.Belege || a.Auswertungen || historie)
        text += QStringLiteral("\rMit ihr werden %1, %2 und %3 gelöscht.")
                    .arg(Anzahl(a.Belege, "Kostenbeleg", "Kostenbelege"),
                         Anzahl(a.Auswertungen, "Monatsauswertung", "Monatsauswertungen"),
                         Anzahl(historie, "Historieneintrag", "Historieneinträge"));
    if (a.HistorieGeteilt && a.Historie)
        text += QStringLiteral("\rDie Historie (%1) bleibt erhalten, da eine andere Maschine dieselben ersten 10 "
                               "Zeichen der Identifikationsnummer hat.")
                    .arg(Anzahl(a.Historie, "Eintrag", "Einträge"));
    return text;
}

void THauptFormular::TTblMainBeforeDelete()
{
    // The machine and what belongs to it go in one transaction: either all or nothing.
    Pelmora()->BeginTransaction();
    m_maschineLoeschen = true;
    try {
        DM->MaschinenAnhangLoeschen();
    } catch (...) {
        MaschinenTransaktionAbschliessen(m_maschineLoeschen, false);
        throw;
    }
}

void THauptFormular::MaschinenTransaktionAbschliessen(bool& offen, bool commit)
{
    if (!offen) return;
    offen = false;
    if (commit) {
        Pelmora()->Commit();
        return;
    }
    // What failed has rolled back already; the tables read again.
    Pelmora()->Rollback();
    for (TTable* t : {DM->TTblMain, DM->TTblVarKosten, DM->TTblMonatKosten, DM->TTblHistorie})
        if (t->Active() && t->State() == dsBrowse) t->Refresh();
}
