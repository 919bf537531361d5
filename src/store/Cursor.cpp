#include "Cursor.h"
#include "DBConsts.h"
#include "DBErrors.h"
#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QTime>
#include <algorithm>

using namespace DBConsts;

namespace {
constexpr int kBlock = 128;           // records fetched per query
constexpr int kCacheLimit = 16384;    // records kept per table
}

int TPhysTable::FieldIndex(const QString& name) const
{
    const auto& f = Structure.Fields;
    for (size_t i = 0; i < f.size(); ++i)
        if (f[i].Name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

QVariant TPhysTable::FromSql(int fi, const QVariant& v) const
{
    if (v.isNull()) return {};
    switch (Structure.Fields[fi].DataType) {
    case ftString: case ftMemo: case ftFmtMemo: {
        QString s = v.toString();
        return s.isEmpty() ? QVariant() : QVariant(s);
    }
    case ftDate: {
        QDate d = QDate::fromString(v.toString(), Qt::ISODate);
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case ftTime: {
        QTime t = QTime::fromString(v.toString(), Qt::ISODateWithMs);
        return t.isValid() ? QVariant(t) : QVariant();
    }
    case ftDateTime: {
        QDateTime t = QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
        return t.isValid() ? QVariant(t) : QVariant();
    }
    case ftFloat: case ftCurrency: case ftBCD: return v.toDouble();
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: return v.toLongLong();
    case ftBoolean: return v.toLongLong() != 0;
    default: return v.toByteArray();
    }
}

QVariant TPhysTable::ToSql(int fi, const QVariant& v) const
{
    if (!v.isValid() || v.isNull()) return QVariant();
    switch (Structure.Fields[fi].DataType) {
    case ftString: case ftMemo: case ftFmtMemo: {
        QString s = v.toString();
        return s.isEmpty() ? QVariant() : QVariant(s);
    }
    case ftDate: return v.toDate().toString(Qt::ISODate);
    case ftTime: return v.toTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    case ftDateTime: return v.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
    case ftFloat: case ftCurrency: case ftBCD: return v.toDouble();
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: return v.toLongLong();
    case ftBoolean: return v.toBool() ? 1 : 0;
    default: return v.toByteArray();
    }
}

void TPhysTable::Invalidate()
{
    ++Version;
    Cache.clear();
}

void TPhysTable::Fetch(const std::vector<qint64>& ids)
{
    if (ids.empty()) return;
    if (Cache.size() + int(ids.size()) > kCacheLimit) Cache.clear();
    // One statement shape for every block: short blocks repeat their last id.
    static QString placeholders;
    if (placeholders.isEmpty()) {
        QStringList p;
        for (int i = 0; i < kBlock; ++i) p << QStringLiteral("?");
        placeholders = p.join(u',');
    }
    QSqlQuery& q = Db->Query(QStringLiteral("SELECT %1 FROM %2 WHERE \"_rid\" IN (%3)").arg(SelectList, SqlName, placeholders));
    size_t done = 0;
    const int nf = int(Structure.Fields.size());
    while (done < ids.size()) {
        const size_t n = std::min<size_t>(kBlock, ids.size() - done);
        for (int i = 0; i < kBlock; ++i) q.bindValue(i, ids[done + std::min<size_t>(i, n - 1)]);
        if (!q.exec()) Db->RaiseError(q.lastError(), QString());
        while (q.next()) {
            auto rec = std::make_shared<TRecord>(nf);
            for (int f = 0; f < nf; ++f) (*rec)[f] = FromSql(f, q.value(f + 1));
            Cache.insert(q.value(0).toLongLong(), rec);
        }
        q.finish();
        done += n;
    }
}

TRecordPtr TPhysTable::Record(qint64 id)
{
    auto it = Cache.constFind(id);
    if (it != Cache.constEnd()) return *it;
    Fetch({id});
    return Cache.value(id);
}

bool TPhysTable::Exists(qint64 id)
{
    QSqlQuery& q = Db->Query(QStringLiteral("SELECT 1 FROM %1 WHERE \"_rid\" = ?").arg(SqlName));
    q.bindValue(0, id);
    if (!q.exec()) Db->RaiseError(q.lastError(), QString());
    const bool r = q.next();
    q.finish();
    return r;
}

QString TViewDef::Where() const
{
    QStringList parts;
    if (!Range.isEmpty()) parts << Range.sql;
    if (!Filter.isEmpty()) parts << Filter.sql;
    for (const auto& f : EngineFilters)
        if (!f.second.isEmpty()) parts << f.second.sql;
    return parts.join(QStringLiteral(" AND "));
}

QVariantList TViewDef::Binds() const
{
    QVariantList b = Range.binds;
    b += Filter.binds;
    for (const auto& f : EngineFilters) b += f.second.binds;
    return b;
}

// ----------------------------------------------------------------- cursor

TEngineCursor::TEngineCursor(std::shared_ptr<TPhysTable> table, TViewDef view, quint64 handle, bool readOnly)
    : m_table(std::move(table)), m_view(std::move(view)),
      m_ids(std::make_shared<const std::vector<qint64>>()), m_handle(handle), m_readOnly(readOnly)
{
    Rebuild();
}

std::unique_ptr<TEngineCursor> TEngineCursor::Clone() const
{
    auto c = std::unique_ptr<TEngineCursor>(new TEngineCursor(*this));
    c->m_readOnly = true;
    return c;
}

void TEngineCursor::SetView(TViewDef view)
{
    m_view = std::move(view);
    Rebuild();
}

void TEngineCursor::Rebuild()
{
    m_table->Db->CheckExternalChanges();
    const qint64 current = Bookmark();
    const int oldPos = m_pos;
    const int oldCount = Count();
    QString sql = QStringLiteral("SELECT \"_rid\" FROM %1").arg(m_table->SqlName);
    const QString where = m_view.Where();
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where;
    sql += QStringLiteral(" ORDER BY ") + (m_view.OrderBy.isEmpty() ? QStringLiteral("\"_rid\"") : m_view.OrderBy);
    QSqlQuery& q = m_table->Db->Query(sql);
    const QVariantList binds = m_view.Binds();
    for (int i = 0; i < binds.size(); ++i) q.bindValue(i, binds[i]);
    if (!q.exec()) m_table->Db->RaiseError(q.lastError(), sql);
    auto ids = std::make_shared<std::vector<qint64>>();
    while (q.next()) ids->push_back(q.value(0).toLongLong());
    q.finish();
    m_ids = ids;
    m_builtVersion = m_table->Version;
    int p = current ? PositionOf(current) : -1;
    if (p >= 0) m_pos = p;
    else if (oldPos < 0) m_pos = -1;
    else if (oldPos >= oldCount) m_pos = Count();
    else m_pos = std::min(oldPos, Count() - 1 < 0 ? 0 : Count() - 1);
    if (Count() == 0) m_pos = -1;
}

void TEngineCursor::EnsureBuilt()
{
    if (Stale()) Rebuild();
}

int TEngineCursor::RecordCount()
{
    return Count();
}

void TEngineCursor::SetPosition(int pos)
{
    m_pos = std::clamp(pos, -1, Count());
}

void TEngineCursor::SetToEnd() { m_pos = Count(); }

qint64 TEngineCursor::IdAt(int pos) const
{
    return (pos >= 0 && pos < Count()) ? (*m_ids)[pos] : 0;
}

TBookmark TEngineCursor::Bookmark() const { return IdAt(m_pos); }

int TEngineCursor::PositionOf(qint64 id) const
{
    if (!id) return -1;
    auto it = std::find(m_ids->begin(), m_ids->end(), id);
    return it == m_ids->end() ? -1 : int(it - m_ids->begin());
}

TRecordPtr TEngineCursor::RecordAt(int pos)
{
    if (pos < 0 || pos >= Count()) return nullptr;
    const qint64 id = (*m_ids)[pos];
    auto it = m_table->Cache.constFind(id);
    if (it != m_table->Cache.constEnd()) return *it;
    // Read a block around the position, mostly ahead: walks go forward.
    std::vector<qint64> want;
    const int from = std::max(0, pos - kBlock / 8);
    const int to = std::min(Count(), from + kBlock);
    for (int i = from; i < to; ++i)
        if (!m_table->Cache.contains((*m_ids)[i])) want.push_back((*m_ids)[i]);
    m_table->Fetch(want);
    it = m_table->Cache.constFind(id);
    if (it != m_table->Cache.constEnd()) return *it;
    // Gone (deleted through another handle or by another user).
    return nullptr;
}

TRecordPtr TEngineCursor::GetNextRecord()
{
    if (m_pos >= Count() - 1) {
        m_pos = Count();
        EngineError(DbiErr::EOF_, SEOF);
    }
    ++m_pos;
    auto r = RecordAt(m_pos);
    if (!r) EngineError(DbiErr::RECNOTFOUND, SRecordNotFound);
    return r;
}

TRecordPtr TEngineCursor::GetPriorRecord()
{
    if (m_pos <= 0) {
        m_pos = -1;
        EngineError(DbiErr::BOF, SBOF);
    }
    if (m_pos > Count()) m_pos = Count();
    --m_pos;
    auto r = RecordAt(m_pos);
    if (!r) EngineError(DbiErr::RECNOTFOUND, SRecordNotFound);
    return r;
}

TRecordPtr TEngineCursor::GetRecord()
{
    if (m_pos < 0) EngineError(DbiErr::BOF, SBOF);
    if (m_pos >= Count()) EngineError(DbiErr::EOF_, SEOF);
    auto r = RecordAt(m_pos);
    if (!r) EngineError(DbiErr::RECNOTFOUND, SRecordNotFound);
    return r;
}

void TEngineCursor::SetToBookmark(TBookmark id)
{
    const int p = PositionOf(id);
    if (p < 0) {
        if (id && m_table->Exists(id)) EngineError(DbiErr::OUTOFRANGE, SOutOfRange);
        EngineError(DbiErr::RECNOTFOUND, SRecordNotFound);
    }
    m_pos = p;
}

void TEngineCursor::SetToCursor(const TEngineCursor& other)
{
    if (other.m_table->Structure.Name.compare(m_table->Structure.Name, Qt::CaseInsensitive) != 0
        || other.m_table->Db != m_table->Db)
        EngineError(DbiErr::RECNOTFOUND, SRecordNotFound);
    if (other.m_pos < 0) EngineError(DbiErr::BOF, SBOF);
    if (other.m_pos >= other.Count()) EngineError(DbiErr::EOF_, SEOF);
    SetToBookmark(other.Bookmark());
}

int TEngineCursor::FindKey(const QVariantList& sqlValues, bool nearest)
{
    if (sqlValues.isEmpty() || m_view.OrderFields.isEmpty()) return nearest ? (Count() ? 0 : -1) : -1;
    const int n = std::min<int>(sqlValues.size(), m_view.OrderFields.size());
    QStringList cols, marks;
    for (int i = 0; i < n; ++i) { cols << SqlQuote(m_view.OrderFields[i]); marks << QStringLiteral("?"); }
    QString cond;
    QVariantList binds = m_view.Binds();
    if (!nearest) {
        QStringList eq;
        for (int i = 0; i < n; ++i) {
            if (sqlValues[i].isNull()) eq << cols[i] + QStringLiteral(" IS NULL");
            else { eq << cols[i] + QStringLiteral(" = ?"); binds << sqlValues[i]; }
        }
        cond = eq.join(QStringLiteral(" AND "));
    } else {
        // Blank values sort first: a blank leading value matches from the top.
        int used = 0;
        while (used < n && !sqlValues[used].isNull()) ++used;
        if (used == 0) return Count() ? 0 : -1;
        QStringList c2, m2;
        for (int i = 0; i < used; ++i) { c2 << cols[i]; m2 << QStringLiteral("?"); binds << sqlValues[i]; }
        cond = used == 1 ? c2[0] + QStringLiteral(" >= ?")
                         : QStringLiteral("(%1) >= (%2)").arg(c2.join(u','), m2.join(u','));
    }
    const QString where = m_view.Where();
    QString sql = QStringLiteral("SELECT \"_rid\" FROM %1 WHERE %2%3 ORDER BY %4 LIMIT 1")
                      .arg(m_table->SqlName, where.isEmpty() ? QString() : where + QStringLiteral(" AND "), cond,
                           m_view.OrderBy.isEmpty() ? QStringLiteral("\"_rid\"") : m_view.OrderBy);
    QSqlQuery& q = m_table->Db->Query(sql);
    for (int i = 0; i < binds.size(); ++i) q.bindValue(i, binds[i]);
    if (!q.exec()) m_table->Db->RaiseError(q.lastError(), sql);
    qint64 id = q.next() ? q.value(0).toLongLong() : 0;
    q.finish();
    if (!id) return nearest ? Count() - 1 : -1;
    int p = PositionOf(id);
    if (p < 0) {           // view older than the table: read it afresh
        Rebuild();
        p = PositionOf(id);
    }
    return p;
}
