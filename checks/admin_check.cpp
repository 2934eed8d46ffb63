#include "checks/admin_check.h"

namespace karvelin::checks {

ResultCode CheckUserRight(TokenPlatform& token) {
    const GroupList read = token.ProcessGroups();
    switch (read.failure) {
        case TokenFailure::kOpen: return ERR_TOKEN_OPEN;
        case TokenFailure::kQuery: return ERR_TOKEN_QUERY;
        case TokenFailure::kAllocate: return ERR_TOKEN_ALLOC;
        case TokenFailure::kAdministratorsSid: return ERR_SID_ALLOC;
        case TokenFailure::kNone: break;
    }
    // Only the enabled flag counts: a group held for deny only, or present
    // but not enabled, gives no rights.
    for (const TokenGroup& group : read.groups)
        if (group.administrators && (group.attributes & kGroupEnabled) != 0) return 0;
    return ERR_NOT_ADMIN;
}

}  // namespace karvelin::checks
