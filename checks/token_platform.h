// What the administrator check takes from the system: the groups of the
// process token, each told apart by whether it is the built-in
// Administrators group and whether it is enabled.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace karvelin::checks {

// One group of the token: whether its SID is S-1-5-32-544, the built-in
// Administrators group, and whether it is enabled (a group held for deny
// only, or present but disabled, is not).
struct TokenGroup {
    bool administrators = false;
    bool enabled = false;
};

// The step at which the groups could not be had.
enum class TokenFailure { kNone, kOpen, kQuery, kAllocate, kAdministratorsSid };

struct GroupList {
    TokenFailure failure = TokenFailure::kNone;
    std::vector<TokenGroup> groups;  // in the token's order; empty on failure
    std::uint32_t error = 0;         // the system's error of the failed step
};

class TokenPlatform {
public:
    virtual ~TokenPlatform() = default;
    // The groups of the current process's token (never a thread's), opened
    // for TOKEN_QUERY alone; everything taken for it is given back before it
    // returns.
    virtual GroupList ProcessGroups() = 0;
};

// The Win32 security API (a group enabled by its SE_GROUP_ENABLED attribute).
// Linux has no tokens: the process is taken to hold the Administrators group,
// enabled, when its effective user is root, and no group otherwise.
TokenPlatform& SystemToken();

}  // namespace karvelin::checks
