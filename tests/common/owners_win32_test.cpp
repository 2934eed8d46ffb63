// The owners and the registry reader on the real platform.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <string>

#include "common/registry_win32.h"
#include "common/win32_owners.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

constexpr char kScratchKey[] = "Software\\KarvelinTests";

bool IsOpen(HANDLE handle) {
    DWORD flags = 0;
    return ::GetHandleInformation(handle, &flags) != 0;
}

TEST(Owners, CloseTheirHandleOnceAndKnowTheirInvalidValue) {
    char folder[MAX_PATH] = {};
    ASSERT_GT(::GetTempPathA(sizeof folder, folder), 0u);
    const std::string path = std::string(folder) + "karvelin-owner-test.tmp";

    HANDLE raw = nullptr;
    {
        win32::unique_hfile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                               FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        ASSERT_TRUE(file);
        raw = file.get();
        win32::unique_hfile moved(std::move(file));
        EXPECT_FALSE(file);
        EXPECT_TRUE(IsOpen(raw));
    }
    EXPECT_FALSE(IsOpen(raw)) << "closed when its owner ended";
    EXPECT_EQ(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);

    // INVALID_HANDLE_VALUE kinds, all ones at the pointer's width (64 bits in
    // the 64-bit build): a failed open or search owns nothing.
    EXPECT_EQ(win32::unique_hfile().get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(win32::unique_hfind().get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(win32::unique_hdevinfo().get(), static_cast<HDEVINFO>(INVALID_HANDLE_VALUE));
    win32::unique_hfile missing(::CreateFileA("Z:\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                              nullptr));
    EXPECT_FALSE(missing);
    WIN32_FIND_DATAA found{};
    win32::unique_hfind search(::FindFirstFileA((std::string(folder) + "*").c_str(), &found));
    EXPECT_TRUE(search);
    win32::unique_hdevinfo devices(::SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT));
    EXPECT_TRUE(devices);

    // NULL kinds.
    win32::unique_handle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    raw = event.release();
    EXPECT_TRUE(IsOpen(raw)) << "a released handle stays open";
    event.reset(raw);
    event.reset();
    EXPECT_FALSE(IsOpen(raw));
}

TEST(Owners, ComApartmentIsUndoneOnlyWhenItWasTaken) {
    HRESULT first = E_FAIL, second = E_FAIL;
    {
        win32::unique_couninitialize_call apartment = win32::CoInitializeCall(&first);
        EXPECT_TRUE(SUCCEEDED(first));
        EXPECT_TRUE(apartment);
        {
            // Nested: S_FALSE, which still counts and is undone.
            win32::unique_couninitialize_call nested = win32::CoInitializeCall(&second);
            EXPECT_EQ(second, S_FALSE);
            win32::com_ptr<IShellLinkA> link;
            ASSERT_EQ(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         link.put_void()),
                      S_OK);
            win32::com_ptr<IPersistFile> file;
            EXPECT_EQ(link->QueryInterface(IID_IPersistFile, file.put_void()), S_OK);
        }
        // A multithreaded request on this apartment is refused and must not be undone.
        const HRESULT refused = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        EXPECT_EQ(refused, RPC_E_CHANGED_MODE);
        win32::unique_couninitialize_call not_taken(refused);
        EXPECT_FALSE(not_taken);
    }
    // Every apartment taken above was given back: a new one starts afresh.
    win32::unique_couninitialize_call again = win32::CoInitializeCall(&first);
    EXPECT_EQ(first, S_OK);
}

// The registry reader on its own: never past the buffer, always a text.
TEST(ReadRegistryString, StaysWithinTheBufferAndTerminates) {
    SetRegistryString(kScratchKey, "short", "6.0000");
    SetRegistryString(kScratchKey, "fits", std::string(39, 'a'));
    SetRegistryString(kScratchKey, "long", std::string(40, 'b'));
    SetRegistryString(kScratchKey, "verylong", std::string(300, 'c'));
    SetRegistryValue(kScratchKey, "binary", REG_BINARY, "12345", 5);
    SetRegistryValue(kScratchKey, "binaryfull", REG_BINARY, std::string(40, 'd').data(), 40);
    SetRegistryValue(kScratchKey, "nothing", REG_BINARY, "", 0);

    const struct {
        const char* key;
        const char* value;
        std::string text;  // "keep": the buffer as it was
    } cases[] = {
        {kScratchKey, "short", "6.0000"},
        {kScratchKey, "fits", std::string(39, 'a')},
        {kScratchKey, "long", ""},
        {kScratchKey, "verylong", ""},
        {kScratchKey, "binary", "12345"},
        {kScratchKey, "binaryfull", ""},
        {kScratchKey, "nothing", "keep"},
        {kScratchKey, "absent", "keep"},
        {"Software\\KarvelinTests\\NoSuchKey", "short", "keep"},
    };
    for (const auto& c : cases) {
        char buffer[40 + 8];
        std::memset(buffer, '#', sizeof buffer);
        std::strcpy(buffer, "keep");
        win32::ReadRegistryString(HKEY_LOCAL_MACHINE, c.key, c.value, buffer, 40);
        EXPECT_EQ(std::string(buffer), c.text) << c.value;
        EXPECT_EQ(std::string(buffer + 40, 8), "########") << c.value << ": wrote past the buffer";
    }
    DeleteRegistryTree(kScratchKey);
}

}  // namespace
}  // namespace karvelin::test
