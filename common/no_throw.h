// No C++ exception may leave the library: every export runs its body through
// Guard, which answers the given fallback when anything is thrown (a failed
// allocation above all).
#pragma once

#include <type_traits>
#include <utility>

namespace karvelin {

template <typename Fallback, typename Body>
auto Guard(Fallback fallback, Body&& body) noexcept -> std::invoke_result_t<Body> {
    using Result = std::invoke_result_t<Body>;
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return static_cast<Result>(fallback);
    }
}

// For a body that answers nothing: what was thrown is dropped.
template <typename Body>
void Guard(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
    }
}

// A native caller's null text is taken as the empty text, never followed.
inline const char* TextOrEmpty(const char* text) noexcept { return text ? text : ""; }

}  // namespace karvelin
