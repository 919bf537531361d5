// Query results as data sets.
#include "Query.h"
#include "DBConsts.h"
#include "DBErrors.h"
#include <sqlite3.h>
#include <QSet>

using namespace DBConsts;

namespace {

quint64 s_nextResult = 1;

// Columns of the result, typed as the tables declare them where a column
// is a plain table column; computed columns take the type of the first
// value (text when there is none).
std::vector<TFieldDef> ResultColumns(TDatabase* db, const QString& sql)
{
    sqlite3_stmt* stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db->Handle(), text.constData(), int(text.size()), &stmt, &tail) != SQLITE_OK || !stmt) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(db->Handle()));
        sqlite3_finalize(stmt);
        DatabaseErrorFmt(SInvalidQuery, msg);
    }
    // Only what reads, and only one statement: the text goes into an INSERT.
    const bool more = !QByteArray(tail).trimmed().isEmpty();
    const int n = sqlite3_column_count(stmt);
    if (more || n == 0 || !sqlite3_stmt_readonly(stmt)) {
        sqlite3_finalize(stmt);
        DatabaseErrorFmt(SInvalidQuery, more ? SQueryOneStatement : SQueryNoSelect);
    }
    const bool hasRow = sqlite3_step(stmt) == SQLITE_ROW;
    std::vector<TFieldDef> defs;
    QSet<QString> taken{QStringLiteral("_rid")};
    for (int i = 0; i < n; ++i) {
        QString name = QString::fromUtf8(sqlite3_column_name(stmt, i));
        // Two columns of one name (a join) stay apart.
        const QString base = name.isEmpty() ? QStringLiteral("Feld") : name;
        for (int k = 1; taken.contains(name.toLower()) || name.isEmpty(); ++k)
            name = QStringLiteral("%1_%2").arg(base).arg(k);
        taken.insert(name.toLower());
        QString declared = QString::fromUtf8(sqlite3_column_decltype(stmt, i));
        if (declared.isEmpty() && hasRow) {
            switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_INTEGER: declared = QStringLiteral("LONG INTEGER"); break;
            case SQLITE_FLOAT: declared = QStringLiteral("NUMBER REAL"); break;
            case SQLITE_BLOB: declared = QStringLiteral("BINARY BLOB"); break;
            default: break;
            }
        }
        if (declared.isEmpty()) declared = QStringLiteral("TEXT");
        TFieldDef d = FieldDefFromSqlType(name, declared);
        d.FieldNo = i + 1;
        defs.push_back(d);
    }
    sqlite3_finalize(stmt);
    return defs;
}

}   // namespace

TQuery::TQuery(QObject* owner) : TDBDataSet(owner) { SetReadOnly(true); }

TQuery::~TQuery() { m_destroying = true; }

void TQuery::SetSQL(const QStringList& lines)
{
    CheckInactive();
    m_sql = lines;
}

std::shared_ptr<TPhysTable> TQuery::OpenPhysTable()
{
    // One statement, as the engine runs it; a closing ";" is no second one.
    QString sql = m_sql.join(u'\n').trimmed();
    while (sql.endsWith(u';')) sql.chop(1);
    if (sql.isEmpty()) DatabaseError(SNoSQL);
    TDatabase* db = Database();
    // The text is read in the file engine's dialect; a server speaks another.
    if (db->IsServer()) DatabaseErrorFmt(SInvalidQuery, SQueryOnServer);
    std::vector<TFieldDef> defs = ResultColumns(db, sql);

    const QString name = QStringLiteral("TQuery_%1").arg(s_nextResult++);
    const QString sqlName = QStringLiteral("temp.%1").arg(SqlQuote(name));
    QStringList cols, colDefs{QStringLiteral("\"_rid\" INTEGER PRIMARY KEY")};
    for (const auto& d : defs) {
        cols << SqlQuote(d.Name);
        colDefs << SqlQuote(d.Name) + u' ' + SqlTypeOf(d);
    }
    db->Exec(QStringLiteral("CREATE TEMP TABLE %1 (%2)").arg(sqlName, colDefs.join(u',')));
    try {
        // Rows keep the text's order in their row numbers.
        db->Exec(QStringLiteral("INSERT INTO %1 (%2) %3").arg(sqlName, cols.join(u','), sql));
    } catch (...) {
        db->Exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(sqlName));
        throw;
    }

    // The result goes with the last cursor on it.
    std::shared_ptr<TPhysTable> t(new TPhysTable, [sqlName](TPhysTable* p) {
        try {
            p->Db->Exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(sqlName));
        } catch (...) {
        }
        delete p;
    });
    t->Db = db;
    t->Structure.Name = name;
    t->Structure.Fields = std::move(defs);
    t->SqlName = sqlName;
    QStringList select{QStringLiteral("\"_rid\"")};
    select << cols;
    t->SelectList = select.join(u',');
    return t;
}
