// Guarded slots: what a handler throws reaches the application's handling
// with the receiver as sender, whatever form the handler takes.
#include "DBErrors.h"
#include "Guard.h"
#include "UiTestSupport.h"
#include <stdexcept>

namespace {

enum class Thrown { Nothing, Database, Standard, Abort };
enum class Form { MemberWithoutArgs, MemberWithFirstArg, LambdaWithAllArgs, MemberOfOtherObject };

void ThrowKind(Thrown kind)
{
    switch (kind) {
    case Thrown::Nothing: return;
    case Thrown::Database: throw EDatabaseError(QStringLiteral("Feld 'X' nicht gefunden"));
    case Thrown::Standard: throw std::runtime_error("Speicher voll");
    case Thrown::Abort: throw EAbort();
    }
}

class TSender : public QObject {
    Q_OBJECT
signals:
    void Sent(int value, const QString& text);
};

class TReceiver : public QObject {
public:
    Thrown Kind = Thrown::Nothing;
    QStringList Calls;
    void Fire()
    {
        Calls << QStringLiteral("Fire");
        ThrowKind(Kind);
    }
    void Take(int value)
    {
        Calls << QStringLiteral("Take %1").arg(value);
        ThrowKind(Kind);
    }
};

}   // namespace

Q_DECLARE_METATYPE(Thrown)
Q_DECLARE_METATYPE(Form)

class TestGuard : public QObject {
    Q_OBJECT
private slots:
    void handlerExceptionsAreRouted_data();
    void handlerExceptionsAreRouted();
    void endsWithTheReceiver();
};

void TestGuard::handlerExceptionsAreRouted_data()
{
    QTest::addColumn<Form>("form");
    QTest::addColumn<Thrown>("kind");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("routed");   // the text the application's handler saw, empty for none

    const QString db = QStringLiteral("Feld 'X' nicht gefunden");
    QTest::newRow("member, no arguments, database error") << Form::MemberWithoutArgs << Thrown::Database << "Fire" << db;
    QTest::newRow("member, first argument, standard exception")
        << Form::MemberWithFirstArg << Thrown::Standard << "Take 7" << "Speicher voll";
    QTest::newRow("lambda, all arguments, database error") << Form::LambdaWithAllArgs << Thrown::Database << "7 sieben" << db;
    QTest::newRow("member of another object") << Form::MemberOfOtherObject << Thrown::Database << "Fire" << db;
    QTest::newRow("silent abort is dropped") << Form::MemberWithoutArgs << Thrown::Abort << "Fire" << QString();
    QTest::newRow("nothing thrown") << Form::MemberWithFirstArg << Thrown::Nothing << "Take 7" << QString();
}

void TestGuard::handlerExceptionsAreRouted()
{
    QFETCH(Form, form);
    QFETCH(Thrown, kind);
    QFETCH(QString, call);
    QFETCH(QString, routed);

    TSender sender;
    TReceiver receiver, other;
    receiver.Kind = other.Kind = kind;
    QObject* seenSender = nullptr;
    QString seenText;
    TApplication* app = TApplication::Instance();
    const TExceptionEvent previous = app->SetOnException([&](QObject* s, const std::exception& e) {
        seenSender = s;
        seenText = ExceptionText(e);
    });
    const auto restore = qScopeGuard([&] { app->SetOnException(previous); });

    switch (form) {
    case Form::MemberWithoutArgs:
        ConnectGuarded(&sender, &TSender::Sent, &receiver, &TReceiver::Fire);
        break;
    case Form::MemberWithFirstArg:
        ConnectGuarded(&sender, &TSender::Sent, &receiver, &TReceiver::Take);
        break;
    case Form::LambdaWithAllArgs:
        ConnectGuarded(&sender, &TSender::Sent, &receiver, [&](int value, const QString& text) {
            receiver.Calls << QStringLiteral("%1 %2").arg(value).arg(text);
            ThrowKind(kind);
        });
        break;
    case Form::MemberOfOtherObject:
        // Any callable: the other object's handler runs, the receiver is named.
        ConnectGuarded(&sender, &TSender::Sent, &receiver, [&] { other.Fire(); });
        break;
    }
    emit sender.Sent(7, QStringLiteral("sieben"));

    const QStringList seenCalls = form == Form::MemberOfOtherObject ? other.Calls : receiver.Calls;
    QCOMPARE(seenCalls, QStringList{call});
    QCOMPARE(seenText, routed);
    QCOMPARE(seenSender, routed.isEmpty() ? nullptr : static_cast<QObject*>(&receiver));
}

// The connection belongs to the receiver: once it is gone nothing runs.
void TestGuard::endsWithTheReceiver()
{
    TSender sender;
    auto receiver = std::make_unique<TReceiver>();
    int calls = 0;
    ConnectGuarded(&sender, &TSender::Sent, receiver.get(), [&] { ++calls; });
    emit sender.Sent(1, QString());
    receiver.reset();
    emit sender.Sent(2, QString());
    QCOMPARE(calls, 1);
}

TARVOS_UI_TEST_MAIN(TestGuard)
#include "tst_guard.moc"
