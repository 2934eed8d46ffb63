#include "checks/os_checks.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "checks/release_cases.h"
#include "common/fake_registry.h"
#include "log_capture.h"

namespace karvelin::checks {
namespace {

// The version record as a test arranges it.
class FakeRecords final : public HostPlatform {
public:
    VersionRecord version;
    void QueryVersion(VersionRecord& record) override { record = version; }
};

FakeRecords Release(std::uint32_t major, std::uint32_t minor, const char* service_pack) {
    FakeRecords records;
    records.version.major = major;
    records.version.minor = minor;
    std::strncpy(records.version.service_pack, service_pack, sizeof records.version.service_pack - 1);
    return records;
}

TEST(ReleaseChecks, AnswerPerReleaseAndServicePack) {
    for (const ReleaseCase& c : kReleaseCases) {
        const char* service_pack = c.service_pack ? c.service_pack : "";
        FakeRecords records = Release(c.major, c.minor, service_pack);
        const std::string release = std::to_string(c.major) + "." + std::to_string(c.minor);
        SCOPED_TRACE(release + " '" + service_pack + "'");
        test::LogCapture log;
        EXPECT_EQ(CheckOS(records), c.check_os);
        EXPECT_EQ(FindServerVersion(records), c.server);
        // A refusal names the step and the release read.
        const char* step = c.check_os == ERR_OS_UNSUPPORTED ? ": check release: " : ": check service pack: ";
        EXPECT_TRUE(!c.check_os || log.Has("failure CheckOS" + (step + release))) << log.Lines();
        EXPECT_TRUE(log.Has("FindServerVersion: server release: " + release + ": " + std::to_string(c.server)));
    }
    FakeRecords failed;
    failed.version.error = 5;
    test::LogCapture log;
    EXPECT_EQ(CheckOS(failed), ERR_OS_UNSUPPORTED);
    EXPECT_TRUE(log.Has("failure CheckOS: query version: error 5")) << log.Lines();
}

TEST(ReleaseChecks, UnterminatedServicePackTextIsReadWithinTheRecord) {
    FakeRecords records = Release(5, 1, "");
    std::memset(records.version.service_pack, 'x', sizeof records.version.service_pack);
    std::memcpy(records.version.service_pack + 114, "Service Pack 2", 14);  // runs to the last byte
    EXPECT_EQ(CheckOS(records), ERR_VERSION_TOO_OLD);  // "Service Pack " then the cut-off 2
}

TEST(CheckIeVersion, MajorVersionSixOrMoreInFortyBytes) {
    const std::string kPath = "SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector\\IE";
    for (const BrowserCase& c : kBrowserCases) {
        test::FakeRegistry registry;
        if (c.value) registry.texts[kPath] = c.value;
        test::LogCapture log;
        EXPECT_EQ(CheckIeVersion(registry), c.expected) << (c.value ? c.value : "(none)");
        EXPECT_EQ(registry.reads, std::vector<std::string>{kPath});
        // The value read, or the system's error; a failure says why.
        EXPECT_TRUE(log.Has(": read: HKLM\\" + kPath + ": " + (c.value ? "" : "error 2: "))) << log.Lines();
        EXPECT_EQ(log.Has("failure CheckIeVersion: "), c.expected != 0) << log.Lines();
    }
}

TEST(LeadingNumber, FollowsTheAtoiRules) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"", 0},           {"6.0000", 6},      {"  \t\n42x", 42},  {"+3", 3},
        {"-3", -3},        {"- 3", 0},         {"abc", 0},         {"007", 7},
        {"2147483647", INT_MAX},               {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},              {"-2147483647", -INT_MAX},
        {"-99999999999999999999", INT_MIN},
        {"99999999999999999999999", INT_MAX},  {"\v\f\r1", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(LeadingNumber(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace karvelin::checks
