// The release and browser checks on the real platform. Wine reports the
// release and service pack that the registry's CurrentVersion key holds, so
// each case writes that key and asks a new process, through the DLL.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Karvelin.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

constexpr char kCurrentVersion[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kBrowserKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector";

struct ReleaseCase {
    const char* version;
    const char* build;
    const char* service_pack;  // nullptr: no CSDVersion value at all
    ResultCode check_os;
    int server;
};

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
    SetRegistryString(kCurrentVersion, "CurrentVersion", c.version);
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

INSTANTIATE_TEST_SUITE_P(
    Releases, ReleaseMatrix,
    ::testing::Values(ReleaseCase{"5.0", "2195", "Service Pack 3", ERR_VERSION_TOO_OLD, 2000},
                      ReleaseCase{"5.0", "2195", "Service Pack 4", 0, 2000},
                      ReleaseCase{"5.1", "2600", "", ERR_OS_NO_SERVICE_PACK, 0},
                      ReleaseCase{"5.1", "2600", nullptr, ERR_OS_NO_SERVICE_PACK, 0},
                      ReleaseCase{"5.1", "2600", "Service Pack 1", ERR_VERSION_TOO_OLD, 0},
                      ReleaseCase{"5.1", "2600", "Service Pack 2", 0, 0},
                      ReleaseCase{"5.1", "2600", "Service Pack2", ERR_VERSION_TOO_OLD, 0},
                      ReleaseCase{"5.1", "2600", "Service Pack 2, v.2096", 0, 0},
                      ReleaseCase{"5.2", "3790", "Service Pack 1", 0, 2003},
                      ReleaseCase{"5.3", "3790", "Service Pack 1", ERR_OS_UNSUPPORTED, 0},
                      ReleaseCase{"4.0", "1381", "Service Pack 6", ERR_OS_UNSUPPORTED, 0},
                      ReleaseCase{"6.1", "7601", "Service Pack 1", ERR_OS_UNSUPPORTED, 0}));

TEST(CheckIeVersionOnWindows, ReadsTheBrowserValueAfresh) {
    win32::unique_hmodule dll = LoadKarvelin();
    ASSERT_TRUE(dll);
    auto check = Export<ResultCode (*)()>(dll.get(), "CheckIeVersion");
    ASSERT_NE(check, nullptr);
    const std::string kMissing = "(missing)";
    const struct {
        std::string value;
        ResultCode expected;
    } cases[] = {
        {"5.5000", ERR_VERSION_TOO_OLD},
        {"6.0000", 0},
        {"7.0000", 0},
        {kMissing, ERR_VERSION_TOO_OLD},
        {"", ERR_VERSION_TOO_OLD},
        {"7" + std::string(36, '0') + ".0", 0},                  // 39 characters: fits the 40 bytes
        {"8" + std::string(37, '0') + ".0", ERR_VERSION_TOO_OLD},  // 40: no room for the NUL, refused
    };
    for (const auto& c : cases) {
        if (c.value == kMissing)
            DeleteRegistryValue(kBrowserKey, "IE");
        else
            SetRegistryString(kBrowserKey, "IE", c.value);
        EXPECT_EQ(check(), c.expected) << c.value;
    }
    SetRegistryValue(kBrowserKey, "IE", REG_BINARY, "7", 1);  // no terminating NUL
    EXPECT_EQ(check(), 0u);
    SetRegistryString(kBrowserKey, "IE", "6.0000");
}

}  // namespace
}  // namespace karvelin::test
