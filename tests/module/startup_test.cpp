#include "module/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace karvelin::module {
namespace {

// Records what start-up asks of the system, in order.
class FakeStartup final : public StartupPlatform {
public:
    unsigned mode = 0;
    int startup_result = 0;
    std::uint16_t granted = 0x0101;
    std::vector<std::string> calls;
    std::string caption;

    unsigned GetErrorMode() override {
        calls.push_back("GetErrorMode");
        return mode;
    }
    void SetErrorMode(unsigned new_mode) override {
        calls.push_back("SetErrorMode");
        mode = new_mode;
    }
    int SocketStartup(std::uint16_t requested, std::uint16_t& out) override {
        calls.push_back("WSAStartup " + std::to_string(requested));
        out = granted;
        return startup_result;
    }
    void SocketCleanup() override { calls.push_back("WSACleanup"); }
    void ShowSocketFailure(const std::string& text) override {
        calls.push_back("MessageBox");
        caption = text;
    }
};

TEST(StartUp, AddsBothErrorFlagsAndKeepsTheOthers) {
    FakeStartup platform;
    platform.mode = 0x0004;  // SEM_NOALIGNMENTFAULTEXCEPT, set by someone else
    LoadedLibrary loaded;
    ASSERT_TRUE(StartUp(platform, "C:\\Program Files\\Server\\Karvelin.dll", loaded));
    EXPECT_EQ(platform.mode, 0x0004u | 0x0001u | 0x8000u);
    EXPECT_EQ(loaded.display_name, "Karvelin");
    EXPECT_EQ(platform.calls,
              (std::vector<std::string>{"GetErrorMode", "SetErrorMode", "WSAStartup 257"}));
}

// An unload undoes a socket start-up that counted, and only that one.
TEST(StartUpSockets, LoadsOnlyWithExactlyVersionOneOne) {
    const struct {
        const char* name;
        int result;
        std::uint16_t granted;
        bool loads;
        std::vector<std::string> socket_calls;  // after the error mode
    } cases[] = {
        {"granted 1.1", 0, 0x0101, true, {"WSAStartup 257", "WSACleanup"}},
        // A wrong version is cleaned up at once, then the load fails.
        {"granted 2.2", 0, 0x0202, false, {"WSAStartup 257", "WSACleanup", "MessageBox"}},
        {"granted 1.0", 0, 0x0001, false, {"WSAStartup 257", "WSACleanup", "MessageBox"}},
        {"granted 0.1", 0, 0x0100, false, {"WSAStartup 257", "WSACleanup", "MessageBox"}},
        // A failed start-up has nothing to clean up.
        {"start-up fails", 10091 /* WSASYSNOTREADY */, 0, false, {"WSAStartup 257", "MessageBox"}},
    };
    for (const auto& c : cases) {
        FakeStartup platform;
        platform.startup_result = c.result;
        platform.granted = c.granted;
        LoadedLibrary loaded;
        EXPECT_EQ(StartUp(platform, "D:\\x\\Karvelin.dll", loaded), c.loads) << c.name;
        ShutDown(platform, loaded);
        ShutDown(platform, loaded);
        EXPECT_EQ(std::vector<std::string>(platform.calls.begin() + 2, platform.calls.end()), c.socket_calls) << c.name;
        EXPECT_EQ(platform.caption, c.loads ? "" : "Karvelin") << c.name;
    }
}

TEST(DisplayNameFromPath, FileNameWithoutFolderAndExtension) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\WINDOWS\\system32\\Karvelin.dll", "Karvelin"},
        {"Karvelin.dll", "Karvelin"},
        {"C:\\dir.with.dots\\Karvelin", "Karvelin"},
        {"C:\\a\\lib.v2.dll", "lib.v2"},
        {"/opt/server/libKarvelin.so", "libKarvelin"},
        {"C:Karvelin.DLL", "Karvelin"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DisplayNameFromPath(c.path), c.name) << c.path;
}

}  // namespace
}  // namespace karvelin::module
