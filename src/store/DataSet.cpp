#include "DataSet.h"
#include "DBConsts.h"
#include "DBErrors.h"
#include <QBuffer>
#include <QSqlError>
#include <algorithm>

using namespace DBConsts;

quint64 TDataSet::s_nextHandle = 1;

TDataSet::TDataSet(QObject* owner) : QObject(owner) {}

TDataSet::~TDataSet()
{
    m_destroying = true;
    if (Active()) {
        // No events while being destroyed.
        CloseCursor();
        m_state = dsInactive;
    }
    for (TDataSource* s : std::vector<TDataSource*>(m_sources)) s->SetDataSet(nullptr);
}

void TDataSet::CheckActive() const
{
    if (m_state == dsInactive) DatabaseError(SDataSetClosed);
}

void TDataSet::CheckInactive() const
{
    if (m_state != dsInactive) DatabaseError(SDataSetOpen);
}

bool TDataSet::CanModify() const
{
    return !m_readOnly && (!m_cursor || !m_cursor->ReadOnly());
}

void TDataSet::SetReadOnly(bool v)
{
    CheckInactive();
    m_readOnly = v;
}

// ------------------------------------------------------------- open/close

void TDataSet::SetActive(bool on)
{
    if (on == Active()) return;
    if (on) {
        if (BeforeOpen) BeforeOpen(this);
        OpenCursor();
        m_state = dsBrowse;
        m_bof = true;
        m_eof = m_cursor->Count() == 0;
        m_cursor->SetPosition(0);
        if (m_cursor->Count() == 0) m_cursor->SetToBegin();
        DataEvent(deUpdateState);
        if (AfterOpen) AfterOpen(this);
        DoAfterScroll();
    } else {
        if (!m_destroying && BeforeClose) BeforeClose(this);
        // Pending changes are dropped, as closing always did.
        m_state = dsInactive;
        m_modified = false;
        CloseCursor();
        DataEvent(deUpdateState);
        if (!m_destroying && AfterClose) AfterClose(this);
    }
}

void TDataSet::OpenCursor()
{
    m_phys = OpenPhysTable();
    CreateFields();
    m_filterFields.clear();
    for (const auto& f : m_phys->Structure.Fields) m_filterFields.push_back({f.Name, f.FieldNo, f.DataType, f.Size});
    m_handleId = s_nextHandle++;
    try {
        m_cursor = std::make_unique<TEngineCursor>(m_phys, BuildView(), m_handleId, m_readOnly);
    } catch (...) {
        m_fields.clear();
        m_phys.reset();
        throw;
    }
}

void TDataSet::CloseCursor()
{
    m_cursor.reset();
    m_fields.clear();
    m_phys.reset();
    m_engineFilters.clear();
    m_buf.clear();
    m_keyBuf.clear();
}

void TDataSet::NewHandle()
{
    m_handleId = s_nextHandle++;
}

void TDataSet::DeclareFields(const std::vector<TFieldDesc>& fields)
{
    CheckInactive();
    m_declared = fields;
}

void TDataSet::CreateFields()
{
    m_fields.clear();
    const auto& defs = m_phys->Structure.Fields;
    auto makeData = [&](const TFieldDef& d) {
        auto f = std::make_unique<TField>(this, fkData, d.Name, d.DataType, d.Size, d.FieldNo);
        f->m_required = d.Required;
        return f;
    };
    if (m_declared.empty()) {
        for (const auto& d : defs) m_fields.push_back(makeData(d));
        return;
    }
    for (const TFieldDesc& desc : m_declared) {
        std::unique_ptr<TField> f;
        if (desc.FieldKind == fkLookup) {
            f = std::make_unique<TField>(this, fkLookup, desc.FieldName, desc.DataType == ftUnknown ? ftString : desc.DataType,
                                         desc.Size, 0);
            f->SetLookup(desc.KeyFields, desc.LookupDataSet, desc.LookupKeyFields, desc.LookupResultField);
            if (desc.KeyFields.isEmpty() || !desc.LookupDataSet || desc.LookupKeyFields.isEmpty()
                || desc.LookupResultField.isEmpty())
                DatabaseError(SLookupInfoError.arg(desc.FieldName));
        } else {
            const int i = m_phys->FieldIndex(desc.FieldName);
            if (i < 0) {
                m_fields.clear();
                DatabaseError(SFieldNotFound.arg(desc.FieldName));
            }
            f = makeData(defs[i]);
        }
        f->m_label = desc.DisplayLabel;
        f->m_displayFormat = desc.DisplayFormat;
        if (desc.DisplayWidth > 0) f->m_displayWidth = desc.DisplayWidth;
        f->m_visible = desc.Visible;
        m_fields.push_back(std::move(f));
    }
}

std::vector<TFieldDef> TDataSet::FieldDefs() const
{
    CheckActive();
    return m_phys->Structure.Fields;
}

TField* TDataSet::FindField(const QString& name) const
{
    for (const auto& f : m_fields)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0) return f.get();
    return nullptr;
}

TField* TDataSet::FieldByName(const QString& name) const
{
    TField* f = FindField(name);
    if (!f) DatabaseError(SFieldNotFound.arg(name));
    return f;
}

TField* TDataSet::FieldByNumber(int fieldNo) const
{
    for (const auto& f : m_fields)
        if (f->FieldNo() == fieldNo) return f.get();
    return nullptr;
}

TViewDef TDataSet::BuildView()
{
    TViewDef v;
    for (const auto& f : m_engineFilters)
        if (f.active) v.EngineFilters.push_back({f.handle, f.cond});
    return v;
}

void TDataSet::InitNewRecord(TRecord&) {}

// ---------------------------------------------------------------- values

const TRecord* TDataSet::ActiveBuffer() const
{
    static const TRecord empty;
    switch (m_state) {
    case dsEdit: case dsInsert: return &m_buf;
    case dsSetKey: return &m_keyBuf;
    case dsBrowse: {
        if (!m_cursor) return &empty;
        // The record stays alive in the table cache while it is current.
        auto r = m_cursor->RecordAt(m_cursor->Position());
        if (!r) return &empty;
        thread_local TRecordPtr hold;
        hold = r;
        return hold.get();
    }
    default: return &empty;
    }
}

QVariant TDataSet::FieldValue(const TField* f) const
{
    if (m_state == dsInactive || f->FieldNo() <= 0) return QVariant();
    const TRecord* r = ActiveBuffer();
    const int i = f->FieldNo() - 1;
    return i < r->size() ? (*r)[i] : QVariant();
}

QVariant TDataSet::OldFieldValue(const TField* f) const
{
    if (m_state != dsEdit || f->FieldNo() <= 0) return FieldValue(f);
    const int i = f->FieldNo() - 1;
    return i < m_orig.size() ? m_orig[i] : QVariant();
}

void TDataSet::SetFieldValue(TField* f, const QVariant& v)
{
    CheckActive();
    if (m_state != dsEdit && m_state != dsInsert && m_state != dsSetKey) DatabaseError(SNotEditing);
    if (f->FieldKind() == fkLookup) {
        // Choosing a lookup value sets the key fields from the lookup table.
        TDataSet* lk = f->LookupDataSet();
        const QStringList keys = f->KeyFields().split(u';');
        const QStringList lkeys = f->LookupKeyFields().split(u';');
        QVariantList found;
        if (!v.isNull() && lk && lk->Active()) {
            TPhysTable* p = lk->Phys();
            const int ri = p->FieldIndex(f->LookupResultField());
            QStringList cols;
            for (const QString& k : lkeys) cols << SqlQuote(p->Structure.Fields[p->FieldIndex(k)].Name);
            QSqlQuery& q = p->Db->Query(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? ORDER BY \"_rid\" LIMIT 1")
                                            .arg(cols.join(u','), p->SqlName, SqlQuote(p->Structure.Fields[ri].Name)));
            q.bindValue(0, p->ToSql(ri, v));
            if (!q.exec()) p->Db->RaiseError(q.lastError(), QString());
            if (q.next())
                for (int i = 0; i < lkeys.size(); ++i) found << p->FromSql(p->FieldIndex(lkeys[i]), q.value(i));
            q.finish();
        }
        for (int i = 0; i < keys.size(); ++i) FieldByName(keys[i])->SetValue(i < found.size() ? found[i] : QVariant());
        DataEvent(deFieldChange, reinterpret_cast<qintptr>(f));
        return;
    }
    if (m_state != dsSetKey) {
        if (f->ReadOnly()) DatabaseError(SFieldReadOnly.arg(f->DisplayLabel()));
        if (f->OnValidate) f->OnValidate(f);
    }
    TRecord& buf = m_state == dsSetKey ? m_keyBuf : m_buf;
    const int i = f->FieldNo() - 1;
    if (i < 0 || i >= buf.size()) return;
    buf[i] = v;
    if (m_state != dsSetKey) m_modified = true;
    if (f->OnChange && m_state != dsSetKey) f->OnChange(f);
    DataEvent(deFieldChange, reinterpret_cast<qintptr>(f));
}

QVariant TDataSet::LookupValue(const TField* f) const
{
    TDataSet* lk = f->LookupDataSet();
    if (!lk || !lk->Active() || m_state == dsInactive) return QVariant();
    const QStringList keys = f->KeyFields().split(u';');
    const QStringList lkeys = f->LookupKeyFields().split(u';');
    if (keys.size() != lkeys.size()) return QVariant();
    TPhysTable* p = lk->Phys();
    QStringList conds;
    QVariantList binds;
    for (int i = 0; i < keys.size(); ++i) {
        TField* kf = FindField(keys[i]);
        const int li = p->FieldIndex(lkeys[i]);
        if (!kf || li < 0) return QVariant();
        const QVariant kv = kf->Value();
        if (kv.isNull()) return QVariant();
        conds << SqlQuote(p->Structure.Fields[li].Name) + QStringLiteral(" = ?");
        binds << p->ToSql(li, kv);
    }
    const int ri = p->FieldIndex(f->LookupResultField());
    if (ri < 0) return QVariant();
    QSqlQuery& q = p->Db->Query(QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY \"_rid\" LIMIT 1")
                                    .arg(SqlQuote(p->Structure.Fields[ri].Name), p->SqlName, conds.join(QStringLiteral(" AND "))));
    for (int i = 0; i < binds.size(); ++i) q.bindValue(i, binds[i]);
    if (!q.exec()) return QVariant();
    QVariant r = q.next() ? p->FromSql(ri, q.value(0)) : QVariant();
    q.finish();
    return r;
}

// ------------------------------------------------------------- navigation

void TDataSet::DoBeforeScroll()
{
    if (BeforeScroll) BeforeScroll(this);
}

void TDataSet::DoAfterScroll()
{
    if (AfterScroll) AfterScroll(this);
}

void TDataSet::First()
{
    CheckBrowseMode();
    DoBeforeScroll();
    if (m_cursor->Stale()) m_cursor->Rebuild();
    m_cursor->SetPosition(m_cursor->Count() ? 0 : -1);
    m_bof = true;
    m_eof = m_cursor->Count() == 0;
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

void TDataSet::Last()
{
    CheckBrowseMode();
    DoBeforeScroll();
    if (m_cursor->Stale()) m_cursor->Rebuild();
    m_cursor->SetPosition(m_cursor->Count() - 1);
    m_eof = true;
    m_bof = m_cursor->Count() == 0;
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

void TDataSet::Next() { MoveBy(1); }
void TDataSet::Prior() { MoveBy(-1); }

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    if (distance == 0) return 0;
    DoBeforeScroll();
    const int count = m_cursor->Count();
    int pos = m_cursor->Position();
    if (pos < 0) pos = count ? 0 : -1;
    if (pos >= count) pos = count - 1;
    int target = pos + distance;
    m_bof = m_eof = false;
    if (count == 0) {
        m_bof = m_eof = true;
        target = -1;
    } else if (target >= count) {
        target = count - 1;
        m_eof = true;
    } else if (target < 0) {
        target = 0;
        m_bof = true;
    }
    const int moved = target - pos;
    m_cursor->SetPosition(target);
    if (moved != 0) DataEvent(deDataSetScroll, moved);
    DoAfterScroll();
    return moved;
}

bool TDataSet::IsEmpty() const
{
    CheckActive();
    return m_cursor->Count() == 0 && m_state != dsInsert;
}

int TDataSet::RecordCount() const
{
    CheckActive();
    return m_cursor->Count();
}

int TDataSet::RecNo() const
{
    if (m_state != dsBrowse && m_state != dsEdit) return 0;
    return m_cursor->SeqNo();
}

void TDataSet::SetRecNo(int n)
{
    CheckBrowseMode();
    const int cur = m_cursor->SeqNo();
    if (n < 1 || n > m_cursor->Count() || n == cur) return;
    DoBeforeScroll();
    m_cursor->SetPosition(n - 1);
    m_bof = m_eof = false;
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

TBookmark TDataSet::GetBookmark() const
{
    if (m_state == dsInactive || m_state == dsInsert) return 0;
    return m_cursor->Bookmark();
}

bool TDataSet::BookmarkValid(TBookmark b) const
{
    return Active() && b && m_cursor->PositionOf(b) >= 0;
}

int TDataSet::CompareBookmarks(TBookmark a, TBookmark b) const
{
    if (a == b) return 0;
    if (!a) return -1;
    if (!b) return 1;
    return m_cursor->PositionOf(a) < m_cursor->PositionOf(b) ? -1 : 1;
}

void TDataSet::GotoBookmark(TBookmark b)
{
    CheckBrowseMode();
    DoBeforeScroll();
    m_cursor->SetToBookmark(b);
    m_bof = m_eof = false;
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

std::unique_ptr<TEngineCursor> TDataSet::CloneCursor() const
{
    CheckActive();
    return m_cursor->Clone();
}

void TDataSet::SetToCursor(const TEngineCursor& other)
{
    CheckBrowseMode();
    m_cursor->SetToCursor(other);
    m_bof = m_eof = false;
    DataEvent(deDataSetChange);
}

void TDataSet::GotoCursorOf(TDataSet* other)
{
    other->CheckActive();
    SetToCursor(*other->Cursor());
}

TRecordPtr TDataSet::RecordAt(int seq) const
{
    if (!m_cursor) return nullptr;
    return m_cursor->RecordAt(seq - 1);
}

std::unique_ptr<QIODevice> TDataSet::CreateBlobStream(TField* field) const
{
    CheckActive();
    if (!field->IsBlob()) DatabaseError(SNotBlobField.arg(field->FieldName()));
    auto buf = std::make_unique<QBuffer>();
    buf->setData(field->AsBytes());
    buf->open(QIODevice::ReadOnly);
    return buf;
}

// ---------------------------------------------------------------- filters

TFilterFieldResolver TDataSet::Resolver() const
{
    TFilterFieldResolver r;
    const auto* fields = &m_filterFields;
    r.byName = [fields](const QString& n) -> const TFilterField* {
        for (const auto& f : *fields)
            if (f.name.compare(n, Qt::CaseInsensitive) == 0) return &f;
        return nullptr;
    };
    r.byNumber = [fields](int no) -> const TFilterField* {
        for (const auto& f : *fields)
            if (f.fieldNo == no) return &f;
        return nullptr;
    };
    return r;
}

int TDataSet::AddEngineFilter(const QByteArray& expression)
{
    CheckActive();
    TSqlCondition c = CompileEngineExpression(expression, Resolver());
    const int h = m_nextFilterHandle++;
    m_engineFilters.push_back({h, c, false});
    return h;
}

void TDataSet::SetEngineFilterActive(int handle, bool on)
{
    CheckActive();
    auto it = std::find_if(m_engineFilters.begin(), m_engineFilters.end(), [&](const EngineFilter& f) { return f.handle == handle; });
    if (it == m_engineFilters.end()) EngineError(DbiErr::NOSUCHFILTER, SNoSuchFilter);
    if (it->active == on) return;
    CheckBrowseMode();
    it->active = on;
    ReapplyView(false);
}

void TDataSet::DropEngineFilter(int handle)
{
    if (!Active()) return;
    auto it = std::find_if(m_engineFilters.begin(), m_engineFilters.end(), [&](const EngineFilter& f) { return f.handle == handle; });
    if (it == m_engineFilters.end()) EngineError(DbiErr::NOSUCHFILTER, SNoSuchFilter);
    const bool wasActive = it->active;
    m_engineFilters.erase(it);
    if (wasActive) ReapplyView(false);
}

bool TDataSet::EngineFilterActive(int handle) const
{
    for (const auto& f : m_engineFilters)
        if (f.handle == handle) return f.active;
    return false;
}

void TDataSet::ReapplyView(bool gotoFirst)
{
    if (!Active()) return;
    m_cursor->SetView(BuildView(), !gotoFirst);
    if (gotoFirst || m_cursor->Position() < 0 || m_cursor->Position() >= m_cursor->Count())
        m_cursor->SetPosition(m_cursor->Count() ? 0 : -1);
    m_bof = gotoFirst || m_cursor->Count() == 0;
    m_eof = m_cursor->Count() == 0;
    DataEvent(deDataSetChange);
}

// ---------------------------------------------------------------- editing

void TDataSet::SetState(TDataSetState s)
{
    if (m_state == s) return;
    m_state = s;
    m_modified = false;
    DataEvent(deUpdateState);
}

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode);
    switch (m_state) {
    case dsEdit: case dsInsert:
        UpdateRecord();
        if (m_modified) Post();
        else Cancel();
        break;
    case dsSetKey:
        m_state = m_keySaved;
        DataEvent(deUpdateState);
        break;
    default:
        break;
    }
}

void TDataSet::UpdateRecord()
{
    if (m_state != dsEdit && m_state != dsInsert && m_state != dsSetKey) DatabaseError(SNotEditing);
    DataEvent(deUpdateRecord);
}

void TDataSet::Edit()
{
    CheckActive();
    if (m_state == dsEdit || m_state == dsInsert) return;
    if (m_cursor->Count() == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    if (!CanModify()) DatabaseError(SDataSetReadOnly);
    if (BeforeEdit) BeforeEdit(this);
    auto r = m_cursor->RecordAt(m_cursor->Position());
    if (!r) {
        Refresh();
        EngineError(DbiErr::RECDELETED, SRecDeleted);
    }
    m_buf = *r;
    m_orig = *r;
    m_editId = m_cursor->Bookmark();
    SetState(dsEdit);
    DataEvent(deRecordChange);
    if (AfterEdit) AfterEdit(this);
}

void TDataSet::Insert() { BeginInsertAppend(false); }
void TDataSet::Append() { BeginInsertAppend(true); }

void TDataSet::BeginInsertAppend(bool append)
{
    CheckBrowseMode();
    if (!CanModify()) DatabaseError(SDataSetReadOnly);
    if (BeforeInsert) BeforeInsert(this);
    DoBeforeScroll();
    m_insertPos = m_cursor->Position();
    if (append) m_cursor->SetToEnd();
    m_buf = TRecord(int(m_phys->Structure.Fields.size()));
    m_orig.clear();
    m_editId = 0;
    InitNewRecord(m_buf);
    m_state = dsInsert;
    m_modified = false;
    DataEvent(deUpdateState);
    if (OnNewRecord) {
        try {
            OnNewRecord(this);
        } catch (...) {
            m_state = dsBrowse;
            m_cursor->SetPosition(m_insertPos);
            DataEvent(deUpdateState);
            throw;
        }
    }
    m_modified = false;
    DataEvent(deDataSetChange);
    if (AfterInsert) AfterInsert(this);
    DoAfterScroll();
}

void TDataSet::CheckRequiredFields()
{
    for (const auto& f : m_fields)
        if (f->Required() && f->FieldKind() == fkData && f->IsNull()) {
            f->FocusControl();
            DatabaseError(SFieldRequired.arg(f->DisplayLabel()));
        }
}

void TDataSet::Post()
{
    CheckActive();
    UpdateRecord();
    if (m_state != dsEdit && m_state != dsInsert) {
        if (m_state == dsSetKey) { CheckBrowseMode(); return; }
        DatabaseError(SNotEditing);
    }
    if (BeforePost) BeforePost(this);
    try {
        CheckRequiredFields();
        InternalPost();
    } catch (...) {
        if (OnPostError) OnPostError(this);
        throw;
    }
    SetState(dsBrowse);
    m_bof = m_eof = false;
    DataEvent(deDataSetChange);
    if (AfterPost) AfterPost(this);
}

void TDataSet::InternalPost()
{
    TDatabase* db = m_phys->Db;
    const auto& defs = m_phys->Structure.Fields;
    qint64 id = m_editId;
    db->BeginTransaction();
    try {
        if (m_state == dsInsert) {
            QStringList cols, marks;
            for (const auto& d : defs) { cols << SqlQuote(d.Name); marks << QStringLiteral("?"); }
            QSqlQuery& q = db->Query(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)%4")
                                         .arg(m_phys->SqlName, cols.join(u','), marks.join(u','),
                                              db->IsServer() ? QStringLiteral(" RETURNING \"_rid\"") : QString()));
            for (int i = 0; i < int(defs.size()); ++i) q.bindValue(i, m_phys->ToSql(i, m_buf[i]));
            if (!q.exec()) db->RaiseError(q.lastError(), QString());
            id = db->IsServer() ? (q.next() ? q.value(0).toLongLong() : 0) : q.lastInsertId().toLongLong();
            q.finish();
        } else {
            // Another user may have changed or deleted the record meanwhile.
            // A server's row stays locked from here to the commit, so two
            // posts of the same record cannot both pass this test.
            QSqlQuery& s = db->Query(QStringLiteral("SELECT %1 FROM %2 WHERE \"_rid\" = ?%3")
                                         .arg(m_phys->SelectList, m_phys->SqlName,
                                              db->IsServer() ? QStringLiteral(" FOR UPDATE") : QString()));
            s.bindValue(0, id);
            if (!s.exec()) db->RaiseError(s.lastError(), QString());
            if (!s.next()) { s.finish(); EngineError(DbiErr::RECDELETED, SRecDeleted); }
            for (int i = 0; i < int(defs.size()); ++i) {
                const QVariant now = m_phys->FromSql(i, s.value(i + 1));
                const QVariant was = i < m_orig.size() ? m_orig[i] : QVariant();
                if (now.isNull() != was.isNull() || (!now.isNull() && now != was)) {
                    s.finish();
                    EngineError(DbiErr::RECCHANGED, SRecChanged);
                }
            }
            s.finish();
            QStringList sets;
            for (const auto& d : defs) sets << SqlQuote(d.Name) + QStringLiteral(" = ?");
            QSqlQuery& q = db->Query(QStringLiteral("UPDATE %1 SET %2 WHERE \"_rid\" = ?").arg(m_phys->SqlName, sets.join(u',')));
            int i = 0;
            for (; i < int(defs.size()); ++i) q.bindValue(i, m_phys->ToSql(i, m_buf[i]));
            q.bindValue(i, id);
            if (!q.exec()) db->RaiseError(q.lastError(), QString());
            q.finish();
        }
        db->Commit();
    } catch (...) {
        db->Rollback();
        throw;
    }
    db->NoteLocalChange(m_phys.get());
    int p;
    if (m_state == dsInsert && m_cursor->TakeAppended(id)) {
        p = m_cursor->Count() - 1;
    } else {
        m_cursor->Rebuild();
        p = m_cursor->PositionOf(id);
    }
    if (p < 0) p = std::clamp(m_insertPos >= 0 && m_state == dsInsert ? m_insertPos : m_cursor->Position(), 0,
                              std::max(0, m_cursor->Count() - 1));
    m_cursor->SetPosition(m_cursor->Count() ? p : -1);
    m_buf.clear();
    m_orig.clear();
}

void TDataSet::Cancel()
{
    CheckActive();
    if (m_state == dsSetKey) { CheckBrowseMode(); return; }
    if (m_state != dsEdit && m_state != dsInsert) return;
    if (BeforeCancel) BeforeCancel(this);
    const bool wasInsert = m_state == dsInsert;
    m_buf.clear();
    m_orig.clear();
    if (wasInsert) m_cursor->SetPosition(m_insertPos);
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    if (AfterCancel) AfterCancel(this);
    if (wasInsert) DoAfterScroll();
}

void TDataSet::Delete()
{
    CheckActive();
    if (m_state == dsInsert) {
        Cancel();
        return;
    }
    if (m_cursor->Count() == 0) DatabaseError(SDataSetEmpty);
    if (!CanModify()) DatabaseError(SDataSetReadOnly);
    DataEvent(deCheckBrowseMode);
    if (BeforeDelete) BeforeDelete(this);
    const qint64 id = m_state == dsEdit ? m_editId : m_cursor->Bookmark();
    const int pos = m_cursor->Position();
    TDatabase* db = m_phys->Db;
    try {
        DoBeforeScroll();
        db->BeginTransaction();
        try {
            QSqlQuery& q = db->Query(QStringLiteral("DELETE FROM %1 WHERE \"_rid\" = ?").arg(m_phys->SqlName));
            q.bindValue(0, id);
            if (!q.exec()) db->RaiseError(q.lastError(), QString());
            q.finish();
            db->Commit();
        } catch (...) {
            db->Rollback();
            throw;
        }
    } catch (...) {
        if (OnDeleteError) OnDeleteError(this);
        throw;
    }
    db->NoteLocalChange(m_phys.get());
    m_state = dsBrowse;
    m_buf.clear();
    m_cursor->Rebuild();
    m_cursor->SetPosition(m_cursor->Count() ? std::min(pos, m_cursor->Count() - 1) : -1);
    m_bof = m_eof = m_cursor->Count() == 0;
    DataEvent(deUpdateState);
    DataEvent(deDataSetChange);
    if (AfterDelete) AfterDelete(this);
    DoAfterScroll();
}

void TDataSet::AssignByPosition(const QVariantList& values)
{
    int vi = 0;
    for (const auto& f : m_fields) {
        if (f->FieldKind() != fkData) continue;
        if (vi >= values.size()) break;
        const QVariant& v = values[vi++];
        if (v.isValid()) f->SetValue(v);
    }
}

void TDataSet::InsertRecord(const QVariantList& values)
{
    Insert();
    AssignByPosition(values);
    Post();
}

void TDataSet::AppendRecord(const QVariantList& values)
{
    Append();
    AssignByPosition(values);
    Post();
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    m_phys->Db->CheckExternalChanges();
    m_phys->Invalidate();
    m_cursor->Rebuild();
    if (m_cursor->Position() < 0 && m_cursor->Count()) m_cursor->SetPosition(0);
    DataEvent(deDataSetChange);
}

void TDataSet::Resync()
{
    CheckActive();
    if (m_cursor->Stale()) m_cursor->Rebuild();
    DataEvent(deDataSetChange);
}

// --------------------------------------------------------- notifications

void TDataSet::DisableControls()
{
    if (m_disableCount++ == 0) m_disabledState = m_state;
}

void TDataSet::EnableControls()
{
    if (m_disableCount == 0) return;
    if (--m_disableCount == 0) {
        if (m_disabledState != m_state) DataEvent(deUpdateState);
        // Controls re-read everything once, whatever happened meanwhile.
        if (m_state != dsInactive) DataEvent(deDataSetChange);
    }
}

void TDataSet::DataEvent(TDataEvent event, qintptr info)
{
    if (m_destroying) return;
    // Suspended controls miss the rest; typed values still reach the record.
    if (m_disableCount > 0 && event != deUpdateState && event != deCheckBrowseMode && event != deUpdateRecord)
        return;
    for (TDataSource* s : std::vector<TDataSource*>(m_sources)) s->DataEvent(event, info);
}

void TDBDataSet::SetDatabaseName(const QString& alias)
{
    CheckInactive();
    m_databaseName = alias;
}

TDatabase* TDBDataSet::Database() const
{
    return Session().Database(m_databaseName);
}

// ------------------------------------------------------------ data source

TDataSource::TDataSource(QObject* owner) : QObject(owner) {}

TDataSource::~TDataSource()
{
    SetDataSet(nullptr);
    for (TDataLink* l : std::vector<TDataLink*>(m_links)) l->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* ds)
{
    if (ds == m_dataSet) return;
    if (m_dataSet) {
        auto& v = m_dataSet->m_sources;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    m_dataSet = ds;
    if (ds) ds->m_sources.push_back(this);
    SetState(ds ? ds->State() : dsInactive);
    NotifyDataLinks(deUpdateState, 0);
}

void TDataSource::SetEnabled(bool on)
{
    if (m_enabled == on) return;
    m_enabled = on;
    SetState(m_enabled && m_dataSet ? m_dataSet->State() : dsInactive);
    NotifyDataLinks(deUpdateState, 0);
}

void TDataSource::SetState(TDataSetState s)
{
    if (m_state == s) return;
    m_state = s;
    if (OnStateChange) OnStateChange(this);
}

void TDataSource::Edit()
{
    if (m_autoEdit && m_state == dsBrowse && m_dataSet) m_dataSet->Edit();
}

void TDataSource::AddDataLink(TDataLink* l) { m_links.push_back(l); }
void TDataSource::RemoveDataLink(TDataLink* l)
{
    m_links.erase(std::remove(m_links.begin(), m_links.end(), l), m_links.end());
}

void TDataSource::DataEvent(TDataEvent event, qintptr info)
{
    if (event == deUpdateState) {
        SetState(m_enabled && m_dataSet ? m_dataSet->State() : dsInactive);
    } else if (m_state == dsInactive) {
        return;
    }
    NotifyDataLinks(event, info);
    if (event == deFieldChange || event == deRecordChange || event == deDataSetChange || event == deDataSetScroll
        || event == deLayoutChange) {
        if (OnDataChange) OnDataChange(this, event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
    } else if (event == deUpdateRecord) {
        if (OnUpdateData) OnUpdateData(this);
    }
}

void TDataSource::NotifyDataLinks(TDataEvent event, qintptr info)
{
    for (TDataLink* l : std::vector<TDataLink*>(m_links))
        if (std::find(m_links.begin(), m_links.end(), l) != m_links.end()) l->DataEvent(event, info);
}

// -------------------------------------------------------------- data link

TDataLink::TDataLink() = default;

TDataLink::~TDataLink()
{
    if (m_source) m_source->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* src)
{
    if (src == m_source) return;
    if (m_source) m_source->RemoveDataLink(this);
    m_source = src;
    if (m_source) m_source->AddDataLink(this);
    UpdateState();
}

TDataSet* TDataLink::DataSet() const { return m_source ? m_source->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool v)
{
    if (m_readOnly == v) return;
    m_readOnly = v;
    UpdateState();
}

bool TDataLink::Edit()
{
    if (!m_readOnly && m_source) m_source->Edit();
    return m_editing;
}

void TDataLink::UpdateRecord()
{
    m_updating = true;
    try {
        UpdateData();
    } catch (...) {
        m_updating = false;
        throw;
    }
    m_updating = false;
}

void TDataLink::SetActive(bool on)
{
    if (m_active == on) return;
    m_active = on;
    ActiveChanged();
}

void TDataLink::SetEditing(bool on)
{
    if (m_editing == on) return;
    m_editing = on;
    EditingChanged();
}

void TDataLink::UpdateState()
{
    SetActive(m_source && m_source->State() != dsInactive);
    SetEditing(m_source && (m_source->State() == dsEdit || m_source->State() == dsInsert
                            || m_source->State() == dsSetKey) && !m_readOnly);
}

void TDataLink::DataEvent(TDataEvent event, qintptr info)
{
    switch (event) {
    case deUpdateState: UpdateState(); break;
    case deFieldChange: case deRecordChange:
        if (!m_updating) RecordChanged(event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
        break;
    case deDataSetChange: DataSetChanged(); break;
    case deDataSetScroll: DataSetScrolled(int(info)); break;
    case deLayoutChange: LayoutChanged(); break;
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: FocusControl(reinterpret_cast<TField**>(info)); break;
    }
}
