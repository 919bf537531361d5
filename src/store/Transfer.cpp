#include "Transfer.h"
#include "Cursor.h"
#include "DBErrors.h"
#include "Session.h"
#include <QSqlError>
#include <QSqlQuery>
#include <optional>
#include <vector>

namespace {

constexpr size_t kBatchRows = 100;

qint64 CountOf(TDatabase& db, const TPhysTable& t)
{
    QSqlQuery& q = db.Query(QStringLiteral("SELECT COUNT(*) FROM %1").arg(t.SqlName));
    if (!q.exec()) db.RaiseError(q.lastError(), QString());
    const qint64 n = q.next() ? q.value(0).toLongLong() : 0;
    q.finish();
    return n;
}

}   // namespace

std::vector<TTransferCount> CountTables(TDatabase& db)
{
    std::vector<TTransferCount> counts;
    for (const QString& name : db.TableNames()) {
        auto t = db.Table(name);
        counts.push_back({t->Structure.Name, CountOf(db, *t)});
    }
    return counts;
}

std::vector<TTransferCount> TransferTables(TDatabase& from, TDatabase& to,
                                           const std::function<void(const QString&, qint64)>& progress)
{
    if (!to.TableNames().isEmpty())
        DatabaseError(QStringLiteral("Die Zieldatenbank %1 enthält schon Tabellen.").arg(to.FileName()));
    std::vector<TTransferCount> counts;
    // A server's park is read as one picture, whatever others post meanwhile.
    std::optional<TTransaction> snapshot;
    if (from.IsServer()) {
        snapshot.emplace(from);
        from.Exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
    }
    TTransaction tx(to);
    for (const QString& name : from.TableNames()) {
        auto source = from.Table(name);
        const TTableStructure& s = source->Structure;
        to.CreateTable(s.Name, s.Fields, s.Indexes);
        for (const TValCheckDesc& c : from.ValChecks(s.Name))
            if (!c.LookupTable.isEmpty()) to.AddValCheck(s.Name, c);
        auto target = to.Table(s.Name);
        QStringList cols, marks;
        for (const TFieldDef& f : s.Fields) {
            cols << SqlQuote(f.Name);
            marks << QStringLiteral("?");
        }
        // Many rows per statement: a server would otherwise wait for one
        // round trip per record.
        const QString row = u'(' + marks.join(u',') + u')';
        const auto insert = [&](const std::vector<QVariant>& values) {
            const int rows = int(values.size() / s.Fields.size());
            QSqlQuery& q = to.Query(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                                        .arg(target->SqlName, cols.join(u','),
                                             QStringList(rows, row).join(u',')));
            for (int i = 0; i < int(values.size()); ++i) q.bindValue(i, values[size_t(i)]);
            if (!q.exec()) to.RaiseError(q.lastError(), QString());
            q.finish();
        };
        // Row numbers are new, their order the old one: ties in keys
        // keep falling as they did.
        QSqlQuery read(from.Db());
        read.setForwardOnly(true);
        if (!read.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY \"_rid\"").arg(source->SelectList, source->SqlName)))
            from.RaiseError(read.lastError(), QString());
        TTransferCount c{s.Name};
        std::vector<QVariant> batch;
        batch.reserve(kBatchRows * s.Fields.size());
        while (read.next()) {
            for (int i = 0; i < int(s.Fields.size()); ++i)
                batch.push_back(target->ToSql(i, source->FromSql(i, read.value(i + 1))));
            if (batch.size() == kBatchRows * s.Fields.size()) {
                insert(batch);
                batch.clear();
            }
            if (++c.Source % 1000 == 0 && progress) progress(s.Name, c.Source);
        }
        if (!batch.empty()) insert(batch);
        c.Target = CountOf(to, *target);
        if (progress) progress(s.Name, c.Source);
        counts.push_back(c);
    }
    tx.Commit();
    if (snapshot) snapshot->Commit();
    return counts;
}
