#include "checks/product_registry.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace karvelin::checks {
namespace {

const std::string kPort = "Software\\TALVORNE\\Monitor\\DualComPort";
const std::string kState = "Software\\TALVORNE\\Monitor\\DualBamState";

// One text and one number setting, by key path and value name; records every
// read.
struct FakeRegistry final : ProductRegistryPlatform {
    std::map<std::string, std::string> texts;
    std::map<std::string, std::uint32_t> numbers;
    std::vector<std::string> reads;

    std::optional<std::string> ReadText(const std::string& key_path, const char* name) override {
        return Find(texts, key_path + "\\" + name);
    }
    std::optional<std::uint32_t> ReadNumber(const std::string& key_path, const char* name) override {
        return Find(numbers, key_path + "\\" + name);
    }
    template <typename T>
    std::optional<T> Find(const std::map<std::string, T>& values, const std::string& path) {
        reads.push_back(path);
        const auto found = values.find(path);
        return found == values.end() ? std::nullopt : std::optional<T>(found->second);
    }
};

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
        EXPECT_EQ(GetCurrentInstallationType(registry), c.expected) << label;
        std::vector<std::string> reads = {kPort};
        if (c.port.value_or("") != "") reads.push_back(kState);
        EXPECT_EQ(registry.reads, reads) << label;
    }
}

}  // namespace
}  // namespace karvelin::checks
