#pragma once
// A guarded slot: whatever a handler throws goes to the application's
// exception handling instead of unwinding through Qt's event loop.
#include "Application.h"
#include <QObject>
#include <functional>
#include <type_traits>
#include <utility>

namespace GuardDetail {

// Member-function pointers are called on the receiver, anything else as it is.
template <typename Receiver, typename Handler, typename... Args>
constexpr bool Callable()
{
    if constexpr (std::is_member_function_pointer_v<Handler>)
        return std::is_invocable_v<Handler, Receiver*, Args...>;
    else
        return std::is_invocable_v<Handler, Args...>;
}

}   // namespace GuardDetail

// Runs f as a guarded slot runs its handler: for handlers that an event
// override calls rather than a signal.
template <typename F>
void RunGuarded(QObject* receiver, F&& f)
{
    try {
        std::forward<F>(f)();
    } catch (...) {
        HandleException(receiver);
    }
}

// Connects signal to handler, a member function of receiver or any callable.
// The handler may take fewer arguments than the signal sends, as with
// QObject::connect. It runs in receiver's context and ends with it; an
// exception leaving it is routed as HandleException(receiver) routes it
// (a silent abort is dropped there).
template <typename Sender, typename Signal, typename Receiver, typename Handler>
QMetaObject::Connection ConnectGuarded(Sender* sender, Signal signal, Receiver* receiver, Handler handler)
{
    // The requirement lets Qt pick how many of the signal's arguments to pass.
    auto slot = [receiver, handler](auto&&... args)
        requires(GuardDetail::Callable<Receiver, Handler, decltype(args)...>())
    {
        RunGuarded(receiver, [&] {
            if constexpr (std::is_member_function_pointer_v<Handler>)
                std::invoke(handler, receiver, std::forward<decltype(args)>(args)...);
            else
                std::invoke(handler, std::forward<decltype(args)>(args)...);
        });
    };
    return QObject::connect(sender, signal, receiver, std::move(slot));
}
