#pragma once
// Opening a file with the program the desktop associates with it.
#include <QString>
#include <functional>

using TShellResponder = std::function<bool(const QString& path)>;

bool ShellOpen(const QString& path);
// Tests answer instead of the desktop; returns the previous responder.
TShellResponder SetShellResponder(TShellResponder responder);
