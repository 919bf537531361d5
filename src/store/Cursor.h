#pragma once
// Engine cursors: an ordered view of a table's row numbers (current index,
// range and filters) with records fetched on demand in blocks.
#include "FilterExpr.h"
#include "Session.h"
#include <QHash>
#include <QVector>
#include <memory>
#include <optional>
#include <vector>

using TRecord = QVector<QVariant>;
using TRecordPtr = std::shared_ptr<const TRecord>;

// One table of a database file, shared by every handle open on it.
struct TPhysTable {
    TDatabase* Db = nullptr;
    TTableStructure Structure;
    QString SqlName;               // quoted table name
    QString SelectList;            // "_rid","F1","F2",...
    quint64 Version = 1;           // raised by every write and external change
    QHash<qint64, TRecordPtr> Cache;

    int FieldIndex(const QString& name) const;   // 0-based, -1 when absent; ignores case
    QVariant FromSql(int fieldIndex, const QVariant& v) const;
    QVariant ToSql(int fieldIndex, const QVariant& v) const;
    void Invalidate();
    // Fetches records into the cache; ids missing from the table stay absent.
    void Fetch(const std::vector<qint64>& ids);
    // A record from a query row of SelectList's columns (the row id first).
    TRecordPtr RecordFrom(const QSqlQuery& q) const;
    bool Exists(qint64 id);
};

// The part of a view that decides its rows.
struct TViewDef {
    QString OrderBy;                  // SQL order (index fields, then "_rid")
    QStringList OrderFields;          // index fields, canonical names
    TSqlCondition Range;              // master range
    TSqlCondition Filter;             // the table's filter text
    std::vector<std::pair<int, TSqlCondition>> EngineFilters;  // active ones, by handle
    QString Where() const;
    QVariantList Binds() const;
};

class TEngineCursor {
public:
    TEngineCursor(std::shared_ptr<TPhysTable> table, TViewDef view, quint64 handle, bool readOnly);
    // A read-only clone standing on the same record.
    std::unique_ptr<TEngineCursor> Clone() const;

    quint64 Handle() const { return m_handle; }
    QString TableTypeName() const { return QString::fromLatin1(szPARADOX); }
    QString TableName() const { return m_table->Structure.Name; }
    bool ReadOnly() const { return m_readOnly; }
    TPhysTable& Table() const { return *m_table; }
    const TViewDef& View() const { return m_view; }

    // Re-reads the row numbers; keeps the current record when it is still in
    // view. Without a record to keep only the first rows are read at once.
    void Rebuild(bool keepPosition = true);
    void SetView(TViewDef view, bool keepPosition = true);
    bool Stale() const { return m_builtVersion != m_table->Version; }
    // Takes a row this cursor's data set has just inserted (the only change
    // since the view was read) without reading the view again, when it
    // surely sorts last: the view is the whole table in entry order. False
    // when the view has to be read again.
    bool TakeAppended(qint64 id);

    // Position: -1 before the first row, Count() after the last.
    int Position() const { return m_pos; }
    void SetPosition(int pos);
    void SetToBegin() { m_pos = -1; }
    void SetToEnd();
    // Engine-style reads that raise EDBEngineError BOF/EOF at the ends.
    TRecordPtr GetNextRecord();
    TRecordPtr GetPriorRecord();
    TRecordPtr GetRecord();          // the current one; EOF/BOF at a crack
    TRecordPtr RecordAt(int pos);    // nullptr outside
    TBookmark Bookmark() const;      // 0 at a crack
    // One field's values (engine form) at the positions from, from+1, ...
    // (count of them, clamped to the view), read in blocks without the rest
    // of each record; none for a row gone from the table. For scans that
    // test one field of every record.
    std::vector<std::optional<QVariant>> FieldValuesAt(int fieldIndex, int from, int count);
    qint64 IdAt(int pos) const;
    int PositionOf(qint64 id) const; // -1 when not in view
    // Raises RECNOTFOUND (or OUTOFRANGE when only the range excludes it).
    void SetToBookmark(TBookmark id);
    void SetToCursor(const TEngineCursor& other);
    int SeqNo() const { return (m_pos >= 0 && m_pos < Count()) ? m_pos + 1 : 0; }
    int Count() const { return m_partial ? m_fullCount : int(m_ids->size()); }

    // Position of the first row whose order key is >= (or ==) the values.
    int FindKey(const QVariantList& sqlValues, bool nearest);

private:
    // A large view starts with its first rows and the count; the rest is
    // read when a position beyond them is needed.
    void EnsureFull() const;
    std::vector<qint64> QueryIds(int limit) const;
    int QueryCount() const;
    std::shared_ptr<TPhysTable> m_table;
    TViewDef m_view;
    mutable std::shared_ptr<const std::vector<qint64>> m_ids;
    mutable bool m_partial = false;
    int m_fullCount = 0;
    quint64 m_builtVersion = 0;
    quint64 m_handle;
    int m_pos = -1;
    bool m_readOnly;
};
