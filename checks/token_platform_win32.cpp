#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "checks/token_platform_win32.h"
#include "common/sized_text.h"
#include "common/win32_owners.h"

namespace karvelin::checks {

namespace {

// Whether a group's SID lies whole inside the block, where the token puts it.
bool InsideBlock(const std::string& block, const void* sid) {
    const auto begin = reinterpret_cast<std::uintptr_t>(block.data());
    const auto at = reinterpret_cast<std::uintptr_t>(sid);
    if (at < begin || at - begin > block.size() || block.size() - (at - begin) < 8) return false;
    // The sub-authorities' count, then as many 4-byte sub-authorities.
    const std::size_t length = 8 + 4 * std::size_t{static_cast<const unsigned char*>(sid)[1]};
    return block.size() - (at - begin) >= length;
}

}  // namespace

std::vector<TokenGroup> GroupsOfBlock(const std::string& block, void* administrators) {
    std::vector<TokenGroup> groups;
    constexpr std::size_t first = offsetof(TOKEN_GROUPS, Groups);
    DWORD count = 0;
    if (block.size() < sizeof count) return groups;
    std::memcpy(&count, block.data(), sizeof count);
    const std::size_t room = block.size() < first ? 0 : (block.size() - first) / sizeof(SID_AND_ATTRIBUTES);
    for (std::size_t i = 0; i < count && i < room; ++i) {
        SID_AND_ATTRIBUTES entry;
        std::memcpy(&entry, block.data() + first + i * sizeof entry, sizeof entry);
        const bool matches = InsideBlock(block, entry.Sid) && ::EqualSid(entry.Sid, administrators);
        groups.push_back({matches, (entry.Attributes & SE_GROUP_ENABLED) != 0});
    }
    return groups;
}

namespace {

class SystemTokenPlatform final : public TokenPlatform {
public:
    GroupList ProcessGroups() override {
        GroupList read;
        win32::unique_handle token;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) {
            read.failure = TokenFailure::kOpen;
            read.error = ::GetLastError();
            return read;
        }
        // The SIDs lie in the block: it stays where the last call filled it.
        std::optional<std::string> block;
        DWORD query_error = ERROR_SUCCESS;
        try {
            // The first call is offered no room: it must fail and name the
            // size, which the second call is offered.
            block = ReadSizedData(
                [&](void* buffer, std::size_t offered, std::size_t& length) {
                    DWORD returned = 0;
                    const BOOL done = ::GetTokenInformation(token.get(), TokenGroups, buffer,
                                                            static_cast<DWORD>(offered), &returned);
                    length = returned;
                    if (done) return Fill::kDone;
                    query_error = ::GetLastError();
                    return query_error == ERROR_INSUFFICIENT_BUFFER ? Fill::kMoreData : Fill::kFailed;
                },
                1);
        } catch (const std::bad_alloc&) {
            read.failure = TokenFailure::kAllocate;
            read.error = ERROR_NOT_ENOUGH_MEMORY;
            return read;
        }
        if (!block || block->empty()) {
            read.failure = TokenFailure::kQuery;
            read.error = query_error;
            return read;
        }

        SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
        win32::unique_sid administrators;
        if (!::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                        0, 0, 0, 0, administrators.put())) {
            read.failure = TokenFailure::kAdministratorsSid;
            read.error = ::GetLastError();
            return read;
        }
        read.groups = GroupsOfBlock(*block, administrators.get());
        return read;
    }
};

SystemTokenPlatform g_token;

}  // namespace

TokenPlatform& SystemToken() { return g_token; }

}  // namespace karvelin::checks
