#include "checks/os_checks.h"

#include <climits>
#include <cstring>

#include "module/no_throw.h"

namespace karvelin::checks {
namespace {

constexpr char kServicePack[] = "Service Pack";
constexpr std::size_t kServicePackLength = sizeof kServicePack - 1;  // 12

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::int32_t LeadingNumber(const char* text) {
    while (IsCSpace(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) return value > INT_MAX ? INT_MIN : static_cast<std::int32_t>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<std::int32_t>(value);
}

bool TerminateRegistryText(char* buffer, std::size_t size, std::size_t bytes_read) {
    if (size == 0) return false;
    if (bytes_read > size) bytes_read = size;
    if (bytes_read > 0 && std::memchr(buffer, '\0', bytes_read)) return true;
    if (bytes_read < size) {
        buffer[bytes_read] = '\0';
        return true;
    }
    std::memset(buffer, 0, size);
    return false;
}

ResultCode CheckOS(HostRecords& records) {
    VersionRecord version;
    records.QueryVersion(version);
    version.service_pack[sizeof version.service_pack - 1] = '\0';

    if (version.major != 5) return ERR_OS_UNSUPPORTED;
    std::int32_t minimum;
    switch (version.minor) {
        case 0: minimum = 4; break;  // Windows 2000
        case 1: minimum = 2; break;  // Windows XP
        case 2: minimum = 1; break;  // Windows Server 2003
        default: return ERR_OS_UNSUPPORTED;
    }

    const char* found = std::strstr(version.service_pack, kServicePack);
    if (!found) return ERR_OS_NO_SERVICE_PACK;
    // Skip the words and the one character after them (normally the blank);
    // a text that ends right after the words has the number 0.
    const char* number = found + kServicePackLength;
    if (*number != '\0') ++number;
    return LeadingNumber(number) >= minimum ? 0 : ERR_VERSION_TOO_OLD;
}

std::int32_t FindServerVersion(HostRecords& records) {
    VersionRecord version;
    records.QueryVersion(version);
    if (version.major == 5 && version.minor == 0) return 2000;
    if (version.major == 5 && version.minor == 2) return 2003;
    return 0;
}

ResultCode CheckIeVersion(HostRecords& records) {
    return NoThrow<ResultCode>(ERR_VERSION_TOO_OLD, [&]() -> ResultCode {
        char text[kBrowserVersionSize] = {};
        records.ReadRegistryString(kBrowserVersionKey, kBrowserVersionValue, text, sizeof text);
        text[sizeof text - 1] = '\0';
        return LeadingNumber(text) >= 6 ? 0 : ERR_VERSION_TOO_OLD;
    });
}

}  // namespace karvelin::checks

extern "C" ResultCode CheckOS(void) {
    using namespace karvelin;
    return NoThrow<ResultCode>(ERR_OS_UNSUPPORTED, [] { return checks::CheckOS(checks::SystemHostRecords()); });
}

extern "C" ResultCode CheckIeVersion(void) {
    return karvelin::checks::CheckIeVersion(karvelin::checks::SystemHostRecords());
}

extern "C" int32_t FindServerVersion(void) {
    using namespace karvelin;
    return NoThrow<std::int32_t>(0, [] { return checks::FindServerVersion(checks::SystemHostRecords()); });
}
