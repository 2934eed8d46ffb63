// Linux has no registry: no setting is ever read, so the readers answer their
// defaults and GetCurrentInstallationType answers 2.
#include "checks/product_registry_platform.h"

namespace karvelin::checks {
namespace {

class NoRegistry final : public ProductRegistryPlatform {
public:
    std::optional<std::string> ReadText(const std::string&, const char*) override { return std::nullopt; }
    std::optional<std::uint32_t> ReadNumber(const std::string&, const char*) override { return std::nullopt; }
};

NoRegistry g_product_registry;

}  // namespace

ProductRegistryPlatform& SystemProductRegistry() { return g_product_registry; }

}  // namespace karvelin::checks
