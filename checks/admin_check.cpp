#include "checks/admin_check.h"

#include <cstddef>
#include <cstring>
#include <memory>

namespace karvelin::checks {
namespace {

// Gives a resource back through the platform that handed it out.
template <void (TokenPlatform::*Release)(void*) noexcept>
struct GiveBack {
    TokenPlatform* platform;
    void operator()(void* resource) const noexcept { (platform->*Release)(resource); }
};
template <void (TokenPlatform::*Release)(void*) noexcept>
using Owned = std::unique_ptr<void, GiveBack<Release>>;

// Walks the group list for the Administrators SID with the enabled flag. The
// walk stays inside the block, whatever count it holds.
bool HoldsEnabledAdministrators(TokenPlatform& platform, const unsigned char* block, std::size_t size,
                                void* administrators) {
    constexpr std::size_t first = offsetof(TokenGroupList, groups);
    std::uint32_t count = 0;
    if (size < sizeof count) return false;
    std::memcpy(&count, block, sizeof count);
    const std::size_t room = size < first ? 0 : (size - first) / sizeof(TokenGroupEntry);
    for (std::size_t i = 0; i < count && i < room; ++i) {
        TokenGroupEntry group;
        std::memcpy(&group, block + first + i * sizeof group, sizeof group);
        if (platform.EqualSid(group.sid, administrators) && (group.attributes & kGroupEnabled) != 0) return true;
    }
    return false;
}

}  // namespace

ResultCode CheckUserRight(TokenPlatform& platform) {
    void* opened = nullptr;
    if (!platform.OpenProcessToken(opened)) return ERR_TOKEN_OPEN;
    const Owned<&TokenPlatform::CloseToken> token(opened, {&platform});

    // The size query has no buffer, so it must fail and say what it needs.
    std::uint32_t size = 0, error = 0;
    if (platform.QueryGroupsSize(token.get(), size, error) || error != kInsufficientBuffer || size == 0)
        return ERR_TOKEN_QUERY;
    const Owned<&TokenPlatform::FreeBlock> block(platform.AllocateBlock(size), {&platform});
    if (!block) return ERR_TOKEN_ALLOC;
    if (!platform.ReadGroups(token.get(), block.get(), size)) return ERR_TOKEN_QUERY;

    void* built = nullptr;
    if (!platform.AllocateAdministratorsSid(built)) return ERR_SID_ALLOC;
    const Owned<&TokenPlatform::FreeSid> administrators(built, {&platform});

    return HoldsEnabledAdministrators(platform, static_cast<const unsigned char*>(block.get()), size,
                                      administrators.get())
               ? 0
               : ERR_NOT_ADMIN;
}

}  // namespace karvelin::checks
