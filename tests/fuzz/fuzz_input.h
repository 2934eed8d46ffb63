// Shared by the fuzzers: the first input byte picks the code page's lead
// bytes (none, 932 or 936); the rest becomes a NUL-terminated text in a block
// of exactly its size, so any read past it is caught.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

#include "common/lead_bytes.h"

namespace karvelin::test {

inline LeadBytes LeadBytesFor(std::uint8_t selector) {
    const unsigned code_pages[] = {0, 932, 936};
    return LeadBytesOfCodePage(code_pages[selector % 3]);
}

inline std::unique_ptr<char[]> TextCopy(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';
    return text;
}

}  // namespace karvelin::test
