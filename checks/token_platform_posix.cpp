// Linux has no tokens. The process holds the Administrators group, enabled,
// when its effective user is root, and no group otherwise; so CheckUserRight
// answers 0 for root and ERR_NOT_ADMIN else.
#include <unistd.h>

#include "checks/token_platform.h"

namespace karvelin::checks {
namespace {

class RootAsAdministrator final : public TokenPlatform {
public:
    GroupList ProcessGroups() override {
        GroupList read;
        if (::geteuid() == 0) read.groups.push_back({true, true});
        return read;
    }
};

RootAsAdministrator g_token;

}  // namespace

TokenPlatform& SystemToken() { return g_token; }

}  // namespace karvelin::checks
