// The release and browser checks on the real platform. Wine reports the
// release and service pack that the registry's CurrentVersion key holds, so
// each case writes that key and asks a new process, through the DLL.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Karvelin.h"
#include "checks/release_cases.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

constexpr char kCurrentVersion[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kBrowserKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector";

// The releases Wine can be told: those with a build number.
TEST(ReleaseChecks, ChecksOfANewProcess) {
    // Newer records carry the version as numbers too; the text must decide.
    DeleteRegistryValue(kCurrentVersion, "CurrentMajorVersionNumber");
    DeleteRegistryValue(kCurrentVersion, "CurrentMinorVersionNumber");
    for (const checks::ReleaseCase& c : checks::kReleaseCases) {
        if (!c.build) continue;
        const std::string release = std::to_string(c.major) + "." + std::to_string(c.minor);
        SetRegistryString(kCurrentVersion, "CurrentVersion", release);
        SetRegistryString(kCurrentVersion, "CurrentBuildNumber", c.build);
        if (c.service_pack)
            SetRegistryString(kCurrentVersion, "CSDVersion", c.service_pack);
        else
            DeleteRegistryValue(kCurrentVersion, "CSDVersion");
        SetRegistryString(kBrowserKey, "IE", "6.0000");
        EXPECT_EQ(RunProbeChecks(), std::to_string(c.check_os) + " " + std::to_string(c.server) + " 0")
            << release << " " << c.build << " " << (c.service_pack ? c.service_pack : "(none)");
    }
}

TEST(CheckIeVersionOnWindows, ReadsTheBrowserValueAfresh) {
    const LoadedKarvelin dll;
    auto check = dll.Get<ResultCode (*)()>("CheckIeVersion");
    for (const checks::BrowserCase& c : checks::kBrowserCases) {
        if (c.value)
            SetRegistryString(kBrowserKey, "IE", c.value);
        else
            DeleteRegistryValue(kBrowserKey, "IE");
        EXPECT_EQ(check(), c.expected) << (c.value ? c.value : "(none)");
    }
    SetRegistryValue(kBrowserKey, "IE", REG_BINARY, "7", 1);  // no terminating NUL
    EXPECT_EQ(check(), 0u);
    SetRegistryString(kBrowserKey, "IE", "6.0000");
}

}  // namespace
}  // namespace karvelin::test
