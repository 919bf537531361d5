#pragma once
// The table engine's session: aliases to directories (one SQLite database
// file per alias) or to a PostgreSQL server, and the structure of the tables
// inside.
#include "DBTypes.h"
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;
class TDatabase;
struct TPhysTable;

struct TFieldDef {
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;            // characters of a text field, declared size of a memo
    bool Required = false;
    int FieldNo = 0;         // 1-based position in the physical record
};

enum TIndexOption { ixPrimary = 1, ixUnique = 2, ixDescending = 4, ixCaseInsensitive = 8 };

struct TIndexDef {
    QString Name;            // "" for the primary index
    QString Fields;          // field names separated by ';'
    int Options = 0;         // TIndexOption bits
    QStringList FieldList() const { return Fields.split(u';', Qt::SkipEmptyParts); }
};

// A validity check of a field: required, and a lookup table it draws from.
struct TValCheckDesc {
    int FieldNo = 0;
    bool Required = false;
    QString LookupTable;     // empty when the check names none
    int LookupType = 0;      // 0 none; 1 fill the key; 4 fill all corresponding fields
};

// Structure of a table as stored in the database file.
struct TTableStructure {
    QString Name;                    // SQL table name (file name without extension)
    std::vector<TFieldDef> Fields;
    std::vector<TIndexDef> Indexes;  // primary first when there is one
};

// A shared alias on a PostgreSQL server. The password is never kept in a
// file of ours: libpq reads ~/.pgpass, else the login hook asks.
struct TServerAlias {
    QString Host;
    int Port = 5432;
    QString Database;
    QString User;
    QString SslMode;         // libpq's sslmode; empty keeps libpq's default
    QString Options;         // libpq's "options" (server settings at connect)
};

enum class TBackend { SQLite, PostgreSQL };

QString SqlQuote(const QString& ident);
// "KfzVar.DB" -> "KfzVar": the table's name inside the database file.
QString TableBaseName(const QString& tableFileName);
// Declared SQL type that carries field type and size.
QString SqlTypeOf(const TFieldDef& def);
TFieldDef FieldDefFromSqlType(const QString& name, const QString& declaredType);

class TSession {
public:
    static TSession& Instance();

    // Directory of the engine's network control files; must exist.
    QString NetFileDir() const { return m_netFileDir; }
    void SetNetFileDir(const QString& dir);

    // Alias directories: defaults, replaced by entries of "aliases.ini" in
    // the working directory ([Alias] Path=...), replaced by SetAliasPath.
    // An entry with Server= (Port=, Database=, User=, SSLMode=) puts the
    // alias on a PostgreSQL server instead; AliasPath is then empty.
    QString AliasPath(const QString& alias);
    void SetAliasPath(const QString& alias, const QString& dir);
    bool IsServerAlias(const QString& alias);
    TServerAlias ServerAlias(const QString& alias);
    void SetAliasServer(const QString& alias, const TServerAlias& server);
    // Puts the alias on the server in "aliases.ini" in the working
    // directory, in place of any folder: the next start takes it.
    void SaveAliasServer(const QString& alias, const TServerAlias& server);
    bool IsKnownAlias(const QString& alias);
    QStringList AliasNames();
    void ReloadAliasFile();

    TDatabase* Database(const QString& alias);   // opened on first use
    void CloseDatabases();

    // Drops everything: for tests that start afresh in another directory.
    void Reset();

    // Asked when a server ("host:port/database") wants a password that
    // ~/.pgpass does not give (again after a refused one): fills user and
    // password, false cancels.
    std::function<bool(const QString& server, QString& user, QString& password, const QString& reason)> OnLogin;

private:
    TSession();
    void EnsureAliasFileRead();
    QString m_netFileDir;
    QHash<QString, QString> m_paths;        // key: lower-case alias
    QHash<QString, QString> m_explicit;
    QHash<QString, TServerAlias> m_servers;
    QHash<QString, TServerAlias> m_explicitServers;
    bool m_fileRead = false;
    std::vector<std::unique_ptr<TDatabase>> m_databases;
};

inline TSession& Session() { return TSession::Instance(); }

// Gives the process the program's name, which decides where the private
// alias lies unless aliases.ini says otherwise (the user's data folder
// "TARVOS/TARVOS Maschinenpark"). The program and every tool that works on
// the user's own park take it before the first alias is read.
void UseProgramName();

// One transaction of a database: Commit() ends it, leaving the scope
// without (an exception on the way) rolls it back.
class TTransaction {
public:
    explicit TTransaction(TDatabase& db);
    ~TTransaction();
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;
    void Commit();

private:
    TDatabase& m_db;
    bool m_open = true;
};

class TDatabase {
public:
    TDatabase(const QString& alias, const QString& dir);
    TDatabase(const QString& alias, const TServerAlias& server);
    ~TDatabase();

    QString AliasName() const { return m_alias; }
    QString Directory() const { return m_dir; }
    // The SQLite file, or "host:port/database" of a server.
    QString FileName() const { return m_file; }
    QSqlDatabase& Db() { return m_db; }
    sqlite3* Handle() const { return m_handle; }
    TBackend Backend() const { return m_backend; }
    bool IsServer() const { return m_backend == TBackend::PostgreSQL; }
    // False when the server lets this user only read the tables.
    bool MayWrite();
    // A quoted column as an index or ORDER BY part.
    QString SortKey(const QString& quotedColumn, bool caseInsensitive, bool descending) const;

    // Cached prepared statements for hot paths. A server hands a result
    // over whole, unless `stream`: then row by row, for results without
    // a bound such as every row number of a table.
    QSqlQuery& Query(const QString& sql, bool stream = false);
    // Runs a statement; engine errors become EDBEngineError.
    void Exec(const QString& sql, const QVariantList& binds = {});
    [[noreturn]] void RaiseError(const QSqlError& err, const QString& context);

    void BeginTransaction();
    void Commit();
    void Rollback();
    bool InTransaction() const { return m_txDepth > 0; }

    bool TableExists(const QString& tableFileName);
    QStringList TableNames();
    void CreateTable(const QString& tableFileName, const std::vector<TFieldDef>& fields,
                     const std::vector<TIndexDef>& indexes);
    void DeleteTable(const QString& tableFileName);
    void AddValCheck(const QString& tableFileName, const TValCheckDesc& check);
    std::vector<TValCheckDesc> ValChecks(const QString& tableFileName);

    // Shared state of one table (structure, record cache, change counter).
    std::shared_ptr<TPhysTable> Table(const QString& tableFileName);
    // Data changed by another connection since the last look: caches are dropped.
    void CheckExternalChanges();
    // The same with a data version read along with other data (a server's
    // range query), which spares the round trip of its own.
    void NoteDataVersion(qint64 version);
    // Called after every write through this connection.
    void NoteLocalChange(TPhysTable* t);

private:
    TTableStructure ReadStructure(const QString& baseName);
    // The server's side: connection, the store's own tables and functions.
    // Connects; a reconnect that fails says the connection is still down.
    void OpenServer(bool reconnect = false);
    void ReopenServer();
    void PrepareServerSchema();
    TTableStructure ReadServerStructure(const QString& baseName);
    void CreateServerTable(const QString& base, const std::vector<TFieldDef>& fields,
                           const std::vector<TIndexDef>& indexes);
    [[noreturn]] void RaiseServerError(const QSqlError& err);
    QString m_alias, m_dir, m_file, m_conn;
    TBackend m_backend = TBackend::SQLite;
    TServerAlias m_server;
    bool m_broken = false;                  // the server went away; reconnect on the next use
    int m_mayWrite = -1;
    QSqlDatabase m_db;
    sqlite3* m_handle = nullptr;
    QHash<QString, QSqlQuery*> m_queries;
    QHash<QString, std::shared_ptr<TPhysTable>> m_tables;   // key: lower-case base name
    int m_txDepth = 0;
    qint64 m_dataVersion = -1;
};

// Many posts as one transaction, so a working table written row by row is
// not synced to disk after every row. What was posted stays, also when an
// error ends the batch early.
class TPostBatch {
public:
    explicit TPostBatch(TDatabase* db) : m_db(db) { m_db->BeginTransaction(); }
    ~TPostBatch()
    {
        try {
            if (m_db) m_db->Commit();
        } catch (...) {
        }
    }
    TPostBatch(const TPostBatch&) = delete;
    TPostBatch& operator=(const TPostBatch&) = delete;
    // Ends the batch; a failing commit is reported here.
    void Commit()
    {
        TDatabase* db = m_db;
        m_db = nullptr;
        db->Commit();
    }

private:
    TDatabase* m_db;
};

