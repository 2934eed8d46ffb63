#include "checks/product_registry.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "common/fake_registry.h"
#include "log_capture.h"

namespace karvelin::checks {
namespace {

const std::string kPort = "Software\\TALVORNE\\Monitor\\DualComPort";
const std::string kState = "Software\\TALVORNE\\Monitor\\DualBamState";

using test::FakeRegistry;

TEST(GetCurrentInstallationType, FromThePortTextAndTheState) {
    const struct {
        std::optional<std::string> port;
        std::optional<std::uint32_t> state;
        std::int32_t expected;
    } cases[] = {
        {std::nullopt, std::nullopt, 2},
        {"", 2u, 2},  // read, and empty: the state is not read
        {"COM1", std::nullopt, 0},
        {"COM1", 1u, 0},
        {"COM1", 2u, 1},
        {"COM1", 0u, -1},
        {"COM1", 0x80000000u, INT_MAX},  // wraps, no signed overflow
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        if (c.port) registry.texts[kPort] = *c.port;
        if (c.state) registry.numbers[kState] = *c.state;
        const std::string label = c.port.value_or("(none)") + " " + std::to_string(c.state.value_or(99));
        test::LogCapture log;
        EXPECT_EQ(GetCurrentInstallationType(registry), c.expected) << label;
        // Each value read, or the error and the default taken; the type.
        EXPECT_TRUE(log.Has("DualComPort: " + (c.port ? "'" + *c.port + "'" : "error 2: "))) << log.Lines();
        EXPECT_TRUE(log.Has("installation type: " + std::to_string(c.expected))) << log.Lines();
        std::vector<std::string> reads = {kPort};
        if (c.port.value_or("") != "") reads.push_back(kState);
        EXPECT_EQ(registry.reads, reads) << label;
    }
}

}  // namespace
}  // namespace karvelin::checks
