#pragma once
// The application object: every exception that leaves an event handler ends
// here, so one place decides whether the user sees it and how.
#include <QApplication>
#include <exception>
#include <functional>

using TExceptionEvent = std::function<void(QObject* sender, const std::exception& e)>;

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    // The running TApplication, or none when a plain QApplication runs.
    static TApplication* Instance();

    bool notify(QObject* receiver, QEvent* event) override;

    TExceptionEvent OnException() const { return m_onException; }
    // Installs a handler and hands back the one it replaces, for chaining.
    TExceptionEvent SetOnException(TExceptionEvent handler);

    // Routes the exception being handled; call only from a catch block.
    void HandleException(QObject* sender);
    // The standard error display: a modal error box with the text.
    static void ShowException(const std::exception& e);

private:
    TExceptionEvent m_onException;
};

// The same routing for code that may run without a TApplication.
void HandleException(QObject* sender);
// Exception::Message() for our exceptions, else what().
QString ExceptionText(const std::exception& e);
