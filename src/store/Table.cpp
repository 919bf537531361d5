#include "Table.h"
#include "DBConsts.h"
#include "DBErrors.h"

using namespace DBConsts;

// Follows the master data source: every move or key change of the master
// re-reads the detail range.
class TTable::MasterLink : public TDataLink {
public:
    explicit MasterLink(TTable* t) : m_table(t) {}
protected:
    void ActiveChanged() override { m_table->MasterChanged(); }
    void DataSetChanged() override { RecordChanged(nullptr); }
    void DataSetScrolled(int) override { RecordChanged(nullptr); }
    void RecordChanged(TField* field) override
    {
        if (!DataSource() || DataSource()->State() == dsSetKey) return;
        if (field) {
            bool isMasterField = false;
            for (const QString& n : m_table->m_masterFields.split(u';', Qt::SkipEmptyParts))
                if (n.compare(field->FieldName(), Qt::CaseInsensitive) == 0) isMasterField = true;
            if (!isMasterField) return;
        }
        m_table->MasterChanged();
    }
private:
    TTable* m_table;
};

TTable::TTable(QObject* owner) : TDBDataSet(owner), m_masterLink(std::make_unique<MasterLink>(this)) {}

TTable::~TTable()
{
    m_destroying = true;
    m_masterLink->SetDataSource(nullptr);
}

void TTable::SetTableName(const QString& name)
{
    CheckInactive();
    m_tableName = name;
}

std::shared_ptr<TPhysTable> TTable::OpenPhysTable()
{
    if (m_tableName.isEmpty()) DatabaseError(SNoTableName);
    auto t = Database()->Table(m_tableName);
    // Check index and filter before the cursor is built.
    if (!m_indexName.isEmpty() || !m_indexFieldNames.isEmpty()) {
        m_phys = t;
        CurrentIndex(t->Structure.Indexes);
    }
    return t;
}

bool TTable::Exists() const { return Database()->TableExists(m_tableName); }

void TTable::CreateTable()
{
    CheckInactive();
    if (m_tableName.isEmpty()) DatabaseError(SNoTableName);
    Database()->CreateTable(m_tableName, m_createFields, m_createIndexes);
}

void TTable::DeleteTable()
{
    CheckInactive();
    Database()->DeleteTable(m_tableName);
}

void TTable::EmptyTable()
{
    TDatabase* db = Database();
    if (Active()) CheckBrowseMode();
    auto phys = db->Table(m_tableName);
    db->BeginTransaction();
    try {
        db->Exec(QStringLiteral("DELETE FROM %1").arg(phys->SqlName));
        db->Commit();
    } catch (...) {
        db->Rollback();
        throw;
    }
    db->NoteLocalChange(phys.get());
    if (Active()) ReapplyView(true);
}

std::vector<TValCheckDesc> TTable::ValChecks() const { return Database()->ValChecks(m_tableName); }

std::vector<TIndexDef> TTable::IndexDefs() const
{
    if (m_phys) return m_phys->Structure.Indexes;
    return Database()->Table(m_tableName)->Structure.Indexes;
}

QStringList TTable::IndexNames() const
{
    QStringList out;
    for (const auto& d : IndexDefs())
        if (!d.Name.isEmpty()) out << d.Name;
    return out;
}

const TIndexDef* TTable::CurrentIndex(const std::vector<TIndexDef>& defs) const
{
    if (!m_indexFieldNames.isEmpty()) {
        const QStringList want = m_indexFieldNames.split(u';', Qt::SkipEmptyParts);
        for (const auto& d : defs) {
            const QStringList have = d.FieldList();
            if (have.size() < want.size()) continue;
            bool ok = true;
            for (int i = 0; i < want.size() && ok; ++i)
                ok = have[i].compare(want[i].trimmed(), Qt::CaseInsensitive) == 0;
            if (ok) return &d;
        }
        DatabaseError(SNoIndexForFields.arg(m_indexFieldNames));
    }
    if (!m_indexName.isEmpty()) {
        for (const auto& d : defs)
            if (d.Name.compare(m_indexName, Qt::CaseInsensitive) == 0) return &d;
        DatabaseError(SIndexNotFound.arg(m_indexName));
    }
    for (const auto& d : defs)
        if (d.Options & ixPrimary) return &d;
    return nullptr;
}

QStringList TTable::OrderFields() const
{
    if (!m_phys) return {};
    const TIndexDef* ix = CurrentIndex(m_phys->Structure.Indexes);
    if (!ix) return {};
    QStringList out;
    for (const QString& f : ix->FieldList()) {
        const int i = m_phys->FieldIndex(f);
        out << (i >= 0 ? m_phys->Structure.Fields[i].Name : f);
    }
    return out;
}

int TTable::IndexFieldCount() const { return int(OrderFields().size()); }

TField* TTable::IndexField(int i) const
{
    const QStringList f = OrderFields();
    return i >= 0 && i < f.size() ? FindField(f[i]) : nullptr;
}

QVariantList TTable::MasterValues() const
{
    QVariantList out;
    TDataSet* master = m_masterSource ? m_masterSource->DataSet() : nullptr;
    if (!master || !master->Active()) return out;
    const QStringList mf = m_masterFields.split(u';', Qt::SkipEmptyParts);
    const QStringList order = OrderFields();
    for (int i = 0; i < mf.size() && i < order.size(); ++i) {
        TField* m = master->FieldByName(mf[i].trimmed());
        TField* d = FindField(order[i]);
        // The master's value as the detail field holds it (a shorter text
        // field keeps only its first characters).
        out << (d ? d->Coerce(m->Value()) : m->Value());
    }
    return out;
}

TViewDef TTable::BuildView()
{
    TViewDef v = TDataSet::BuildView();
    const TIndexDef* ix = CurrentIndex(m_phys->Structure.Indexes);
    QStringList order;
    if (ix) {
        for (const QString& f : ix->FieldList()) {
            const int i = m_phys->FieldIndex(f);
            const QString name = i >= 0 ? m_phys->Structure.Fields[i].Name : f;
            v.OrderFields << name;
            order << m_phys->Db->SortKey(SqlQuote(name), ix->Options & ixCaseInsensitive, ix->Options & ixDescending);
        }
    }
    order << QStringLiteral("\"_rid\"");
    v.OrderBy = order.join(u',');
    if (m_masterSource && !m_masterFields.isEmpty()) {
        const QVariantList values = MasterValues();
        if (!values.isEmpty() || (m_masterSource->DataSet() && m_masterSource->DataSet()->Active())) {
            QStringList conds;
            for (int i = 0; i < values.size(); ++i) {
                const int fi = m_phys->FieldIndex(v.OrderFields[i]);
                const QVariant sv = m_phys->ToSql(fi, values[i]);
                if (sv.isNull()) conds << SqlQuote(v.OrderFields[i]) + QStringLiteral(" IS NULL");
                else { conds << SqlQuote(v.OrderFields[i]) + QStringLiteral(" = ?"); v.Range.binds << sv; }
            }
            if (!conds.isEmpty()) v.Range.sql = u'(' + conds.join(QStringLiteral(" AND ")) + u')';
        }
    }
    if (m_filtered && !m_filter.trimmed().isEmpty()) v.Filter = CompileFilterText(m_filter, Resolver());
    return v;
}

void TTable::InitNewRecord(TRecord& rec)
{
    if (!m_masterSource || m_masterFields.isEmpty()) return;
    const QVariantList values = MasterValues();
    const QStringList order = OrderFields();
    for (int i = 0; i < values.size() && i < order.size(); ++i) {
        const int fi = m_phys->FieldIndex(order[i]);
        if (fi >= 0) rec[fi] = values[i];
    }
}

void TTable::MasterChanged()
{
    if (!Active() || m_destroying) return;
    // A master that closes leaves a record being edited here alone.
    TDataSet* master = m_masterSource ? m_masterSource->DataSet() : nullptr;
    if ((!master || !master->Active()) && (State() == dsEdit || State() == dsInsert)) return;
    CheckBrowseMode();
    TViewDef view = BuildView();
    // A master posted but not moved keeps its detail on the record the user
    // is on; only another master starts at the first.
    const TViewDef& shown = m_cursor->View();
    if (m_cursor->Bookmark() && view.Range.sql == shown.Range.sql && view.Range.binds == shown.Range.binds) {
        m_cursor->SetView(std::move(view), true);
        m_bof = m_eof = m_cursor->Count() == 0;
        DataEvent(deDataSetChange);
        return;
    }
    if (BeforeScroll) BeforeScroll(this);
    m_cursor->SetView(std::move(view), false);
    m_cursor->SetPosition(m_cursor->Count() ? 0 : -1);
    m_bof = true;
    m_eof = m_cursor->Count() == 0;
    DataEvent(deDataSetChange);
    if (AfterScroll) AfterScroll(this);
}

void TTable::SetMasterSource(TDataSource* src)
{
    if (src == m_masterSource) return;
    if (src && src->DataSet() == this) DatabaseError(SCircularDataLink);
    m_masterSource = src;
    m_masterLink->SetDataSource(src);
    if (Active()) MasterChanged();
}

void TTable::SetMasterFields(const QString& fields)
{
    m_masterFields = fields;
    if (Active()) MasterChanged();
}

void TTable::SetFilter(const QString& text)
{
    // Refused now rather than when it is switched on; the old filter stays.
    if (Active() && !text.trimmed().isEmpty()) CompileFilterText(text, Resolver());
    m_filter = text;
    if (Active() && m_filtered) {
        CheckBrowseMode();
        ReapplyView(true);
    }
}

void TTable::SetFiltered(bool on)
{
    if (m_filtered == on) return;
    if (!Active()) {
        m_filtered = on;
        return;
    }
    CheckBrowseMode();
    m_filtered = on;
    try {
        ReapplyView(true);
    } catch (...) {
        m_filtered = !on;
        throw;
    }
}

void TTable::IndexChanged()
{
    if (!Active()) return;
    CheckBrowseMode();
    const TBookmark current = m_cursor->Bookmark();
    NewHandle();
    auto c = std::make_unique<TEngineCursor>(m_phys, BuildView(), m_handleId, m_readOnly || m_cursor->ReadOnly());
    m_cursor = std::move(c);
    const int p = m_cursor->PositionOf(current);
    m_cursor->SetPosition(p >= 0 ? p : (m_cursor->Count() ? 0 : -1));
    m_bof = m_eof = m_cursor->Count() == 0;
    DataEvent(deDataSetChange);
}

void TTable::SetIndexName(const QString& name)
{
    if (Active()) {
        std::vector<TIndexDef> defs = m_phys->Structure.Indexes;
        const QString oldName = m_indexName, oldFields = m_indexFieldNames;
        m_indexName = name;
        m_indexFieldNames.clear();
        try {
            CurrentIndex(defs);
        } catch (...) {
            m_indexName = oldName;
            m_indexFieldNames = oldFields;
            throw;
        }
        IndexChanged();
        return;
    }
    m_indexName = name;
    m_indexFieldNames.clear();
}

void TTable::SetIndexFieldNames(const QString& names)
{
    if (Active()) {
        const QString oldName = m_indexName, oldFields = m_indexFieldNames;
        m_indexFieldNames = names;
        m_indexName.clear();
        try {
            CurrentIndex(m_phys->Structure.Indexes);
        } catch (...) {
            m_indexName = oldName;
            m_indexFieldNames = oldFields;
            throw;
        }
        IndexChanged();
        return;
    }
    m_indexFieldNames = names;
    m_indexName.clear();
}

// ------------------------------------------------------------- key search

void TTable::SetKey()
{
    CheckBrowseMode();
    m_keySaved = State();
    KeyBuffer() = TRecord(int(m_phys->Structure.Fields.size()));
    m_keyFieldCount = 0;
    m_state = dsSetKey;
    DataEvent(deUpdateState);
}

void TTable::EditKey()
{
    CheckBrowseMode();
    m_keySaved = State();
    if (KeyBuffer().size() != int(m_phys->Structure.Fields.size()))
        KeyBuffer() = TRecord(int(m_phys->Structure.Fields.size()));
    m_state = dsSetKey;
    DataEvent(deUpdateState);
}

QVariantList TTable::KeyValuesFromBuffer(int count) const
{
    QVariantList out;
    const QStringList order = OrderFields();
    const int n = count > 0 ? std::min<int>(count, order.size()) : int(order.size());
    for (int i = 0; i < n; ++i) {
        const int fi = m_phys->FieldIndex(order[i]);
        out << m_phys->ToSql(fi, m_keyBuf.value(fi));
    }
    return out;
}

bool TTable::GotoKey()
{
    CheckActive();
    if (m_state != dsSetKey) DatabaseError(SNotSetKey);
    const QVariantList values = KeyValuesFromBuffer(m_keyFieldCount);
    m_state = m_keySaved;
    DataEvent(deUpdateState);
    CheckBrowseMode();
    const int p = m_cursor->FindKey(values, false);
    if (p < 0) return false;
    if (BeforeScroll) BeforeScroll(this);
    m_cursor->SetPosition(p);
    m_bof = m_eof = false;
    DataEvent(deDataSetChange);
    if (AfterScroll) AfterScroll(this);
    return true;
}

void TTable::GotoNearest()
{
    CheckActive();
    if (m_state != dsSetKey) DatabaseError(SNotSetKey);
    const QVariantList values = KeyValuesFromBuffer(m_keyFieldCount);
    m_state = m_keySaved;
    DataEvent(deUpdateState);
    CheckBrowseMode();
    const int p = m_cursor->FindKey(values, true);
    if (BeforeScroll) BeforeScroll(this);
    m_cursor->SetPosition(p);
    m_bof = m_eof = false;
    if (m_cursor->Count() == 0) m_bof = m_eof = true;
    DataEvent(deDataSetChange);
    if (AfterScroll) AfterScroll(this);
}

// Puts the values into the key buffer for the leading index fields.
void TTable::SetKeyValues(const QVariantList& values)
{
    SetKey();
    const QStringList order = OrderFields();
    try {
        for (int i = 0; i < values.size() && i < order.size(); ++i) FieldByName(order[i])->SetValue(values[i]);
    } catch (...) {
        m_state = m_keySaved;
        DataEvent(deUpdateState);
        throw;
    }
    m_keyFieldCount = int(std::min<qsizetype>(values.size(), order.size()));
}

bool TTable::FindKey(const QVariantList& values)
{
    SetKeyValues(values);
    return GotoKey();
}

void TTable::FindNearest(const QVariantList& values)
{
    SetKeyValues(values);
    GotoNearest();
}
