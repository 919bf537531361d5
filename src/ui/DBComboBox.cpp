#include "DBComboBox.h"
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

TDBComboBox::TDBComboBox(QWidget* parent) : QComboBox(parent), m_link(this)
{
    setEditable(true);
    setInsertPolicy(NoInsert);
    m_link.OnDataChange = [this] { DataChange(); };
    m_link.OnUpdateData = [this] { WriteField(currentText()); };
    connect(this, qOverload<int>(&QComboBox::activated), this, &TDBComboBox::Chosen);
    connect(this, &QComboBox::editTextChanged, this, [this] {
        if (!m_loading && isEditable() && lineEdit()->isModified()) m_link.Modified();
    });
}

void TDBComboBox::SetDataSource(TDataSource* src)
{
    m_link.SetDataSource(src);
    m_link.UpdateField();
}

void TDBComboBox::SetReadOnly(bool on)
{
    m_link.SetReadOnly(on);
    if (lineEdit()) lineEdit()->setReadOnly(on);
}

QStringList TDBComboBox::Items() const
{
    QStringList l;
    for (int i = 0; i < count(); ++i) l << itemText(i);
    return l;
}

void TDBComboBox::SetItems(const QStringList& items)
{
    m_loading = true;
    clear();
    addItems(items);
    m_loading = false;
    DataChange();
}

void TDBComboBox::SetStyle(TComboBoxStyle s)
{
    m_loading = true;
    setEditable(s == csDropDown);
    if (lineEdit()) lineEdit()->setReadOnly(m_link.ReadOnly());
    m_loading = false;
    DataChange();
}

QString TDBComboBox::TextOfField() const
{
    return m_link.Field() ? m_link.Field()->Text() : QString();
}

void TDBComboBox::WriteField(const QString& shownText)
{
    m_link.Field()->SetAsString(shownText);
}

void TDBComboBox::DataChange()
{
    if (m_link.IsModified()) return;
    m_loading = true;
    const QString t = TextOfField();
    const int i = findText(t, Qt::MatchFixedString);
    if (isEditable()) {
        setCurrentIndex(i);
        setEditText(t);
    } else {
        setCurrentIndex(i);
    }
    m_loading = false;
}

void TDBComboBox::Chosen(int index)
{
    if (m_loading) return;
    const QString chosen = itemText(index);
    if (m_link.ReadOnly() || !m_link.Edit()) {
        DataChange();
        return;
    }
    // Going into editing showed the field again; the choice wins.
    m_loading = true;
    setCurrentIndex(index);
    if (isEditable()) setEditText(chosen);
    m_loading = false;
    m_link.Modified();
    m_link.UpdateRecord();
}

void TDBComboBox::keyPressEvent(QKeyEvent* e)
{
    const bool changes = IsEditingKey(e) || e->key() == Qt::Key_Up || e->key() == Qt::Key_Down
        || e->key() == Qt::Key_PageUp || e->key() == Qt::Key_PageDown || e->key() == Qt::Key_Home
        || e->key() == Qt::Key_End;
    if (e->key() == Qt::Key_Escape && m_link.IsModified()) {
        m_link.Reset();
        e->accept();
        return;
    }
    if (changes && !(e->modifiers() & Qt::AltModifier) && (m_link.ReadOnly() || !m_link.Edit())) {
        e->accept();
        return;
    }
    QComboBox::keyPressEvent(e);
}

void TDBComboBox::wheelEvent(QWheelEvent* e)
{
    if (m_link.ReadOnly() || !m_link.Editing()) return;
    QComboBox::wheelEvent(e);
}

void TDBComboBox::showPopup()
{
    if (m_link.ReadOnly() || !m_link.CanModify()) return;
    QComboBox::showPopup();
}

void TDBComboBox::focusOutEvent(QFocusEvent* e)
{
    QComboBox::focusOutEvent(e);
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason) return;
    m_link.UpdateRecord();
}

// ------------------------------------------------------------ lookup box

class TDBLookupComboBox::ListLink : public TDataLink {
public:
    explicit ListLink(TDBLookupComboBox* box) : m_box(box) {}
protected:
    void ActiveChanged() override { m_box->RefreshList(); }
    void DataSetChanged() override { m_box->RefreshList(); }
    void DataSetScrolled(int) override {}
    void RecordChanged(TField*) override {}
private:
    TDBLookupComboBox* m_box;
};

TDBLookupComboBox::TDBLookupComboBox(QWidget* parent)
    : TDBComboBox(parent), m_listLink(std::make_unique<ListLink>(this))
{
    SetStyle(csDropDownList);
    m_link.OnActiveChange = [this] { RefreshList(); };
}

TDBLookupComboBox::~TDBLookupComboBox() = default;

TDataSource* TDBLookupComboBox::ListSource() const { return m_listLink->DataSource(); }

void TDBLookupComboBox::SetListSource(TDataSource* src)
{
    m_listLink->SetDataSource(src);
    RefreshList();
}

void TDBLookupComboBox::SetListField(const QString& name)
{
    m_listField = name;
    RefreshList();
}

void TDBLookupComboBox::SetKeyField(const QString& name)
{
    m_keyField = name;
    RefreshList();
}

TDataSet* TDBLookupComboBox::ListDataSet() const
{
    if (m_listLink->DataSource()) return m_listLink->DataSet();
    // On a lookup field the field names its own list.
    TField* f = m_link.Field();
    return f && f->FieldKind() == fkLookup ? f->LookupDataSet() : nullptr;
}

QString TDBLookupComboBox::ListFieldName() const
{
    if (!m_listField.isEmpty()) return m_listField.section(u';', 0, 0);
    TField* f = m_link.Field();
    return f && f->FieldKind() == fkLookup ? f->LookupResultField() : QString();
}

QString TDBLookupComboBox::KeyFieldName() const
{
    if (!m_keyField.isEmpty()) return m_keyField;
    TField* f = m_link.Field();
    return f && f->FieldKind() == fkLookup ? f->LookupKeyFields().section(u';', 0, 0) : QString();
}

void TDBLookupComboBox::RefreshList()
{
    QStringList texts;
    m_keys.clear();
    TDataSet* ds = ListDataSet();
    if (ds && ds->Active()) {
        TField* lf = ds->FindField(ListFieldName());
        TField* kf = ds->FindField(KeyFieldName());
        if (!kf) kf = lf;
        if (lf && lf->FieldNo() > 0 && kf->FieldNo() > 0) {
            const int n = ds->RecordCount();
            for (int seq = 1; seq <= n; ++seq) {
                TRecordPtr r = ds->RecordAt(seq);
                if (!r) continue;
                texts << lf->FormatValue(r->value(lf->FieldNo() - 1), false);
                m_keys << kf->FormatValue(r->value(kf->FieldNo() - 1), false);
            }
        }
    }
    SetItems(texts);
}

QString TDBLookupComboBox::TextOfField() const
{
    TField* f = m_link.Field();
    if (!f) return QString();
    if (f->FieldKind() == fkLookup && !m_listLink->DataSource()) return f->Text();
    const int i = m_keys.indexOf(f->Text());
    // A box open for free text shows a value that is not listed yet.
    if (i < 0) return isEditable() ? f->Text() : QString();
    return itemText(i);
}

void TDBLookupComboBox::WriteField(const QString& shownText)
{
    TField* f = m_link.Field();
    if (f->FieldKind() == fkLookup && !m_listLink->DataSource()) {
        f->SetAsString(shownText);
        return;
    }
    const int i = findText(shownText, Qt::MatchFixedString);
    if (i < 0) {
        f->SetAsString(isEditable() ? shownText : QString());
        return;
    }
    f->SetAsString(m_keys.value(i));
}
