// CheckUserRight through Karvelin.dll. Wine's default prefix gives the process
// token the Administrators group, enabled; a token made from it with that
// group for deny only is no administrator's.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Karvelin.h"
#include "checks/token_platform_win32.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

// The process token with the Administrators group for deny only.
win32::unique_handle DenyOnlyToken() {
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    win32::unique_sid administrators;
    win32::unique_handle process, restricted;
    if (::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                   0, 0, 0, administrators.put()) &&
        ::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, process.put())) {
        SID_AND_ATTRIBUTES disabled{administrators.get(), 0};
        ::CreateRestrictedToken(process.get(), 0, 1, &disabled, 0, nullptr, 0, nullptr, restricted.put());
    }
    return restricted;
}

TEST(CheckUserRightThroughTheDll, TheProcessTokenDecidesForEveryThread) {
    const LoadedKarvelin dll;
    auto check = dll.Get<ResultCode (*)()>("CheckUserRight");
    EXPECT_EQ(check(), 0u);

    const win32::unique_handle restricted = DenyOnlyToken();
    ASSERT_TRUE(restricted) << ::GetLastError();
    // A thread that impersonates the restricted token: the process's answer.
    bool impersonated = false;
    ResultCode answer = 1;
    std::thread([&] {
        if (!::ImpersonateLoggedOnUser(restricted.get())) return;
        win32::unique_handle thread_token;
        impersonated = ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, thread_token.put());
        answer = check();
        ::RevertToSelf();
    }).join();
    ASSERT_TRUE(impersonated);
    EXPECT_EQ(answer, 0u);

    // A process started with it: no administrator.
    const std::string command = "\"" + BesideSelf("karvelin.exe") + "\" CheckUserRight";
    const std::string restricted_output = RunCommand(command, restricted.get());
    EXPECT_NE(restricted_output.find(std::to_string(ERR_NOT_ADMIN) + "  ERR_NOT_ADMIN"), std::string::npos)
        << restricted_output;
    EXPECT_NE(RunCommand(command).find(" 0  OK"), std::string::npos);
}

// A TokenGroups block as the token fills it: the count, the entries, then the
// SIDs they point at (or, `inside` false, at the SIDs' own memory).
void FillBlock(std::string& block, DWORD count, const std::vector<std::pair<PSID, DWORD>>& groups,
               bool inside = true) {
    const std::size_t first = offsetof(TOKEN_GROUPS, Groups);
    std::size_t at = first + groups.size() * sizeof(SID_AND_ATTRIBUTES), size = at;
    for (const auto& group : groups) size += ::GetLengthSid(group.first);
    block.assign(size, '\0');
    std::memcpy(&block[0], &count, sizeof count);
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const DWORD length = ::GetLengthSid(groups[i].first);
        std::memcpy(&block[at], groups[i].first, length);
        const SID_AND_ATTRIBUTES entry{inside ? &block[at] : groups[i].first, groups[i].second};
        std::memcpy(&block[first + i * sizeof entry], &entry, sizeof entry);
        at += length;
    }
}

TEST(GroupsOfBlock, OnlyWhatLiesInsideTheBlock) {
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    win32::unique_sid admins, users;
    ASSERT_TRUE(::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                           0, 0, 0, 0, 0, admins.put()));
    ASSERT_TRUE(::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0,
                                           0, 0, 0, 0, 0, users.put()));
    const std::size_t first = offsetof(TOKEN_GROUPS, Groups);
    std::string two, flags, beyond, outside, cut, none;
    FillBlock(two, 2, {{users.get(), 7}, {admins.get(), 7}});
    // Enabled by SE_GROUP_ENABLED alone: not deny only, nor every other flag.
    FillBlock(flags, 4, {{admins.get(), 0x4}, {admins.get(), 0x10}, {admins.get(), 0xFFFFFFFB}, {users.get(), 3}});
    FillBlock(beyond, 100000, {{admins.get(), 7}});
    FillBlock(outside, 1, {{admins.get(), 7}}, false);
    FillBlock(none, 0, {{admins.get(), 7}});
    cut = two.substr(0, 2);
    const struct {
        const char* label;
        const std::string& block;
        std::size_t groups, administrators, enabled;
    } cases[] = {
        {"two groups", two, 2, 1, 2},
        {"attributes", flags, 4, 3, 1},
        {"a count beyond the block: the entries it has room for", beyond,
         (beyond.size() - first) / sizeof(SID_AND_ATTRIBUTES), 1, 1},
        {"a SID outside the block", outside, 1, 0, 1},
        {"a count of 0", none, 0, 0, 0},
        {"no room for the count", cut, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto groups = checks::GroupsOfBlock(c.block, admins.get());
        std::size_t administrators = 0, enabled = 0;
        for (const auto& group : groups) {
            administrators += group.administrators;
            enabled += group.enabled;
        }
        EXPECT_EQ(groups.size(), c.groups) << c.label;
        EXPECT_EQ(administrators, c.administrators) << c.label;
        EXPECT_EQ(enabled, c.enabled) << c.label;
    }
}

}  // namespace
}  // namespace karvelin::test
