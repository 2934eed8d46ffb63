#include "checks/os_checks.h"

#include <climits>
#include <cstring>

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

ResultCode CheckOS(HostPlatform& records) {
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

std::int32_t FindServerVersion(HostPlatform& records) {
    VersionRecord version;
    records.QueryVersion(version);
    if (version.major == 5 && version.minor == 0) return 2000;
    if (version.major == 5 && version.minor == 2) return 2003;
    return 0;
}

ResultCode CheckIeVersion(RegistryPlatform& registry) {
    const auto text = registry.ReadText(kBrowserVersionKey, kBrowserVersionValue);
    if (!text || text->size() >= kBrowserVersionSize) return ERR_VERSION_TOO_OLD;
    return LeadingNumber(text->c_str()) >= 6 ? 0 : ERR_VERSION_TOO_OLD;
}

}  // namespace karvelin::checks

