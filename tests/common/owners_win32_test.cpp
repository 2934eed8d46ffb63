// The owners and the registry reader on the real platform.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "common/registry_platform_win32.h"
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

// The registry seam on its own: whole texts up to their first NUL, numbers of
// up to 4 bytes, under HKEY_LOCAL_MACHINE and under a key the caller opened.
TEST(KeyRegistry, ReadsTheSameValuesUnderAnyOpenKey) {
    const DWORD seven = 7;
    SetRegistryString(kScratchKey, "short", "6.0000");
    SetRegistryString(kScratchKey, "long", std::string(300, 'c'));
    SetRegistryValue(kScratchKey, "binary", REG_BINARY, "12\0" "45", 5);
    SetRegistryValue(kScratchKey, "nothing", REG_BINARY, "", 0);
    SetRegistryValue(kScratchKey, "number", REG_DWORD, &seven, 4);
    win32::unique_hkey opened;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kScratchKey, 0, KEY_QUERY_VALUE, opened.put()), ERROR_SUCCESS);
    win32::KeyRegistry under_key(opened.get());

    const struct {
        const char* value;
        std::optional<std::string> text;
        std::optional<std::uint32_t> number;
    } cases[] = {
        {"short", "6.0000", std::nullopt},  // 7 bytes: no number
        {"long", std::string(300, 'c'), std::nullopt},
        {"binary", "12", std::nullopt},
        {"nothing", std::nullopt, std::nullopt},
        {"number", "\x07", 7},
        {"absent", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SystemRegistry().ReadText(kScratchKey, c.value), c.text) << c.value;
        EXPECT_EQ(SystemRegistry().ReadNumber(kScratchKey, c.value), c.number) << c.value;
        EXPECT_EQ(under_key.ReadText("", c.value), c.text) << c.value;
        EXPECT_EQ(under_key.ReadNumber("", c.value), c.number) << c.value;
    }
    EXPECT_EQ(SystemRegistry().ReadText("Software\\KarvelinTests\\NoSuchKey", "short"), std::nullopt);
    opened.reset();
    DeleteRegistryTree(kScratchKey);
}

}  // namespace
}  // namespace karvelin::test
