#include "checks/product_registry.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace karvelin::checks {
namespace {

constexpr char kMonitor[] = "Software\\TALVORNE\\Monitor";

// Settings as a test arranges them, by key path and value name; records
// every read.
class FakeRegistry final : public ProductRegistryPlatform {
public:
    std::map<std::string, std::string> texts;
    std::map<std::string, std::uint32_t> numbers;
    std::vector<std::string> reads;

    std::optional<std::string> ReadText(const std::string& key_path, const char* value_name) override {
        return Find(texts, key_path, value_name);
    }
    std::optional<std::uint32_t> ReadNumber(const std::string& key_path, const char* value_name) override {
        return Find(numbers, key_path, value_name);
    }

private:
    template <typename T>
    std::optional<T> Find(const std::map<std::string, T>& values, const std::string& key_path, const char* name) {
        reads.push_back(key_path + "\\" + name);
        const auto found = values.find(key_path + "\\" + name);
        if (found == values.end()) return std::nullopt;
        return found->second;
    }
};

TEST(GetCurrentInstallationType, FromThePortTextAndTheState) {
    const std::string port = std::string(kMonitor) + "\\DualComPort";
    const std::string state = std::string(kMonitor) + "\\DualBamState";
    const struct {
        const char* label;
        std::optional<std::string> port_text;
        std::optional<std::uint32_t> state_number;
        std::int32_t expected;
    } cases[] = {
        {"nothing set", std::nullopt, std::nullopt, 2},
        {"empty text", "", 2u, 2},
        {"text, no state", "COM1", std::nullopt, 0},
        {"state 1", "COM1", 1u, 0},
        {"state 2", "COM1", 2u, 1},
        {"state 0", "COM1", 0u, -1},
        {"state 0x80000000 wraps", "COM1", 0x80000000u, INT_MAX},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        if (c.port_text) registry.texts[port] = *c.port_text;
        if (c.state_number) registry.numbers[state] = *c.state_number;
        EXPECT_EQ(GetCurrentInstallationType(registry), c.expected) << c.label;
        // The state is read only after a text that is not empty.
        std::vector<std::string> reads = {port};
        if (c.port_text && !c.port_text->empty()) reads.push_back(state);
        EXPECT_EQ(registry.reads, reads) << c.label;
    }
}

TEST(ProductReaders, AnswerTheSettingOrTheDefault) {
    FakeRegistry registry;
    registry.texts["Software\\TALVORNE\\Net\\Name"] = "";
    registry.numbers["Software\\TALVORNE\\Net\\Count"] = 0xFFFFFFFFu;
    EXPECT_EQ(ReadProductString("Net", "Name", "dflt", registry), "");  // a read empty text is no failure
    EXPECT_EQ(ReadProductString("Net", "Other", "dflt", registry), "dflt");
    EXPECT_EQ(ReadProductString("Monitor", "Name", "dflt", registry), "dflt");  // another section
    EXPECT_EQ(ReadProductDword("Net", "Count", 7, registry), -1);
    EXPECT_EQ(ReadProductDword("Net", "Other", 7, registry), 7);
}

}  // namespace
}  // namespace karvelin::checks
