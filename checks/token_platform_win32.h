// What the Windows token seam and its tests share.
#pragma once

#include <string>
#include <vector>

#include "checks/token_platform.h"

namespace karvelin::checks {

// The groups of a TokenGroups block (TOKEN_GROUPS), each compared with the
// `administrators` SID: only the entries that lie inside the block, whatever
// count it claims; a SID that does not lie inside it matches nothing.
std::vector<TokenGroup> GroupsOfBlock(const std::string& block, void* administrators);

}  // namespace karvelin::checks
