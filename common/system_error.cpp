#include "common/system_error.h"

#include <cstdio>

namespace karvelin {

std::string Hex(std::uint32_t value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string ErrorText(SystemError error) {
    if (error == 0) return "no error number";
    // Failure HRESULTs have the top bit set: their decimal reads as nothing.
    std::string line = "error " + ((error & 0x80000000u) ? Hex(error) : std::to_string(error));
    std::string message = SystemErrorMessage(error);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message.empty() ? line : line + ": " + message;
}

}  // namespace karvelin
