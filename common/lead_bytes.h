// Lead bytes of the system's ANSI code page: where a function steps through a
// text by characters, a lead byte makes a character two bytes long.
#pragma once

#include <bitset>
#include <cstddef>
#include <initializer_list>
#include <utility>

namespace karvelin {

class LeadBytes {
public:
    LeadBytes() = default;
    // From inclusive (first, last) byte pairs, as a code page lists them.
    LeadBytes(std::initializer_list<std::pair<unsigned char, unsigned char>> ranges);

    bool IsLead(char byte) const { return lead_[static_cast<unsigned char>(byte)]; }
    void AddRange(unsigned char first, unsigned char last);
    bool Empty() const { return lead_.none(); }

    // Length in bytes of the character at `text` (1 or 2); a lead byte right
    // before the terminating NUL is a character of its own.
    std::size_t CharLength(const char* text) const { return IsLead(text[0]) && text[1] != '\0' ? 2 : 1; }

private:
    std::bitset<256> lead_;
};

// The lead bytes of a double-byte code page this library knows by number
// (932, 936, 949, 950); none for any other.
LeadBytes LeadBytesOfCodePage(unsigned code_page);

// ANSI paths, stepped through by characters: the length of `path` without its
// run of trailing backslashes (a double-byte character's second byte is no
// backslash).
std::size_t LengthWithoutTrailingBackslashes(const char* path, const LeadBytes& lead_bytes);

}  // namespace karvelin
