// The product's settings on the real registry, written by the test (a program
// of the DLL's own width, so in the view the DLL reads) and read back through
// the DLL and the text reader.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "Karvelin.h"
#include "checks/product_registry.h"
#include "log_capture.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

constexpr char kMonitor[] = "Software\\TALVORNE\\Monitor";

struct Value {
    DWORD type;
    std::string bytes;
};
Value Text(const std::string& text) { return {REG_SZ, text + '\0'}; }
Value Dword(std::uint32_t n) { return {REG_DWORD, std::string(reinterpret_cast<const char*>(&n), 4)}; }

void Put(const char* name, const std::optional<Value>& value) {
    if (value)
        SetRegistryValue(kMonitor, name, value->type, value->bytes.data(), static_cast<DWORD>(value->bytes.size()));
    else
        DeleteRegistryValue(kMonitor, name);
}

TEST(ProductSettings, InstallationTypeThroughTheDllAndTheTextReader) {
    const LoadedKarvelin dll;
    auto installation_type = dll.Get<int32_t (*)()>("GetCurrentInstallationType");
    EXPECT_EQ(installation_type(), 2) << "no key";

    const std::optional<Value> none;
    const struct {
        const char* label;
        std::optional<Value> port, state;
        int32_t expected;
    } cases[] = {
        {"text, no state", Text("COM1"), none, 0},
        {"state 2", Text("COM1"), Dword(2), 1},
        {"state 0", Text("COM1"), Dword(0), -1},
        // An empty text: the state, which would give 9, is not read.
        {"text of zero bytes", Value{REG_SZ, ""}, Dword(10), 2},
        {"text of one NUL", Text(""), Dword(10), 2},
        {"number 0 in the text's place", Dword(0), Dword(10), 2},
        {"state as a 4-character text: too long", Text("COM1"), Text("1234"), 0},
        {"state as a 3-character text: its 4 bytes", Text("COM1"), Text("123"), 0x00333231 - 1},
        {"state of 2 bytes", Text("COM1"), Value{REG_DWORD, std::string("\x02\x01", 2)}, 0x0102 - 1},
        {"state of 0 bytes: the default", Text("COM1"), Value{REG_DWORD, ""}, 0},
        {"state of 8 bytes: the default", Text("COM1"), Value{REG_QWORD, std::string("\x07\0\0\0\0\0\0\0", 8)}, 0},
    };
    for (const auto& c : cases) {
        Put("DualComPort", c.port);
        Put("DualBamState", c.state);
        EXPECT_EQ(installation_type(), c.expected) << c.label;
    }

    const std::string long_text(5000, 'x');
    const struct {
        Value value;
        std::string expected;
    } texts[] = {
        {Value{REG_SZ, "COM1"}, "COM1"},  // no NUL: terminated
        {Value{REG_BINARY, std::string("ab\0cd", 5)}, "ab"},
        {Text(long_text), long_text},
    };
    for (const auto& t : texts) {
        Put("DualComPort", t.value);
        EXPECT_EQ(checks::ReadProductString("Monitor", "DualComPort", "-", SystemRegistry()),
                  t.expected);
    }
    DeleteRegistryTree(kMonitor);
    DeleteRegistryTree("Software\\TALVORNE");
    LogCapture log;  // the registry's own error, and the system's text for it
    EXPECT_EQ(checks::GetCurrentInstallationType(SystemRegistry()), 2);
    EXPECT_TRUE(log.Has("DualComPort: error 2: ")) << log.Lines();
}

#ifdef _WIN64
// A 64-bit process reads the 64-bit view, unredirected: settings that a
// 32-bit installer wrote (Software\Wow6432Node) are not seen.
TEST(ProductSettings, TheSixtyFourBitDllReadsTheSixtyFourBitView) {
    const LoadedKarvelin dll;
    auto installation_type = dll.Get<int32_t (*)()>("GetCurrentInstallationType");
    {
        win32::unique_hkey key;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMonitor, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                                    nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        const DWORD state = 7;
        ::RegSetValueExA(key.get(), "DualComPort", 0, REG_SZ, reinterpret_cast<const BYTE*>("COM1"), 5);
        ::RegSetValueExA(key.get(), "DualBamState", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&state), 4);
    }
    EXPECT_EQ(installation_type(), 2) << "the 32-bit view's settings were read";
    Put("DualComPort", Text("COM1"));
    Put("DualBamState", Dword(5));
    EXPECT_EQ(installation_type(), 4);
    for (const char* key : {kMonitor, "Software\\TALVORNE"}) {
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY, 0);
        DeleteRegistryTree(key);
    }
}
#endif

}  // namespace
}  // namespace karvelin::test
