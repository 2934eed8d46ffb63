#include "text/trim_names.h"

#include <cstring>

#include "module/no_throw.h"

namespace karvelin::text {
namespace {

constexpr char kBlank = ' ';

bool IsAsciiLetter(unsigned char c) { return (c >= 0x41 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A); }
bool IsAsciiDigit(unsigned char c) { return c >= 0x30 && c <= 0x39; }

}  // namespace

void TrimRight(char* text) {
    const std::size_t length = std::strlen(text);
    if (length >= kTrimLimit) return;
    for (std::size_t i = length; i > 0 && text[i - 1] == kBlank; --i) text[i - 1] = '\0';
}

void TrimLeft(char* text) {
    const std::size_t length = std::strlen(text);
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

extern "C" void TrimRight(char* text) {
    if (text) karvelin::text::TrimRight(text);
}

extern "C" void TrimLeft(char* text) {
    if (text) karvelin::text::TrimLeft(text);
}

extern "C" ResultCode IsLetterfigureString(const char* text) {
    return karvelin::text::IsLetterfigureString(karvelin::TextOrEmpty(text));
}

extern "C" ResultCode CheckBureauName(const char* name) {
    return karvelin::text::CheckBureauName(karvelin::TextOrEmpty(name), karvelin::SystemLeadBytes());
}
