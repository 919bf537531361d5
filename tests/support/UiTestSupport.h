#pragma once
// Shared pieces of the interface tests: a TApplication main, fresh
// databases, and windows that really hold the focus.
#include "Application.h"
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// A fresh pair of databases for the two aliases, by default with the
// program's schema and delivered records.
class TTestDatabases {
public:
    enum TContent { ProgramSchema, Empty };
    explicit TTestDatabases(TContent content = ProgramSchema);
    ~TTestDatabases();
    TTestDatabases(const TTestDatabases&) = delete;
    TTestDatabases& operator=(const TTestDatabases&) = delete;

    QString SharedPath() const { return m_shared.path(); }

private:
    QTemporaryDir m_shared, m_priv;
};

// Shows a window and waits until it is the active one.
bool ShowActive(QWidget* w);

// Whether the focus is on w or inside it.
bool HasFocusIn(QWidget* w);

// Types into whatever holds the focus, as the keyboard does.
void TypeIntoFocus(const QString& text);
void KeyIntoFocus(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier);

// Answers the next real modal message box with a key press once it is up,
// as the user does; no responder takes part.
class TModalBoxKey : public QObject {
public:
    explicit TModalBoxKey(Qt::Key key);
    QString Text;   // the text of the box answered, empty while none was
private:
    Qt::Key m_key;
    QTimer* m_timer;
};

#define TARVOS_UI_TEST_MAIN(TestClass)                \
    int main(int argc, char** argv)                   \
    {                                                 \
        TApplication app(argc, argv);                 \
        TestClass tc;                                 \
        QTEST_SET_MAIN_SOURCE_PATH                    \
        return QTest::qExec(&tc, argc, argv);         \
    }
