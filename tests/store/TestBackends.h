#pragma once
// The table store's two backends for the tests: SQLite files in a folder,
// or a schema of its own on the throwaway server the test run started.
// A test program runs all its cases once per backend (TARVOS_BACKEND_MAIN);
// without a test server the server's run is skipped with a message.
#include "Session.h"
#include <QString>

class QObject;

enum class TTestBackend { SQLite, PostgreSQL };

// The backend of the run in progress.
TTestBackend CurrentBackend();
QString BackendName(TTestBackend backend);

// Points the shared alias "Pelmora" at the backend of the run (the private
// alias stays a folder): SQLite files in dir, or a fresh schema on the
// server, dropped again at the end of the scope.
class TBackendScope {
public:
    explicit TBackendScope(const QString& dir);
    ~TBackendScope();
    TBackendScope(const TBackendScope&) = delete;
    TBackendScope& operator=(const TBackendScope&) = delete;

private:
    QString m_schema;
};

// The server alias of the scope in force (its own schema), for a test that
// connects once more, as another role.
TServerAlias TestServerAlias();
QString TestSchema();

// Points the alias at the scope's schema as a new login role of the test
// server that holds these grants on its tables ("SELECT" for one that may
// only read); the role goes with the scope.
void UseServerRole(const QString& alias, const QString& role, const QString& grants);

// A second connection to the server as its administrator, for what a test
// does behind the store's back (roles, a stopped server).
bool ServerSql(const QString& sql, QString* error = nullptr);

// Runs a statement on the shared tables through a connection of its own, as
// another user's program would.
bool OtherConnectionSql(const QString& sql, QString* error = nullptr);

int RunForBackends(QObject* test, int argc, char** argv);

#define TARVOS_BACKEND_APP_MAIN(TestClass, AppClass)    \
    int main(int argc, char** argv)                      \
    {                                                    \
        AppClass app(argc, argv);                        \
        TestClass tc;                                    \
        QTEST_SET_MAIN_SOURCE_PATH                       \
        return RunForBackends(&tc, argc, argv);          \
    }
#define TARVOS_BACKEND_MAIN(TestClass) TARVOS_BACKEND_APP_MAIN(TestClass, QCoreApplication)
