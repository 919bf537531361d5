// The machine filters of the menu: the current machine's group, location or
// both, as an ordinary filter of the extender; the filter indicator.
#include "DBEFilt.h"
#include "DataMod.h"
#include "Dbeutil.h"
#include "Dialogs.h"
#include "Main.h"
#include "Panel.h"
#include "Table.h"

void THauptFormular::MenuFilterGruppeClick() { FilterMachines(QStringLiteral("Gruppe")); }

void THauptFormular::MenuFilterStandortClick() { FilterMachines(QStringLiteral("Standort")); }

void THauptFormular::MenuFilterGruppeStandortClick() { FilterMachines(QStringLiteral("Gruppe+Standort")); }

void THauptFormular::FilterMachines(const QString& art)
{
    TTable* t = DM->TTblMain;
    // The current machine is read without the old filter.
    TDBExtenderMain->RemoveFilter(t);
    const QString gruppe = t->FieldByName(QStringLiteral("Gruppe"))->AsString();
    const QString standort = t->FieldByName(QStringLiteral("Standort"))->AsString();
    std::vector<TDBEFilterRow> rows;
    if (art == QLatin1String("Gruppe")) {
        rows = {{QStringLiteral("Gruppe"), foEqual, gruppe, 0}};
    } else if (art == QLatin1String("Standort")) {
        rows = {{QStringLiteral("Standort"), foEqual, standort, 0}};
    } else {
        rows = {{QStringLiteral("Standort"), foEqual, standort, foAnd}, {QStringLiteral("Gruppe"), foEqual, gruppe, 0}};
    }
    MenuFilterArt = art;
    TDBExtenderMain->ApplyFilterRows(t, rows.data(), int(rows.size()), true);
    const int count = t->RecordCount();
    if (count > 0) {
        // The same wording for every kind of filter.
        MessageDlg(QStringLiteral("Achtung - ein Filter wurde eingeschaltet - Sie können ihn über die Symbolleiste "
                                  "wieder ausschalten\r\rAnzahl Maschinen in dieser Gruppe: ")
                       + QString::number(count),
                   mtInformation, mbOK);
    } else {
        TDBExtenderMain->SetFilterActive(EntryOfDataSet(*TDBExtenderMain, t), false);
        MessageDlg(art + QStringLiteral("- zur Zeit keine Fahrzeuge nach der Filterung"), mtInformation, mbOK);
    }
}

void THauptFormular::TDBExtenderMainFilterChanged()
{
    // A filter of the extender's own dialog shows the last menu kind too.
    TPanelFilter->SetCaption(TDBExtenderMain->FilterState() == 3 ? MenuFilterArt : QString());
}
