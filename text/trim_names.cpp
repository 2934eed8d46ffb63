#include "text/trim_names.h"

#include <cstring>
#include <string>

#include "common/log_tell.h"

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

// What a trim did, by lengths alone: the text may be anything the caller has.
void TellTrim(const char* function, std::size_t length, std::size_t blanks) {
    log::Tell([&] {
        if (length >= kTrimLimit)
            log::Failure(function, "trim: text of " + std::to_string(kTrimLimit) + " bytes or more: left alone");
        else
            log::Step(function, "trim: text of " + std::to_string(length) + " bytes: " + std::to_string(blanks) +
                                    " blanks removed");
    });
}

// Why a name was refused: where the byte stands, not the name or the byte
// (the installer may check a password's characters).
ResultCode Refused(const char* function, ResultCode code, const unsigned char* name, const unsigned char* at,
                   const char* wanted) {
    log::Tell([&] {
        log::Failure(function, "check: byte " + std::to_string(at - name) + " of " +
                                   std::to_string(std::strlen(reinterpret_cast<const char*>(name))) + ": not " + wanted);
    });
    return code;
}

}  // namespace

void TrimRight(char* text, std::size_t size) {
    const std::size_t length = TextLength(text, size);
    std::size_t i = length;
    if (length < kTrimLimit)
        for (; i > 0 && text[i - 1] == kBlank; --i) text[i - 1] = '\0';
    TellTrim("TrimRight", length, length - i);
}

void TrimLeft(char* text, std::size_t size) {
    const std::size_t length = TextLength(text, size);
    std::size_t blanks = 0;
    if (length < kTrimLimit) {
        while (blanks < length && text[blanks] == kBlank) ++blanks;
        if (blanks != 0) {
            std::memmove(text, text + blanks, length - blanks);  // the ranges overlap
            std::memset(text + length - blanks, 0, blanks);
        }
    }
    TellTrim("TrimLeft", length, blanks);
}

ResultCode IsLetterfigureString(const char* text) {
    constexpr char kFunction[] = "IsLetterfigureString";
    const auto* name = reinterpret_cast<const unsigned char*>(text);
    for (const unsigned char* p = name; *p; ++p)
        if (!IsAsciiLetter(*p) && !IsAsciiDigit(*p))
            return Refused(kFunction, ERR_NOT_LETTERFIGURE, name, p, "an ASCII letter or digit");
    log::Tell([&] { log::Step(kFunction, "check: " + std::to_string(std::strlen(text)) + " bytes: letters and digits"); });
    return 0;
}

ResultCode CheckBureauName(const char* name, const LeadBytes& lead_bytes) {
    constexpr char kFunction[] = "CheckBureauName";
    const auto* bytes = reinterpret_cast<const unsigned char*>(name);
    const auto first = bytes[0];
    if (first < 0x80 && !IsAsciiLetter(first))  // the empty name too
        return Refused(kFunction, ERR_BAD_BUREAU_NAME, bytes, bytes, "a letter to begin with");
    for (const char* p = name; *p;) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0x80) {  // non-ASCII: stepped over whole, its second byte unseen
            p += lead_bytes.CharLength(p);
            continue;
        }
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '_' && c != '-')
            return Refused(kFunction, ERR_BAD_BUREAU_NAME, bytes, reinterpret_cast<const unsigned char*>(p),
                           "a letter, digit, '_' or '-'");
        ++p;
    }
    log::Tell([&] { log::Step(kFunction, "check: " + std::to_string(std::strlen(name)) + " bytes: a bureau name"); });
    return 0;
}

}  // namespace karvelin::text
