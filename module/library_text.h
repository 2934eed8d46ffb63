// A new text of the library's (Recode, Decode), owned by whoever called for
// it and given back to the library's allocator when its owner goes.
#pragma once

#include "Karvelin.h"
#include "common/unique_any.h"

namespace karvelin {

struct LibraryTextTraits {
    using pointer = char*;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer text) noexcept { KARVELIN_FREE_TEXT(text); }
};
using unique_library_text = unique_any<LibraryTextTraits>;

}  // namespace karvelin
