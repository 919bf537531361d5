#include "Session.h"
#include "Cursor.h"
#include "DBConsts.h"
#include "DBErrors.h"
#include "FilterExpr.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDriver>
#include <QSqlError>
#include <QStandardPaths>
#include <sqlite3.h>

using namespace DBConsts;

QString SqlQuote(const QString& ident)
{
    QString s = ident;
    s.replace(u'"', QStringLiteral("\"\""));
    return u'"' + s + u'"';
}

QString TableBaseName(const QString& tableFileName)
{
    QString n = QFileInfo(tableFileName).fileName();
    const int dot = n.lastIndexOf(u'.');
    return dot > 0 ? n.left(dot) : n;
}

namespace {
struct TypeName { TFieldType type; const char* sql; };
// Each declared type ends in a word that gives SQLite the right affinity.
const TypeName kTypes[] = {
    {ftString, "TEXT"}, {ftMemo, "MEMO TEXT"}, {ftFmtMemo, "FMTMEMO TEXT"},
    {ftDate, "DATE TEXT"}, {ftTime, "TIME TEXT"}, {ftDateTime, "TIMESTAMP TEXT"},
    {ftFloat, "NUMBER REAL"}, {ftCurrency, "MONEY REAL"}, {ftBCD, "BCD REAL"},
    {ftSmallint, "SHORT INTEGER"}, {ftInteger, "LONG INTEGER"}, {ftWord, "WORD INTEGER"},
    {ftAutoInc, "AUTOINC INTEGER"}, {ftBoolean, "LOGICAL INTEGER"},
    {ftGraphic, "GRAPHIC BLOB"}, {ftBlob, "BINARY BLOB"}, {ftTypedBinary, "TYPED BLOB"},
    {ftParadoxOle, "OLE BLOB"}, {ftDBaseOle, "DBOLE BLOB"}, {ftBytes, "BYTES BLOB"},
    {ftVarBytes, "VARBYTES BLOB"},
};
}

QString SqlTypeOf(const TFieldDef& def)
{
    for (const auto& t : kTypes)
        if (t.type == def.DataType) {
            QString s = QString::fromLatin1(t.sql);
            if (def.Size > 0 && (def.DataType == ftString || def.DataType == ftMemo
                                 || def.DataType == ftFmtMemo || def.DataType == ftBytes
                                 || def.DataType == ftVarBytes || def.DataType == ftBCD))
                s += QStringLiteral("(%1)").arg(def.Size);
            return s;
        }
    return QStringLiteral("BINARY BLOB");
}

TFieldDef FieldDefFromSqlType(const QString& name, const QString& declaredType)
{
    TFieldDef d;
    d.Name = name;
    QString t = declaredType.trimmed().toUpper();
    const int paren = t.indexOf(u'(');
    if (paren >= 0) {
        d.Size = t.mid(paren + 1, t.indexOf(u')') - paren - 1).toInt();
        t = t.left(paren).trimmed();
    }
    d.DataType = ftUnknown;
    for (const auto& k : kTypes)
        if (t == QLatin1String(k.sql)) { d.DataType = k.type; break; }
    if (d.DataType == ftUnknown) {
        // Tables made by other tools: fall back on SQLite's affinity rules.
        if (t.contains(u"INT")) d.DataType = ftInteger;
        else if (t.contains(u"CHAR") || t.contains(u"TEXT") || t.contains(u"CLOB")) d.DataType = ftString;
        else if (t.contains(u"REAL") || t.contains(u"FLOA") || t.contains(u"DOUB")) d.DataType = ftFloat;
        else d.DataType = ftBlob;
        if (d.DataType == ftString && d.Size == 0) d.Size = 255;
    }
    return d;
}

// ---------------------------------------------------------------- session

TSession& TSession::Instance()
{
    // Never destroyed at exit: QtSql's own registry may already be gone
    // then. Connections close with the application object instead.
    static TSession* s = [] {
        auto* p = new TSession;
        if (QCoreApplication::instance()) qAddPostRoutine([] { Instance().CloseDatabases(); });
        return p;
    }();
    return *s;
}

TSession::TSession() = default;

void TSession::SetNetFileDir(const QString& dir)
{
    if (!dir.isEmpty() && !QFileInfo(dir).isDir())
        DatabaseError(SNetDirMissing.arg(dir));
    m_netFileDir = QDir(dir).absolutePath();
}

void UseProgramName()
{
    QCoreApplication::setApplicationName(QStringLiteral("TARVOS Maschinenpark"));
    QCoreApplication::setOrganizationName(QStringLiteral("TARVOS"));
}

void TSession::EnsureAliasFileRead()
{
    if (m_fileRead) return;
    m_fileRead = true;
    m_paths.clear();
    m_paths.insert(QStringLiteral("pelmora"), QDir::current().absoluteFilePath(QStringLiteral("Daten")));
    QString priv = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (priv.isEmpty()) priv = QDir::home().absoluteFilePath(QStringLiteral(".tarvos"));
    m_paths.insert(QStringLiteral("pelmorapriv"), priv);
    m_servers.clear();
    const QString ini = QDir::current().absoluteFilePath(QStringLiteral("aliases.ini"));
    if (QFileInfo::exists(ini)) {
        QSettings s(ini, QSettings::IniFormat);
        for (const QString& group : s.childGroups()) {
            s.beginGroup(group);
            const QString path = s.value(QStringLiteral("Path")).toString();
            const QString host = s.value(QStringLiteral("Server")).toString().trimmed();
            if (!host.isEmpty()) {
                TServerAlias server;
                server.Host = host;
                server.Port = s.value(QStringLiteral("Port"), 5432).toInt();
                server.Database = s.value(QStringLiteral("Database")).toString().trimmed();
                server.User = s.value(QStringLiteral("User")).toString().trimmed();
                server.SslMode = s.value(QStringLiteral("SSLMode")).toString().trimmed();
                m_servers.insert(group.toLower(), server);
                m_paths.remove(group.toLower());
            } else if (!path.isEmpty()) {
                m_paths.insert(group.toLower(), QDir::current().absoluteFilePath(path));
            }
            s.endGroup();
        }
    }
    for (auto it = m_explicit.cbegin(); it != m_explicit.cend(); ++it) {
        m_paths.insert(it.key(), it.value());
        m_servers.remove(it.key());
    }
    for (auto it = m_explicitServers.cbegin(); it != m_explicitServers.cend(); ++it) {
        m_servers.insert(it.key(), it.value());
        m_paths.remove(it.key());
    }
}

void TSession::ReloadAliasFile()
{
    m_fileRead = false;
    EnsureAliasFileRead();
}

QString TSession::AliasPath(const QString& alias)
{
    EnsureAliasFileRead();
    const QString key = alias.toLower();
    if (m_servers.contains(key)) return QString();
    if (!m_paths.contains(key)) DatabaseError(SUnknownAlias.arg(alias));
    return m_paths.value(key);
}

void TSession::SetAliasPath(const QString& alias, const QString& dir)
{
    EnsureAliasFileRead();
    const QString abs = QDir::current().absoluteFilePath(dir);
    const QString key = alias.toLower();
    m_explicit.insert(key, abs);
    m_paths.insert(key, abs);
    m_explicitServers.remove(key);
    m_servers.remove(key);
}

bool TSession::IsServerAlias(const QString& alias)
{
    EnsureAliasFileRead();
    return m_servers.contains(alias.toLower());
}

TServerAlias TSession::ServerAlias(const QString& alias)
{
    EnsureAliasFileRead();
    const auto it = m_servers.constFind(alias.toLower());
    if (it == m_servers.cend()) DatabaseError(SUnknownAlias.arg(alias));
    return *it;
}

void TSession::SetAliasServer(const QString& alias, const TServerAlias& server)
{
    EnsureAliasFileRead();
    const QString key = alias.toLower();
    m_explicitServers.insert(key, server);
    m_servers.insert(key, server);
    m_explicit.remove(key);
    m_paths.remove(key);
}

void TSession::SaveAliasServer(const QString& alias, const TServerAlias& server)
{
    QSettings s(QDir::current().absoluteFilePath(QStringLiteral("aliases.ini")), QSettings::IniFormat);
    for (const QString& group : s.childGroups())
        if (group.compare(alias, Qt::CaseInsensitive) == 0) s.remove(group);
    s.beginGroup(alias);
    s.setValue(QStringLiteral("Server"), server.Host);
    s.setValue(QStringLiteral("Port"), server.Port);
    s.setValue(QStringLiteral("Database"), server.Database);
    if (!server.User.isEmpty()) s.setValue(QStringLiteral("User"), server.User);
    if (!server.SslMode.isEmpty()) s.setValue(QStringLiteral("SSLMode"), server.SslMode);
    s.endGroup();
    s.sync();
    if (s.status() != QSettings::NoError)
        DatabaseError(QStringLiteral("Die Datei %1 kann nicht geschrieben werden.").arg(s.fileName()));
}

bool TSession::IsKnownAlias(const QString& alias)
{
    EnsureAliasFileRead();
    return m_paths.contains(alias.toLower()) || m_servers.contains(alias.toLower());
}

QStringList TSession::AliasNames()
{
    EnsureAliasFileRead();
    return m_paths.keys() + m_servers.keys();
}

TDatabase* TSession::Database(const QString& alias)
{
    if (alias.isEmpty()) DatabaseError(SNoAliasName);
    for (auto& db : m_databases)
        if (db->AliasName().compare(alias, Qt::CaseInsensitive) == 0) return db.get();
    if (IsServerAlias(alias)) m_databases.push_back(std::make_unique<TDatabase>(alias, ServerAlias(alias)));
    else m_databases.push_back(std::make_unique<TDatabase>(alias, AliasPath(alias)));
    return m_databases.back().get();
}

void TSession::CloseDatabases() { m_databases.clear(); }

void TSession::Reset()
{
    CloseDatabases();
    m_explicit.clear();
    m_explicitServers.clear();
    m_fileRead = false;
    m_netFileDir.clear();
}

// --------------------------------------------------------------- database

namespace {
int g_connCounter = 0;
}

TDatabase::TDatabase(const QString& alias, const QString& dir)
    : m_alias(alias), m_dir(dir)
{
    QDir().mkpath(dir);
    // The file is named after the alias as the user knows it.
    QString fileAlias = alias;
    if (alias.compare(QLatin1String("pelmora"), Qt::CaseInsensitive) == 0) fileAlias = QStringLiteral("Pelmora");
    if (alias.compare(QLatin1String("pelmorapriv"), Qt::CaseInsensitive) == 0) fileAlias = QStringLiteral("PelmoraPriv");
    m_file = QDir(dir).absoluteFilePath(fileAlias + QStringLiteral(".sqlite"));
    m_conn = QStringLiteral("tarvos-%1-%2").arg(alias).arg(++g_connCounter);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_conn);
    m_db.setDatabaseName(m_file);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!m_db.open())
        EngineError(DbiErr::IO, SEngineIO.arg(m_file, m_db.lastError().text()));
    QVariant h = m_db.driver()->handle();
    if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
        m_handle = *static_cast<sqlite3**>(h.data());
    if (m_handle) RegisterFilterFunctions(m_handle);
    // Rollback journal with full sync: works on network shares and every
    // committed post survives a crash.
    Exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
    Exec(QStringLiteral("PRAGMA synchronous=FULL"));
    Exec(QStringLiteral("PRAGMA cache_size=-65536"));
    Exec(QStringLiteral("PRAGMA temp_store=MEMORY"));
    Exec(QStringLiteral("CREATE TABLE IF NOT EXISTS \"__ValChecks\" (\"TableName\" TEXT, \"FieldNo\" INTEGER, "
                        "\"Required\" INTEGER, \"LookupTable\" TEXT, \"LookupType\" INTEGER)"));
}

TDatabase::~TDatabase()
{
    m_tables.clear();
    qDeleteAll(m_queries);
    m_queries.clear();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_conn);
}

QSqlQuery& TDatabase::Query(const QString& sql, bool stream)
{
    if (m_broken) ReopenServer();
    // Rows one by one cost the server driver a result of their own each.
    const bool whole = IsServer() && !stream;
    const QString key = whole ? QStringLiteral("whole:") + sql : sql;
    auto it = m_queries.find(key);
    if (it != m_queries.end()) return **it;
    // Filters make new statements; keep the cache bounded. No caller holds
    // a statement across a call of this function.
    if (m_queries.size() >= 256) {
        qDeleteAll(m_queries);
        m_queries.clear();
    }
    auto* q = new QSqlQuery(m_db);
    q->setForwardOnly(!whole);
    if (!q->prepare(sql)) {
        QSqlError err = q->lastError();
        delete q;
        RaiseError(err, sql);
    }
    m_queries.insert(key, q);
    return *q;
}

void TDatabase::RaiseError(const QSqlError& err, const QString& context)
{
    if (IsServer()) RaiseServerError(err);
    const QString native = err.nativeErrorCode();
    const int code = native.toInt();
    const int primary = code & 0xff;
    if (primary == SQLITE_CONSTRAINT) {
        if (err.databaseText().contains(QLatin1String("NOT NULL")))
            EngineError(DbiErr::KEYVIOL, SKeyViol);
        EngineError(DbiErr::KEYVIOL, SKeyViol);
    }
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        EngineError(DbiErr::IO, SDatabaseLocked);
    if (primary == SQLITE_READONLY)
        EngineError(DbiErr::READONLY, SEngineIO.arg(m_file, err.databaseText()));
    Q_UNUSED(context);
    EngineError(DbiErr::IO, SEngineIO.arg(m_file, err.databaseText().isEmpty() ? err.text() : err.databaseText()));
}

void TDatabase::Exec(const QString& sql, const QVariantList& binds)
{
    if (m_broken) ReopenServer();
    QSqlQuery q(m_db);
    if (binds.isEmpty()) {
        if (!q.exec(sql)) RaiseError(q.lastError(), sql);
        return;
    }
    if (!q.prepare(sql)) RaiseError(q.lastError(), sql);
    for (int i = 0; i < binds.size(); ++i) q.bindValue(i, binds[i]);
    if (!q.exec()) RaiseError(q.lastError(), sql);
}

void TDatabase::BeginTransaction()
{
    if (m_txDepth++ == 0) {
        if (m_broken) {
            m_txDepth = 0;
            ReopenServer();
            m_txDepth = 1;
        }
        // IMMEDIATE takes the write lock up front, so a busy peer is waited
        // for here and not halfway through a post. A server locks rows.
        QSqlQuery q(m_db);
        if (!q.exec(IsServer() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"))) {
            m_txDepth = 0;
            RaiseError(q.lastError(), QStringLiteral("BEGIN"));
        }
    }
}

void TDatabase::Commit()
{
    if (m_txDepth == 0) return;
    if (--m_txDepth == 0) {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("COMMIT"))) {
            QSqlError e = q.lastError();
            QSqlQuery r(m_db);
            r.exec(QStringLiteral("ROLLBACK"));
            RaiseError(e, QStringLiteral("COMMIT"));
        }
        // Our own commit changes data_version for nobody but others.
    }
}

void TDatabase::Rollback()
{
    if (m_txDepth == 0) return;
    m_txDepth = 0;
    if (!m_broken) {
        QSqlQuery q(m_db);
        q.exec(QStringLiteral("ROLLBACK"));
    }
    for (auto& t : m_tables) t->Invalidate();
}

bool TDatabase::TableExists(const QString& tableFileName)
{
    if (IsServer()) {
        for (const QString& n : TableNames())
            if (n.compare(TableBaseName(tableFileName), Qt::CaseInsensitive) == 0) return true;
        return false;
    }
    QSqlQuery& q = Query(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE"));
    q.bindValue(0, TableBaseName(tableFileName));
    if (!q.exec()) RaiseError(q.lastError(), QString());
    const bool found = q.next();
    q.finish();
    if (found) return true;
    // SQLite folds ASCII only: compare names with umlauts ourselves.
    for (const QString& n : TableNames())
        if (n.compare(TableBaseName(tableFileName), Qt::CaseInsensitive) == 0) return true;
    return false;
}

QStringList TDatabase::TableNames()
{
    QStringList out;
    if (m_broken) ReopenServer();
    QSqlQuery q(m_db);
    // A server's tables are the ones the store made, in the order made.
    const QString sql = IsServer() ? QStringLiteral("SELECT \"TableName\" FROM \"__Fields\" GROUP BY \"TableName\" "
                                                    "ORDER BY min(\"_rid\")")
                                   : QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name NOT "
                                                    "LIKE 'sqlite_%' AND name <> '__ValChecks' ORDER BY rowid");
    if (!q.exec(sql)) RaiseError(q.lastError(), QString());
    while (q.next()) out << q.value(0).toString();
    return out;
}

void TDatabase::CreateTable(const QString& tableFileName, const std::vector<TFieldDef>& fields,
                            const std::vector<TIndexDef>& indexes)
{
    const QString base = TableBaseName(tableFileName);
    if (TableExists(base)) DatabaseError(STableExists.arg(tableFileName));
    if (IsServer()) {
        CreateServerTable(base, fields, indexes);
        m_tables.remove(base.toLower());
        return;
    }
    QStringList cols;
    cols << QStringLiteral("\"_rid\" INTEGER PRIMARY KEY AUTOINCREMENT");
    for (const TFieldDef& f : fields)
        cols << SqlQuote(f.Name) + u' ' + SqlTypeOf(f) + (f.Required ? QStringLiteral(" NOT NULL") : QString());
    BeginTransaction();
    try {
        Exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(SqlQuote(base), cols.join(QStringLiteral(", "))));
        for (const TIndexDef& ix : indexes) {
            QStringList parts;
            for (const QString& f : ix.FieldList())
                parts << SortKey(SqlQuote(f), ix.Options & ixCaseInsensitive, ix.Options & ixDescending);
            const QString name = base + u'$' + ((ix.Options & ixPrimary) ? QStringLiteral("PRIMARY") : ix.Name);
            Exec(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                     .arg((ix.Options & (ixUnique)) ? QStringLiteral("UNIQUE ") : QString(),
                          SqlQuote(name), SqlQuote(base), parts.join(QStringLiteral(", "))));
        }
        Commit();
    } catch (...) {
        Rollback();
        throw;
    }
    m_tables.remove(base.toLower());
}

void TDatabase::DeleteTable(const QString& tableFileName)
{
    QString base = TableBaseName(tableFileName);
    if (IsServer()) {
        for (const QString& n : TableNames())
            if (n.compare(base, Qt::CaseInsensitive) == 0) base = n;
        TTransaction tx(*this);
        Exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(SqlQuote(base)));
        for (const char* meta : {"__Fields", "__Indexes", "__ValChecks"})
            Exec(QStringLiteral("DELETE FROM \"%1\" WHERE \"TableName\" = ?").arg(QLatin1String(meta)), {base});
        tx.Commit();
    } else {
        Exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(SqlQuote(base)));
        Exec(QStringLiteral("DELETE FROM \"__ValChecks\" WHERE \"TableName\" = ? COLLATE NOCASE"), {base});
    }
    m_tables.remove(base.toLower());
}

void TDatabase::AddValCheck(const QString& tableFileName, const TValCheckDesc& c)
{
    Exec(QStringLiteral("INSERT INTO \"__ValChecks\" (\"TableName\", \"FieldNo\", \"Required\", \"LookupTable\", "
                        "\"LookupType\") VALUES (?,?,?,?,?)"),
         {TableBaseName(tableFileName), c.FieldNo, c.Required ? 1 : 0,
          c.LookupTable.isEmpty() ? QVariant() : QVariant(c.LookupTable), c.LookupType});
}

std::vector<TValCheckDesc> TDatabase::ValChecks(const QString& tableFileName)
{
    std::vector<TValCheckDesc> out;
    auto t = Table(tableFileName);
    for (const TFieldDef& f : t->Structure.Fields)
        if (f.Required) out.push_back({f.FieldNo, true, QString(), 0});
    QSqlQuery q(m_db);
    q.prepare(IsServer() ? QStringLiteral("SELECT \"FieldNo\", \"Required\", \"LookupTable\", \"LookupType\" FROM "
                                          "\"__ValChecks\" WHERE \"TableName\" = ? ORDER BY \"_rid\"")
                         : QStringLiteral("SELECT \"FieldNo\", \"Required\", \"LookupTable\", \"LookupType\" FROM "
                                          "\"__ValChecks\" WHERE \"TableName\" = ? COLLATE NOCASE ORDER BY rowid"));
    q.addBindValue(IsServer() ? t->Structure.Name : TableBaseName(tableFileName));
    if (!q.exec()) RaiseError(q.lastError(), QString());
    while (q.next()) {
        TValCheckDesc d{q.value(0).toInt(), q.value(1).toInt() != 0, q.value(2).toString(), q.value(3).toInt()};
        auto it = std::find_if(out.begin(), out.end(), [&](const TValCheckDesc& e) { return e.FieldNo == d.FieldNo; });
        if (it != out.end()) { it->LookupTable = d.LookupTable; it->LookupType = d.LookupType; it->Required |= d.Required; }
        else out.push_back(d);
    }
    return out;
}

TTableStructure TDatabase::ReadStructure(const QString& baseName)
{
    if (IsServer()) return ReadServerStructure(baseName);
    TTableStructure s;
    QString actual = baseName;
    for (const QString& n : TableNames())
        if (n.compare(baseName, Qt::CaseInsensitive) == 0) { actual = n; break; }
    s.Name = actual;
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(SqlQuote(actual)))) RaiseError(q.lastError(), QString());
    int no = 0;
    while (q.next()) {
        const QString name = q.value(1).toString();
        if (name == QLatin1String("_rid")) continue;
        TFieldDef d = FieldDefFromSqlType(name, q.value(2).toString());
        d.Required = q.value(3).toInt() != 0;
        d.FieldNo = ++no;
        s.Fields.push_back(d);
    }
    if (s.Fields.empty()) EngineError(DbiErr::NOSUCHTABLE, STableNotFound.arg(baseName));
    QSqlQuery ix(m_db);
    ix.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='index' AND tbl_name = ? AND sql IS NOT NULL ORDER BY rowid"));
    ix.addBindValue(actual);
    if (!ix.exec()) RaiseError(ix.lastError(), QString());
    std::vector<TIndexDef> secondary;
    QHash<QString, bool> unique;
    {
        QSqlQuery ul(m_db);
        ul.exec(QStringLiteral("PRAGMA index_list(%1)").arg(SqlQuote(actual)));
        while (ul.next()) unique.insert(ul.value(1).toString(), ul.value(2).toInt() != 0);
    }
    while (ix.next()) {
        const QString sqlName = ix.value(0).toString();
        TIndexDef d;
        const QString prefix = actual + u'$';
        QString own = sqlName.startsWith(prefix, Qt::CaseInsensitive) ? sqlName.mid(prefix.size()) : sqlName;
        bool primary = own == QLatin1String("PRIMARY");
        d.Name = primary ? QString() : own;
        if (primary) d.Options |= ixPrimary;
        if (unique.value(sqlName)) d.Options |= ixUnique;
        QSqlQuery xi(m_db);
        xi.exec(QStringLiteral("PRAGMA index_xinfo(%1)").arg(SqlQuote(sqlName)));
        QStringList names;
        while (xi.next()) {
            if (xi.value(5).toInt() == 0) continue;   // not a key column
            names << xi.value(2).toString();
            if (xi.value(3).toInt()) d.Options |= ixDescending;
            if (xi.value(4).toString().compare(QLatin1String("NOCASE"), Qt::CaseInsensitive) == 0)
                d.Options |= ixCaseInsensitive;
        }
        d.Fields = names.join(u';');
        if (primary) s.Indexes.insert(s.Indexes.begin(), d);
        else secondary.push_back(d);
    }
    for (auto& d : secondary) s.Indexes.push_back(d);
    return s;
}

std::shared_ptr<TPhysTable> TDatabase::Table(const QString& tableFileName)
{
    const QString base = TableBaseName(tableFileName);
    auto it = m_tables.find(base.toLower());
    if (it != m_tables.end()) return *it;
    if (!TableExists(base)) EngineError(DbiErr::NOSUCHTABLE, STableNotFound.arg(tableFileName));
    auto t = std::make_shared<TPhysTable>();
    t->Db = this;
    t->Structure = ReadStructure(base);
    t->SqlName = SqlQuote(t->Structure.Name);
    QStringList cols{QStringLiteral("\"_rid\"")};
    for (const auto& f : t->Structure.Fields) cols << SqlQuote(f.Name);
    t->SelectList = cols.join(u',');
    m_tables.insert(base.toLower(), t);
    return t;
}

void TDatabase::CheckExternalChanges()
{
    // A server counts the writing statements of every user; our own count
    // too, which only costs a cache refill.
    QSqlQuery& q = Query(IsServer() ? QStringLiteral("SELECT \"v\" FROM \"__Version\"")
                                    : QStringLiteral("PRAGMA data_version"));
    if (!q.exec()) {
        if (IsServer()) RaiseError(q.lastError(), QString());
        return;
    }
    qint64 v = q.next() ? q.value(0).toLongLong() : 0;
    q.finish();
    NoteDataVersion(v);
}

void TDatabase::NoteDataVersion(qint64 version)
{
    if (m_dataVersion != -1 && version != m_dataVersion)
        for (auto& t : m_tables) t->Invalidate();
    m_dataVersion = version;
}

TTransaction::TTransaction(TDatabase& db) : m_db(db) { m_db.BeginTransaction(); }

TTransaction::~TTransaction()
{
    if (m_open) m_db.Rollback();
}

void TTransaction::Commit()
{
    m_open = false;
    m_db.Commit();
}

QString TDatabase::SortKey(const QString& quotedColumn, bool caseInsensitive, bool descending) const
{
    if (!IsServer())
        return quotedColumn + (caseInsensitive ? QStringLiteral(" COLLATE NOCASE") : QString())
             + (descending ? QStringLiteral(" DESC") : QString());
    // As in SQLite: ASCII letters folded only (the columns sort in "C"),
    // blank values before all others.
    return (caseInsensitive ? QStringLiteral("lower(%1)").arg(quotedColumn) : quotedColumn)
         + (descending ? QStringLiteral(" DESC NULLS LAST") : QStringLiteral(" NULLS FIRST"));
}

void TDatabase::NoteLocalChange(TPhysTable* t)
{
    if (t) t->Invalidate();
}
