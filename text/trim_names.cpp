#include "text/trim_names.h"

#include <cstring>

namespace karvelin::text {
namespace {

constexpr char kBlank = ' ';

bool IsAsciiLetter(unsigned char c) { return (c >= 0x41 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A); }
bool IsAsciiDigit(unsigned char c) { return c >= 0x30 && c <= 0x39; }

}  // namespace

namespace {

// The text's length within its buffer; a text of kTrimLimit bytes or more is
// left alone, so nothing past that is read.
std::size_t TextLength(const char* text, std::size_t size) {
    const std::size_t limit = size < kTrimLimit ? size : kTrimLimit;
    const void* nul = std::memchr(text, '\0', limit);
    return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : limit;
}

}  // namespace

void TrimRight(char* text, std::size_t size) {
    const std::size_t length = TextLength(text, size);
    if (length >= kTrimLimit) return;
    for (std::size_t i = length; i > 0 && text[i - 1] == kBlank; --i) text[i - 1] = '\0';
}

void TrimLeft(char* text, std::size_t size) {
    const std::size_t length = TextLength(text, size);
    if (length >= kTrimLimit) return;
    std::size_t blanks = 0;
    while (blanks < length && text[blanks] == kBlank) ++blanks;
    if (blanks == 0) return;
    std::memmove(text, text + blanks, length - blanks);  // the ranges overlap
    std::memset(text + length - blanks, 0, blanks);
}

ResultCode IsLetterfigureString(const char* text) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        if (!IsAsciiLetter(*p) && !IsAsciiDigit(*p)) return ERR_NOT_LETTERFIGURE;
    return 0;
}

ResultCode CheckBureauName(const char* name, const LeadBytes& lead_bytes) {
    const auto first = static_cast<unsigned char>(name[0]);
    if (first < 0x80 && !IsAsciiLetter(first)) return ERR_BAD_BUREAU_NAME;  // the empty name too
    for (const char* p = name; *p;) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0x80) {  // non-ASCII: stepped over whole, its second byte unseen
            p += lead_bytes.CharLength(p);
            continue;
        }
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '_' && c != '-') return ERR_BAD_BUREAU_NAME;
        ++p;
    }
    return 0;
}

}  // namespace karvelin::text
