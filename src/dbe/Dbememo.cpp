// The memo viewer and the frame it shares with the picture viewer.
#include "Dbememo.h"
#include "DBMemo.h"
#include "Dbeconst.h"
#include "Dbextend.h"
#include "Dialogs.h"
#include "Panel.h"
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int BottomHeight = 43;
constexpr int BtnWidth = 80, BtnHeight = 30, BtnGap = 4;
}

// ------------------------------------------------------------ the frame

TFieldViewerForm::TFieldViewerForm(TDBExtender* ext, const TFormEventRec& rec, bool readOnly)
    : TDBEForm(ext, rec), m_readOnly(readOnly)
{
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    Panel1 = new TPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->SetBevelOuter(bvNone);
    Panel2 = new TPanel(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->SetBevelOuter(bvNone);
    Panel2->setFixedHeight(BottomHeight);
    lay->addWidget(Panel1, 1);
    lay->addWidget(Panel2);

    UserBtn = new QPushButton(Panel2);
    UserBtn->setGeometry(BtnGap, (BottomHeight - BtnHeight) / 2, BtnWidth, BtnHeight);
    OKBtn = GlyphButton(bkOK, QStringLiteral("&OK"), QStringLiteral("OKBtn"));
    OKBtn->setParent(Panel2);
    OKBtn->setDefault(!readOnly);
    SetModalResult(OKBtn, mrOk);
    CancelBtn = GlyphButton(bkCancel, DBEString(59581), QStringLiteral("CancelBtn"));
    CancelBtn->setParent(Panel2);
    SetModalResult(CancelBtn, mrCancel);
    CancelBtn->setVisible(!readOnly);
    FrameButtons(UserBtn, {OKBtn, CancelBtn});
    PlaceButtons();
}

void TFieldViewerForm::SetContent(QWidget* content)
{
    auto* lay = new QVBoxLayout(Panel1);
    lay->setContentsMargins(5, 5, 5, 5);
    lay->addWidget(content);
}

void TFieldViewerForm::resizeEvent(QResizeEvent* e)
{
    TDBEForm::resizeEvent(e);
    PlaceButtons();
}

void TFieldViewerForm::PlaceButtons()
{
    const int y = (BottomHeight - BtnHeight) / 2;
    const int right = width() - BtnGap - BtnWidth;
    if (m_readOnly) {
        OKBtn->setGeometry(right, y, BtnWidth, BtnHeight);
    } else {
        CancelBtn->setGeometry(right, y, BtnWidth, BtnHeight);
        OKBtn->setGeometry(right - BtnGap - BtnWidth, y, BtnWidth, BtnHeight);
    }
}

// ------------------------------------------------------------ the memo

TMemoForm::TMemoForm(TDBExtender* ext, const TFormEventRec& rec, bool readOnly)
    : TFieldViewerForm(ext, rec, readOnly)
{
    setObjectName(QStringLiteral("MemoForm"));
    Memo = new QPlainTextEdit(Panel1);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setReadOnly(readOnly);
    // Tab belongs to the text; Ctrl+Tab leaves it.
    Memo->setTabChangesFocus(false);
    SetContent(Memo);
    SetClientSize(427, 273);
    Memo->setFocus(Qt::OtherFocusReason);
}

void ShowMemoForm(TDBExtender& ext, const TFormEventRec& rec, TField* field, bool readOnly)
{
    if (!field || !field->DataSet()) return;
    TMemoForm dlg(&ext, rec, readOnly);
    dlg.setWindowTitle(DBEFormat(readOnly ? 59574 : 59575, {field->DisplayLabel()}));
    // A data memo on this very field shows what the user typed and has not yet posted.
    auto* memo = qobject_cast<TDBMemo*>(ext.FocusedControl());
    dlg.Memo->setPlainText(memo && memo->Field() == field ? memo->toPlainText() : field->AsString());
    if (dlg.exec() != mrOk || readOnly) return;

    TDataSet* ds = field->DataSet();
    if (ds->State() != dsEdit && ds->State() != dsInsert) ds->Edit();
    field->SetAsString(dlg.Memo->toPlainText());
}
