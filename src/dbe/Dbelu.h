#pragma once
// The lookup dialog: the records of a lookup table (or of a data set the
// form names) in a grid with a bar and an extender of their own; OK copies
// the chosen record's values into the current record.
#include "DBEView.h"

class TDBGrid;

class TLUDlg : public TDBEViewForm {
    Q_OBJECT
public:
    // luDataSet is shown itself; readOnly (the action was dispatched
    // read-only) hides OK.
    TLUDlg(TDBExtender* caller, TDataSet* luDataSet, const TFormEventRec& rec, bool readOnly);

    TDBGrid* LUGrid;
    TDataSource* LUSource;           // the view's source
    TDBExtender* DBExtender1;        // the view's extender
    TDBENavigator* DBENavigator1;    // the view's bar

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void StartIncSearch();
    bool m_readOnly;
    bool m_incSearchStarted = false;
};

// The lookup of a field once OnSpecialForm has let it show: the dialog on
// luDataSet, standing on the record that belongs to the current one; on OK
// the current record goes into edit state and takes the values the lookup
// definition in rec names (see Dbelu.cpp).
void ShowLUDlg(TDBExtender& ext, const TFormEventRec& rec, TField* field, TDataSet* luDataSet, bool readOnly);
