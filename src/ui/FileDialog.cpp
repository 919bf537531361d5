#include "FileDialog.h"
#include <QApplication>
#include <QFileDialog>

namespace {
TFileDialogResponder& Responder()
{
    static TFileDialogResponder r;
    return r;
}
}   // namespace

TFileDialogResponder SetFileDialogResponder(TFileDialogResponder responder)
{
    TFileDialogResponder previous = std::move(Responder());
    Responder() = std::move(responder);
    return previous;
}

QString QtFileFilter(const QString& filter)
{
    if (!filter.contains(u'|')) return filter;
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns.trimmed());
    }
    return out.join(QStringLiteral(";;"));
}

QString PromptForFileName(TFileDialogKind kind, const QString& title, const QString& filter,
                          const QString& initialDir, const QString& defaultExt)
{
    if (Responder()) {
        TFileDialogResponder r = Responder();
        return r({kind, title, filter, initialDir, defaultExt});
    }
    QFileDialog dlg(QApplication::activeWindow(), title, initialDir, QtFileFilter(filter));
    dlg.setAcceptMode(kind == TFileDialogKind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(kind == TFileDialogKind::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!defaultExt.isEmpty()) dlg.setDefaultSuffix(defaultExt);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return QString();
    return dlg.selectedFiles().constFirst();
}
