// Key handling of the extender: shortcuts, Enter as next field (also across
// grid columns and records), bookmark digits, incremental-search keystrokes
// and the grid column hook.
#include "DBGrid.h"
#include "Dbextend.h"
#include "Dbeutil.h"
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTextEdit>

namespace {

QString ClassNameOf(const QObject* o)
{
    return o ? QString::fromLatin1(o->metaObject()->className()) : QString();
}

bool ClassListed(const QStringList& names, const QString& className)
{
    for (const QString& n : names)
        if (n.trimmed().compare(className, Qt::CaseInsensitive) == 0) return true;
    return false;
}

// The column event of a grid: "OnColEnter" for our data grid; for a class
// listed in DBGridComponents the name in parentheses of its first line, or
// "OnColEnter" when the line names none. Empty: the control is no grid.
QString GridEventOf(const QWidget* control, const QStringList& gridComponents)
{
    if (!control) return QString();
    if (qobject_cast<const TDBGrid*>(control)) return QStringLiteral("OnColEnter");
    const QString cls = ClassNameOf(control);
    for (const QString& line : gridComponents) {
        const int open = line.indexOf(QLatin1Char('('));
        const QString name = (open < 0 ? line : line.left(open)).trimmed();
        if (name.isEmpty() || name.compare(cls, Qt::CaseInsensitive) != 0) continue;
        if (open < 0) return QStringLiteral("OnColEnter");
        int close = line.indexOf(QLatin1Char(')'), open + 1);
        if (close < 0) close = line.size();
        return line.mid(open + 1, close - open - 1).trimmed();
    }
    return QString();
}

bool IsGrid(const QWidget* control, const QStringList& gridComponents)
{
    return !GridEventOf(control, gridComponents).isEmpty();
}

// The grid an in-place editor belongs to: item views put their editors on
// the viewport, other grids directly on themselves.
QWidget* GridOfEditor(const QWidget* control, const QStringList& gridComponents)
{
    if (!control) return nullptr;
    QWidget* p = control->parentWidget();
    if (!p || p->isWindow()) return nullptr;
    if (IsGrid(p, gridComponents)) return p;
    QWidget* pp = p->parentWidget();
    auto* area = qobject_cast<QAbstractScrollArea*>(pp);
    if (area && area->viewport() == p && IsGrid(pp, gridComponents)) return pp;
    return nullptr;
}

// The grid a control is or edits in.
QWidget* GridOf(QWidget* control, const QStringList& gridComponents)
{
    if (IsGrid(control, gridComponents)) return control;
    return GridOfEditor(control, gridComponents);
}

// Grids, list boxes and memos page with their own keys.
bool KeepsPagingKeys(QWidget* control, const QStringList& gridComponents)
{
    if (!control) return false;
    if (GridOf(control, gridComponents)) return true;
    if (qobject_cast<QAbstractItemView*>(control) || qobject_cast<QPlainTextEdit*>(control)
        || qobject_cast<QTextEdit*>(control))
        return true;
    static const QStringList own{QStringLiteral("TDBGrid"), QStringLiteral("TDBMemo"), QStringLiteral("TDBListBox")};
    return ClassListed(own, ClassNameOf(control));
}

QWidget* DeepestFocusProxy(QWidget* w)
{
    while (w && w->focusProxy()) w = w->focusProxy();
    return w;
}

bool TakesTabFocus(QWidget* w, QWidget* form)
{
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !w->focusProxy() && w->isEnabled()
        && w->isVisibleTo(form) && w->window() == form;
}

// Next (or previous) control in the form's tab order, as Tab would choose.
void FocusNextControl(QWidget* form, QWidget* from, bool backwards)
{
    if (!form) return;
    QWidget* start = from ? from : form;
    QWidget* target = nullptr;
    for (QWidget* w = backwards ? start->previousInFocusChain() : start->nextInFocusChain(); w && w != start;
         w = backwards ? w->previousInFocusChain() : w->nextInFocusChain()) {
        if (!TakesTabFocus(w, form) || DeepestFocusProxy(w) == from || (from && from->isAncestorOf(w))) continue;
        target = w;
        break;
    }
    if (!target) return;
    // A control inside an item view (its editor) stands for the view.
    for (QWidget* p = target->parentWidget(); p && p != form; p = p->parentWidget())
        if (qobject_cast<QAbstractItemView*>(p) && p != from) {
            target = p;
            break;
        }
    target->setFocus(backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
}

bool IsMainDigit(int key)
{
    return key >= '0' && key <= '9';
}

bool IsModifierKey(int key)
{
    return key == VK::SHIFT || key == VK::CONTROL || key == VK::MENU || key == 0xA5;
}

TShiftState KeyShift(TShiftState shift)
{
    return shift * TShiftState{ssShift, ssCtrl, ssAlt};
}

// The character a key gives on the German layout, when the key routing did
// not pass the text along.
QString CharOfKey(int key, TShiftState shift)
{
    const bool shifted = shift.Contains(ssShift);
    if (shift.Contains(ssCtrl) || shift.Contains(ssAlt)) return QString();
    if (key >= 'A' && key <= 'Z') return QString(QChar(shifted ? key : key + ('a' - 'A')));
    if (key >= '0' && key <= '9') {
        static const char16_t shiftedDigits[] = u"=!\"§$%&/()";
        return QString(QChar(shifted ? shiftedDigits[key - '0'] : char16_t(key)));
    }
    if (key >= VK::NUMPAD0 && key <= VK::NUMPAD0 + 9) return QString(QChar('0' + key - VK::NUMPAD0));
    switch (key) {
    case VK::SPACE: return QStringLiteral(" ");
    case 0x6A: return QStringLiteral("*");
    case 0x6B: return QStringLiteral("+");
    case 0x6D: return QStringLiteral("-");
    case 0x6E: return QStringLiteral(",");
    case 0x6F: return QStringLiteral("/");
    case 0xBA: return shifted ? QStringLiteral("Ü") : QStringLiteral("ü");
    case 0xBB: return shifted ? QStringLiteral("*") : QStringLiteral("+");
    case 0xBC: return shifted ? QStringLiteral(";") : QStringLiteral(",");
    case 0xBD: return shifted ? QStringLiteral("_") : QStringLiteral("-");
    case 0xBE: return shifted ? QStringLiteral(":") : QStringLiteral(".");
    case 0xBF: return shifted ? QStringLiteral("'") : QStringLiteral("#");
    case 0xC0: return shifted ? QStringLiteral("Ö") : QStringLiteral("ö");
    case 0xDB: return shifted ? QStringLiteral("?") : QStringLiteral("ß");
    case 0xDE: return shifted ? QStringLiteral("Ä") : QStringLiteral("ä");
    case 0xE2: return shifted ? QStringLiteral(">") : QStringLiteral("<");
    default: return QString();
    }
}

}   // namespace

// Receives the column signal of a listed foreign grid.
class TDBEGridColReceiver : public QObject {
    Q_OBJECT
public:
    TDBEGridColReceiver(TDBExtender* owner) : QObject(owner), m_owner(owner) {}
public slots:
    void ColumnEntered() { m_owner->HandleGridColEnter(sender()); }
private:
    TDBExtender* m_owner;
};

// ------------------------------------------------------------ key entry

bool TDBExtender::ProcessKey(int virtualKey, TShiftState shift)
{
    // A key without a virtual key code may still type a character.
    if (m_destroying || !m_form) return false;
    const QString keyText = m_keyText;
    m_keyText.clear();

    // Working data: the focused data control, else the master source.
    QWidget* control = FocusedControl();
    TDataSource* src = nullptr;
    bool readOnly = true;
    int fieldNo = -1;
    TField* field = nullptr;
    TDataSet* ds = nullptr;
    TTableDefs* entry = nullptr;
    const bool dataAware = control && IsDBControl(control);
    if (dataAware) {
        if (!GetControlInfo(control, src, readOnly, fieldNo, field, ds)) return false;
        if (src) entry = m_tables->FindOrAddBySource(src);
    } else if (m_masterSource) {
        src = m_masterSource;
        ds = src->DataSet();
        if (ds && ds->Destroying()) ds = nullptr;
        entry = m_tables->FindOrAddBySource(src);
    }

    if (HandleShortCutAndEnter(virtualKey, shift, control, dataAware, readOnly, field, ds, entry)) return true;
    if (!m_incSearchActive) return false;
    QScopedValueRollback keep(m_keyText, keyText);
    return HandleIncSearchKey(virtualKey, shift, field, ds, entry);
}

bool TDBExtender::HandleShortCutAndEnter(int key, TShiftState shift, QWidget* control, bool dataAware, bool readOnly,
                                         TField* field, TDataSet* ds, TTableDefs* entry)
{
    // A digit after the bookmark keys is the bookmark number; any other key
    // ends the wait and is left alone.
    if ((m_awaitSetBookmark || m_awaitGotoBookmark) && !IsModifierKey(key)) {
        const TDBENavigateBtn btn = m_awaitSetBookmark ? nbSetBookmark : nbGotoBookmark;
        m_awaitSetBookmark = m_awaitGotoBookmark = false;
        if (!IsMainDigit(key) || !m_allowKeys.Contains(akBookmark)) return false;
        HandleNBBtn(btn, shift, key - '0');
        return true;
    }

    const TShiftState keys = KeyShift(shift);
    // Enter moves to the next field (backwards with any modifier but Ctrl alone).
    if (key == VK::RETURN && m_allowKeys.Contains(akSelectNext) && !ClassListed(m_noSelectNext, ClassNameOf(control))
        && keys != TShiftState{ssCtrl}) {
        const bool backwards = !keys.IsEmpty();
        QWidget* parent = control ? control->parentWidget() : nullptr;
        QWidget* grandParent = parent ? parent->parentWidget() : nullptr;
        if (parent && grandParent && ClassNameOf(parent) == QLatin1String("TDBCtrlPanel")
            && ClassNameOf(grandParent) == QLatin1String("TDBCtrlGrid")) {
            // A control grid steps through its panel's controls with Tab.
            QKeyEvent tab(QEvent::KeyPress, backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                          backwards ? Qt::ShiftModifier : Qt::NoModifier);
            QCoreApplication::sendEvent(grandParent, &tab);
        } else if (IsGrid(control, m_gridComponents)) {
            GridColumnStep(control, backwards);
        } else if (QWidget* grid = GridOfEditor(control, m_gridComponents)) {
            // Our data grid closes and reopens its editor itself when the
            // cell changes; foreign grids get the focus back first.
            if (!qobject_cast<TDBGrid*>(grid)) {
                grid->setFocus(Qt::OtherFocusReason);
                control->hide();
            }
            GridColumnStep(grid, backwards);
        } else {
            FocusNextControl(m_form, control ? control : QApplication::focusWidget(), backwards);
        }
        return true;
    }

    // Down on the last row of a grid would append; not while editing is off.
    if (key == VK::DOWN && ds && m_manageGlobalEdit && !m_editMode && GridOf(control, m_gridComponents)) {
        bool last;
        if (ExactBOF_EOF && entry) last = entry->IsLast(entry->ProbeCursor());
        else last = ds->Eof();
        if (last) return true;
    }

    TDBENavigateBtn btn;
    if (!m_shortCuts.FindAction(key, shift, btn)) return false;
    const TDataSetState state = ds ? ds->State() : dsInactive;
    const bool editing = state == dsEdit || state == dsInsert || state == dsSetKey;
    const bool mayEdit = m_editMode || !m_manageGlobalEdit;
    bool ok = false;
    switch (btn) {
    case nbSearch: ok = ds && m_allowKeys.Contains(akSearch); break;
    case nbSearchInc:
        ok = m_allowKeys.Contains(akIncSearch) && m_poss[nbSearchInc] && (m_incSearchActive || (ds && field));
        break;
    case nbSearchNext:
        ok = m_allowKeys.Contains(akSearch) && ds && (keys.IsEmpty() || keys == TShiftState{ssCtrl});
        break;
    case nbSetBookmark:
    case nbGotoBookmark:
        if (!m_allowKeys.Contains(akBookmark) || !entry) return false;
        // Only arms the digit; the next key carries the number.
        if (btn == nbSetBookmark) m_awaitSetBookmark = true;
        else m_awaitGotoBookmark = true;
        return true;
    case nbTblFilter: ok = ds && m_allowKeys.Contains(akFilter); break;
    case nbActiveFilter:
        ok = ds && m_allowKeys.Contains(akFilter) && (m_filterState == 2 || m_filterState == 3);
        break;
    case nbIndexSelect:
        ok = m_allowKeys.Contains(akIndexSelect) && m_poss[nbIndexSelect] && qobject_cast<TTable*>(ds);
        break;
    case nbTableView: ok = m_allowKeys.Contains(akTableView) && m_poss[nbTableView] && ds; break;
    case nbSingleRecView: ok = m_allowKeys.Contains(akSingleRecView) && m_poss[nbSingleRecView] && ds; break;
    case nbFirst:
    case nbPGroup:
    case nbPrior:
    case nbNext:
    case nbNGroup:
    case nbLast:
        ok = m_allowKeys.Contains(akDBMove) && !KeepsPagingKeys(control, m_gridComponents);
        break;
    case nbInsert:
    case nbDelete:
        ok = dataAware && ds && ds->CanModify() && !readOnly
            && m_allowKeys.Contains(btn == nbInsert ? akInsert : akDelete);
        break;
    case nbEdit: ok = ds && ds->CanModify() && !editing && mayEdit; break;
    case nbPost: ok = ds && editing; break;
    case nbCancel: ok = dataAware && ds && m_allowKeys.Contains(akCancel); break;
    case nbRefresh: ok = ds && ClassNameOf(ds).contains(QLatin1String("Table")); break;
    case nbUserBtn: ok = true; break;
    case nbMemoView:
        ok = dataAware && field
            && (field->DataType() == ftMemo || field->DataType() == ftGraphic || field->DataType() == ftTypedBinary);
        break;
    case nbDupField:
    case nbDupRecord: ok = dataAware && m_poss[btn] && m_allowKeys.Contains(akDuplicate); break;
    case nbLookUp: ok = dataAware && ds && m_allowKeys.Contains(akLookUp) && m_poss[nbLookUp]; break;
    case nbGlobalEdit: ok = m_allowKeys.Contains(akGlobalEdit) && m_manageGlobalEdit; break;
    }
    if (!ok) return false;
    HandleNBBtn(btn, shift, 0);
    return true;
}

// ------------------------------------------------------------ grids

// Enter in a grid: the next column, from the last one to the first column
// of the next record (backwards likewise).
void TDBExtender::GridColumnStep(QWidget* grid, bool backwards)
{
    if (auto* g = qobject_cast<TDBGrid*>(grid)) {
        const int count = g->FieldCount();
        if (count <= 0) return;
        const int col = g->SelectedIndex();
        if (!backwards) {
            if (col < count - 1) {
                g->SetSelectedIndex(col + 1);
            } else {
                g->SetSelectedIndex(0);
                MoveGridRecord(nbNext);
            }
        } else {
            if (col > 0) {
                g->SetSelectedIndex(col - 1);
            } else {
                g->SetSelectedIndex(count - 1);
                MoveGridRecord(nbPrior);
            }
        }
        return;
    }
    // Foreign grids tell their columns through wwDBGridEvent.
    if (!wwDBGridEvent) return;
    int col = 0, first = 0, count = 0;
    wwDBGridEvent(grid, nwpCurrentCol, true, col);
    wwDBGridEvent(grid, nwpFirstSelectableCol, true, first);
    wwDBGridEvent(grid, nwpColCount, true, count);
    if (count <= 0) return;
    const bool wraps = backwards ? col <= first : col >= count - 1;
    int target = backwards ? (wraps ? count - 1 : col - 1) : (wraps ? first : col + 1);
    wwDBGridEvent(grid, nwpCurrentCol, false, target);
    if (wraps) MoveGridRecord(backwards ? nbPrior : nbNext);
}

// The grid's own data set moves, whatever the master source says.
void TDBExtender::MoveGridRecord(TDBENavigateBtn btn)
{
    QScopedValueRollback keep(m_stayOnMaster, somNo);
    HandleNBBtn(btn, {}, 0);
}

void TDBExtender::HookGridColumnEvent(QWidget* control)
{
    QWidget* grid = GridOf(control, m_gridComponents);
    if (grid && grid == m_hookedGrid) return;
    UnhookGridColumnEvent();
    if (!grid || m_destroying) return;
    const QString event = GridEventOf(grid, m_gridComponents);
    if (auto* g = qobject_cast<TDBGrid*>(grid)) {
        if (event != QLatin1String("OnColEnter")) return;
        m_prevColEnter = g->OnColEnter;
        QPointer<TDBExtender> self(this);
        auto prev = m_prevColEnter;
        g->OnColEnter = [self, prev](TDBGrid* sender) {
            if (self) self->HandleGridColEnter(sender);
            else if (prev) prev(sender);
        };
        m_hookedGrid = grid;
        return;
    }
    // A listed grid of another kind: its column signal of that name.
    const QMetaObject* mo = grid->metaObject();
    for (int i = 0; i < mo->methodCount(); ++i) {
        const QMetaMethod m = mo->method(i);
        if (m.methodType() != QMetaMethod::Signal || QString::fromLatin1(m.name()) != event) continue;
        if (!m_gridColReceiver) m_gridColReceiver = new TDBEGridColReceiver(this);
        const QMetaObject* rmo = m_gridColReceiver->metaObject();
        const QMetaMethod slot = rmo->method(rmo->indexOfSlot("ColumnEntered()"));
        m_gridColConnection = QObject::connect(grid, m, m_gridColReceiver, slot);
        m_hookedGrid = grid;
        return;
    }
}

void TDBExtender::UnhookGridColumnEvent()
{
    if (m_gridColConnection) QObject::disconnect(m_gridColConnection);
    m_gridColConnection = {};
    // A grid being destroyed is no TDBGrid any more and keeps what it has.
    if (auto* g = qobject_cast<TDBGrid*>(m_hookedGrid.data())) g->OnColEnter = m_prevColEnter;
    m_prevColEnter = nullptr;
    m_hookedGrid = nullptr;
}

void TDBExtender::HandleGridColEnter(QObject* sender)
{
    if (m_destroying || !m_form) return;
    CheckPoss();
    if (IncSrchAutoDisable && m_incSearchActive) HandleNBBtn(nbSearchInc);
    else SetIncSearchText(QString());
    NoticeDataSetChanged(m_currentSource);
    ShowLookupHint();
    if (m_prevColEnter)
        if (auto* g = qobject_cast<TDBGrid*>(sender)) m_prevColEnter(g);
}

// ------------------------------------------------------ incremental search

bool TDBExtender::HandleIncSearchKey(int key, TShiftState shift, TField* field, TDataSet* ds, TTableDefs* entry)
{
    if (key == VK::TAB) return false;
    if (key == VK::ESCAPE) {
        HandleNBBtn(nbSearchInc);
        return true;
    }
    const QString before = m_incSearchText;
    QString text = before;
    if (key == VK::BACK) {
        text.chop(1);
    } else if (key == VK::DELETE_) {
        text.clear();
    } else {
        QString typed;
        for (QChar c : m_keyText)
            if (c.isPrint()) typed += c;
        if (m_keyText.isEmpty()) typed = CharOfKey(key, shift);
        if (typed.isEmpty()) return false;
        // A string field holds no more than its size.
        if (field && field->DataType() == ftString && field->Size() > 0 && text.size() >= field->Size()) return true;
        if (IncSrchCharCase == ecUpperCase) typed = typed.toUpper();
        else if (IncSrchCharCase == ecLowerCase) typed = typed.toLower();
        text += typed;
    }
    if (!ds || !IsSearchableField(field)) return true;
    const bool continuing = entry && !before.isEmpty()
        && entry->SearchField.compare(field->FieldName(), Qt::CaseInsensitive) == 0;
    // Search holds the keys back while it runs.
    const bool found = Search(ds, field->FieldName(), !continuing, true, true, text + QStringLiteral(".."));
    // A keystroke whose text finds nothing is dropped.
    if (found) SetIncSearchText(text);
    return true;
}

#include "DbextendKeys.moc"
