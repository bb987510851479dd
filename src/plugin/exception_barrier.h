// Every path by which the host or the system calls into the plug-in (exports, menu commands,
// window procedures) runs its body through callGuarded, so that no C++ exception can unwind
// into code that does not expect one. A failed call answers its fixed fallback value.
#pragma once

#include <utility>

template <typename Body>
void callGuarded(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
        // Nothing can be reported from here; the host carries on as if the call did nothing.
    }
}

template <typename Result, typename Body>
Result callGuarded(Result fallback, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return fallback;
    }
}
