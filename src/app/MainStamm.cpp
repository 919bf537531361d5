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
