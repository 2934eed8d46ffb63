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

// How one call of a query that fills a buffer of bytes ended: it filled it,
// or the data takes more room than it was offered, or it failed.
enum class Fill { kDone, kMoreData, kFailed };

// One call's outcome as ReadSizedText's query answers it. The call was offered
// `size - 1` bytes of `buffer` and reported `length`: the bytes it filled
// (kDone) or the bytes the whole data takes (kMoreData). The byte kept back
// ends filled data with a NUL. A call that claims to have filled more than it
// was offered, or to need no room or more than can be counted, has failed.
inline bool TakeFill(Fill fill, std::size_t length, char* buffer, std::size_t size, std::size_t& needed) {
    if (size == 0 || length >= static_cast<std::size_t>(-1)) return false;
    if (fill == Fill::kMoreData && length != 0) {
        needed = length + 1;
        return true;
    }
    if (fill != Fill::kDone || length > size - 1) return false;
    buffer[length] = '\0';
    needed = length + 1;
    return true;
}

// ReadSizedText for the calls that fill a buffer of bytes and report a length
// (registry values, device properties, token information):
// `call(buffer, offered, length)` answers its Fill, with `length` as above.
// The data's bytes, NULs and all; nothing when a call fails.
template <typename Call>
std::optional<std::string> ReadSizedData(Call&& call, std::size_t first_size = 260) {
    return ReadSizedText(
        [&](char* buffer, std::size_t size, std::size_t& needed) {
            std::size_t length = 0;
            const Fill fill = call(static_cast<void*>(buffer), size - 1, length);
            return TakeFill(fill, length, buffer, size, needed);
        },
        first_size);
}

}  // namespace karvelin
