// Trimming blanks in place, and the character-class checks of names.
#pragma once

#include <cstddef>

#include "Karvelin.h"
#include "common/lead_bytes.h"

namespace karvelin::text {

// Texts of this many bytes or more are left alone by the trimming.
inline constexpr unsigned kTrimLimit = 255;

// The text is the bytes of `buffer` (of `size` bytes) up to the first NUL, or
// all of them; nothing after it is read or written.
// Overwrites the blanks (0x20 only) at the end with NUL bytes.
void TrimRight(char* buffer, std::size_t size);
// Moves the text after its leading blanks to the start; NUL bytes fill the
// freed end.
void TrimLeft(char* buffer, std::size_t size);

// 0 when every byte is an ASCII letter or digit (the empty text too).
ResultCode IsLetterfigureString(const char* text);
// 0 when the name starts with a letter (or a non-ASCII character) and goes on
// with letters, digits, '_', '-' and non-ASCII characters.
ResultCode CheckBureauName(const char* name, const LeadBytes& lead_bytes);

}  // namespace karvelin::text
