// Linux: there is no Windows release. The version query leaves the record
// zeroed, so CheckOS answers ERR_OS_UNSUPPORTED and FindServerVersion 0.
#include "checks/host_platform.h"

namespace karvelin::checks {
namespace {

class NoWindowsHost final : public HostPlatform {
public:
    void QueryVersion(VersionRecord&) override {}
};

NoWindowsHost g_host;

}  // namespace

HostPlatform& SystemHost() { return g_host; }

}  // namespace karvelin::checks
