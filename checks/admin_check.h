// Whether the process runs with administrator rights.
#pragma once

#include "Karvelin.h"
#include "checks/token_platform.h"

namespace karvelin::checks {

// 0 when the process token holds the Administrators group with the enabled
// flag set; ERR_NOT_ADMIN when it does not (a group present for deny only
// counts for nothing); ERR_TOKEN_OPEN, ERR_TOKEN_QUERY, ERR_TOKEN_ALLOC or
// ERR_SID_ALLOC when the platform's step of that name fails.
ResultCode CheckUserRight(TokenPlatform& token);

}  // namespace karvelin::checks
