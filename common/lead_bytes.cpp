#include "common/lead_bytes.h"

namespace karvelin {

LeadBytes::LeadBytes(std::initializer_list<std::pair<unsigned char, unsigned char>> ranges) {
    for (const auto& range : ranges) AddRange(range.first, range.second);
}

void LeadBytes::AddRange(unsigned char first, unsigned char last) {
    for (unsigned byte = first; byte <= last; ++byte) lead_.set(byte);
}

LeadBytes LeadBytesOfCodePage(unsigned code_page) {
    switch (code_page) {
        case 932: return LeadBytes{{0x81, 0x9F}, {0xE0, 0xFC}};  // Japanese
        case 936:                                                // Simplified Chinese
        case 949:                                                // Korean
        case 950: return LeadBytes{{0x81, 0xFE}};                // Traditional Chinese
        default: return LeadBytes{};
    }
}

std::size_t LengthWithoutTrailingBackslashes(const char* path, const LeadBytes& lead_bytes) {
    std::size_t kept = 0, i = 0;
    while (path[i] != '\0') {
        const std::size_t length = lead_bytes.CharLength(path + i);
        if (length == 2 || path[i] != '\\') kept = i + length;
        i += length;
    }
    return kept;
}

}  // namespace karvelin
