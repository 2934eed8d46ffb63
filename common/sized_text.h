// The "ask for the size, then read" pattern of the system's text queries,
// written once: the caller states how one call behaves, and gets the whole
// text or nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// What a text call answers when the buffer is too small for the text: the
// size the whole text takes with its NUL (GetEnvironmentVariable,
// GetFullPathName...), or the buffer's size, the text cut (GetModuleFileName),
// so that the next try has twice the room.
enum class TooSmall { kTellsSize, kCutsText };

// ReadSizedText for the calls that take a buffer's size in units and answer
// the text's length when it fitted, as `too_small` says when it did not, and 0
// when they fail: `call(buffer, size)` answers that (the sizes asked for are
// those such a call tells, which fit its size's type). The whole text;
// nothing when a call fails.
template <typename Char = char, typename Call>
std::optional<std::basic_string<Char>> ReadAnsweredText(Call&& call, TooSmall too_small = TooSmall::kTellsSize) {
    return ReadSizedText<Char>([&](Char* buffer, std::size_t size, std::size_t& needed) {
        const std::size_t length = call(buffer, static_cast<std::uint32_t>(size));
        needed = length < size ? length + 1 : too_small == TooSmall::kTellsSize ? length : 2 * size;
        return length != 0;
    });
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

// The calls that take a block's size in bytes and answer, when it is too
// small, the size they need (GetAdaptersInfo's ERROR_BUFFER_OVERFLOW,
// NtQueryObject's STATUS_BUFFER_OVERFLOW): `call(block, size)` answers its
// Fill, and with kMoreData sets `size` to the size needed. It is asked first
// with `first_size` bytes (no block for 0), then with the size it told, as
// often as that grows, a few times at most; the block is of whole records of
// T, so it is aligned for them. The block, whose records may point into it;
// nothing when a call fails or needs no room.
template <typename T, typename Call>
std::optional<std::vector<T>> ReadSizedBlock(Call&& call, std::size_t first_size = 0) {
    std::size_t size = first_size;
    std::vector<T> block((size + sizeof(T) - 1) / sizeof(T));
    for (int tries = 0; tries < 8; ++tries) {
        const Fill fill = call(block.empty() ? nullptr : block.data(), size);
        if (fill == Fill::kDone && !block.empty()) return block;
        if (fill != Fill::kMoreData || size == 0) return std::nullopt;
        block.assign((size + sizeof(T) - 1) / sizeof(T), T());
    }
    return std::nullopt;
}

}  // namespace karvelin
