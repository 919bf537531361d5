#pragma once
// The 28 record actions of the extender, in their fixed order: the order
// indexes the key table, the navigator's buttons and the stored formats.
#include "Sets.h"
#include <QString>

// A fixed underlying type: handlers may pass values outside the set.
enum TDBENavigateBtn : int {
    nbSearch, nbSearchInc, nbSearchNext, nbSetBookmark, nbGotoBookmark, nbTblFilter, nbActiveFilter,
    nbIndexSelect, nbTableView, nbSingleRecView, nbFirst, nbPGroup, nbPrior, nbNext, nbNGroup, nbLast,
    nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh, nbUserBtn, nbMemoView, nbDupField,
    nbDupRecord, nbLookUp, nbGlobalEdit
};
constexpr int NavigateBtnCount = 28;

// The navigator's button groups name the same actions.
enum TSrchNavBtn {
    snbSearch, snbSearchInc, snbSearchNext, snbSetBookmark, snbGotoBookmark, snbTblFilter, snbActiveFilter,
    snbIndexSelect, snbTableView, snbSingleRecView
};
enum TMoveNavBtn { mnbFirst, mnbPGroup, mnbPrior, mnbNext, mnbNGroup, mnbLast };
enum TRecordNavBtn { rnbInsert, rnbDelete, rnbEdit, rnbPost, rnbCancel, rnbRefresh };
enum TExtNavBtn { enbUserBtn, enbMemoView, enbDupField, enbDupRecord, enbLookUp, enbGlobalEdit };
using TSrchNavBtns = TSet<TSrchNavBtn>;
using TMoveNavBtns = TSet<TMoveNavBtn>;
using TRecordNavBtns = TSet<TRecordNavBtn>;
using TExtNavBtns = TSet<TExtNavBtn>;

// Name ("nbSearch"), default hint ("Feldwert suchen", empty for nbUserBtn)
// and glyph stem ("SEARCH") of an action.
QString NavigateBtnName(TDBENavigateBtn btn);
QString NavigateBtnHint(TDBENavigateBtn btn);
QString NavigateBtnGlyph(TDBENavigateBtn btn);
// The action of a name, ignoring letter case; false when there is none.
bool NavigateBtnByName(const QString& name, TDBENavigateBtn& btn);
