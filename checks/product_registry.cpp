#include "checks/product_registry.h"

#include "common/log_tell.h"

namespace karvelin::checks {
namespace {

constexpr char kProductKey[] = "TALVORNE";
constexpr char kMonitorSection[] = "Monitor";
constexpr char kFunction[] = "GetCurrentInstallationType";

// "read: HKLM\Software\TALVORNE\Monitor\<name>: <value>", or the system's
// error and the default taken.
void TellRead(const char* value_name, SystemError error, const std::string& value) {
    log::Step(kFunction, "read: HKLM\\" + ProductKeyPath(kMonitorSection) + "\\" + value_name + ": " +
                             (error ? ErrorText(error) + ", default " + value : value));
}

}  // namespace

std::string ProductKeyPath(const char* section) {
    std::string path = "Software\\";
    path += kProductKey;
    path += '\\';
    path += section;
    return path;
}

std::string ReadProductString(const char* section, const char* value_name, const char* fallback,
                              RegistryPlatform& registry, SystemError* error) {
    SystemError read_error = 0;
    const auto text = registry.ReadText(ProductKeyPath(section).c_str(), value_name, &read_error);
    if (error) *error = text ? 0 : read_error;
    return text.value_or(fallback);
}

std::int32_t ReadProductDword(const char* section, const char* value_name, std::int32_t fallback,
                              RegistryPlatform& registry, SystemError* error) {
    SystemError read_error = 0;
    const auto number = registry.ReadNumber(ProductKeyPath(section).c_str(), value_name, &read_error);
    if (error) *error = number ? 0 : read_error;
    return number ? static_cast<std::int32_t>(*number) : fallback;
}

std::int32_t GetCurrentInstallationType(RegistryPlatform& registry) {
    SystemError error = 0;
    const std::string port = ReadProductString(kMonitorSection, "DualComPort", "", registry, &error);
    log::Tell([&] { TellRead("DualComPort", error, "'" + port + "'"); });
    std::int32_t type = 2;
    if (!port.empty()) {
        const auto state =
            static_cast<std::uint32_t>(ReadProductDword(kMonitorSection, "DualBamState", 1, registry, &error));
        log::Tell([&] { TellRead("DualBamState", error, std::to_string(state)); });
        type = static_cast<std::int32_t>(state - 1u);  // wraps: INT_MIN gives INT_MAX
    }
    log::Tell([&] { log::Step(kFunction, "installation type: " + std::to_string(type)); });
    return type;
}

}  // namespace karvelin::checks
