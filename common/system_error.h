// The system's error as a log line names it.
#pragma once

#include <cstdint>
#include <string>

namespace karvelin {

// An error number as the system gives it: a Win32 error code, a registry or
// Winsock status or an HRESULT on Windows, errno on Linux. 0: none known.
using SystemError = std::uint32_t;

// "error 5: Access is denied." with the system's own text for the number
// (an HRESULT's number in hex); "no error number" for 0.
std::string ErrorText(SystemError error);

// "0x0E1D0001": a code or a flag set as a reader compares it with the
// headers.
std::string Hex(std::uint32_t value);

// The system's own text for the number, as it gives it (FormatMessageA,
// strerror_r): system_error_<platform>.cpp.
std::string SystemErrorMessage(SystemError error);

}  // namespace karvelin
