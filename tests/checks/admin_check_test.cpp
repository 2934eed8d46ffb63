#include "checks/admin_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace karvelin::checks {
namespace {

constexpr char kAdmins[] = "S-1-5-32-544";
constexpr char kUsers[] = "S-1-5-32-545";
constexpr std::uint32_t kDenyOnly = 0x10;      // SE_GROUP_USE_FOR_DENY_ONLY
constexpr std::uint32_t kOtherBits = 0x1 | 0x2;  // mandatory, enabled by default
constexpr std::uint32_t kEnabled = kGroupEnabled | kOtherBits;

struct Group {
    const char* sid;
    std::uint32_t attributes;
};
enum Step { kNone, kOpen, kSizeQuerySucceeds, kSizeQueryOtherError, kAllocate, kRead, kSid };

// A token with the given groups (SIDs are their texts) whose step `fails`
// fails; counts what is taken and not given back.
struct FakeToken final : TokenPlatform {
    std::vector<Group> groups;
    Step fails = kNone;
    std::uint32_t count = 0;
    int held = 0;
    std::size_t reported = 0, allocated = 0, offered = 0;

    bool OpenProcessToken(void*& token) override {
        return fails != kOpen && (token = this, ++held);
    }
    void CloseToken(void*) noexcept override { --held; }
    bool QueryGroupsSize(void*, std::uint32_t& size, std::uint32_t& error) override {
        reported = size = offsetof(TokenGroupList, groups) + (groups.empty() ? 1 : groups.size()) * sizeof(TokenGroupEntry);
        error = fails == kSizeQueryOtherError ? 6 : kInsufficientBuffer;
        return fails == kSizeQuerySucceeds;
    }
    void* AllocateBlock(std::size_t size) override {
        allocated = size;
        return fails == kAllocate ? nullptr : (++held, std::calloc(1, size));
    }
    void FreeBlock(void* block) noexcept override { std::free(block), --held; }
    bool ReadGroups(void*, void* block, std::uint32_t size) override {
        offered = size;
        auto* bytes = static_cast<unsigned char*>(block);
        std::memcpy(bytes, &count, sizeof count);
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const TokenGroupEntry entry{const_cast<char*>(groups[i].sid), groups[i].attributes};
            std::memcpy(bytes + offsetof(TokenGroupList, groups) + i * sizeof entry, &entry, sizeof entry);
        }
        return fails != kRead;
    }
    bool AllocateAdministratorsSid(void*& sid) override {
        return fails != kSid && (sid = const_cast<char*>(kAdmins), ++held);
    }
    void FreeSid(void*) noexcept override { --held; }
    bool EqualSid(void* a, void* b) override { return std::strcmp(static_cast<char*>(a), static_cast<char*>(b)) == 0; }
};

TEST(CheckUserRight, AnswersPerGroupListAndFailingStep) {
    const std::vector<Group> admin = {{kUsers, kEnabled}, {kAdmins, kEnabled}};
    const struct {
        const char* label;
        std::vector<Group> groups;
        std::uint32_t count;  // as the block claims it
        Step fails;
        ResultCode expected;
    } cases[] = {
        {"enabled", admin, 2, kNone, 0},
        {"enabled bit alone", {{kAdmins, kGroupEnabled}}, 1, kNone, 0},
        {"deny only", {{kUsers, kEnabled}, {kAdmins, kDenyOnly}}, 2, kNone, ERR_NOT_ADMIN},
        {"other bits, not enabled", {{kAdmins, kOtherBits}}, 1, kNone, ERR_NOT_ADMIN},
        {"empty list", {}, 0, kNone, ERR_NOT_ADMIN},
        {"no administrators group", {{kUsers, kEnabled}}, 1, kNone, ERR_NOT_ADMIN},
        {"the walk goes on past a deny-only match", {{kAdmins, kDenyOnly}, {kAdmins, kEnabled}}, 2, kNone, 0},
        {"a count beyond the block", {{kAdmins, kDenyOnly}}, 100000, kNone, ERR_NOT_ADMIN},
        {"open", admin, 2, kOpen, ERR_TOKEN_OPEN},
        {"size query succeeds", admin, 2, kSizeQuerySucceeds, ERR_TOKEN_QUERY},
        {"size query, another error", admin, 2, kSizeQueryOtherError, ERR_TOKEN_QUERY},
        {"allocation", admin, 2, kAllocate, ERR_TOKEN_ALLOC},
        {"read", admin, 2, kRead, ERR_TOKEN_QUERY},
        {"SID", admin, 2, kSid, ERR_SID_ALLOC},
    };
    for (const auto& c : cases) {
        FakeToken token;
        token.groups = std::vector<Group>(c.groups.begin(), c.groups.end());
        token.count = c.count;
        token.fails = c.fails;
        EXPECT_EQ(CheckUserRight(token), c.expected) << c.label;
        EXPECT_EQ(token.held, 0) << c.label;
        if (token.allocated) {
            EXPECT_EQ(token.allocated, token.reported) << c.label;  // exactly the size reported
        }
        if (token.offered) {
            EXPECT_EQ(token.offered, token.reported) << c.label;
        }
    }
}

#ifndef _WIN32
TEST(CheckUserRight, LinuxAdministratorIsRoot) {
    const bool root = ::geteuid() == 0;
    EXPECT_EQ(CheckUserRight(SystemToken()), root ? 0 : ERR_NOT_ADMIN);
    if (!root) return;
    ASSERT_EQ(::seteuid(65534), 0);  // nobody, for a moment
    const ResultCode as_nobody = CheckUserRight(SystemToken());
    ASSERT_EQ(::seteuid(0), 0);
    EXPECT_EQ(as_nobody, ERR_NOT_ADMIN);
}
#endif

}  // namespace
}  // namespace karvelin::checks
