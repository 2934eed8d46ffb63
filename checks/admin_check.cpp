#include "checks/admin_check.h"

#include <string>

#include "common/log_tell.h"

namespace karvelin::checks {
namespace {

constexpr char kFunction[] = "CheckUserRight";

// The step a failure names.
const char* StepOf(TokenFailure failure) {
    switch (failure) {
        case TokenFailure::kOpen: return "open process token";
        case TokenFailure::kQuery: return "read token groups";
        case TokenFailure::kAllocate: return "allocate token groups";
        case TokenFailure::kAdministratorsSid: return "build Administrators SID";
        case TokenFailure::kNone: break;
    }
    return "";
}

}  // namespace

ResultCode CheckUserRight(TokenPlatform& token) {
    const GroupList read = token.ProcessGroups();
    if (read.failure != TokenFailure::kNone)
        log::Tell([&] { log::Failure(kFunction, std::string(StepOf(read.failure)) + ": " + ErrorText(read.error)); });
    switch (read.failure) {
        case TokenFailure::kOpen: return ERR_TOKEN_OPEN;
        case TokenFailure::kQuery: return ERR_TOKEN_QUERY;
        case TokenFailure::kAllocate: return ERR_TOKEN_ALLOC;
        case TokenFailure::kAdministratorsSid: return ERR_SID_ALLOC;
        case TokenFailure::kNone: break;
    }
    // Only an enabled group counts: one held for deny only, or present but
    // not enabled, gives no rights.
    bool found = false, enabled = false;
    for (const TokenGroup& group : read.groups) {
        if (!group.administrators) continue;
        found = true;
        enabled = enabled || group.enabled;
    }
    log::Tell([&] {
        std::string line = "groups: " + std::to_string(read.groups.size()) + " read: Administrators ";
        line += found ? "present" : "absent";
        if (enabled) log::Step(kFunction, line + ", enabled");
        else log::Failure(kFunction, line + ", not enabled");
    });
    return enabled ? 0 : ERR_NOT_ADMIN;
}

}  // namespace karvelin::checks
