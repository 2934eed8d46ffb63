#include "checks/admin_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace karvelin::checks {
namespace {

constexpr char kAdministrators[] = "S-1-5-32-544";
constexpr char kUsers[] = "S-1-5-32-545";
constexpr std::uint32_t kDenyOnly = 0x10;                          // SE_GROUP_USE_FOR_DENY_ONLY
constexpr std::uint32_t kMandatoryByDefault = 0x1 | 0x2;           // every bit but the enabled one
constexpr std::uint32_t kEnabledGroup = kGroupEnabled | kMandatoryByDefault;

struct Group {
    const char* sid;
    std::uint32_t attributes;
};

enum class Failure { None, Open, SizeQuerySucceeds, SizeQueryOtherError, Allocate, Read, Sid };

// A token with the given groups, whose steps fail where told; SIDs are their
// texts. Counts what is taken and not given back.
class FakeToken final : public TokenPlatform {
public:
    explicit FakeToken(std::vector<Group> token_groups) : groups(std::move(token_groups)) {}
    std::vector<Group> groups;
    Failure failure = Failure::None;
    std::optional<std::uint32_t> claimed_count;  // a count beyond the entries written
    int held = 0;
    std::size_t reported = 0, allocated = 0, offered = 0;

    bool OpenProcessToken(void*& token) override {
        if (failure == Failure::Open) return false;
        token = this;
        ++held;
        return true;
    }
    void CloseToken(void*) noexcept override { --held; }
    bool QueryGroupsSize(void*, std::uint32_t& size, std::uint32_t& error) override {
        reported = offsetof(TokenGroupList, groups) + (groups.empty() ? 1 : groups.size()) * sizeof(TokenGroupEntry);
        size = static_cast<std::uint32_t>(reported);
        if (failure == Failure::SizeQuerySucceeds) return true;
        error = failure == Failure::SizeQueryOtherError ? 6 : kInsufficientBuffer;  // 6: ERROR_INVALID_HANDLE
        return false;
    }
    void* AllocateBlock(std::size_t size) override {
        if (failure == Failure::Allocate) return nullptr;
        allocated = size;
        ++held;
        return std::calloc(1, size);
    }
    void FreeBlock(void* block) noexcept override {
        std::free(block);
        --held;
    }
    bool ReadGroups(void*, void* block, std::uint32_t size) override {
        offered = size;
        if (failure == Failure::Read) return false;
        auto* bytes = static_cast<unsigned char*>(block);
        const std::uint32_t count = claimed_count.value_or(static_cast<std::uint32_t>(groups.size()));
        std::memcpy(bytes, &count, sizeof count);
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const TokenGroupEntry entry{const_cast<char*>(groups[i].sid), groups[i].attributes};
            std::memcpy(bytes + offsetof(TokenGroupList, groups) + i * sizeof entry, &entry, sizeof entry);
        }
        return true;
    }
    bool AllocateAdministratorsSid(void*& sid) override {
        if (failure == Failure::Sid) return false;
        sid = const_cast<char*>(kAdministrators);
        ++held;
        return true;
    }
    void FreeSid(void*) noexcept override { --held; }
    bool EqualSid(void* a, void* b) override {
        return std::strcmp(static_cast<const char*>(a), static_cast<const char*>(b)) == 0;
    }
};

TEST(CheckUserRight, OnlyAnEnabledAdministratorsGroupCounts) {
    const struct {
        const char* label;
        std::vector<Group> groups;
        ResultCode expected;
    } cases[] = {
        {"enabled", {{kUsers, kEnabledGroup}, {kAdministrators, kEnabledGroup}}, 0},
        {"enabled bit alone", {{kAdministrators, kGroupEnabled}}, 0},
        {"deny only", {{kUsers, kEnabledGroup}, {kAdministrators, kDenyOnly}}, ERR_NOT_ADMIN},
        {"other bits, not enabled", {{kAdministrators, kMandatoryByDefault}}, ERR_NOT_ADMIN},
        {"empty list", {}, ERR_NOT_ADMIN},
        {"no administrators group", {{kUsers, kEnabledGroup}}, ERR_NOT_ADMIN},
        {"walk goes on past a deny-only match", {{kAdministrators, kDenyOnly}, {kAdministrators, kEnabledGroup}}, 0},
    };
    for (const auto& c : cases) {
        FakeToken token(c.groups);
        EXPECT_EQ(CheckUserRight(token), c.expected) << c.label;
        EXPECT_EQ(token.held, 0) << c.label;
        EXPECT_EQ(token.allocated, token.reported) << c.label;  // exactly the size reported
        EXPECT_EQ(token.offered, token.reported) << c.label;
    }
}

TEST(CheckUserRight, EachFailingStepHasItsCodeAndGivesEverythingBack) {
    const struct {
        Failure failure;
        ResultCode expected;
    } cases[] = {
        {Failure::Open, ERR_TOKEN_OPEN},
        {Failure::SizeQuerySucceeds, ERR_TOKEN_QUERY},
        {Failure::SizeQueryOtherError, ERR_TOKEN_QUERY},
        {Failure::Allocate, ERR_TOKEN_ALLOC},
        {Failure::Read, ERR_TOKEN_QUERY},
        {Failure::Sid, ERR_SID_ALLOC},
    };
    for (const auto& c : cases) {
        FakeToken token({{kAdministrators, kEnabledGroup}});
        token.failure = c.failure;
        EXPECT_EQ(CheckUserRight(token), c.expected) << static_cast<int>(c.failure);
        EXPECT_EQ(token.held, 0) << static_cast<int>(c.failure);
    }
}

TEST(CheckUserRight, ACountBeyondTheBlockIsWalkedOnlyAsFarAsTheBlock) {
    FakeToken token({{kAdministrators, kDenyOnly}});
    token.claimed_count = 100000;
    EXPECT_EQ(CheckUserRight(token), ERR_NOT_ADMIN);
    EXPECT_EQ(token.held, 0);
}

#ifndef _WIN32
TEST(CheckUserRight, LinuxAdministratorIsRoot) {
    if (::geteuid() != 0) {
        EXPECT_EQ(CheckUserRight(SystemToken()), ERR_NOT_ADMIN);
        return;
    }
    EXPECT_EQ(CheckUserRight(SystemToken()), 0u);
    ASSERT_EQ(::seteuid(65534), 0);  // nobody, for a moment
    const ResultCode as_nobody = CheckUserRight(SystemToken());
    ASSERT_EQ(::seteuid(0), 0);
    EXPECT_EQ(as_nobody, ERR_NOT_ADMIN);
}
#endif

}  // namespace
}  // namespace karvelin::checks
