// Bureau names with their answers under a single-byte code page and under
// code page 936; texts with the letter-and-figure check's answers.
#pragma once

#include "Karvelin.h"

namespace karvelin::text {

struct NameCase {
    const char* name;
    ResultCode single_byte;  // no lead bytes (Linux; Western code pages)
    ResultCode code_page_936;
};

// 0xD6 0xD0 is a double-byte character of code page 936; 0x81 0x5C and 0x81 0x40
// are ones whose second byte is a backslash or an at sign.
inline const NameCase kNameCases[] = {
    {"Bureau_1", 0, 0},
    {"a-b", 0, 0},
    {"abc123", 0, 0},
    {"ABC", 0, 0},
    {"", ERR_BAD_BUREAU_NAME, ERR_BAD_BUREAU_NAME},
    {"1abc", ERR_BAD_BUREAU_NAME, ERR_BAD_BUREAU_NAME},
    {"_abc", ERR_BAD_BUREAU_NAME, ERR_BAD_BUREAU_NAME},
    {"-abc", ERR_BAD_BUREAU_NAME, ERR_BAD_BUREAU_NAME},
    {"a b", ERR_BAD_BUREAU_NAME, ERR_BAD_BUREAU_NAME},
    {"a.b", ERR_BAD_BUREAU_NAME, ERR_BAD_BUREAU_NAME},
    {"a/b", ERR_BAD_BUREAU_NAME, ERR_BAD_BUREAU_NAME},
    {"a@b", ERR_BAD_BUREAU_NAME, ERR_BAD_BUREAU_NAME},
    {"a\\b", ERR_BAD_BUREAU_NAME, ERR_BAD_BUREAU_NAME},
    {"\xd6\xd0", 0, 0},
    {"\xd6\xd0\xce\xc4_1", 0, 0},
    {"ab\xd6\xd0", 0, 0},
    {"\x81\x5c", ERR_BAD_BUREAU_NAME, 0},  // the backslash is a second byte under 936
    {"a\x81\x40z", ERR_BAD_BUREAU_NAME, 0},
    {"\x81\x5c\\", ERR_BAD_BUREAU_NAME, ERR_BAD_BUREAU_NAME},  // a real backslash after it
    {"ab\x81", 0, 0},                     // a lead byte right before the end
    {"\x80", 0, 0},                       // 0x80 is not a lead byte of 936: one byte
    {"\x80.", ERR_BAD_BUREAU_NAME, ERR_BAD_BUREAU_NAME},
};

struct LetterfigureCase {
    const char* text;
    ResultCode expected;
};

// Bytes, not characters: a double-byte character is refused like any other.
inline const LetterfigureCase kLetterfigureCases[] = {
    {"abc123", 0}, {"ABC", 0}, {"", 0}, {"Zz09", 0}, {"1abc", 0},
    {"a_b", ERR_NOT_LETTERFIGURE}, {"a-b", ERR_NOT_LETTERFIGURE}, {"a b", ERR_NOT_LETTERFIGURE},
    {"a.b", ERR_NOT_LETTERFIGURE}, {"a@b", ERR_NOT_LETTERFIGURE}, {"Bureau_1", ERR_NOT_LETTERFIGURE},
    {"ab\x80", ERR_NOT_LETTERFIGURE}, {"\xff", ERR_NOT_LETTERFIGURE}, {"\xd6\xd0", ERR_NOT_LETTERFIGURE},
    {"\xd6\xd0\xce\xc4_1", ERR_NOT_LETTERFIGURE},
    {"@", ERR_NOT_LETTERFIGURE}, {"[", ERR_NOT_LETTERFIGURE}, {"`", ERR_NOT_LETTERFIGURE},
    {"{", ERR_NOT_LETTERFIGURE}, {"/", ERR_NOT_LETTERFIGURE}, {":", ERR_NOT_LETTERFIGURE},
};

}  // namespace karvelin::text
