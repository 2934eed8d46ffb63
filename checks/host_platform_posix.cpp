// Linux: there is no Windows release and no registry. The version query leaves
// the record zeroed (so CheckOS answers ERR_OS_UNSUPPORTED and
// FindServerVersion 0) and registry reads find nothing (CheckIeVersion answers
// ERR_VERSION_TOO_OLD).
#include "checks/host_platform.h"

namespace karvelin::checks {
namespace {

class NoWindowsHost final : public HostPlatform {
public:
    void QueryVersion(VersionRecord&) override {}
    void ReadRegistryString(const char*, const char*, char*, std::size_t) override {}
};

NoWindowsHost g_host;

}  // namespace

HostPlatform& SystemHost() { return g_host; }

}  // namespace karvelin::checks
