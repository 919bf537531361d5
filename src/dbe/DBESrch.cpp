// The value-search dialog.
#include "DBESrch.h"
#include "Dbeconst.h"
#include "Dialogs.h"
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

TSrchForm::TSrchForm(TDBExtender* ext, const TFormEventRec& rec) : TDBEForm(ext, rec)
{
    setObjectName(QStringLiteral("SrchForm"));
    SetClientSize(360, 188);

    GroupBox2 = new QGroupBox(DBEString(59001), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(8, 8, 243, 49);
    SrchEdit = new QLineEdit(GroupBox2);
    SrchEdit->setObjectName(QStringLiteral("SrchEdit"));
    SrchEdit->setGeometry(8, 17, 224, 21);
    SrchEdit->setToolTip(DBEString(59007));

    GB3 = new QGroupBox(DBEString(59002), this);
    GB3->setObjectName(QStringLiteral("GB3"));
    GB3->setGeometry(8, 61, 243, 63);
    RegardCaseCheck = new QCheckBox(DBEString(59003), GB3);
    RegardCaseCheck->setObjectName(QStringLiteral("RegardCaseCheck"));
    RegardCaseCheck->setGeometry(7, 18, 229, 17);
    SearchDown = new QCheckBox(DBEString(59004), GB3);
    SearchDown->setObjectName(QStringLiteral("SearchDown"));
    SearchDown->setGeometry(7, 37, 229, 17);

    GroupBox1 = new QGroupBox(DBEString(59005), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 130, 243, 48);
    FieldListBox = new QComboBox(GroupBox1);
    FieldListBox->setObjectName(QStringLiteral("FieldListBox"));
    FieldListBox->setGeometry(8, 18, 224, 21);

    SrchBtn = new QPushButton(DBEString(59008), this);
    SrchBtn->setObjectName(QStringLiteral("SrchBtn"));
    SrchBtn->setGeometry(260, 13, 90, 30);
    SrchBtn->setDefault(true);
    SetModalResult(SrchBtn, SrchResultFromStart);
    SrchNextBtn = new QPushButton(DBEString(59009), this);
    SrchNextBtn->setObjectName(QStringLiteral("SrchNextBtn"));
    SrchNextBtn->setGeometry(260, 45, 90, 30);
    SrchNextBtn->setAutoDefault(false);
    SetModalResult(SrchNextBtn, SrchResultNext);
    UserBtn = new QPushButton(this);
    UserBtn->setGeometry(260, 77, 90, 30);
    CancelBtn = GlyphButton(bkCancel, DBEString(59581), QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(260, 147, 90, 30);
    SetModalResult(CancelBtn, mrCancel);

    setTabOrder(SrchEdit, RegardCaseCheck);
    setTabOrder(RegardCaseCheck, SearchDown);
    setTabOrder(SearchDown, FieldListBox);
    setTabOrder(FieldListBox, SrchBtn);
    setTabOrder(SrchBtn, SrchNextBtn);
    setTabOrder(SrchNextBtn, UserBtn);
    setTabOrder(UserBtn, CancelBtn);
    FrameButtons(UserBtn, {CancelBtn});
    SrchEdit->setFocus(Qt::OtherFocusReason);
}
