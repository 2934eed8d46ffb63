// What the administrator check takes from the system: the process token, its
// group list in a block of the global heap, and the Administrators SID. Each
// acquiring call has its release here too, for the check's owners.
#pragma once

#include <cstddef>
#include <cstdint>

namespace karvelin::checks {

// The group list as the token reports it (TOKEN_GROUPS): a 32-bit count, then
// that many entries (SID_AND_ATTRIBUTES), whose SIDs lie in the same block.
struct TokenGroupEntry {
    void* sid;
    std::uint32_t attributes;
};
struct TokenGroupList {
    std::uint32_t count;
    TokenGroupEntry groups[1];
};

// The one attribute the check looks at (SE_GROUP_ENABLED).
inline constexpr std::uint32_t kGroupEnabled = 0x00000004;
// The error the size query is expected to fail with (ERROR_INSUFFICIENT_BUFFER).
inline constexpr std::uint32_t kInsufficientBuffer = 122;

class TokenPlatform {
public:
    virtual ~TokenPlatform() = default;

    // The token of the current process (never a thread's), for TOKEN_QUERY
    // alone. False when it cannot be opened.
    virtual bool OpenProcessToken(void*& token) = 0;
    virtual void CloseToken(void* token) noexcept = 0;

    // Asks for the group list's size with no buffer. False when the call
    // failed, with the system's error in `error` (and the size in `size`).
    virtual bool QueryGroupsSize(void* token, std::uint32_t& size, std::uint32_t& error) = 0;
    // A zero-filled block of `size` bytes (GlobalAlloc with GPTR); null when
    // there is none to be had.
    virtual void* AllocateBlock(std::size_t size) = 0;
    virtual void FreeBlock(void* block) noexcept = 0;
    // Reads the group list into the block, offering its whole size.
    virtual bool ReadGroups(void* token, void* block, std::uint32_t size) = 0;

    // S-1-5-32-544, the built-in Administrators group (AllocateAndInitializeSid).
    virtual bool AllocateAdministratorsSid(void*& sid) = 0;
    virtual void FreeSid(void* sid) noexcept = 0;
    virtual bool EqualSid(void* a, void* b) = 0;
};

// The Win32 security API. Linux has no tokens: the process is taken to hold
// the Administrators group, enabled, when its effective user is root, and no
// group otherwise.
TokenPlatform& SystemToken();

}  // namespace karvelin::checks
