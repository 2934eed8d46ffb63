#include "common/unique_any.h"

#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "common/no_throw.h"

namespace karvelin {
namespace {

// A resource kind whose invalid value is -1, as INVALID_HANDLE_VALUE is, and
// whose releases are recorded.
std::vector<int> g_closed;
struct FakeTraits {
    using pointer = int;
    static int invalid() noexcept { return -1; }
    static void close(int value) noexcept { g_closed.push_back(value); }
};
using unique_fake = unique_any<FakeTraits>;

TEST(UniqueAny, ReleasesOnceOnEveryWayOut) {
    g_closed.clear();
    {
        unique_fake zero(0);  // 0 is a valid value for this kind
        EXPECT_TRUE(zero);
        unique_fake none;
        EXPECT_FALSE(none);
        unique_fake moved(std::move(zero));
        EXPECT_FALSE(zero);
        EXPECT_EQ(moved.get(), 0);

        unique_fake target(5);
        target = std::move(moved);  // 5 released, 0 taken over
        EXPECT_EQ(g_closed, std::vector<int>{5});

        *target.put() = 7;  // 0 released before the out-parameter is written
        EXPECT_EQ(g_closed, (std::vector<int>{5, 0}));
        target.reset(8);
        EXPECT_EQ(target.release(), 8);  // given up, never released
        EXPECT_FALSE(target);
        target.reset(9);
    }
    EXPECT_EQ(g_closed, (std::vector<int>{5, 0, 7, 9}));
}

TEST(ScopeExit, RunsUnlessDismissed) {
    int runs = 0;
    {
        scope_exit kept([&] { ++runs; });
        scope_exit dismissed([&] { runs += 10; });
        dismissed.dismiss();
    }
    EXPECT_EQ(runs, 1);
}

TEST(Guard, AnswersTheFallbackWhenTheBodyThrows) {
    EXPECT_EQ(Guard(7u, []() -> unsigned { throw std::bad_alloc(); }), 7u);
    EXPECT_EQ(Guard(nullptr, []() -> char* { throw 1; }), nullptr);
    EXPECT_EQ(Guard(7u, [] { return 3u; }), 3u);
    bool ran = false;
    Guard([&] {
        ran = true;
        throw std::bad_alloc();
    });
    EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace karvelin
