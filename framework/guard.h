#pragma once

#include <QObject>
#include <type_traits>
#include <utility>

#include "framework/error_box.h"

namespace larkspur {

// Every path from a Qt signal or event into our handlers runs through here, so that
// an exception never crosses a Qt frame: it ends the handler and shows the error box.
template <typename F> void guarded(F&& handler) noexcept {
    try {
        std::forward<F>(handler)();
    } catch (...) {
        try {
            showCurrentException();
        } catch (...) {
            // The box itself failed; nothing sensible is left to do.
        }
    }
}

// Connects a signal to a handler through the guard. The handler receives the
// signal's arguments, or none when it takes none.
template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection connectGuarded(Sender* sender, Signal signal, QObject* context,
                                       Handler handler) {
    return QObject::connect(sender, signal, context, [handler](auto&&... args) {
        guarded([&] {
            if constexpr (std::is_invocable_v<const Handler&, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        });
    });
}

} // namespace larkspur
