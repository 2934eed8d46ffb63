// CheckUserRight through Karvelin.dll. Wine's default prefix gives the process
// token the Administrators group, enabled; a token made from it with that
// group for deny only is no administrator's.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "Karvelin.h"
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
    win32::unique_hmodule dll = LoadKarvelin();
    ASSERT_TRUE(dll);
    auto check = Export<ResultCode (*)()>(dll.get(), "CheckUserRight");
    ASSERT_NE(check, nullptr);
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
    char path[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof path - 1);
    std::string command = path;
    command = "\"" + command.erase(command.find_last_of('\\') + 1) + "karvelin.exe\" CheckUserRight";
    const std::string restricted_output = RunCommand(command, restricted.get());
    EXPECT_NE(restricted_output.find(std::to_string(ERR_NOT_ADMIN) + "  ERR_NOT_ADMIN"), std::string::npos)
        << restricted_output;
    EXPECT_NE(RunCommand(command).find(" 0  OK"), std::string::npos);
}

}  // namespace
}  // namespace karvelin::test
