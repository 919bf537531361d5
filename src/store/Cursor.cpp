#include "Cursor.h"
#include "DBConsts.h"
#include "DBErrors.h"
#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QSqlResult>
#include <QTime>
#include <algorithm>
#include <charconv>
#include <libpq-fe.h>
#include <sqlite3.h>

using namespace DBConsts;

namespace {
constexpr int kBlock = 128;           // records fetched per query
constexpr int kCacheLimit = 16384;    // records kept per table

// The statement behind a cached query. The hot loops (row lists, record
// blocks) step it directly: QtSql's per-value variants and UTF-16 copies
// cost more than the reads themselves. QtSql still owns and finalises it.
sqlite3_stmt* StatementOf(const QSqlQuery& q)
{
    const QSqlResult* r = q.result();
    const QVariant h = r ? r->handle() : QVariant();
    if (h.isValid() && qstrcmp(h.typeName(), "sqlite3_stmt*") == 0)
        return *static_cast<sqlite3_stmt* const*>(h.constData());
    return nullptr;
}

[[noreturn]] void RaiseStep(TDatabase* db, sqlite3_stmt* st, int rc)
{
    const int code = db->Handle() ? sqlite3_extended_errcode(db->Handle()) : rc;
    const QString text = QString::fromUtf8(db->Handle() ? sqlite3_errmsg(db->Handle()) : sqlite3_errstr(rc));
    sqlite3_reset(st);
    db->RaiseError(QSqlError(QStringLiteral("Unable to fetch row"), text, QSqlError::StatementError,
                             QString::number(code)),
                   QString());
}

// Binds as QtSql's SQLite driver binds the same value.
int BindValue(sqlite3_stmt* st, int i, const QVariant& v)
{
    if (!v.isValid() || v.isNull()) return sqlite3_bind_null(st, i);
    switch (v.typeId()) {
    case QMetaType::QString: {
        const QString s = v.toString();
        if (s.isNull()) return sqlite3_bind_null(st, i);
        return sqlite3_bind_text16(st, i, s.utf16(), int(s.size() * sizeof(QChar)), SQLITE_TRANSIENT);
    }
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        if (b.isNull()) return sqlite3_bind_null(st, i);
        return sqlite3_bind_blob(st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    }
    case QMetaType::Int: case QMetaType::Bool: return sqlite3_bind_int(st, i, v.toInt());
    case QMetaType::Double: return sqlite3_bind_double(st, i, v.toDouble());
    case QMetaType::UInt: case QMetaType::LongLong: return sqlite3_bind_int64(st, i, v.toLongLong());
    case QMetaType::QDateTime: {
        const QString s = v.toDateTime().toString(Qt::ISODateWithMs);
        return sqlite3_bind_text16(st, i, s.utf16(), int(s.size() * sizeof(QChar)), SQLITE_TRANSIENT);
    }
    case QMetaType::QTime: {
        const QString s = v.toTime().toString(QStringLiteral("hh:mm:ss.zzz"));
        return sqlite3_bind_text16(st, i, s.utf16(), int(s.size() * sizeof(QChar)), SQLITE_TRANSIENT);
    }
    default: {
        const QString s = v.toString();
        return sqlite3_bind_text16(st, i, s.utf16(), int(s.size() * sizeof(QChar)), SQLITE_TRANSIENT);
    }
    }
}

// A column as QtSql would hand it over, before the field's conversion.
QVariant RawColumn(sqlite3_stmt* st, int col)
{
    switch (sqlite3_column_type(st, col)) {
    case SQLITE_NULL: return {};
    case SQLITE_INTEGER: return qint64(sqlite3_column_int64(st, col));
    case SQLITE_FLOAT: return sqlite3_column_double(st, col);
    case SQLITE_BLOB: {
        const void* p = sqlite3_column_blob(st, col);
        return QByteArray(static_cast<const char*>(p), sqlite3_column_bytes(st, col));
    }
    default: {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
        return QString::fromUtf8(p, sqlite3_column_bytes(st, col));
    }
    }
}

inline int Digits(const char* p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return -1;
        v = v * 10 + (p[i] - '0');
    }
    return v;
}

// A stored date "yyyy-MM-dd" read without the detour over a QString; false
// for anything else, which then takes the general way.
bool IsoDate(const char* p, int len, QVariant& out)
{
    if (len != 10 || p[4] != '-' || p[7] != '-') return false;
    const int y = Digits(p, 4), m = Digits(p + 5, 2), d = Digits(p + 8, 2);
    if (y < 0 || m < 0 || d < 0) return false;
    const QDate date(y, m, d);
    if (date.isValid()) out = date;
    return true;
}

// The server's whole result behind a query (not row by row), as libpq keeps
// it: QPSQL would make a variant and a string of every value first.
PGresult* ResultOf(const QSqlQuery& q)
{
    if (q.isForwardOnly()) return nullptr;
    const QSqlResult* r = q.result();
    const QVariant h = r ? r->handle() : QVariant();
    // The driver names libpq's struct, not its typedef.
    if (h.isValid() && (qstrcmp(h.typeName(), "pg_result*") == 0 || qstrcmp(h.typeName(), "PGresult*") == 0))
        return *static_cast<PGresult* const*>(h.constData());
    return nullptr;
}

template <class T> bool Number(const char* p, int len, T& v)
{
    const auto [end, ec] = std::from_chars(p, p + len, v);
    return ec == std::errc() && end == p + len;
}
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

TRecordPtr TPhysTable::RecordFrom(const QSqlQuery& q) const
{
    const int nf = int(Structure.Fields.size());
    auto rec = std::make_shared<TRecord>(nf);
    PGresult* r = ResultOf(q);
    const int row = q.at();
    for (int f = 0; f < nf; ++f) {
        const int col = f + 1;
        QVariant& out = (*rec)[f];
        if (r) {
            // Direct conversions of the common cases; FromSql does the rest.
            if (PQgetisnull(r, row, col)) continue;
            const char* p = PQgetvalue(r, row, col);
            const int len = PQgetlength(r, row, col);
            switch (Structure.Fields[f].DataType) {
            case ftString: case ftMemo: case ftFmtMemo:
                if (len > 0) out = QString::fromUtf8(p, len);
                continue;
            case ftDate:
                if (IsoDate(p, len, out)) continue;
                break;
            case ftFloat: case ftCurrency: case ftBCD:
                if (double v; Number(p, len, v)) {
                    out = v;
                    continue;
                }
                break;
            case ftSmallint: case ftInteger: case ftWord: case ftAutoInc:
                if (qlonglong v; Number(p, len, v)) {
                    out = v;
                    continue;
                }
                break;
            default: break;
            }
        }
        out = FromSql(f, q.value(col));
    }
    return rec;
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
    sqlite3_stmt* st = StatementOf(q);
    size_t done = 0;
    const int nf = int(Structure.Fields.size());
    while (done < ids.size()) {
        const size_t n = std::min<size_t>(kBlock, ids.size() - done);
        if (!st) {
            for (int i = 0; i < kBlock; ++i) q.bindValue(i, ids[done + std::min<size_t>(i, n - 1)]);
            if (!q.exec()) Db->RaiseError(q.lastError(), QString());
            while (q.next()) Cache.insert(q.value(0).toLongLong(), RecordFrom(q));
            q.finish();
            done += n;
            continue;
        }
        sqlite3_reset(st);
        for (int i = 0; i < kBlock; ++i) sqlite3_bind_int64(st, i + 1, ids[done + std::min<size_t>(i, n - 1)]);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            auto rec = std::make_shared<TRecord>(nf);
            for (int f = 0; f < nf; ++f) {
                const int col = f + 1;
                const int ct = sqlite3_column_type(st, col);
                if (ct == SQLITE_NULL) continue;
                QVariant& out = (*rec)[f];
                // Direct conversions of the common cases; FromSql does the rest.
                switch (Structure.Fields[f].DataType) {
                case ftString: case ftMemo: case ftFmtMemo:
                    if (ct == SQLITE_TEXT) {
                        const int len = sqlite3_column_bytes(st, col);
                        if (len > 0)
                            out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, col)), len);
                        continue;
                    }
                    break;
                case ftFloat: case ftCurrency: case ftBCD:
                    if (ct == SQLITE_FLOAT || ct == SQLITE_INTEGER) {
                        out = sqlite3_column_double(st, col);
                        continue;
                    }
                    break;
                case ftDate:
                    if (ct == SQLITE_TEXT && IsoDate(reinterpret_cast<const char*>(sqlite3_column_text(st, col)),
                                                     sqlite3_column_bytes(st, col), out))
                        continue;
                    break;
                default: break;
                }
                out = FromSql(f, RawColumn(st, col));
            }
            Cache.insert(sqlite3_column_int64(st, 0), rec);
        }
        if (rc != SQLITE_DONE) RaiseStep(Db, st, rc);
        sqlite3_reset(st);
        done += n;
    }
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

void TEngineCursor::SetView(TViewDef view, bool keepPosition)
{
    m_view = std::move(view);
    Rebuild(keepPosition);
}

namespace {
constexpr int kFirstRows = 256;
}

std::vector<qint64> TEngineCursor::QueryIds(int limit) const
{
    // A server's first rows come whole and with the data version: a step
    // to the next master record then costs one round trip per detail
    // instead of three.
    const bool whole = limit > 0 && m_table->Db->IsServer();
    QString sql = whole ? QStringLiteral("SELECT %1, (SELECT \"v\" FROM \"__Version\") FROM %2")
                              .arg(m_table->SelectList, m_table->SqlName)
                        : QStringLiteral("SELECT \"_rid\" FROM %1").arg(m_table->SqlName);
    const QString where = m_view.Where();
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where;
    sql += QStringLiteral(" ORDER BY ") + (m_view.OrderBy.isEmpty() ? QStringLiteral("\"_rid\"") : m_view.OrderBy);
    if (limit > 0) sql += QStringLiteral(" LIMIT %1").arg(limit);
    QSqlQuery& q = m_table->Db->Query(sql, limit <= 0);
    const QVariantList binds = m_view.Binds();
    std::vector<qint64> ids;
    ids.reserve(limit > 0 ? size_t(limit) : m_ids->size());
    if (sqlite3_stmt* st = StatementOf(q)) {
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        for (int i = 0; i < binds.size(); ++i)
            if (int rc = BindValue(st, i + 1, binds[i]); rc != SQLITE_OK) RaiseStep(m_table->Db, st, rc);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(st, 0));
        if (rc != SQLITE_DONE) RaiseStep(m_table->Db, st, rc);
        sqlite3_reset(st);
    } else if (whole) {
        for (int i = 0; i < binds.size(); ++i) q.bindValue(i, binds[i]);
        if (!q.exec()) m_table->Db->RaiseError(q.lastError(), sql);
        TPhysTable& t = *m_table;
        const int versionColumn = int(t.Structure.Fields.size()) + 1;
        bool first = true;
        while (q.next()) {
            // Another user's change drops the caches before these rows join.
            if (first) t.Db->NoteDataVersion(q.value(versionColumn).toLongLong());
            if (first && t.Cache.size() + limit > kCacheLimit) t.Cache.clear();
            first = false;
            const qint64 id = q.value(0).toLongLong();
            ids.push_back(id);
            t.Cache.insert(id, t.RecordFrom(q));
        }
        q.finish();
        // An empty range has brought no version.
        if (first) t.Db->CheckExternalChanges();
    } else {
        for (int i = 0; i < binds.size(); ++i) q.bindValue(i, binds[i]);
        if (!q.exec()) m_table->Db->RaiseError(q.lastError(), sql);
        while (q.next()) ids.push_back(q.value(0).toLongLong());
        q.finish();
    }
    return ids;
}

int TEngineCursor::QueryCount() const
{
    QString sql = QStringLiteral("SELECT COUNT(*) FROM %1").arg(m_table->SqlName);
    const QString where = m_view.Where();
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where;
    QSqlQuery& q = m_table->Db->Query(sql);
    const QVariantList binds = m_view.Binds();
    for (int i = 0; i < binds.size(); ++i) q.bindValue(i, binds[i]);
    if (!q.exec()) m_table->Db->RaiseError(q.lastError(), sql);
    const int n = q.next() ? q.value(0).toInt() : 0;
    q.finish();
    return n;
}

void TEngineCursor::EnsureFull() const
{
    if (!m_partial) return;
    m_ids = std::make_shared<const std::vector<qint64>>(QueryIds(0));
    m_partial = false;
}

void TEngineCursor::Rebuild(bool keepPosition)
{
    const qint64 current = keepPosition ? Bookmark() : 0;
    const int oldPos = m_pos;
    const int oldCount = Count();
    const bool firstRows = !keepPosition || (current == 0 && oldPos <= 0);
    // A server's first rows bring the data version along.
    if (!firstRows || !m_table->Db->IsServer()) m_table->Db->CheckExternalChanges();
    if (firstRows) {
        std::vector<qint64> first = QueryIds(kFirstRows + 1);
        m_partial = first.size() > size_t(kFirstRows);
        if (m_partial) {
            first.resize(kFirstRows);
            m_fullCount = QueryCount();
        }
        m_ids = std::make_shared<const std::vector<qint64>>(std::move(first));
    } else {
        m_partial = false;
        m_ids = std::make_shared<const std::vector<qint64>>(QueryIds(0));
    }
    m_builtVersion = m_table->Version;
    if (!keepPosition) {
        m_pos = Count() ? 0 : -1;
        return;
    }
    int p = current ? PositionOf(current) : -1;
    if (p >= 0) m_pos = p;
    else if (oldPos < 0) m_pos = -1;
    else if (oldPos >= oldCount) m_pos = Count();
    else m_pos = std::min(oldPos, Count() - 1 < 0 ? 0 : Count() - 1);
    if (Count() == 0) m_pos = -1;
}

void TEngineCursor::SetPosition(int pos)
{
    m_pos = std::clamp(pos, -1, Count());
}

void TEngineCursor::SetToEnd() { m_pos = Count(); }

qint64 TEngineCursor::IdAt(int pos) const
{
    if (pos < 0 || pos >= Count()) return 0;
    if (size_t(pos) >= m_ids->size()) EnsureFull();
    return size_t(pos) < m_ids->size() ? (*m_ids)[pos] : 0;
}

TBookmark TEngineCursor::Bookmark() const { return IdAt(m_pos); }

int TEngineCursor::PositionOf(qint64 id) const
{
    if (!id) return -1;
    auto it = std::find(m_ids->begin(), m_ids->end(), id);
    if (it == m_ids->end() && m_partial) {
        EnsureFull();
        it = std::find(m_ids->begin(), m_ids->end(), id);
    }
    return it == m_ids->end() ? -1 : int(it - m_ids->begin());
}

TRecordPtr TEngineCursor::RecordAt(int pos)
{
    if (pos < 0 || pos >= Count()) return nullptr;
    const qint64 id = IdAt(pos);
    auto it = m_table->Cache.constFind(id);
    if (it != m_table->Cache.constEnd()) return *it;
    // Read a block around the position, mostly ahead: walks go forward.
    std::vector<qint64> want;
    const int from = std::max(0, pos - kBlock / 8);
    const int to = std::min(m_partial ? int(m_ids->size()) : Count(), from + kBlock);
    for (int i = from; i < to; ++i)
        if (!m_table->Cache.contains((*m_ids)[i])) want.push_back((*m_ids)[i]);
    m_table->Fetch(want);
    it = m_table->Cache.constFind(id);
    if (it != m_table->Cache.constEnd()) return *it;
    // Gone (deleted through another handle or by another user).
    return nullptr;
}

std::vector<std::optional<QVariant>> TEngineCursor::FieldValuesAt(int fieldIndex, int from, int count)
{
    from = std::max(0, from);
    count = std::max(0, std::min(count, Count() - from));
    std::vector<std::optional<QVariant>> out(static_cast<size_t>(count));
    if (fieldIndex < 0 || fieldIndex >= int(m_table->Structure.Fields.size())) return out;
    // Records read already answer from the cache; the others in blocks.
    std::vector<qint64> want;
    QHash<qint64, int> slot;
    for (int i = 0; i < count; ++i) {
        const qint64 id = IdAt(from + i);
        auto it = m_table->Cache.constFind(id);
        if (it != m_table->Cache.constEnd()) {
            out[size_t(i)] = (**it).value(fieldIndex);
        } else {
            want.push_back(id);
            slot.insert(id, i);
        }
    }
    if (want.empty()) return out;
    static QString placeholders;
    if (placeholders.isEmpty()) {
        QStringList p;
        for (int i = 0; i < kBlock; ++i) p << QStringLiteral("?");
        placeholders = p.join(u',');
    }
    const QString column = SqlQuote(m_table->Structure.Fields[size_t(fieldIndex)].Name);
    QSqlQuery& q = m_table->Db->Query(
        QStringLiteral("SELECT \"_rid\", %1 FROM %2 WHERE \"_rid\" IN (%3)").arg(column, m_table->SqlName, placeholders));
    sqlite3_stmt* st = StatementOf(q);
    for (size_t done = 0; done < want.size();) {
        const size_t n = std::min<size_t>(kBlock, want.size() - done);
        // One statement shape for every block: short blocks repeat their last id.
        if (!st) {
            for (int i = 0; i < kBlock; ++i) q.bindValue(i, want[done + std::min<size_t>(i, n - 1)]);
            if (!q.exec()) m_table->Db->RaiseError(q.lastError(), QString());
            while (q.next())
                out[size_t(slot.value(q.value(0).toLongLong()))] = m_table->FromSql(fieldIndex, q.value(1));
            q.finish();
        } else {
            sqlite3_reset(st);
            for (int i = 0; i < kBlock; ++i) sqlite3_bind_int64(st, i + 1, want[done + std::min<size_t>(i, n - 1)]);
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW)
                out[size_t(slot.value(sqlite3_column_int64(st, 0)))] = m_table->FromSql(fieldIndex, RawColumn(st, 1));
            if (rc != SQLITE_DONE) RaiseStep(m_table->Db, st, rc);
            sqlite3_reset(st);
        }
        done += n;
    }
    return out;
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
    // Another user may have deleted the record since the rows were read.
    m_table->Db->CheckExternalChanges();
    if (Stale()) Rebuild();
    const int p = PositionOf(id);
    if (p < 0) {
        if (id && m_table->Exists(id)) EngineError(DbiErr::OUTOFRANGE, SOutOfRange);
        EngineError(DbiErr::RECNOTFOUND, SRecordNotFound);
    }
    m_pos = p;
}

bool TEngineCursor::TakeAppended(qint64 id)
{
    // Working tables filled row by row would otherwise read their whole
    // view again after every row.
    if (!m_view.Where().isEmpty() || (!m_view.OrderBy.isEmpty() && m_view.OrderBy != QLatin1String("\"_rid\"")))
        return false;
    if (m_builtVersion + 1 != m_table->Version) return false;
    m_table->Db->CheckExternalChanges();
    if (m_builtVersion + 1 != m_table->Version) return false;
    if (m_partial) {
        ++m_fullCount;
    } else {
        if (!m_ids->empty() && m_ids->back() >= id) return false;
        std::shared_ptr<std::vector<qint64>> ids;
        if (m_ids.use_count() == 1) ids = std::const_pointer_cast<std::vector<qint64>>(m_ids);
        else ids = std::make_shared<std::vector<qint64>>(*m_ids);
        ids->push_back(id);
        m_ids = std::move(ids);
    }
    m_builtVersion = m_table->Version;
    return true;
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
