// Texts with what TrimRight and TrimLeft leave of them in place.
#pragma once

#include <string>

namespace karvelin::text {

using namespace std::string_literals;

struct TrimCase {
    std::string text;
    std::string after_right;  // the old extent (text and its NUL) after TrimRight
    std::string after_left;   // the old extent after TrimLeft
};

inline const TrimCase kTrimCases[] = {
    {"ab   ", "ab\0\0\0\0"s, "ab   \0"s},
    {"ab  ", "ab\0\0\0"s, "ab  \0"s},
    {"  ab", "  ab\0"s, "ab\0\0\0"s},
    {"  ab  ", "  ab\0\0\0"s, "ab  \0\0\0"s},
    {"", "\0"s, "\0"s},
    {"   ", "\0\0\0\0"s, "\0\0\0\0"s},
    {"ab", "ab\0"s, "ab\0"s},
    {"ab \t", "ab \t\0"s, "ab \t\0"s},      // a tab is no blank, and shields the blank
    {"\t ab", "\t ab\0"s, "\t ab\0"s},
    {" a b ", " a b\0\0"s, "a b \0\0"s},    // inner blanks stay
    {" \n", " \n\0"s, "\n\0\0"s},
    // The text ends at the first NUL; what follows it stays as it was.
    {"  ab \0  x "s, "  ab\0\0  x \0"s, "ab \0\0\0  x \0"s},
};

}  // namespace karvelin::text
