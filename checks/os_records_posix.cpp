// Linux: there is no Windows release and no registry. The version query leaves
// the record zeroed (so CheckOS answers ERR_OS_UNSUPPORTED and
// FindServerVersion 0) and registry reads find nothing (CheckIeVersion answers
// ERR_VERSION_TOO_OLD).
#include "checks/os_checks.h"

namespace karvelin::checks {
namespace {

class NoWindowsRecords final : public HostRecords {
public:
    void QueryVersion(VersionRecord&) override {}
    void ReadRegistryString(const char*, const char*, char*, std::size_t) override {}
};

}  // namespace

HostRecords& SystemHostRecords() {
    static NoWindowsRecords records;
    return records;
}

}  // namespace karvelin::checks
