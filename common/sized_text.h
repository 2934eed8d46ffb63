// The "ask for the size, then read" pattern of the system's text queries,
// written once: the caller states how one call behaves, and gets the whole
// text or nothing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace karvelin {

// `query(buffer, size, needed)` writes what it can of the text into `buffer`
// of `size` bytes and sets `needed` to the size the whole text takes with its
// NUL (its length + 1 when it fitted); it answers false when the text cannot
// be had. The text is read again into a buffer of the size needed, as often
// as it grows in between (another thread may change it), a few times at most.
// A failed allocation throws, for the caller's guard.
// Char is the text's unit (wchar_t for the wide queries).
template <typename Char = char, typename Query>
std::optional<std::basic_string<Char>> ReadSizedText(Query&& query, std::size_t first_size = 260) {
    std::basic_string<Char> text;
    std::size_t size = first_size == 0 ? 1 : first_size;
    for (int tries = 0; tries < 8; ++tries) {
        text.assign(size, Char());
        std::size_t needed = 0;
        if (!query(&text[0], size, needed)) return std::nullopt;
        if (needed != 0 && needed <= size) {
            text.resize(needed - 1);
            return text;
        }
        size = needed > size ? needed : 2 * size;
    }
    return std::nullopt;
}

}  // namespace karvelin
