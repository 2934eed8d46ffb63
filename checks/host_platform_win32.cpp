#include <windows.h>

#include <cstring>

#include "checks/host_platform.h"

namespace karvelin::checks {
namespace {

static_assert(sizeof(OSVERSIONINFOA) == 148, "the plain version record");

class SystemHostPlatform final : public HostPlatform {
public:
    void QueryVersion(VersionRecord& record) override {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        if (!::GetVersionExA(&info)) {
            record.error = ::GetLastError();
            return;
        }
        record.major = info.dwMajorVersion;
        record.minor = info.dwMinorVersion;
        static_assert(sizeof record.service_pack == sizeof info.szCSDVersion, "same text size");
        std::memcpy(record.service_pack, info.szCSDVersion, sizeof record.service_pack);
        record.service_pack[sizeof record.service_pack - 1] = '\0';
    }
};

SystemHostPlatform g_host;

}  // namespace

HostPlatform& SystemHost() { return g_host; }

}  // namespace karvelin::checks
