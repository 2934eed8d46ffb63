#include "checks/os_checks.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "common/fake_registry.h"

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

struct ReleaseCase {
    std::uint32_t major, minor;
    const char* service_pack;
    ResultCode check_os;
    std::int32_t server;
};

TEST(ReleaseChecks, AnswerPerReleaseAndServicePack) {
    const ReleaseCase cases[] = {
        {5, 0, "Service Pack 3", ERR_VERSION_TOO_OLD, 2000},
        {5, 0, "Service Pack 4", 0, 2000},
        {5, 0, "Service Pack 10", 0, 2000},
        {5, 0, "", ERR_OS_NO_SERVICE_PACK, 2000},
        {5, 1, "Service Pack 1", ERR_VERSION_TOO_OLD, 0},
        {5, 1, "Service Pack 2", 0, 0},
        {5, 1, "", ERR_OS_NO_SERVICE_PACK, 0},
        {5, 1, "service pack 2", ERR_OS_NO_SERVICE_PACK, 0},  // case-sensitive
        {5, 1, "Dienstpaket 2", ERR_OS_NO_SERVICE_PACK, 0},
        {5, 2, "Service Pack 1", 0, 2003},
        {5, 2, "", ERR_OS_NO_SERVICE_PACK, 2003},
        {5, 2, "Service Pack 0", ERR_VERSION_TOO_OLD, 2003},
        {5, 3, "Service Pack 9", ERR_OS_UNSUPPORTED, 0},
        {4, 0, "Service Pack 6", ERR_OS_UNSUPPORTED, 0},
        {6, 0, "Service Pack 2", ERR_OS_UNSUPPORTED, 0},
        {6, 1, "Service Pack 1", ERR_OS_UNSUPPORTED, 0},
        {0, 0, "", ERR_OS_UNSUPPORTED, 0},  // the version query failed
        // The character after the words is skipped whatever it is.
        {5, 1, "Service Pack2", ERR_VERSION_TOO_OLD, 0},
        {5, 2, "Service Pack1", ERR_VERSION_TOO_OLD, 2003},
        {5, 1, "Service Pack 2, v.2096", 0, 0},
        {5, 1, "Service Pack", ERR_VERSION_TOO_OLD, 0},  // ends after the words: 0
        {5, 2, "Service Pack  1", 0, 2003},               // white space before the number
        {5, 2, "Service Pack -1", ERR_VERSION_TOO_OLD, 2003},
        {5, 1, "Update, Service Pack 3", 0, 0},           // first occurrence anywhere
        {5, 1, "Service Pack 99999999999", 0, 0},         // saturates, still above the minimum
    };
    for (const ReleaseCase& c : cases) {
        FakeRecords records = Release(c.major, c.minor, c.service_pack);
        SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor) + " '" + c.service_pack + "'");
        EXPECT_EQ(CheckOS(records), c.check_os);
        EXPECT_EQ(FindServerVersion(records), c.server);
    }
}

TEST(ReleaseChecks, UnterminatedServicePackTextIsReadWithinTheRecord) {
    FakeRecords records = Release(5, 1, "");
    std::memset(records.version.service_pack, 'x', sizeof records.version.service_pack);
    std::memcpy(records.version.service_pack + 114, "Service Pack 2", 14);  // runs to the last byte
    EXPECT_EQ(CheckOS(records), ERR_VERSION_TOO_OLD);  // "Service Pack " then the cut-off 2
}

TEST(CheckIeVersion, MajorVersionSixOrMoreInFortyBytes) {
    const std::string kPath = "SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector\\IE";
    const struct {
        std::optional<std::string> value;
        ResultCode expected;
    } cases[] = {
        {"5.5000", ERR_VERSION_TOO_OLD},
        {"6.0000", 0},
        {"7.0000", 0},
        {"11.0.9600", 0},
        {"", ERR_VERSION_TOO_OLD},
        {std::nullopt, ERR_VERSION_TOO_OLD},
        {" 6", 0},
        {"v6", ERR_VERSION_TOO_OLD},
        {"-7", ERR_VERSION_TOO_OLD},
        {"7" + std::string(38, '0'), 0},                    // 39 characters and the NUL: fits
        {"7" + std::string(39, '0'), ERR_VERSION_TOO_OLD},  // 40: no room for the NUL
    };
    for (const auto& c : cases) {
        test::FakeRegistry registry;
        if (c.value) registry.texts[kPath] = *c.value;
        EXPECT_EQ(CheckIeVersion(registry), c.expected) << c.value.value_or("(none)");
        EXPECT_EQ(registry.reads, std::vector<std::string>{kPath});
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
