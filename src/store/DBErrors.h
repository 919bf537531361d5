#pragma once
// Exceptions of the data layer. Every class carries its German message.
#include <QString>
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(QString message = {}) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& Message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }
private:
    QString m_message;
    QByteArray m_utf8;
};

// The silent abort: cancels the operation in progress and shows nothing.
class EAbort : public Exception {
public:
    EAbort() : Exception(QStringLiteral("Operation abgebrochen")) {}
};

// Text that cannot be turned into a number or a date.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// An error reported by the table engine, with its engine error code.
class EDBEngineError : public EDatabaseError {
public:
    EDBEngineError(int code, QString message) : EDatabaseError(std::move(message)), m_code(code) {}
    int ErrorCode() const { return m_code; }
private:
    int m_code;
};

[[noreturn]] void DatabaseError(const QString& message);
[[noreturn]] void DatabaseErrorFmt(const QString& fmt, const QString& arg);
[[noreturn]] void EngineError(int code, const QString& message);
