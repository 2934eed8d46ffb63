#include "checks/admin_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_capture.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace karvelin::checks {
namespace {

struct FixedToken final : TokenPlatform {
    GroupList answer;
    GroupList ProcessGroups() override { return answer; }
};

// The rule: 0 when some group is the Administrators group with the enabled
// flag set; ERR_NOT_ADMIN otherwise; the failing step's own code before any
// group is looked at.
TEST(CheckUserRight, AdministratorsGroupEnabledAndNothingElse) {
    const TokenGroup admins_enabled{true, true}, admins_disabled{true, false};
    const TokenGroup users_enabled{false, true};
    const struct {
        const char* label;
        TokenFailure failure;
        std::vector<TokenGroup> groups;
        ResultCode expected;
    } cases[] = {
        {"no groups", TokenFailure::kNone, {}, ERR_NOT_ADMIN},
        {"Administrators, enabled", TokenFailure::kNone, {admins_enabled}, 0},
        {"Administrators, not enabled (deny only, disabled)", TokenFailure::kNone, {admins_disabled}, ERR_NOT_ADMIN},
        {"another group, enabled", TokenFailure::kNone, {users_enabled}, ERR_NOT_ADMIN},
        {"several, Administrators last", TokenFailure::kNone, {users_enabled, {false, false}, admins_enabled}, 0},
        {"several, not enabled before enabled", TokenFailure::kNone, {admins_disabled, admins_enabled}, 0},
        {"several, enabled before not enabled", TokenFailure::kNone, {admins_enabled, admins_disabled}, 0},
        {"several, none of them an enabled Administrators", TokenFailure::kNone,
         {users_enabled, admins_disabled, {false, false}}, ERR_NOT_ADMIN},
        {"token not opened", TokenFailure::kOpen, {}, ERR_TOKEN_OPEN},
        {"groups not read", TokenFailure::kQuery, {}, ERR_TOKEN_QUERY},
        {"no memory for the groups", TokenFailure::kAllocate, {}, ERR_TOKEN_ALLOC},
        {"no Administrators SID", TokenFailure::kAdministratorsSid, {}, ERR_SID_ALLOC},
        {"a failure outweighs the groups", TokenFailure::kQuery, {admins_enabled}, ERR_TOKEN_QUERY},
    };
    // A failed step is named with the system's error, a refusal with whether
    // the Administrators group is present and enabled.
    const char* const kSteps[] = {"groups: ", "open process token: error 5", "read token groups: error 5",
                                  "allocate token groups: error 5", "build Administrators SID: error 5"};
    for (const auto& c : cases) {
        FixedToken token;
        token.answer = {c.failure, c.groups, 5};
        test::LogCapture log;
        EXPECT_EQ(CheckUserRight(token), c.expected) << c.label;
        EXPECT_EQ(log.Has("failure CheckUserRight: " + std::string(kSteps[int(c.failure)])), c.expected != 0)
            << c.label << log.Lines();
    }
}

#ifndef _WIN32
// Linux: the effective user root holds the Administrators group, enabled;
// anyone else holds no group. Only root can take another user's identity.
TEST(CheckUserRight, LinuxAnswersByTheEffectiveUser) {
    const struct {
        uid_t user;
        std::size_t groups;
        ResultCode expected;
    } cases[] = {{0, 1, 0}, {65534, 0, ERR_NOT_ADMIN}, {1000, 0, ERR_NOT_ADMIN}};
    const uid_t self = ::geteuid();
    if (self != 0) {
        EXPECT_EQ(CheckUserRight(SystemToken()), ERR_NOT_ADMIN);
    }
    for (const auto& c : cases) {
        if (self != 0 && c.user != self) continue;
        ASSERT_EQ(::seteuid(c.user), 0) << c.user;
        const GroupList read = SystemToken().ProcessGroups();
        const ResultCode answer = CheckUserRight(SystemToken());
        if (self == 0) {
            ASSERT_EQ(::seteuid(0), 0);
        }
        EXPECT_EQ(answer, c.expected) << c.user;
        EXPECT_EQ(read.failure, TokenFailure::kNone) << c.user;
        ASSERT_EQ(read.groups.size(), c.groups) << c.user;
        if (c.groups) {
            EXPECT_TRUE(read.groups[0].administrators && read.groups[0].enabled);
        }
    }
}
#endif

}  // namespace
}  // namespace karvelin::checks
