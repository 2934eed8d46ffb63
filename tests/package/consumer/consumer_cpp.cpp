// Calls the installed library from C++: its header alone, the C++ runtime's
// strings and exceptions, and a new text given back with KARVELIN_FREE_TEXT.
#include "Karvelin.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

std::string Recoded(const std::string& text) {
    char* recoded = Recode(text.c_str(), static_cast<uint32_t>(text.size()));
    if (recoded == nullptr) throw std::runtime_error("Recode answered NULL");
    std::string copy(recoded);
    KARVELIN_FREE_TEXT(recoded);
    return copy;
}

}  // namespace

int main() {
    try {
        const std::string recoded = Recoded("abc");
        if (recoded != "?E8>17") throw std::runtime_error("Recode(abc) answered " + recoded);
        std::printf("consumer_cpp: Recode(abc) = %s\n", recoded.c_str());
        return 0;
    } catch (const std::exception& failure) {
        std::printf("consumer_cpp: %s\n", failure.what());
        return 1;
    }
}
