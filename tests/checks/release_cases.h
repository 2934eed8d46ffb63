// The release checks' and CheckIeVersion's answers: run natively on a record
// and registry the test arranges, and under Wine on the registry, via the DLL.
#pragma once

#include <cstdint>

#include "Karvelin.h"

namespace karvelin::checks {

struct ReleaseCase {
    std::uint32_t major, minor;
    const char* service_pack;  // nullptr: the host reports none (no CSDVersion value)
    ResultCode check_os;
    std::int32_t server;
    const char* build;  // the build number Wine is told with the release; nullptr: native only
};

inline const ReleaseCase kReleaseCases[] = {
    {5, 0, "Service Pack 3", ERR_VERSION_TOO_OLD, 2000, "2195"},
    {5, 0, "Service Pack 4", 0, 2000, "2195"},
    {5, 0, "Service Pack 10", 0, 2000, nullptr},
    {5, 0, "", ERR_OS_NO_SERVICE_PACK, 2000, nullptr},
    {5, 1, "Service Pack 1", ERR_VERSION_TOO_OLD, 0, "2600"},
    {5, 1, "Service Pack 2", 0, 0, "2600"},
    {5, 1, "", ERR_OS_NO_SERVICE_PACK, 0, "2600"},
    {5, 1, nullptr, ERR_OS_NO_SERVICE_PACK, 0, "2600"},
    {5, 1, "service pack 2", ERR_OS_NO_SERVICE_PACK, 0, nullptr},  // case-sensitive
    {5, 1, "Dienstpaket 2", ERR_OS_NO_SERVICE_PACK, 0, nullptr},
    {5, 2, "Service Pack 1", 0, 2003, "3790"},
    {5, 2, "", ERR_OS_NO_SERVICE_PACK, 2003, nullptr},
    {5, 2, "Service Pack 0", ERR_VERSION_TOO_OLD, 2003, nullptr},
    {5, 3, "Service Pack 9", ERR_OS_UNSUPPORTED, 0, nullptr},
    {5, 3, "Service Pack 1", ERR_OS_UNSUPPORTED, 0, "3790"},
    {4, 0, "Service Pack 6", ERR_OS_UNSUPPORTED, 0, "1381"},
    {6, 0, "Service Pack 2", ERR_OS_UNSUPPORTED, 0, nullptr},
    {6, 1, "Service Pack 1", ERR_OS_UNSUPPORTED, 0, "7601"},
    {0, 0, "", ERR_OS_UNSUPPORTED, 0, nullptr},  // the version query failed
    // The character after the words is skipped whatever it is.
    {5, 1, "Service Pack2", ERR_VERSION_TOO_OLD, 0, "2600"},
    {5, 2, "Service Pack1", ERR_VERSION_TOO_OLD, 2003, nullptr},
    {5, 1, "Service Pack 2, v.2096", 0, 0, "2600"},
    {5, 1, "Service Pack", ERR_VERSION_TOO_OLD, 0, nullptr},  // ends after the words: 0
    {5, 2, "Service Pack  1", 0, 2003, nullptr},               // white space before the number
    {5, 2, "Service Pack -1", ERR_VERSION_TOO_OLD, 2003, nullptr},
    {5, 1, "Update, Service Pack 3", 0, 0, nullptr},           // first occurrence anywhere
    {5, 1, "Service Pack 99999999999", 0, 0, nullptr},         // saturates, still above the minimum
};

// The browser version value (nullptr: none), read into 40 bytes with its NUL.
struct BrowserCase {
    const char* value;
    ResultCode expected;
};

inline const BrowserCase kBrowserCases[] = {
    {"5.5000", ERR_VERSION_TOO_OLD},
    {"6.0000", 0},
    {"7.0000", 0},
    {"11.0.9600", 0},
    {"", ERR_VERSION_TOO_OLD},
    {nullptr, ERR_VERSION_TOO_OLD},
    {" 6", 0},
    {"v6", ERR_VERSION_TOO_OLD},
    {"-7", ERR_VERSION_TOO_OLD},
    {"700000000000000000000000000000000000000", 0},                     // 39 characters: fits
    {"7000000000000000000000000000000000000000", ERR_VERSION_TOO_OLD},  // 40: no room for the NUL
    {"7000000000000000000000000000000000000.0", 0},
    {"80000000000000000000000000000000000000.0", ERR_VERSION_TOO_OLD},
};

}  // namespace karvelin::checks
