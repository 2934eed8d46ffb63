// The product's settings on the real registry, written by the test (a 32-bit
// program, so in the view the 32-bit DLL reads) and read back through the DLL
// and the readers.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "Karvelin.h"
#include "checks/product_registry.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

constexpr char kProduct[] = "Software\\TALVORNE";
constexpr char kMonitor[] = "Software\\TALVORNE\\Monitor";

// A value's type and bytes; no value at all when absent.
struct Value {
    DWORD type;
    std::string bytes;
};
const std::optional<Value> kAbsent;
Value Text(const std::string& text) { return {REG_SZ, text + '\0'}; }
Value Dword(std::uint32_t number) { return {REG_DWORD, std::string(reinterpret_cast<const char*>(&number), 4)}; }

void Put(const char* name, const std::optional<Value>& value) {
    if (value)
        SetRegistryValue(kMonitor, name, value->type, value->bytes.data(), static_cast<DWORD>(value->bytes.size()));
    else
        DeleteRegistryValue(kMonitor, name);
}

class ProductSettings : public ::testing::Test {
protected:
    void TearDown() override {
        DeleteRegistryTree(kMonitor);
        DeleteRegistryTree(kProduct);
    }
};

TEST_F(ProductSettings, InstallationTypeThroughTheDll) {
    win32::unique_hmodule dll = LoadKarvelin();
    ASSERT_TRUE(dll);
    auto installation_type = Export<int32_t (*)()>(dll.get(), "GetCurrentInstallationType");
    ASSERT_NE(installation_type, nullptr);
    EXPECT_EQ(installation_type(), 2) << "no key";

    const struct {
        const char* label;
        std::optional<Value> port, state;
        int32_t expected;
    } cases[] = {
        {"no settings in the key", kAbsent, kAbsent, 2},
        {"text, no state", Text("COM1"), kAbsent, 0},
        {"state 2", Text("COM1"), Dword(2), 1},
        {"state 0", Text("COM1"), Dword(0), -1},
        // An empty text: the state, which would give 9, is not read.
        {"text of zero bytes", Value{REG_SZ, ""}, Dword(10), 2},
        {"text of one NUL", Text(""), Dword(10), 2},
        {"number 0 as the text: no text", Dword(0), Dword(10), 2},
        {"text without its NUL", Value{REG_SZ, "COM1"}, Dword(3), 2},
        {"state as a 4-character text: too long", Text("COM1"), Text("1234"), 0},
        {"state as a 3-character text: its 4 bytes", Text("COM1"), Text("123"), 0x00333231 - 1},
        {"state of 2 bytes", Text("COM1"), Value{REG_DWORD, std::string("\x02\x01", 2)}, 0x0102 - 1},
        {"state of 1 byte", Text("COM1"), Value{REG_BINARY, "\x05"}, 4},
        {"state of 0 bytes: the default", Text("COM1"), Value{REG_DWORD, ""}, 0},
        {"state of 8 bytes: the default", Text("COM1"), Value{REG_QWORD, std::string("\x07\0\0\0\0\0\0\0", 8)}, 0},
    };
    for (const auto& c : cases) {
        Put("DualComPort", c.port);
        Put("DualBamState", c.state);
        EXPECT_EQ(installation_type(), c.expected) << c.label;
    }
}

TEST_F(ProductSettings, TextReaderTerminatesAndTakesTheTextUpToItsNul) {
    const struct {
        std::optional<Value> value;
        const char* expected;
    } cases[] = {
        {kAbsent, "default"},
        {Value{REG_SZ, ""}, "default"},
        {Text(""), ""},
        {Text("COM1"), "COM1"},
        {Value{REG_SZ, "COM1"}, "COM1"},        // no NUL: terminated
        {Value{REG_BINARY, "abc"}, "abc"},
        {Value{REG_BINARY, std::string("ab\0cd", 5)}, "ab"},
        {Text(std::string(5000, 'x')), nullptr},  // longer than any fixed buffer
    };
    for (const auto& c : cases) {
        Put("Setting", c.value);
        const std::string expected = c.expected ? c.expected : std::string(5000, 'x');
        EXPECT_EQ(checks::ReadProductString("Monitor", "Setting", "default", checks::SystemProductRegistry()),
                  expected)
            << expected.substr(0, 20);
    }
}

}  // namespace
}  // namespace karvelin::test
