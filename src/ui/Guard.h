#pragma once

#include <QString>
#include <exception>
#include <utility>

namespace ui {

// The text the top-level handler shows: the error's own message, with a full stop
// added when its last character sorts after ".".
QString errorText(const QString& message);
void showException(const std::exception& e);
void showUnknownException();

// Runs one event handler; an exception ends it and is shown, and the program goes on.
template <typename F> bool guarded(F&& handler) {
    try {
        std::forward<F>(handler)();
        return true;
    } catch (const std::exception& e) {
        showException(e);
    } catch (...) {
        showUnknownException();
    }
    return false;
}

// A slot body wrapped in the guard, for connect(); the signal's arguments are not needed.
template <typename F> auto guard(F handler) {
    return [handler](auto&&...) { guarded(handler); };
}

} // namespace ui
