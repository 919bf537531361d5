#include "DBENavigateBtn.h"

namespace {

struct TBtnText {
    const char* name;
    const char* hint;
    const char* glyph;
};

// In action order; the names are also the stored form of the key table.
const TBtnText kBtns[NavigateBtnCount] = {
    {"nbSearch", "Feldwert suchen", "SEARCH"},
    {"nbSearchInc", "Inkrementelle Suche ein/aus", "INCSEARCH"},
    {"nbSearchNext", "Nächsten Feldwert suchen", "SEARCHNEXT"},
    {"nbSetBookmark", "Lesezeichen setzen", "SETBOOKMARK"},
    {"nbGotoBookmark", "Gehezu Lesezeichen", "GOTOBOOKMARK"},
    {"nbTblFilter", "Filter bearbeiten", "GLOBFILTER"},
    {"nbActiveFilter", "Filter aktivieren/deaktivieren", "ACTIVEFILTER"},
    {"nbIndexSelect", "Index wählen", "INDEX"},
    {"nbTableView", "Tabellenansicht", "TABLEVIEW"},
    {"nbSingleRecView", "Einzeldatensatzansicht", "SINGLERECVIEW"},
    {"nbFirst", "Erster Datensatz", "FIRST"},
    {"nbPGroup", "Vorherige Datensatzgruppe", "PGROUP"},
    {"nbPrior", "Vorheriger Datensatz", "PRIOR"},
    {"nbNext", "Nächster Datensatz", "NEXT"},
    {"nbNGroup", "Nächste Datensatzgruppe", "NGROUP"},
    {"nbLast", "Letzter Datensatz", "LAST"},
    {"nbInsert", "Datensatz einfügen", "INSERT"},
    {"nbDelete", "Datensatz löschen", "DELETE"},
    {"nbEdit", "Datensatz bearbeiten", "EDIT"},
    {"nbPost", "Änderung bestätigen", "POST"},
    {"nbCancel", "Änderungen verwerfen", "CANCEL"},
    {"nbRefresh", "Daten aktualisieren", "REFRESH"},
    {"nbUserBtn", "", "USERBTN"},
    {"nbMemoView", "Memoansicht", "MEMOVIEW"},
    {"nbDupField", "Feld aus vorh. Datensatz duplizieren", "DUPFIELD"},
    {"nbDupRecord", "Datensatz auf neuen duplizieren", "DUPRECORD"},
    {"nbLookUp", "Feldwert nachschlagen", "LOOKUP"},
    {"nbGlobalEdit", "Bearbeitungsmodus ein/aus", "GLOBALEDIT"},
};

bool Valid(TDBENavigateBtn btn) { return int(btn) >= 0 && int(btn) < NavigateBtnCount; }

}   // namespace

QString NavigateBtnName(TDBENavigateBtn btn)
{
    return Valid(btn) ? QString::fromLatin1(kBtns[btn].name) : QString();
}

QString NavigateBtnHint(TDBENavigateBtn btn)
{
    return Valid(btn) ? QString::fromUtf8(kBtns[btn].hint) : QString();
}

QString NavigateBtnGlyph(TDBENavigateBtn btn)
{
    return Valid(btn) ? QString::fromLatin1(kBtns[btn].glyph) : QString();
}

bool NavigateBtnByName(const QString& name, TDBENavigateBtn& btn)
{
    for (int i = 0; i < NavigateBtnCount; ++i)
        if (name.compare(QLatin1String(kBtns[i].name), Qt::CaseInsensitive) == 0) {
            btn = TDBENavigateBtn(i);
            return true;
        }
    return false;
}
