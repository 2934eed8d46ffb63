// Linux has no tokens. The process's group list is made up: the
// Administrators group, enabled, when the effective user is root; no group
// otherwise. So CheckUserRight answers 0 for root and ERR_NOT_ADMIN else.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "checks/token_platform.h"

namespace karvelin::checks {
namespace {

char g_administrators[] = "S-1-5-32-544";

class RootAsAdministrator final : public TokenPlatform {
public:
    bool OpenProcessToken(void*& token) override {
        token = this;
        return true;
    }
    void CloseToken(void*) noexcept override {}

    bool QueryGroupsSize(void*, std::uint32_t& size, std::uint32_t& error) override {
        size = sizeof(TokenGroupList);
        error = kInsufficientBuffer;
        return false;
    }
    void* AllocateBlock(std::size_t size) override { return std::calloc(1, size); }
    void FreeBlock(void* block) noexcept override { std::free(block); }
    bool ReadGroups(void*, void* block, std::uint32_t size) override {
        if (size < sizeof(TokenGroupList)) return false;
        TokenGroupList groups{};
        if (::geteuid() == 0) groups = {1, {{g_administrators, kGroupEnabled}}};
        std::memcpy(block, &groups, sizeof groups);
        return true;
    }

    bool AllocateAdministratorsSid(void*& sid) override {
        sid = g_administrators;
        return true;
    }
    void FreeSid(void*) noexcept override {}
    bool EqualSid(void* a, void* b) override {
        return std::strcmp(static_cast<const char*>(a), static_cast<const char*>(b)) == 0;
    }
};

RootAsAdministrator g_token;

}  // namespace

TokenPlatform& SystemToken() { return g_token; }

}  // namespace karvelin::checks
