#include "checks/os_checks.h"

#include <climits>
#include <cstring>
#include <string>

#include "common/log_tell.h"
#include "common/system_error.h"

namespace karvelin::checks {
namespace {

constexpr char kServicePack[] = "Service Pack";
constexpr std::size_t kServicePackLength = sizeof kServicePack - 1;  // 12

// The version record read, as "5.1 'Service Pack 2'"; a failed query told.
std::string QueryVersion(const char* function, HostPlatform& records, VersionRecord& version) {
    records.QueryVersion(version);
    version.service_pack[sizeof version.service_pack - 1] = '\0';
    std::string release;
    log::Tell([&] {
        if (version.error) log::Failure(function, "query version: " + ErrorText(version.error));
        release = std::to_string(version.major) + "." + std::to_string(version.minor);
        log::Step(function, "query version: " + release + " '" + version.service_pack + "'");
    });
    return release;
}

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
    constexpr char kFunction[] = "CheckOS";
    VersionRecord version;
    const std::string release = QueryVersion(kFunction, records, version);

    std::int32_t minimum = -1;
    if (version.major == 5) {
        switch (version.minor) {
            case 0: minimum = 4; break;  // Windows 2000
            case 1: minimum = 2; break;  // Windows XP
            case 2: minimum = 1; break;  // Windows Server 2003
        }
    }
    if (minimum < 0) {
        log::Tell([&] { log::Failure(kFunction, "check release: " + release + ": not 5.0, 5.1 or 5.2"); });
        return ERR_OS_UNSUPPORTED;
    }

    const char* found = std::strstr(version.service_pack, kServicePack);
    if (!found) {
        log::Tell([&] { log::Failure(kFunction, "check service pack: " + release + ": no service pack"); });
        return ERR_OS_NO_SERVICE_PACK;
    }
    // Skip the words and the one character after them (normally the blank);
    // a text that ends right after the words has the number 0.
    const char* number = found + kServicePackLength;
    if (*number != '\0') ++number;
    const std::int32_t pack = LeadingNumber(number);
    if (pack >= minimum) return 0;
    log::Tell([&] {
        log::Failure(kFunction, "check service pack: " + release + ": service pack " + std::to_string(pack) +
                                    ", below " + std::to_string(minimum));
    });
    return ERR_VERSION_TOO_OLD;
}

std::int32_t FindServerVersion(HostPlatform& records) {
    constexpr char kFunction[] = "FindServerVersion";
    VersionRecord version;
    const std::string release = QueryVersion(kFunction, records, version);
    std::int32_t server = 0;
    if (version.major == 5 && version.minor == 0) server = 2000;
    if (version.major == 5 && version.minor == 2) server = 2003;
    log::Tell([&] { log::Step(kFunction, "server release: " + release + ": " + std::to_string(server)); });
    return server;
}

ResultCode CheckIeVersion(RegistryPlatform& registry) {
    constexpr char kFunction[] = "CheckIeVersion";
    SystemError error = 0;
    const auto text = registry.ReadText(kBrowserVersionKey, kBrowserVersionValue, &error);
    const std::int32_t major = text && text->size() < kBrowserVersionSize ? LeadingNumber(text->c_str()) : 0;
    log::Tell([&] {
        const std::string value = std::string("read: HKLM\\") + kBrowserVersionKey + "\\" + kBrowserVersionValue + ": ";
        const bool fits = text && text->size() < kBrowserVersionSize;
        if (!text) log::Failure(kFunction, value + ErrorText(error));
        else if (!fits)
            log::Failure(kFunction, value + std::to_string(text->size()) + " characters, more than " +
                                        std::to_string(kBrowserVersionSize - 1));
        else log::Step(kFunction, value + "'" + *text + "'");
        if (fits && major < 6) log::Failure(kFunction, "check version: " + std::to_string(major) + ", below 6");
    });
    return major >= 6 ? 0 : ERR_VERSION_TOO_OLD;
}

}  // namespace karvelin::checks

