// The index dialog and the index popup.
#include "DBEIndex.h"
#include "Dbeconst.h"
#include "Dbextend.h"
#include "Dialogs.h"
#include <QCursor>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <memory>

namespace {

// The entries of a table's index list, rebuilt for this choice; -1 as the
// current position when the table's index is none of them.
TTableDefs* IndexEntries(TDBExtender& ext, TTable* table, QStringList& captions, int& current)
{
    TTableDefs* entry = ext.Tables().FindOrAddByDataSet(table);
    if (!entry) return nullptr;
    entry->BuildIndexList();
    current = entry->GetIndexList(captions);
    return entry;
}

// The table walks by the chosen entry's index; the record stays current.
void ChooseIndex(TDBExtender& ext, TTableDefs* entry, TTable* table, int i)
{
    entry->SetIndex(entry->IndexNameAt(i));
    if (ext.OnTblIndexChanged) ext.OnTblIndexChanged(&ext, table);
}

}   // namespace

TIdxDlg::TIdxDlg(TDBExtender* ext, const TFormEventRec& rec) : TDBEForm(ext, rec)
{
    setObjectName(QStringLiteral("IdxDlg"));
    SetClientSize(280, 210);
    GroupBox1 = new QGroupBox(DBEString(59062), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 174, 194);
    IdxList = new QListWidget(GroupBox1);
    IdxList->setObjectName(QStringLiteral("IdxList"));
    IdxList->setGeometry(8, 20, 158, 164);
    connect(IdxList, &QListWidget::itemDoubleClicked, this, [this] { done(mrOk); });

    OKBtn = GlyphButton(bkOK, QStringLiteral("OK"), QStringLiteral("OKBtn"));
    OKBtn->setGeometry(192, 14, 80, 30);
    OKBtn->setDefault(true);
    SetModalResult(OKBtn, mrOk);
    CancelBtn = GlyphButton(bkCancel, DBEString(59581), QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(192, 50, 80, 30);
    SetModalResult(CancelBtn, mrCancel);
    UserBtn = new QPushButton(this);
    UserBtn->setGeometry(192, 172, 80, 30);
    setTabOrder(IdxList, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, UserBtn);
    FrameButtons(UserBtn, {OKBtn, CancelBtn});
    IdxList->setFocus(Qt::OtherFocusReason);
}

void ShowIdxDlg(TDBExtender& ext, TTable* table, const TFormEventRec& rec)
{
    QStringList captions;
    int current = -1;
    TTableDefs* entry = IndexEntries(ext, table, captions, current);
    if (!entry || captions.isEmpty()) return;

    TIdxDlg dlg(&ext, rec);
    dlg.setWindowTitle(DBEFormat(59061, {ext.GetTblDesc(table)}));
    dlg.IdxList->addItems(captions);
    dlg.IdxList->setCurrentRow(current >= 0 ? current : 0);
    if (dlg.exec() != mrOk) return;
    const int chosen = dlg.IdxList->currentRow();
    if (chosen >= 0) ChooseIndex(ext, entry, table, chosen);
}

void ShowIdxPopup(TDBExtender& ext, TTable* table, QMenu* popup)
{
    QStringList captions;
    int current = -1;
    TTableDefs* entry = IndexEntries(ext, table, captions, current);
    if (!entry || captions.isEmpty()) return;

    std::unique_ptr<QMenu> own;
    QMenu* menu = popup;
    if (!menu) {
        own = std::make_unique<QMenu>(ext.Form());
        menu = own.get();
    }
    menu->clear();
    for (int i = 0; i < captions.size(); ++i) {
        QAction* a = menu->addAction(captions[i]);
        a->setData(i);
        a->setCheckable(true);
        a->setChecked(i == current);
    }
    QAction* chosen = menu->exec(QCursor::pos());
    if (chosen) ChooseIndex(ext, entry, table, chosen->data().toInt());
}
