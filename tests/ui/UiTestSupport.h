#pragma once
// Shared pieces of the interface tests: a TApplication main, fresh
// databases, and windows that really hold the focus.
#include "Application.h"
#include "DataMod.h"
#include "Session.h"
#include <QTemporaryDir>
#include <QtTest>

// A fresh pair of databases with the program's schema and delivered records.
class TTestDatabases {
public:
    TTestDatabases()
    {
        Session().Reset();
        Session().SetAliasPath(QStringLiteral("Pelmora"), m_shared.path());
        Session().SetAliasPath(QStringLiteral("PelmoraPriv"), m_priv.path());
        CreateMissingTables();
    }
    ~TTestDatabases() { Session().Reset(); }

private:
    QTemporaryDir m_shared, m_priv;
};

inline bool ShowActive(QWidget* w)
{
    w->show();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    return QTest::qWaitForWindowActive(w);
}

// Types into whatever holds the focus, as the keyboard does.
inline void TypeIntoFocus(const QString& text)
{
    for (QChar c : text) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

inline void KeyIntoFocus(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), key, mods);
}

#define TARVOS_UI_TEST_MAIN(TestClass)                \
    int main(int argc, char** argv)                   \
    {                                                 \
        TApplication app(argc, argv);                 \
        TestClass tc;                                 \
        QTEST_SET_MAIN_SOURCE_PATH                    \
        return QTest::qExec(&tc, argc, argv);         \
    }
