// What the faces hand a function for a caller's text, and the answer the
// Python faces leave unused.
#pragma once

#include <cstddef>
#include <cstdint>

namespace karvelin {

// A caller's text buffer and its size in bytes. A function whose output does
// not fit sets `needed` to the size it needs and leaves the buffer untouched;
// the Python faces then raise ValueError naming that size.
struct TextBuffer {
    char* data;
    std::size_t size;
    std::size_t needed = 0;
    // Python 2.7: the last byte is the str object's own terminating NUL, where
    // an output may put a NUL and nothing else.
    bool last_is_terminator = false;
};

// The size handed on for a native caller's buffer, whose size is not known:
// the buffer is taken to end at its text's NUL.
inline constexpr std::size_t kUnknownSize = static_cast<std::size_t>(-1);

// A text and a count of its units (Recode, Decode): every face refuses a
// count outside the text, so that the library never reads past it.
constexpr bool CountWithinText(long long count, long long length) { return count >= 0 && count <= length; }

// An answer that the Python faces do not use (the module function answers
// None), where native callers and the karvelin program have it: the result
// of GetHostIPAddr's socket clean-up.
struct UnusedInPython {
    std::int32_t value;
};

}  // namespace karvelin
