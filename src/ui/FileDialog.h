#pragma once
// File-open and file-save dialogs, with a responder hook for tests.
#include <QString>
#include <functional>

enum class TFileDialogKind { Open, Save };

struct TFileDialogRecord {
    TFileDialogKind Kind = TFileDialogKind::Open;
    QString Title;
    QString Filter;        // "Text|*.txt|Alle Dateien|*.*" or Qt's "Text (*.txt);;..."
    QString InitialDir;
    QString DefaultExt;    // without the dot
};

using TFileDialogResponder = std::function<QString(const TFileDialogRecord&)>;

// The chosen file's full path; empty when the user cancelled.
QString PromptForFileName(TFileDialogKind kind, const QString& title, const QString& filter,
                          const QString& initialDir, const QString& defaultExt = QString());
TFileDialogResponder SetFileDialogResponder(TFileDialogResponder responder);
// The old "description|patterns|..." filter in Qt's notation.
QString QtFileFilter(const QString& filter);
