#pragma once
// Choosing a table's index, the order the user walks it in: the index
// dialog and the navigator's index popup, both over the index list of the
// table's registry entry.
#include "DBEForm.h"

class QGroupBox;
class QListWidget;
class QMenu;
class TTable;

class TIdxDlg : public TDBEForm {
    Q_OBJECT
public:
    TIdxDlg(TDBExtender* ext, const TFormEventRec& rec);

    QGroupBox* GroupBox1;
    QListWidget* IdxList;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* UserBtn;
};

// The index dialog on a table, once OnSpecialForm has let it show: the
// current index marked (the first entry when none matches); no dialog for
// an empty list. OK sets the chosen index, keeping the current record.
void ShowIdxDlg(TDBExtender& ext, TTable* table, const TFormEventRec& rec);
// The same entries as a popup menu at the mouse; choosing one sets it.
void ShowIdxPopup(TDBExtender& ext, TTable* table, QMenu* popup);
