#include "DBGridModel.h"
#include <algorithm>

TDBGridModel::TDBGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void TDBGridModel::Rebuild(TDataSet* ds)
{
    beginResetModel();
    m_ds = ds;
    m_cols.clear();
    m_lookups.clear();
    if (Active())
        for (const auto& f : ds->Fields())
            if (f->Visible()) m_cols.push_back(f.get());
    m_rows = RowsNow();
    endResetModel();
}

int TDBGridModel::RowsNow() const
{
    if (!Active()) return 0;
    // An empty data set still shows one blank row to type into.
    return std::max(1, m_ds->RecordCount() + (m_ds->State() == dsInsert ? 1 : 0));
}

void TDBGridModel::Refresh()
{
    m_lookups.clear();
    const int n = RowsNow();
    if (n != m_rows) {
        beginResetModel();
        m_rows = n;
        endResetModel();
        return;
    }
    if (n > 0 && !m_cols.empty()) emit dataChanged(index(0, 0), index(n - 1, ColumnCount() - 1));
    if (n > 0) emit headerDataChanged(Qt::Vertical, 0, n - 1);
}

void TDBGridModel::RowChanged(int row)
{
    if (row < 0 || row >= m_rows || m_cols.empty()) return;
    emit dataChanged(index(row, 0), index(row, ColumnCount() - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
}

void TDBGridModel::IndicatorChanged()
{
    if (m_rows > 0) emit headerDataChanged(Qt::Vertical, 0, m_rows - 1);
}

TField* TDBGridModel::FieldAt(int column) const
{
    return column >= 0 && column < ColumnCount() ? m_cols[column] : nullptr;
}

int TDBGridModel::ColumnOf(const TField* f) const
{
    auto it = std::find(m_cols.begin(), m_cols.end(), f);
    return it == m_cols.end() ? -1 : int(it - m_cols.begin());
}

int TDBGridModel::InsertRow() const
{
    if (!Active() || m_ds->State() != dsInsert) return -1;
    // Insert stands before the current record, append after the last.
    return std::clamp(m_ds->Cursor()->Position(), 0, m_ds->RecordCount());
}

int TDBGridModel::CurrentRow() const
{
    if (!Active()) return -1;
    const int ins = InsertRow();
    if (ins >= 0) return ins;
    const int seq = m_ds->Cursor()->SeqNo();
    return seq > 0 ? seq - 1 : 0;
}

int TDBGridModel::SeqOfRow(int row) const
{
    const int ins = InsertRow();
    if (ins < 0 || row < ins) return row + 1 <= m_ds->RecordCount() ? row + 1 : 0;
    return row == ins ? 0 : row;
}

TBookmark TDBGridModel::BookmarkAt(int row) const
{
    if (!Active()) return 0;
    const int seq = SeqOfRow(row);
    return seq > 0 ? m_ds->Cursor()->IdAt(seq - 1) : 0;
}

int TDBGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TDBGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount();
}

QHash<QString, QString> TDBGridModel::LookupTable(const TField* f)
{
    QHash<QString, QString> map;
    TDataSet* lk = f->LookupDataSet();
    if (!lk || !lk->Active()) return map;
    const QStringList lkeys = f->LookupKeyFields().split(u';');
    TField* res = lk->FindField(f->LookupResultField());
    if (!res || res->FieldNo() <= 0) return map;
    const int n = lk->RecordCount();
    for (int seq = 1; seq <= n; ++seq) {
        TRecordPtr r = lk->RecordAt(seq);
        if (!r) continue;
        QStringList key;
        for (const QString& k : lkeys) {
            TField* kf = lk->FindField(k);
            key << (kf && kf->FieldNo() > 0 ? kf->FormatValue(r->value(kf->FieldNo() - 1), false) : QString());
        }
        const QString joined = key.join(QChar(0x1f));
        if (!map.contains(joined)) map.insert(joined, res->FormatValue(r->value(res->FieldNo() - 1), false));
    }
    return map;
}

QString TDBGridModel::LookupKey(const TField* f, const TRecord& rec)
{
    QStringList key;
    for (const QString& k : f->KeyFields().split(u';')) {
        TField* kf = f->DataSet()->FindField(k);
        if (!kf || kf->FieldNo() <= 0) return QString();
        const QVariant v = rec.value(kf->FieldNo() - 1);
        if (v.isNull()) return QString();
        key << kf->FormatValue(v, false);
    }
    return key.join(QChar(0x1f));
}

QString TDBGridModel::LookupText(TField* f, const TRecord& rec) const
{
    TDataSet* lk = f->LookupDataSet();
    if (!lk || !lk->Active()) return QString();
    auto it = m_lookups.find(f);
    if (it == m_lookups.end()) it = m_lookups.insert(f, LookupTable(f));
    const QString key = LookupKey(f, rec);
    return key.isEmpty() ? QString() : it->value(key);
}

QString TDBGridModel::CellText(int row, TField* f, bool display) const
{
    // The current row comes from the fields, so edits show as typed.
    if (row == CurrentRow()) return display ? f->DisplayText() : f->Text();
    const int seq = SeqOfRow(row);
    if (seq <= 0) return QString();
    TRecordPtr r = m_ds->RecordAt(seq);
    if (!r) return QString();
    if (f->FieldKind() == fkLookup) return LookupText(f, *r);
    return f->FormatValue(f->FieldNo() > 0 ? r->value(f->FieldNo() - 1) : QVariant(), display);
}

QVariant TDBGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !Active() || index.row() >= m_rows) return QVariant();
    TField* f = FieldAt(index.column());
    if (!f) return QVariant();
    switch (role) {
    case Qt::DisplayRole: return CellText(index.row(), f, true);
    case Qt::EditRole: return CellText(index.row(), f, false);
    case Qt::TextAlignmentRole:
        if (IsNumericType(f->DataType())) return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default: return QVariant();
    }
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return QVariant();
    if (orientation == Qt::Horizontal) {
        TField* f = FieldAt(section);
        return f ? f->DisplayLabel() : QVariant();
    }
    if (!Active() || section != CurrentRow()) return QString();
    switch (m_ds->State()) {
    case dsInsert: return QStringLiteral("*");
    case dsEdit: return QStringLiteral("I");
    default: return QStringLiteral("\u25B6");
    }
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags fl = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    TField* f = FieldAt(index.column());
    if (m_editable && f && Active() && m_ds->CanModify() && (f->FieldKind() == fkLookup || f->CanModify()))
        fl |= Qt::ItemIsEditable;
    return fl;
}
