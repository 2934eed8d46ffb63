#include <windows.h>

#include <cstddef>

#include "checks/token_platform.h"

namespace karvelin::checks {
namespace {

static_assert(sizeof(TokenGroupEntry) == sizeof(SID_AND_ATTRIBUTES), "the system's group entry");
static_assert(offsetof(TokenGroupEntry, sid) == offsetof(SID_AND_ATTRIBUTES, Sid), "the system's group entry");
static_assert(offsetof(TokenGroupEntry, attributes) == offsetof(SID_AND_ATTRIBUTES, Attributes),
              "the system's group entry");
static_assert(offsetof(TokenGroupList, groups) == offsetof(TOKEN_GROUPS, Groups), "the system's group list");
static_assert(kGroupEnabled == SE_GROUP_ENABLED && kInsufficientBuffer == ERROR_INSUFFICIENT_BUFFER,
              "the system's values");

class SystemTokenPlatform final : public TokenPlatform {
public:
    bool OpenProcessToken(void*& token) override {
        HANDLE handle = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &handle)) return false;
        token = handle;
        return true;
    }
    void CloseToken(void* token) noexcept override { ::CloseHandle(token); }

    bool QueryGroupsSize(void* token, std::uint32_t& size, std::uint32_t& error) override {
        DWORD needed = 0;
        if (::GetTokenInformation(token, TokenGroups, nullptr, 0, &needed)) {
            size = needed;
            return true;
        }
        error = ::GetLastError();
        size = needed;
        return false;
    }
    void* AllocateBlock(std::size_t size) override { return ::GlobalAlloc(GPTR, size); }
    void FreeBlock(void* block) noexcept override { ::GlobalFree(block); }
    bool ReadGroups(void* token, void* block, std::uint32_t size) override {
        DWORD read = 0;
        return ::GetTokenInformation(token, TokenGroups, block, size, &read) != 0;
    }

    bool AllocateAdministratorsSid(void*& sid) override {
        SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
        PSID built = nullptr;
        if (!::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                        0, 0, 0, 0, 0, &built))
            return false;
        sid = built;
        return true;
    }
    void FreeSid(void* sid) noexcept override { ::FreeSid(sid); }
    bool EqualSid(void* a, void* b) override { return ::EqualSid(a, b) != 0; }
};

SystemTokenPlatform g_token;

}  // namespace

TokenPlatform& SystemToken() { return g_token; }

}  // namespace karvelin::checks
