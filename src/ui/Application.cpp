#include "Application.h"
#include "DBErrors.h"
#include "Dialogs.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

TApplication::~TApplication() = default;

TApplication* TApplication::Instance()
{
    return qobject_cast<TApplication*>(QCoreApplication::instance());
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(receiver);
        return false;
    }
}

TExceptionEvent TApplication::SetOnException(TExceptionEvent handler)
{
    TExceptionEvent previous = std::move(m_onException);
    m_onException = std::move(handler);
    return previous;
}

void TApplication::HandleException(QObject* sender)
{
    try {
        throw;
    } catch (const EAbort&) {
        // The silent abort: the operation is cancelled and nothing is shown.
    } catch (const std::exception& e) {
        if (m_onException) {
            // A copy, so a handler that replaces itself keeps running.
            TExceptionEvent handler = m_onException;
            handler(sender, e);
        } else {
            ShowException(e);
        }
    } catch (...) {
        const Exception e(QStringLiteral("Unbekannter Fehler"));
        if (m_onException) {
            TExceptionEvent handler = m_onException;
            handler(sender, e);
        } else {
            ShowException(e);
        }
    }
}

void TApplication::ShowException(const std::exception& e)
{
    MessageDlg(ExceptionText(e), mtError, mbOK);
}

void HandleException(QObject* sender)
{
    if (TApplication* app = TApplication::Instance()) {
        app->HandleException(sender);
        return;
    }
    try {
        throw;
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        TApplication::ShowException(e);
    } catch (...) {
        TApplication::ShowException(Exception(QStringLiteral("Unbekannter Fehler")));
    }
}

QString ExceptionText(const std::exception& e)
{
    if (const auto* ex = dynamic_cast<const Exception*>(&e)) return ex->Message();
    return QString::fromUtf8(e.what());
}
