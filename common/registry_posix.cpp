// Linux has no registry: no value is ever read, so the readers of the checks
// answer their defaults.
#include "common/registry_platform.h"

namespace karvelin {
namespace {

class NoRegistry final : public RegistryPlatform {
public:
    std::optional<std::string> ReadText(const char*, const char*) override { return std::nullopt; }
    std::optional<std::uint32_t> ReadNumber(const char*, const char*) override { return std::nullopt; }
};

NoRegistry g_registry;

}  // namespace

RegistryPlatform& SystemRegistry() { return g_registry; }

}  // namespace karvelin
