#pragma once
// The value-search dialog: a pattern, the case and direction options and
// the field to search, with "Suchen" from the first record and
// "Weitersuchen" from the next one.
#include "DBEForm.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;

// Modal results of the two search buttons.
constexpr int SrchResultFromStart = 1;
constexpr int SrchResultNext = 25;

class TSrchForm : public TDBEForm {
    Q_OBJECT
public:
    TSrchForm(TDBExtender* ext, const TFormEventRec& rec);

    QGroupBox* GroupBox2;
    QLineEdit* SrchEdit;
    QGroupBox* GB3;
    QCheckBox* RegardCaseCheck;
    QCheckBox* SearchDown;
    QGroupBox* GroupBox1;
    QComboBox* FieldListBox;
    QPushButton* SrchBtn;
    QPushButton* SrchNextBtn;
    QPushButton* UserBtn;
    QPushButton* CancelBtn;
};
