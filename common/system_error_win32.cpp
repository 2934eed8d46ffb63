#include <windows.h>

#include "common/system_error.h"

namespace karvelin {

std::string SystemErrorMessage(SystemError error) {
    char text[512];
    const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                          0, text, sizeof text, nullptr);
    return std::string(text, length < sizeof text ? length : 0);
}

}  // namespace karvelin
