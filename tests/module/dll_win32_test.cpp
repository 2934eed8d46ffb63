// Karvelin.dll on the real platform: start-up, string table, export table.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "Karvelin.h"
#include "module/resource_string_win32.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

const std::wstring kSocketFailureText = L"Windows \x901a\x4fe1\x7aef\x53e3\x521d\x59cb\x5316\x5931\x8d25\x3002";

TEST(KarvelinDll, LoadingAddsBothErrorModeFlagsAndKeepsTheOthers) {
    const UINT before = ::SetErrorMode(SEM_NOGPFAULTERRORBOX);
    {
        win32::unique_hmodule dll = LoadKarvelin();
        ASSERT_TRUE(dll) << ::GetLastError();
        const UINT mode = ::SetErrorMode(before);
        EXPECT_EQ(mode, static_cast<UINT>(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
    }
    ::SetErrorMode(before);
}

TEST(KarvelinDll, StringTableHoldsTheSocketFailureMessage) {
    win32::unique_hmodule dll = LoadKarvelin();
    ASSERT_TRUE(dll);
    EXPECT_EQ(module::LoadResourceString(dll.get(), 101, MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)),
              kSocketFailureText);
    EXPECT_EQ(module::LoadResourceString(dll.get(), 101, 2052), kSocketFailureText);
    // The system's own loader finds it too, in whatever language it prefers.
    const WCHAR* text = nullptr;
    const int length = ::LoadStringW(dll.get(), 101, reinterpret_cast<LPWSTR>(&text), 0);
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::wstring(text, length), kSocketFailureText);
    // No other string and no other language.
    EXPECT_EQ(module::LoadResourceString(dll.get(), 102, 2052), L"");
    EXPECT_EQ(module::LoadResourceString(dll.get(), 101, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)), L"");
}

struct ExportTable {
    std::string name;
    std::vector<std::string> functions;
};

ExportTable ReadExportTable(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    ExportTable table{reinterpret_cast<const char*>(base + exports->Name), {}};
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        table.functions.emplace_back(reinterpret_cast<const char*>(base + names[i]));
    return table;
}

TEST(KarvelinDll, ExportTableNamesTheLibraryAndItsFunctions) {
    win32::unique_hmodule dll = LoadKarvelin();
    ASSERT_TRUE(dll);
    const ExportTable table = ReadExportTable(dll.get());
    EXPECT_EQ(table.name, "Karvelin.dll");
    const std::vector<std::string> expected = {
        "CheckBureauName", "CheckDestFileDir", "CheckIeVersion", "CheckOS", "Decode",
        "FindServerVersion", "GetErrorDescription", "IsLetterfigureString", "Recode", "TrimLeft",
        "TrimRight", "ValidateNet", "ValidateTheIP"};
    EXPECT_EQ(table.functions, expected);  // the table is sorted by name
    for (const std::string& name : expected)
        EXPECT_NE(::GetProcAddress(dll.get(), name.c_str()), nullptr) << name;
    // Undecorated only: no "_CheckOS" or "CheckOS@0" beside them.
    EXPECT_EQ(::GetProcAddress(dll.get(), "_CheckOS"), nullptr);
    EXPECT_EQ(::GetProcAddress(dll.get(), "init_Karvelin"), nullptr);
}

TEST(KarvelinDll, GetErrorDescriptionThroughTheExport) {
    win32::unique_hmodule dll = LoadKarvelin();
    ASSERT_TRUE(dll);
    auto describe = Export<const char* (*)(ResultCode)>(dll.get(), "GetErrorDescription");
    ASSERT_NE(describe, nullptr);
    EXPECT_STREQ(describe(0), "0");
    EXPECT_STREQ(describe(236798225u), "236798225");
    EXPECT_STREQ(describe(0xFFFFFFFFu), "4294967295");

    const char* mine = describe(1);
    const char* theirs = nullptr;
    std::thread([&] { theirs = describe(2); }).join();
    EXPECT_NE(mine, theirs);
    EXPECT_STREQ(mine, "1");
}

}  // namespace
}  // namespace karvelin::test
