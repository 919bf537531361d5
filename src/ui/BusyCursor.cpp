#include "BusyCursor.h"
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QHash>

namespace {

constexpr int SavedLevels = 10;

// Levels beyond the tenth are counted but change no cursor.
int g_level = 0;

QHash<int, QCursor>& ScreenCursors()
{
    static QHash<int, QCursor> table;
    return table;
}

// Pixmap cursors must go while the application still lives.
void ForgetScreenCursors() { ScreenCursors().clear(); }

}   // namespace

void BeginBusyCursor()
{
    // Qt keeps the saved cursors on its override stack: each of the first
    // ten levels pushes the hourglass over whatever was shown before.
    if (g_level < SavedLevels && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    ++g_level;
    QCoreApplication::processEvents();
}

void EndBusyCursor()
{
    // An unpaired end leaves the stack alone.
    if (g_level <= 0) return;
    --g_level;
    if (g_level < SavedLevels && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::restoreOverrideCursor();
    QCoreApplication::processEvents();
}

int BusyCursorLevel() { return g_level; }

void RegisterScreenCursor(int id, const QCursor& cursor)
{
    if (ScreenCursors().isEmpty()) qAddPostRoutine(ForgetScreenCursors);
    ScreenCursors().insert(id, cursor);
}

bool HasScreenCursor(int id) { return ScreenCursors().contains(id); }

void ShowScreenCursor(int id)
{
    // Only a level that pushed a cursor may change it; deeper levels saved none.
    if (g_level <= 0 || g_level > SavedLevels || !HasScreenCursor(id)) return;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::changeOverrideCursor(ScreenCursors().value(id));
}
