// The single-record view: building the controls, the four layouts and the
// accelerators of the labels.
#include "DBESRec.h"
#include "DBCheckBox.h"
#include "DBComboBox.h"
#include "DBEdit.h"
#include "DBImage.h"
#include "DBMemo.h"
#include "Dbeconst.h"
#include "Dbeobj.h"
#include "Panel.h"
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QStyleOption>
#include <QTextEdit>
#include <algorithm>
#include <map>

namespace {

bool IsDigitOrLetter(QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'); }

// The caption as shown: "&&" is one ampersand, a single "&" marks the accelerator.
QString PlainCaption(const QString& caption)
{
    QString out;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == u'&') {
            if (i + 1 < caption.size() && caption.at(i + 1) == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += caption.at(i);
    }
    return out;
}

QString EscapeAmpersands(QString caption) { return caption.replace(u'&', QStringLiteral("&&")); }

template <class T>
TSRVControlClass Maker()
{
    return [](QWidget* parent) -> QWidget* { return new T(parent); };
}

// The control a field gets unless the extender's event says otherwise.
TSRVControlClass DefaultControlClass(const TField* f, const TFormEventRec& rec)
{
    switch (f->DataType()) {
    case ftString: case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD:
    case ftDate: case ftTime: case ftDateTime: case ftAutoInc:
        if (f->FieldKind() == fkLookup && rec.UseDBLUComboBox) return Maker<TDBLookupComboBox>();
        return Maker<TDBEdit>();
    case ftBoolean:
        return rec.UseCBOnBoolean ? Maker<TDBCheckBox>() : Maker<TDBEdit>();
    case ftMemo:
        return Maker<TDBMemo>();
    case ftGraphic: case ftTypedBinary:
        return Maker<TDBImage>();
    default:
        return {};
    }
}

bool IsMemo(const QWidget* c) { return qobject_cast<const QPlainTextEdit*>(c) || qobject_cast<const QTextEdit*>(c); }
bool IsImage(const QWidget* c) { return qobject_cast<const TDBImage*>(c); }
bool TakesTextWidth(const QWidget* c)
{
    return !IsImage(c)
        && (qobject_cast<const QLineEdit*>(c) || qobject_cast<const QComboBox*>(c) || qobject_cast<const QListView*>(c)
            || qobject_cast<const QLabel*>(c));
}

// The widest digit or letter of a font: the width one character of a
// field may take.
int WidestCharacter(const QFontMetrics& fm)
{
    int w = 0;
    for (char c = '0'; c <= '9'; ++c) w = std::max(w, fm.horizontalAdvance(QLatin1Char(c)));
    for (char c = 'A'; c <= 'Z'; ++c) {
        w = std::max(w, fm.horizontalAdvance(QLatin1Char(c)));
        w = std::max(w, fm.horizontalAdvance(QLatin1Char(char(c + 32))));
    }
    return w;
}

}   // namespace

// ------------------------------------------------------------ accelerators

QStringList GenerateAccelChars(const QStringList& captions)
{
    QStringList out;
    for (const QString& c : captions) out << EscapeAmpersands(c);

    struct TCand {
        int Index;
        QString Chars;
    };
    std::vector<TCand> labels;
    for (int i = 0; i < out.size(); ++i) {
        QString chars;
        for (QChar c : TSrchItem::UpperKeepLength(out.at(i)))
            if (IsDigitOrLetter(c) && !chars.contains(c) && chars.size() < 40) chars += c;
        if (!chars.isEmpty()) labels.push_back({i, chars});
    }
    // The labels with the fewest choices choose first.
    std::stable_sort(labels.begin(), labels.end(),
                     [](const TCand& a, const TCand& b) { return a.Chars.size() < b.Chars.size(); });

    std::map<QChar, int> frequency;
    for (const TCand& l : labels)
        for (QChar c : l.Chars) ++frequency[c];
    std::vector<QChar> order;
    for (const auto& [c, n] : frequency) order.push_back(c);
    // Falling frequency (ten and more count alike), digits before letters.
    std::stable_sort(order.begin(), order.end(), [&](QChar a, QChar b) {
        const int fa = std::min(frequency[a], 10), fb = std::min(frequency[b], 10);
        if (fa != fb) return fa > fb;
        const bool da = a.isDigit(), db = b.isDigit();
        if (da != db) return da;
        return a < b;
    });

    // The rarest characters first, each to the first label that has it.
    std::vector<bool> served(labels.size(), false);
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        for (size_t j = 0; j < labels.size(); ++j) {
            if (served[j]) continue;
            QString& caption = out[labels[j].Index];
            const int at = TSrchItem::UpperKeepLength(caption).indexOf(*it);
            if (at < 0) continue;
            caption.insert(at, u'&');
            served[j] = true;
            break;
        }
    }
    return out;
}

// ------------------------------------------------------------ the view

TSingleRecViewForm::TSingleRecViewForm(TDBExtender* caller, TDataSet* ds, const TFormEventRec& rec)
    : TDBEViewForm(caller, ds, rec, {QStringLiteral("SRDBExtender"), QStringLiteral("SRNav"),
                                     QStringLiteral("ORStatusPanel")}),
      m_layout(rec.Layout)
{
    setObjectName(QStringLiteral("SingleRecViewForm"));
    SetClientSize(597, 318);
    Source->setObjectName(QStringLiteral("SRSource"));
    Source->SetAutoEdit(rec.AutoEdit);

    ScrollBox = new QScrollArea(this);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setWidgetResizable(false);
    ScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto* inner = new QWidget;
    inner->setObjectName(QStringLiteral("ScrollBoxContents"));
    ScrollBox->setWidget(inner);
    SetCenter(ScrollBox);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto item = [this](QMenu* menu, const char* name, int textId, TSingleRecLayout layout) {
        QAction* a = menu->addAction(DBEString(textId));
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, layout] { ChooseLayout(layout); });
        return a;
    };
    piHoriz = item(PopupMenu1, "piHoriz", 59071, srlHoriz);
    QMenu* vert = PopupMenu1->addMenu(DBEString(59072));
    piVert = vert->menuAction();
    piVert->setObjectName(QStringLiteral("piVert"));
    piVertTop = item(vert, "piVertTop", 59073, srlVertTop);
    piVertLeftLeft = item(vert, "piVertLeftLeft", 59074, srlVertLeftLeft);
    piVertLeftRight = item(vert, "piVertLeftRight", 59075, srlVertLeftRight);
    for (QWidget* w : {static_cast<QWidget*>(ScrollBox->viewport()), inner}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& at) { PopupMenu1->popup(w->mapToGlobal(at)); });
    }
    CheckLayoutItem();

    setWindowTitle(DBEFormat(59566, {caller ? caller->GetTblDesc(ds) : QString()}));
}

TSingleRecViewForm::~TSingleRecViewForm() = default;

void TSingleRecViewForm::CheckLayoutItem()
{
    piHoriz->setChecked(m_layout == srlHoriz);
    piVertTop->setChecked(m_layout == srlVertTop);
    piVertLeftLeft->setChecked(m_layout == srlVertLeftLeft);
    piVertLeftRight->setChecked(m_layout == srlVertLeftRight);
}

void TSingleRecViewForm::ChooseLayout(TSingleRecLayout layout)
{
    m_layout = layout;
    CheckLayoutItem();
    PostRelayout();
}

QWidget* TSingleRecViewForm::ControlOf(const QString& fieldName) const
{
    const int i = m_fieldNames.indexOf(fieldName, 0);
    if (i >= 0) return m_controls[size_t(i)];
    for (int j = 0; j < m_fieldNames.size(); ++j)
        if (m_fieldNames.at(j).compare(fieldName, Qt::CaseInsensitive) == 0) return m_controls[size_t(j)];
    return nullptr;
}

QLabel* TSingleRecViewForm::LabelOf(const QString& fieldName) const
{
    for (int j = 0; j < m_fieldNames.size(); ++j)
        if (m_fieldNames.at(j).compare(fieldName, Qt::CaseInsensitive) == 0) return m_labels[size_t(j)];
    return nullptr;
}

bool TSingleRecViewForm::EscapeCloses() const
{
    const TDataSetState state = Source->State();
    return TDBEViewForm::EscapeCloses() && state != dsEdit && state != dsInsert;
}

// ------------------------------------------------------------ showing

void TSingleRecViewForm::showEvent(QShowEvent* e)
{
    if (!e->spontaneous() && !m_shown) {
        m_lastWidth = width();
        if (TField* f = CallerField()) m_focusField = f->FieldName();
        DoRelayout();
        ViewExtender()->CheckPoss();
    }
    TDBEViewForm::showEvent(e);
    if (!e->spontaneous() && !m_shown) {
        // Counted as shown once the show itself is over.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_shown = true;
                RefreshCaller();
            },
            Qt::QueuedConnection);
    }
}

void TSingleRecViewForm::resizeEvent(QResizeEvent* e)
{
    TDBEViewForm::resizeEvent(e);
    if (!m_shown || !Options().RebuildOnResize || width() == m_lastWidth) return;
    m_lastWidth = width();
    PostRelayout();
}

bool TSingleRecViewForm::event(QEvent* e)
{
    if (int(e->type()) == SRVRefreshEventType) {
        PostRelayout();
        return true;
    }
    return TDBEViewForm::event(e);
}

void TSingleRecViewForm::PostRelayout()
{
    if (m_relayoutPosted) return;
    m_relayoutPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_relayoutPosted = false;
            Relayout();
        },
        Qt::QueuedConnection);
}

void TSingleRecViewForm::Relayout()
{
    if (!m_shown || m_busy) return;
    DoRelayout();
}

void TSingleRecViewForm::RebuildControls()
{
    // Asked for in the middle of the data set's notices, when the old
    // controls may still hold fields that are gone: done once they are over.
    if (m_rebuildPosted) return;
    m_rebuildPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_rebuildPosted = false;
            ClearControls();
            TDataSet* ds = ShownDataSet();
            if (m_shown && ds && ds->Active()) DoRelayout();
        },
        Qt::QueuedConnection);
}

void TSingleRecViewForm::DoRelayout()
{
    QScopedValueRollback busy(m_busy, true);
    setUpdatesEnabled(false);
    MeasureReferences();
    if (m_built) {
        for (size_t i = 0; i < m_controls.size(); ++i)
            if (focusWidget() == m_controls[i] || m_controls[i]->isAncestorOf(focusWidget())) {
                m_focusField = m_fieldNames.at(int(i));
                break;
            }
    } else {
        BuildControls();
    }
    const int cw = ScrollBox->contentsRect().width();
    if (m_layout == srlHoriz) LayOutSideBySide(cw);
    else LayOutUnderOneAnother(cw);
    QWidget* inner = ScrollBox->widget();
    inner->resize(std::max(10, cw - m_scrollBarWidth), m_totalHeight + 8);
    if (QWidget* c = ControlOf(m_focusField); c && c->focusPolicy() != Qt::NoFocus) {
        c->setFocus(Qt::OtherFocusReason);
        ScrollBox->ensureWidgetVisible(c);
    } else if (!m_controls.empty() && !ScrollBox->isAncestorOf(focusWidget())) {
        m_controls.front()->setFocus(Qt::OtherFocusReason);
    }
    setUpdatesEnabled(true);
}

// ------------------------------------------------------------ building

void TSingleRecViewForm::MeasureReferences()
{
    QWidget* box = ScrollBox->widget();
    {
        QLabel l(QStringLiteral("Xg"), box);
        m_ref.Label = l.sizeHint();
    }
    {
        QLineEdit e(box);
        m_ref.Edit = e.sizeHint();
    }
    {
        QCheckBox c(box);
        const int side = c.sizeHint().height();
        m_ref.CheckBox = QSize(side, side);
    }
    // A memo of some six lines and a picture square, as fresh ones come.
    const QFontMetrics fm(box->font());
    m_ref.Memo = QSize(fm.averageCharWidth() * 32 + 8, fm.lineSpacing() * 6 + 8);
    m_ref.Image = QSize(105, 105);
    m_scrollBarWidth = ScrollBox->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ScrollBox);
}

void TSingleRecViewForm::ClearControls()
{
    // The focus returns to the same field in the new controls.
    for (size_t i = 0; i < m_controls.size(); ++i)
        if (focusWidget() == m_controls[i] || m_controls[i]->isAncestorOf(focusWidget()))
            m_focusField = m_fieldNames.at(int(i));
    if (ScrollBox->isAncestorOf(focusWidget())) setFocus(Qt::OtherFocusReason);
    // Deleted later: a notice may still be on its way to them.
    for (QLabel* l : m_labels) {
        l->hide();
        l->deleteLater();
    }
    for (QWidget* c : m_controls) {
        c->hide();
        c->deleteLater();
    }
    m_labels.clear();
    m_controls.clear();
    m_fieldNames.clear();
    m_built = false;
}

void TSingleRecViewForm::BuildControls()
{
    TDataSet* ds = ShownDataSet();
    if (!ds || !ds->Active()) return;
    TDBExtender* ext = ViewExtender();
    const bool useNonVis = Caller() ? Caller()->UseNonVisFields() : ext->UseNonVisFields();
    const bool readOnly = Options().ReadOnly && !Options().ManageGlobalEdit;
    QWidget* box = ScrollBox->widget();
    QStringList captions;
    for (const auto& fp : ds->Fields()) {
        TField* f = fp.get();
        if (!f->Visible() && !useNonVis) continue;
        TSRVControlClass make = DefaultControlClass(f, Options());
        if (ext->SRVClassForField) ext->SRVClassForField(this, f, make);
        QWidget* control = make ? make(box) : nullptr;
        if (!control) continue;
        control->setParent(box);
        control->setObjectName(f->FieldName());
        if (control->metaObject()->indexOfProperty("DataSource") >= 0) {
            // The field first: a lookup box reads its list once it is linked.
            control->setProperty("DataField", f->FieldName());
            control->setProperty("DataSource", QVariant::fromValue(Source));
        } else {
            TDataSource* src = Source;
            TField* fld = f;
            if (ext->ComponentDS) ext->ComponentDS(control, src, false);
            if (ext->ComponentFld) ext->ComponentFld(control, fld, false);
        }
        if (readOnly) {
            if (control->metaObject()->indexOfProperty("ReadOnly") >= 0) {
                control->setProperty("ReadOnly", true);
            } else if (ext->ComponentRO) {
                bool ro = true;
                ext->ComponentRO(control, ro, false);
            }
        }
        if (IsMemo(control)) control->resize(m_ref.Memo);
        else if (IsImage(control)) control->resize(m_ref.Image);
        else if (qobject_cast<QLineEdit*>(control)) control->resize(m_ref.Edit);
        else control->resize(control->sizeHint());
        if (auto* check = qobject_cast<QCheckBox*>(control)) {
            check->resize(m_ref.CheckBox);
            check->setTristate(!f->Required());
        }
        auto* label = new QLabel(box);
        label->setObjectName(f->FieldName() + QStringLiteral("Label"));
        if (control->focusPolicy() != Qt::NoFocus) label->setBuddy(control);
        if (ext->SRVInitControl) ext->SRVInitControl(this, f, control);
        ext->FollowEditMode(control);
        m_fieldNames << f->FieldName();
        m_labels.push_back(label);
        m_controls.push_back(control);
        captions << f->DisplayLabel();
    }
    const QStringList shown = Options().GenAccelChars ? GenerateAccelChars(captions) : [&] {
        QStringList out;
        for (const QString& c : captions) out << EscapeAmpersands(c);
        return out;
    }();
    for (size_t i = 0; i < m_labels.size(); ++i) {
        QLabel* l = m_labels[i];
        const QString caption = shown.at(int(i));
        // Without a control to focus the label shows its text as it is.
        l->setText(l->buddy() ? caption : PlainCaption(caption));
        m_controls[i]->setAccessibleName(PlainCaption(caption));
        l->show();
        m_controls[i]->show();
    }
    m_built = true;
}

// ------------------------------------------------------------ layout

int TSingleRecViewForm::TextWidth(const TField* field, const QWidget* control, int left, int cw) const
{
    const int chars = field->DisplayWidth() * WidestCharacter(control->fontMetrics());
    QSize frame(chars, control->height());
    // The control's frame and buttons come on top of the text.
    if (auto* combo = qobject_cast<const QComboBox*>(control)) {
        QStyleOptionComboBox opt;
        opt.initFrom(combo);
        opt.editable = combo->isEditable();
        frame = combo->style()->sizeFromContents(QStyle::CT_ComboBox, &opt, frame, combo);
    } else if (auto* edit = qobject_cast<const QLineEdit*>(control)) {
        QStyleOptionFrame opt;
        opt.initFrom(edit);
        opt.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
        frame = edit->style()->sizeFromContents(QStyle::CT_LineEdit, &opt, frame, edit);
    }
    return std::max(15, std::min(frame.width(), cw - m_scrollBarWidth - left - 8));
}

QSize TSingleRecViewForm::ControlSize(int index, int textWidth, int room) const
{
    const QWidget* c = m_controls[size_t(index)];
    QSize s = c->size();
    if (IsMemo(c)) {
        if (Options().MemoMaxWidth) s.setWidth(room);
        else if (s.width() < m_ref.Memo.width() && s.width() < room) s.setWidth(std::min(m_ref.Memo.width(), room));
    } else if (IsImage(c)) {
        if (s.width() < m_ref.Image.width() && s.width() < room) s.setWidth(std::min(m_ref.Image.width(), room));
    } else if (TakesTextWidth(c)) {
        s.setWidth(textWidth);
    }
    return s;
}

bool TSingleRecViewForm::SingleLine(const QWidget* control) const
{
    return TakesTextWidth(control) || qobject_cast<const QCheckBox*>(control);
}

void TSingleRecViewForm::LayOutSideBySide(int cw)
{
    TDataSet* ds = ShownDataSet();
    TDBExtender* ext = ViewExtender();
    const int sb = m_scrollBarWidth;
    const int lh = m_ref.Label.height();
    int x = 8, labelTop = 8, controlTop = lh + 9, rowHeight = 0;
    bool breakAfter = false, lineUsed = false;
    for (size_t i = 0; i < m_controls.size(); ++i) {
        QLabel* label = m_labels[i];
        QWidget* c = m_controls[i];
        TField* f = ds ? ds->FindField(m_fieldNames.at(int(i))) : nullptr;
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->adjustSize();
        int room = cw - (sb + 16);
        if (room < 1) room = 10;
        c->resize(ControlSize(int(i), f ? TextWidth(f, c, 8, cw) : c->width(), room));
        bool force = false;
        if (ext->SRVSetControlSize && f) ext->SRVSetControlSize(this, f, c, force);
        c->resize(std::max(10, std::min(c->width(), room)), c->height());
        const int w = std::max(label->width(), c->width());
        // A line holds at least one control, however narrow the view.
        if (lineUsed && (breakAfter || x + w > cw - sb - 8)) {
            x = 8;
            labelTop = labelTop + lh + rowHeight + 3;
            controlTop = labelTop + lh + 1;
            rowHeight = 0;
        }
        rowHeight = std::max(rowHeight, c->height());
        label->move(x, labelTop);
        c->move(x, controlTop);
        x += w + 4;
        lineUsed = true;
        breakAfter = force;
    }
    m_totalHeight = controlTop + rowHeight;
}

void TSingleRecViewForm::LayOutUnderOneAnother(int cw)
{
    TDataSet* ds = ShownDataSet();
    TDBExtender* ext = ViewExtender();
    const int sb = m_scrollBarWidth;
    const int lh = m_ref.Label.height();
    const QFontMetrics fm(font());
    int widest = 0;
    for (QLabel* l : m_labels) widest = std::max(widest, fm.horizontalAdvance(PlainCaption(l->text())));
    const bool onTop = m_layout == srlVertTop;
    const int left = onTop ? 8 : widest + 12;
    int y = 8;
    for (size_t i = 0; i < m_controls.size(); ++i) {
        QLabel* label = m_labels[i];
        QWidget* c = m_controls[i];
        TField* f = ds ? ds->FindField(m_fieldNames.at(int(i))) : nullptr;
        const int room = std::max(10, cw - (sb + left + 8));
        c->resize(ControlSize(int(i), f ? TextWidth(f, c, left, cw) : c->width(), room));
        bool force = true;   // asked, but lines break here anyway
        if (ext->SRVSetControlSize && f) ext->SRVSetControlSize(this, f, c, force);
        c->resize(std::max(10, std::min(c->width(), room)), c->height());
        label->setAlignment((m_layout == srlVertLeftRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        label->resize(widest, lh);
        if (onTop) {
            label->move(8, y);
            y += lh + 1;
        } else {
            const int h = SingleLine(c) ? c->height() : m_ref.Edit.height();
            label->move(8, y + (h - lh) / 2);
        }
        c->move(left, y);
        y += c->height() + 2;
    }
    m_totalHeight = y;
}

// ------------------------------------------------------------ opening

void ShowSingleRecView(TDBExtender& caller, TTableDefs* entry, TDataSet* ds, const TFormEventRec& rec)
{
    RunDBEView(caller, entry->SingleRecView, entry->SingleRecViewTable, entry->OpeningSingleRecView, 59076,
               [&] { return new TSingleRecViewForm(&caller, ds, rec); });
}
