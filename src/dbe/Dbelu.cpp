// The lookup dialog and the copying of the chosen values.
#include "Dbelu.h"
#include "DBENav.h"
#include "DBErrors.h"
#include "DBGrid.h"
#include "Dbeconst.h"
#include "Dbextend.h"
#include "KeyCodes.h"
#include "Table.h"
#include <QPointer>
#include <algorithm>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <vector>

namespace {

QStringList SplitList(const QString& list)
{
    QStringList out;
    for (const QString& s : list.left(255).split(u';', Qt::SkipEmptyParts))
        if (!s.trimmed().isEmpty()) out << s.trimmed();
    return out;
}

// Pairs "lookup field;own field;..." as the definitions write them.
std::vector<std::pair<QString, QString>> Pairs(const QString& list)
{
    const QStringList names = SplitList(list);
    std::vector<std::pair<QString, QString>> out;
    for (int i = 0; i + 1 < names.size(); i += 2) out.emplace_back(names.at(i), names.at(i + 1));
    return out;
}

// The fields a lookup shows, with their labels, for as long as the
// dialog is open; the data set's own settings come back afterwards.
class TShownFields {
public:
    TShownFields(TDataSet* ds, const QString& showFields, const QString& displayLabels) : m_ds(ds)
    {
        const QStringList names = SplitList(showFields);
        if (!ds || names.isEmpty()) return;
        const QStringList labels = SplitList(displayLabels);
        for (const auto& f : ds->Fields()) {
            m_saved.push_back({f.get(), f->Visible(), f->DisplayLabel()});
            const int i = int(names.indexOf(f->FieldName()));
            f->SetVisible(i >= 0);
            if (i >= 0 && labels.size() == names.size()) f->SetDisplayLabel(labels.at(i));
        }
    }
    ~TShownFields()
    {
        if (!m_ds || m_ds->Destroying()) return;
        for (const TSaved& s : m_saved) {
            s.Field->SetVisible(s.Visible);
            s.Field->SetDisplayLabel(s.Label);
        }
    }
    TShownFields(const TShownFields&) = delete;
    TShownFields& operator=(const TShownFields&) = delete;

private:
    struct TSaved {
        TField* Field;
        bool Visible;
        QString Label;
    };
    QPointer<TDataSet> m_ds;
    std::vector<TSaved> m_saved;
};

// The lookup record that belongs to the current one: by key for a lookup
// table, else the first whose locate fields hold the current values.
void Position(TDataSet* lu, TField* field, int kind, const QString& locateFields)
{
    if (!lu->Active() || lu->IsEmpty()) return;
    if (kind == 1) {
        auto* t = qobject_cast<TTable*>(lu);
        if (t && !field->IsNull() && !t->FindKey({field->Value()})) t->First();
        return;
    }
    TDataSet* own = field->DataSet();
    QList<QPair<TField*, QString>> want;
    for (const auto& [luName, ownName] : Pairs(locateFields)) {
        TField* ownField = own->FindField(ownName);
        TField* luField = lu->FindField(luName);
        if (!ownField || !luField) return;
        want << qMakePair(luField, ownField->AsString());
    }
    if (want.isEmpty()) return;
    const TBookmark start = lu->GetBookmark();
    lu->DisableControls();
    bool found = false;
    try {
        for (lu->First(); !lu->Eof() && !found; ) {
            found = std::all_of(want.begin(), want.end(),
                                [](const QPair<TField*, QString>& w) { return w.first->AsString() == w.second; });
            if (!found) lu->Next();
        }
        if (!found && start) lu->GotoBookmark(start);
    } catch (...) {
        lu->EnableControls();
        throw;
    }
    lu->EnableControls();
}

// The chosen lookup record into the current record (step by step as the
// form's events expect it).
void Assign(TDBExtender& ext, TField* field, TDataSet* lu, const TFormEventRec& rec)
{
    const int kind = rec.Extra.value(QStringLiteral("LookupKind")).toInt();
    if (kind == 1) {
        const QString index = rec.Extra.value(QStringLiteral("IndexName")).toString();
        if (auto* t = qobject_cast<TTable*>(lu); t && !index.isEmpty()) t->SetIndexName(index);
    }
    TDataSet* own = field->DataSet();
    if (own->State() != dsEdit && own->State() != dsInsert) own->Edit();
    if (ext.BeforeAssignFromLookup) ext.BeforeAssignFromLookup(&ext);
    if (rec.Extra.value(QStringLiteral("AllCorresponding")).toBool()) {
        for (const auto& from : lu->Fields()) {
            TField* to = own->FindField(from->FieldName());
            if (!to || to->FieldKind() != fkData) continue;
            try {
                to->SetValue(from->Value());
            } catch (const EAbort&) {
                throw;
            } catch (...) {
                // A field that does not take the value keeps its own.
            }
        }
    }
    for (const auto& [luName, ownName] : Pairs(rec.Extra.value(QStringLiteral("CopyFields")).toString()))
        own->FieldByName(ownName)->SetValue(lu->FieldByName(luName)->Value());
    if (ext.AfterAssignFromLookup) ext.AfterAssignFromLookup(&ext);
    if (kind != 1 || lu->FieldCount() == 0) return;
    // A lookup table's key is its first field; the form may refuse it by
    // a silent abort.
    try {
        if (ext.BeforeAssignFromLUField) ext.BeforeAssignFromLUField(&ext);
    } catch (const EAbort&) {
        return;
    }
    field->SetValue(lu->FieldAt(0)->Value());
    if (ext.AfterAssignFromLUField) ext.AfterAssignFromLUField(&ext);
}

}   // namespace

TLUDlg::TLUDlg(TDBExtender* caller, TDataSet* luDataSet, const TFormEventRec& rec, bool readOnly)
    : TDBEViewForm(caller, luDataSet, rec,
                   {QStringLiteral("DBExtender1"), QStringLiteral("DBENavigator1"), QStringLiteral("LUStatusPanel")}),
      m_readOnly(readOnly)
{
    setObjectName(QStringLiteral("LUDlg"));
    SetClientSize(515, 327);
    LUSource = Source;
    LUSource->setObjectName(QStringLiteral("LUSource"));
    DBExtender1 = ViewExtender();
    DBENavigator1 = Nav;
    UserBtnPanel->setVisible(!rec.UserBtnCaption.isEmpty());

    // Both buttons, as a dialog has them; OK only where values may be written.
    OKBtn->setObjectName(QStringLiteral("OkBtn"));
    OKBtn->setGeometry(2, 4, 80, 30);
    CancelBtn->show();
    OKBtn->setVisible(!readOnly);
    OKBtn->setEnabled(luDataSet && luDataSet->Active() && !luDataSet->IsEmpty());

    // Grid options as in the table view.
    LUGrid = CenterGrid(QStringLiteral("LUGrid"));
    // Enter and Esc are the dialog's before the grid sees them (the grid
    // would only post or cancel); Esc ends an incremental search first.
    DBExtender1->FormOnKeyPhysical = [this, viewKey = DBExtender1->FormOnKeyPhysical](int& key, TShiftState shift,
                                                                                       bool& handled) {
        if (key == VK::RETURN && shift.IsEmpty() && OKBtn->isVisible() && OKBtn->isEnabled()) {
            handled = true;
            OKBtnClick();
            return;
        }
        if (key == VK::ESCAPE && shift.IsEmpty() && EscapeCloses()) {
            handled = true;
            reject();
            return;
        }
        if (viewKey) viewKey(key, shift, handled);
    };
    connect(LUGrid, &QAbstractItemView::doubleClicked, this, [this] {
        if (OKBtn->isVisible() && OKBtn->isEnabled()) OKBtnClick();
    });
}

void TLUDlg::showEvent(QShowEvent* e)
{
    TDBEViewForm::showEvent(e);
    if (e->spontaneous()) return;
    LUGrid->setFocus(Qt::OtherFocusReason);
}

void TLUDlg::changeEvent(QEvent* e)
{
    TDBEViewForm::changeEvent(e);
    // Incremental search needs the dialog to be the active form, which it
    // becomes only when the window manager says so.
    if (e->type() != QEvent::ActivationChange || !isActiveWindow() || m_incSearchStarted) return;
    m_incSearchStarted = true;
    if (Options().AutoIncSrch) QTimer::singleShot(0, this, [this] { StartIncSearch(); });
}

void TLUDlg::StartIncSearch()
{
    TDBExtender* x = DBExtender1;
    if (!x || x->IncSearchActive()) return;
    x->CheckPoss();
    if (x->Possibilities(nbSearchInc)) x->HandleNBBtn(nbSearchInc);
}

void TLUDlg::keyPressEvent(QKeyEvent* e)
{
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
        e->accept();
        if (OKBtn->isVisible() && OKBtn->isEnabled()) OKBtnClick();
        return;
    }
    TDBEViewForm::keyPressEvent(e);
}

void ShowLUDlg(TDBExtender& ext, const TFormEventRec& rec, TField* field, TDataSet* luDataSet, bool readOnly)
{
    if (!field || !field->DataSet() || !luDataSet) return;
    const int kind = rec.Extra.value(QStringLiteral("LookupKind")).toInt();
    TShownFields shown(luDataSet, rec.Extra.value(QStringLiteral("ShowFields")).toString(),
                       rec.Extra.value(QStringLiteral("DisplayLabels")).toString());
    ext.ShowMessage(DBEString(59012), mtInformation);
    try {
        Position(luDataSet, field, kind, rec.Extra.value(QStringLiteral("LocateFields")).toString());
    } catch (...) {
        // Not found where it should be: the dialog opens where the table stands.
        HandleException(&ext);
    }
    std::unique_ptr<TLUDlg> dlg;
    try {
        dlg = std::make_unique<TLUDlg>(&ext, luDataSet, rec, readOnly);
    } catch (...) {
        ext.ClearMessage();
        throw;
    }
    ext.ClearMessage();
    const QString desc = kind == 1 ? ext.GetTblDesc(luDataSet)
                                   : rec.Extra.value(QStringLiteral("DataSetDescription")).toString();
    dlg->setWindowTitle(DBEFormat(59011, {desc}));
    if (dlg->exec() != mrOk || readOnly) return;
    Assign(ext, field, luDataSet, rec);
}
