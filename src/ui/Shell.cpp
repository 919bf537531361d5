#include "Shell.h"
#include <QDesktopServices>
#include <QUrl>

namespace {
TShellResponder& Responder()
{
    static TShellResponder r;
    return r;
}
}   // namespace

TShellResponder SetShellResponder(TShellResponder responder)
{
    TShellResponder previous = std::move(Responder());
    Responder() = std::move(responder);
    return previous;
}

bool ShellOpen(const QString& path)
{
    if (Responder()) {
        TShellResponder r = Responder();
        return r(path);
    }
    const QUrl url = QUrl::fromUserInput(path);
    return url.isValid() && QDesktopServices::openUrl(url);
}
