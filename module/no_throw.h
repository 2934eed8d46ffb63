// No C++ exception may cross an export: every export runs its body through
// NoThrow, which answers the given fallback when anything is thrown (a failed
// allocation above all).
#pragma once

#include <utility>

namespace karvelin {

template <typename Result, typename Body>
Result NoThrow(Result fallback, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return fallback;
    }
}

}  // namespace karvelin

namespace karvelin {

// A native caller's null text is taken as the empty text, never followed.
inline const char* TextOrEmpty(const char* text) noexcept { return text ? text : ""; }

}  // namespace karvelin
