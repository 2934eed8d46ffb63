#include "checks/product_registry.h"

namespace karvelin::checks {
namespace {

constexpr char kProductKey[] = "TALVORNE";
constexpr char kMonitorSection[] = "Monitor";

}  // namespace

std::string ProductKeyPath(const char* section) {
    std::string path = "Software\\";
    path += kProductKey;
    path += '\\';
    path += section;
    return path;
}

std::string ReadProductString(const char* section, const char* value_name, const char* fallback,
                              RegistryPlatform& registry) {
    return registry.ReadText(ProductKeyPath(section).c_str(), value_name).value_or(fallback);
}

std::int32_t ReadProductDword(const char* section, const char* value_name, std::int32_t fallback,
                              RegistryPlatform& registry) {
    if (const auto number = registry.ReadNumber(ProductKeyPath(section).c_str(), value_name))
        return static_cast<std::int32_t>(*number);
    return fallback;
}

std::int32_t GetCurrentInstallationType(RegistryPlatform& registry) {
    if (ReadProductString(kMonitorSection, "DualComPort", "", registry).empty()) return 2;
    const auto state = static_cast<std::uint32_t>(ReadProductDword(kMonitorSection, "DualBamState", 1, registry));
    return static_cast<std::int32_t>(state - 1u);  // wraps: INT_MIN gives INT_MAX
}

}  // namespace karvelin::checks
