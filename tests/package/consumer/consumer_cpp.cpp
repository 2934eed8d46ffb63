// A C++ caller of the installed library: the header alone, the C++ runtime's
// strings and exceptions, a new text given back with KARVELIN_FREE_TEXT.
#include "Karvelin.h"

#include <cstdio>
#include <stdexcept>
#include <string>

int main() try {
    char* text = Recode("abc", 3);
    if (text == nullptr) throw std::runtime_error("Recode answered NULL");
    const std::string recoded(text);
    KARVELIN_FREE_TEXT(text);
    if (recoded != "?E8>17") throw std::runtime_error("Recode(abc) answered " + recoded);
    std::printf("consumer_cpp: Recode(abc) = %s\n", recoded.c_str());
    return 0;
} catch (const std::exception& failure) {
    std::printf("consumer_cpp: %s\n", failure.what());
    return 1;
}
