// The main window's monthly evaluation and monthly overview.
#include "Application.h"
#include "DBConsts.h"
#include "DBErrors.h"
#include "DBFormat.h"
#include "DataMod.h"
#include "Guard.h"
#include "Dialogs.h"
#include "Main.h"
#include "RadioGrp.h"
#include "Report1.h"
#include "Utility.h"
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

void THauptFormular::ConnectAuswertungHandlers()
{
    ConnectGuarded(TBtnMonatsauswertungBerechnen, &QPushButton::clicked, this, &THauptFormular::TBtnMonatsauswertungBerechnenClick);
    ConnectGuarded(TBtnMonatsauswertungSpeichern, &QPushButton::clicked, this, &THauptFormular::TBtnMonatsauswertungSpeichernClick);
    ConnectGuarded(CmbBoxMonatsauswertungMonat, &QComboBox::activated, this, &THauptFormular::CmbBoxMonatsauswertungMonatChange);
    ConnectGuarded(CmbBoxMonatsauswertungJahr, &QComboBox::activated, this, &THauptFormular::CmbBoxMonatsauswertungJahrChange);
    ConnectGuarded(TBitBtnMonatsauswertungDrucken, &QPushButton::clicked, this, &THauptFormular::TBitBtnMonatsauswertungDruckenClick);
    ConnectGuarded(TBitBtnMonatsauswertungVorschau, &QPushButton::clicked, this, &THauptFormular::TBitBtnMonatsauswertungVorschauClick);
    ConnectGuarded(TBtnLoeschen, &QPushButton::clicked, this, &THauptFormular::TBtnLoeschenClick);
    ConnectGuarded(TBitBtnMonatsuebersichtDrucken, &QPushButton::clicked, this, &THauptFormular::TBitBtnMonatsuebersichtDruckenClick);
    ConnectGuarded(TBitBtnMonatsuebersichtVorschau, &QPushButton::clicked, this, &THauptFormular::TBitBtnMonatsuebersichtVorschauClick);
}

// ------------------------------------------------------- monthly evaluation

void THauptFormular::MonatsauswertungBerechnen()
{
    const QString yearText = CmbBoxMonatsauswertungJahr->currentText();
    qint64 year = 0;
    if (!DBFormat::TryStrToInt(yearText, year)) throw EConvertError(DBConsts::SInvalidInteger.arg(yearText));

    const QString machine = DM->TTblMain->FieldByName(QStringLiteral("IdentNummer"))->AsString();
    MonatsErgebnis =
        BerechneMonatsErgebnis(DM->TTblVarKosten, machine, int(year), CmbBoxMonatsauswertungMonat->currentIndex() + 1);
    const TMonatsErgebnis& r = MonatsErgebnis;

    TLblSummeVarKostenMonat->setText(FixedToStr(r.Gesamt));
    TLblSummeGesamtKostenMonat->setText(FixedToStr(r.Gesamt));
    TLblReparaturKostenMonat->setText(FixedToStr(r.Reparatur));
    TLblReifenKostenMonat->setText(FixedToStr(r.Reifen));
    TLblWartungKostenMonat->setText(FixedToStr(r.Wartung));
    TLblUntersuchungKostenMonat->setText(FixedToStr(r.Untersuchung));
    TLblBenzinKostenMonat->setText(FixedToStr(r.Benzin));
    TLblSonstige1KostenMonat->setText(FixedToStr(r.Sonstige1));
    TLblSonstige2KostenMonat->setText(FixedToStr(r.Sonstige2));
    TLblSonstige3KostenMonat->setText(FixedToStr(r.Sonstige3));
    TLblSummeVerbrauchLiterMonat->setText(DBFormat::FloatToStrFixed(r.Liter, 2));
    TLblSummeBetriebsstunden->setText(DBFormat::FloatToStrFixed(r.Betriebsstunden, 0));
}

void THauptFormular::TBtnMonatsauswertungBerechnenClick()
{
    MonatsauswertungBerechnen();
}

void THauptFormular::CmbBoxMonatsauswertungMonatChange()
{
    MonatsauswertungBerechnen();
}

void THauptFormular::CmbBoxMonatsauswertungJahrChange()
{
    MonatsauswertungBerechnen();
}

void THauptFormular::TBtnMonatsauswertungSpeichernClick()
{
    // A result of another machine must not be saved under this one.
    const QString machine = DM->TTblMain->FieldByName(QStringLiteral("IdentNummer"))->AsString();
    if (!MonatsErgebnis.Gueltig || MonatsErgebnis.IdentNummer != machine) MonatsauswertungBerechnen();

    if (MessageDlg(QStringLiteral("Möchten Sie die aktuelle Monatsauswertung speichern"), mtConfirmation, mbYesNo)
        != mrYes)
        return;
    const TMonatsErgebnis& r = MonatsErgebnis;
    const QString monthName = MonthNames().at(r.Monat - 1);
    const QString yearText = QString::number(r.Jahr);

    TTable* t = DM->TTblMonatKosten;
    // The overview's year filter could hide the old evaluation of another year.
    const bool filtered = t->Filtered();
    if (filtered) t->SetFiltered(false);
    auto restore = [&] {
        if (filtered && !t->Filtered()) t->SetFiltered(true);
    };
    try {
        if (t->FindKey({r.IdentNummer, yearText, r.Monat, monthName})) {
            if (MessageDlg(QStringLiteral("Eine Auswertung für diesen Monat ist schon in der Monatsübersicht gespeichert "
                                          "- möchten Sie diese ältere Auswertung mit der aktuellen Auswertung "
                                          "überschreiben"),
                           mtConfirmation, mbYesNo)
                != mrYes) {
                restore();
                return;
            }
            t->Delete();
        }
        t->InsertRecord({r.IdentNummer, yearText, r.Monat, monthName, FromFixed(r.Gesamt),
                         FromFixed(r.Reparatur), FromFixed(r.Reifen), FromFixed(r.Wartung),
                         FromFixed(r.Untersuchung), FromFixed(r.Benzin), FromFixed(r.Sonstige1),
                         FromFixed(r.Sonstige2), FromFixed(r.Sonstige3), r.Liter,
                         r.Betriebsstunden});
    } catch (...) {
        if (t->State() == dsInsert) t->Cancel();
        restore();
        throw;
    }
    restore();
}

void THauptFormular::TBitBtnMonatsauswertungDruckenClick()
{
    RunReport(rkMonatsauswertung, rmPrint);
}

void THauptFormular::TBitBtnMonatsauswertungVorschauClick()
{
    RunReport(rkMonatsauswertung, rmPreview);
}

// --------------------------------------------------------- monthly overview

void THauptFormular::MonatsuebersichtBerechnen()
{
    DM->MonatsSummenBerechnen();
    const TDataModule1::TMonatsSummen& s = DM->MonatsSummen;
    const std::pair<QLabel*, double> sums[] = {
        {TLblSummeGesamtKosten, s.GesamtKosten},       {TLblSummeReparaturkosten, s.Reparaturkosten},
        {TLblSummeReifenkosten, s.Reifenkosten},       {TLblSummeWartungskosten, s.Wartungskosten},
        {TLblSummeUntersuchungskosten, s.Untersuchungskosten}, {TLblSummeBenzinkosten, s.Benzinkosten},
        {TLblSummeSonstigeKosten1, s.Sonstigekosten1}, {TLblSummeSonstigeKosten2, s.Sonstigekosten2},
        {TLblSummeSonstigeKosten3, s.Sonstigekosten3}};
    for (const auto& [label, value] : sums) label->setText(DBFormat::FloatToStrFixed(value, 2));
    TLblSummeVerbrauch->setText(DBFormat::FloatToStrFixed(s.VerbrauchLiter, 0) + QStringLiteral(" L"));
}

void THauptFormular::TBtnLoeschenClick()
{
    if (MessageDlg(QStringLiteral("Möchten Sie die markierte Monatsauswertung wirklich löschen"), mtConfirmation,
                   mbYesNo)
        == mrYes) {
        try {
            DM->TTblMonatKosten->Delete();
        } catch (...) {
            MessageDlg(QStringLiteral("Löschen der Monatsauswertung nicht möglich"), mtError, mbOK);
        }
    }
    MonatsuebersichtBerechnen();
}

void THauptFormular::MonatsuebersichtDrucken(int mode)
{
    if (DM->TTblMonatKosten->IsEmpty()) {
        MessageDlg(QStringLiteral("Zur Zeit ist keine Monatsauswertung zu drucken"), mtInformation, mbOK);
        return;
    }
    RunReport(rkMonatsuebersicht, TReportMode(mode));
}

void THauptFormular::TBitBtnMonatsuebersichtDruckenClick()
{
    MonatsuebersichtDrucken(rmPrint);
}

void THauptFormular::TBitBtnMonatsuebersichtVorschauClick()
{
    MonatsuebersichtDrucken(rmPreview);
}
