#include <windows.h>

#include "checks/product_registry_platform.h"
#include "common/registry_win32.h"

namespace karvelin::checks {
namespace {

class SystemProductRegistryPlatform final : public ProductRegistryPlatform {
public:
    std::optional<std::string> ReadText(const std::string& key_path, const char* value_name) override {
        return win32::ReadRegistryText(HKEY_LOCAL_MACHINE, key_path.c_str(), value_name);
    }
    std::optional<std::uint32_t> ReadNumber(const std::string& key_path, const char* value_name) override {
        DWORD number = 0;  // a shorter value fills its low bytes
        const auto read = win32::ReadRegistryData(HKEY_LOCAL_MACHINE, key_path.c_str(), value_name, &number,
                                                  sizeof number);
        if (!read || *read == 0) return std::nullopt;
        return number;
    }
};

SystemProductRegistryPlatform g_product_registry;

}  // namespace

ProductRegistryPlatform& SystemProductRegistry() { return g_product_registry; }

}  // namespace karvelin::checks
