#include "BusyCursor.h"
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace {

constexpr int SavedLevels = 10;

// Levels beyond the tenth are counted but change no cursor.
int g_level = 0;

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
