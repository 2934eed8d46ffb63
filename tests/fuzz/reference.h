// Plain renderings of the rules, one per function the fuzzers try: written
// from the rules as the installer's authors state them, slowly and without
// the library's helpers, so that a fault in the fast code shows up as a
// difference. Texts are std::string; a character of a double-byte code page
// is a lead byte and any byte after it.
#pragma once

#include <arpa/inet.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "Karvelin.h"
#include "common/lead_bytes.h"

namespace karvelin::reference {

inline bool Letter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool Digit(unsigned char c) { return c >= '0' && c <= '9'; }

// The text cut into its characters under the code page's lead bytes.
inline std::vector<std::string> Characters(const std::string& text, const LeadBytes& lead) {
    std::vector<std::string> characters;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = lead.IsLead(text[i]) && i + 1 < text.size() ? 2 : 1;
        characters.push_back(text.substr(i, length));
        i += length;
    }
    return characters;
}

inline ResultCode IsLetterfigureString(const std::string& text) {
    for (unsigned char c : text)
        if (!Letter(c) && !Digit(c)) return ERR_NOT_LETTERFIGURE;
    return 0;
}

// A letter or a non-ASCII character first; then letters, digits, '_', '-'
// and non-ASCII characters (whatever their second byte).
inline ResultCode CheckBureauName(const std::string& name, const LeadBytes& lead) {
    const std::vector<std::string> characters = Characters(name, lead);
    if (characters.empty()) return ERR_BAD_BUREAU_NAME;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const auto c = static_cast<unsigned char>(characters[i][0]);
        if (c >= 0x80) continue;
        const bool allowed = Letter(c) || (i > 0 && (Digit(c) || c == '_' || c == '-'));
        if (!allowed) return ERR_BAD_BUREAU_NAME;
    }
    return 0;
}

// The text of a buffer: its bytes up to the first NUL, or all of them.
inline std::string TextOf(const std::string& buffer) { return buffer.substr(0, buffer.find('\0')); }

// The buffer after trimming: texts of 255 bytes or more unchanged; otherwise
// the kept text first, NUL bytes up to the old text's end, the rest as it was.
inline std::string TrimRight(const std::string& buffer) {
    const std::string text = TextOf(buffer);
    if (text.size() >= 255) return buffer;
    const std::size_t last = text.find_last_not_of(' ');
    const std::string kept = last == std::string::npos ? "" : text.substr(0, last + 1);
    return kept + std::string(text.size() - kept.size(), '\0') + buffer.substr(text.size());
}
inline std::string TrimLeft(const std::string& buffer) {
    const std::string text = TextOf(buffer);
    if (text.size() >= 255) return buffer;
    const std::size_t first = text.find_first_not_of(' ');
    const std::string kept = first == std::string::npos ? "" : text.substr(first);
    return kept + std::string(text.size() - kept.size(), '\0') + buffer.substr(text.size());
}

// The destination check, with a host whose D: is NTFS and E: FAT32; no other
// drive answers.
inline ResultCode CheckDestFileDir(const std::string& path, const LeadBytes& lead) {
    std::vector<std::string> characters = Characters(path, lead);
    for (const std::string& c : characters)
        if (c == ".") return ERR_DEST_PATH_HAS_DOT;
    if (path.size() < 2 || path[1] != ':') return ERR_DEST_PATH_INVALID;
    while (!characters.empty() && characters.back() == "\\") characters.pop_back();
    if (!characters.empty() && characters.back().back() == ':') return ERR_DEST_PATH_IS_ROOT;
    if (path[0] == 'D') return 0;
    if (path[0] == 'E') return ERR_DEST_NOT_NTFS;
    return ERR_DEST_PATH_INVALID;
}

// The four octets of a converted text, the first one the most significant;
// nothing when the conversion fails (255.255.255.255 too).
inline std::optional<std::uint32_t> Converted(const std::string& text) {
    const std::uint32_t value = ::inet_addr(text.c_str());
    if (value == 0xFFFFFFFFu) return std::nullopt;
    return ntohl(value);
}

inline std::int32_t ValidateTheIP(const std::string& text) {
    const std::optional<std::uint32_t> value = Converted(text);
    if (!value) return 0;
    const unsigned first = *value >> 24;
    const bool class_a_b_c = first <= 223;
    const bool excluded = *value == 0 || (first == 127 && (*value & 0xFFFFFF) == 1);
    return class_a_b_c && !excluded ? 1 : 0;
}

inline ResultCode ValidateNet(const std::string& host, const std::string& mask, const std::string& network,
                              const std::string& other) {
    if (host.empty()) return ERR_NET_IP_EMPTY;
    if (host == other) return ERR_NET_IP_EQUALS_OTHER;
    const auto h = Converted(host), m = Converted(mask), n = Converted(network), o = Converted(other);
    if (!h || !m || !n || !o) return ERR_NET_BAD_ADDRESS;
    return (*h & *m) == *n ? 0 : ERR_NET_SUBNET_MISMATCH;
}

// The encoded text of n bytes: per byte its two characters, the last byte's
// pair first.
inline std::string Recode(const std::string& plain) {
    std::string encoded;
    for (std::size_t p = 0; p < plain.size(); ++p) {
        const unsigned key = p % 255 + 1, offset = 40 + 7 * (p % 10);
        const unsigned x = (key ^ ~static_cast<unsigned char>(plain[p])) & 0xFF;
        const char pair[2] = {static_cast<char>(offset + x / 16), static_cast<char>(offset + x % 16)};
        encoded.insert(0, pair, 2);
    }
    return encoded;
}

// The plain bytes of an encoded text: its pairs read from the last to the
// first, an odd last character left over.
inline std::string Decode(const std::string& encoded) {
    const std::size_t count = encoded.size() / 2;
    std::string plain(count, '\0');
    for (std::size_t p = 0; p < count; ++p) {
        const std::size_t at = 2 * (count - 1 - p);
        const unsigned key = p % 255 + 1, offset = 40 + 7 * (p % 10);
        const unsigned high = (static_cast<unsigned char>(encoded[at]) - offset) % 16;
        const unsigned low = (static_cast<unsigned char>(encoded[at + 1]) - offset) % 16;
        plain[p] = static_cast<char>(~((high * 16 + low) ^ key));
    }
    return plain;
}

// Dotted decimal of an address in network byte order.
inline std::string Dotted(std::uint32_t network_order) {
    const auto* octets = reinterpret_cast<const unsigned char*>(&network_order);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", octets[0], octets[1], octets[2], octets[3]);
    return text;
}

// How a program's standard argument parsing reads one quoted argument back
// (2n backslashes before a quote give n, 2n + 1 give n and the quote; a
// double-byte character is taken whole).
inline std::optional<std::string> ReadBackQuoted(const std::string& quoted, const LeadBytes& lead) {
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return std::nullopt;
    std::string text;
    std::size_t i = 1;
    while (i < quoted.size()) {
        std::size_t backslashes = 0;
        while (i < quoted.size() && quoted[i] == '\\') ++backslashes, ++i;
        if (i < quoted.size() && quoted[i] == '"') {
            text.append(backslashes / 2, '\\');
            if (backslashes % 2 == 0) return i + 1 == quoted.size() ? std::optional<std::string>(text) : std::nullopt;
            text += '"';
            ++i;
        } else {
            text.append(backslashes, '\\');
            if (i + 2 < quoted.size() && lead.IsLead(quoted[i])) text += quoted[i++];
            if (i < quoted.size()) text += quoted[i++];
        }
    }
    return std::nullopt;  // no closing quote
}

}  // namespace karvelin::reference
