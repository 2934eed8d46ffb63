// CheckUserRight on the real platform, through Karvelin.dll. Wine's default
// prefix gives the process token the Administrators group, enabled; a token
// made from it with that group for deny only is no administrator's.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Karvelin.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

constexpr DWORD kEnabledOrDenyOnly = SE_GROUP_ENABLED | SE_GROUP_USE_FOR_DENY_ONLY;

win32::unique_sid AdministratorsSid() {
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    win32::unique_sid sid;
    ::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                               0, 0, sid.put());
    return sid;
}

// The Administrators group's attribute flags in a token; nothing when absent.
std::optional<DWORD> AdministratorsFlags(HANDLE token) {
    DWORD size = 0;
    ::GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
    std::vector<unsigned char> block(size + sizeof(TOKEN_GROUPS));
    if (!::GetTokenInformation(token, TokenGroups, block.data(), static_cast<DWORD>(block.size()), &size))
        return std::nullopt;
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(block.data());
    const win32::unique_sid administrators = AdministratorsSid();
    for (DWORD i = 0; i < groups->GroupCount; ++i)
        if (::EqualSid(groups->Groups[i].Sid, administrators.get())) return groups->Groups[i].Attributes;
    return std::nullopt;
}

// The process token with the Administrators group for deny only.
win32::unique_handle DenyOnlyToken() {
    win32::unique_handle process, restricted;
    win32::unique_sid administrators = AdministratorsSid();
    SID_AND_ATTRIBUTES disabled{administrators.get(), 0};
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, process.put()))
        ::CreateRestrictedToken(process.get(), 0, 1, &disabled, 0, nullptr, 0, nullptr, restricted.put());
    return restricted;
}

std::string ProgramFolder() {
    char path[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof path - 1);
    std::string folder = path;
    return folder.erase(folder.find_last_of('\\') + 1);
}

class CheckUserRightThroughTheDll : public ::testing::Test {
protected:
    void SetUp() override {
        dll_ = LoadKarvelin();
        ASSERT_TRUE(dll_);
        check_ = Export<ResultCode (*)()>(dll_.get(), "CheckUserRight");
        ASSERT_NE(check_, nullptr);
        restricted_ = DenyOnlyToken();
        ASSERT_TRUE(restricted_) << ::GetLastError();
        ASSERT_EQ(AdministratorsFlags(restricted_.get()).value_or(0) & kEnabledOrDenyOnly, SE_GROUP_USE_FOR_DENY_ONLY);
    }
    win32::unique_hmodule dll_;
    ResultCode (*check_)() = nullptr;
    win32::unique_handle restricted_;
};

TEST_F(CheckUserRightThroughTheDll, ThePrefixTokenHoldsTheGroupEnabled) {
    win32::unique_handle token;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()));
    ASSERT_EQ(AdministratorsFlags(token.get()).value_or(0) & kEnabledOrDenyOnly, SE_GROUP_ENABLED);
    EXPECT_EQ(check_(), 0u);
}

TEST_F(CheckUserRightThroughTheDll, AnImpersonatingThreadGetsTheProcessAnswer) {
    std::optional<DWORD> thread_flags;
    ResultCode answer = 1;
    std::thread([&] {
        if (!::ImpersonateLoggedOnUser(restricted_.get())) return;
        win32::unique_handle thread_token;
        if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, thread_token.put()))
            thread_flags = AdministratorsFlags(thread_token.get());
        answer = check_();
        ::RevertToSelf();
    }).join();
    ASSERT_TRUE(thread_flags) << "the thread did not impersonate";
    EXPECT_EQ(*thread_flags & kEnabledOrDenyOnly, SE_GROUP_USE_FOR_DENY_ONLY);
    EXPECT_EQ(answer, 0u);
}

TEST_F(CheckUserRightThroughTheDll, AProcessWithTheGroupForDenyOnlyIsNoAdministrator) {
    const std::string command = "\"" + ProgramFolder() + "karvelin.exe\" CheckUserRight";
    const std::string plain = RunCommand(command);
    EXPECT_NE(plain.find(" 0  OK"), std::string::npos) << plain;
    const std::string restricted = RunCommand(command, restricted_.get());
    EXPECT_NE(restricted.find(std::to_string(ERR_NOT_ADMIN) + "  ERR_NOT_ADMIN"), std::string::npos) << restricted;
}

}  // namespace
}  // namespace karvelin::test
