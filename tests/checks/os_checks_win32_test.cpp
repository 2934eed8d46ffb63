// The release and browser checks on the real platform. Wine reports the
// release and service pack that the registry's CurrentVersion key holds, so
// each case writes that key and asks a new process, through the DLL.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Karvelin.h"
#include "checks/release_cases.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

constexpr char kCurrentVersion[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kBrowserKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector";

using checks::ReleaseCase;

class ReleaseMatrix : public ::testing::TestWithParam<ReleaseCase> {
protected:
    static void SetUpTestSuite() {
        // Newer records carry the version as numbers too; the text must decide.
        DeleteRegistryValue(kCurrentVersion, "CurrentMajorVersionNumber");
        DeleteRegistryValue(kCurrentVersion, "CurrentMinorVersionNumber");
    }
};

TEST_P(ReleaseMatrix, ChecksOfANewProcess) {
    const ReleaseCase& c = GetParam();
    SetRegistryString(kCurrentVersion, "CurrentVersion",
                      std::to_string(c.major) + "." + std::to_string(c.minor));
    SetRegistryString(kCurrentVersion, "CurrentBuildNumber", c.build);
    if (c.service_pack)
        SetRegistryString(kCurrentVersion, "CSDVersion", c.service_pack);
    else
        DeleteRegistryValue(kCurrentVersion, "CSDVersion");
    SetRegistryString(kBrowserKey, "IE", "6.0000");

    const std::string expected =
        std::to_string(c.check_os) + " " + std::to_string(c.server) + " 0";
    EXPECT_EQ(RunProbeChecks(), expected);
}

// The releases Wine can be told: those with a build number.
std::vector<ReleaseCase> WineReleases() {
    std::vector<ReleaseCase> rows;
    for (const ReleaseCase& c : checks::kReleaseCases)
        if (c.build) rows.push_back(c);
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Releases, ReleaseMatrix, ::testing::ValuesIn(WineReleases()));

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
