// The destination check through Karvelin.dll, on Wine's drives.
#include <gtest/gtest.h>

#include "files/dest_dir_cases.h"
#include "Karvelin.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

TEST(DestinationThroughTheDll, RealVolumes) {
    win32::unique_hmodule dll = LoadKarvelin();
    ASSERT_TRUE(dll);
    auto check = Export<ResultCode (*)(const char*)>(dll.get(), "CheckDestFileDir");
    ASSERT_NE(check, nullptr);
    // A letter with no drive behind it.
    char missing[] = "?:\\Server";
    const DWORD drives = ::GetLogicalDrives();
    for (char letter = 'Z'; letter >= 'D' && missing[0] == '?'; --letter)
        if (!(drives & (1u << (letter - 'A')))) missing[0] = letter;
    ASSERT_NE(missing[0], '?') << "every letter has a drive";
    const struct {
        const char* path;
        ResultCode expected;
    } volumes[] = {
        {"C:\\x", 0}, {"C:\\Server\\", 0}, {"C:setup", 0},
        {missing, ERR_DEST_PATH_INVALID}, {"1:\\data", ERR_DEST_PATH_INVALID},
    };
    for (const auto& c : volumes) EXPECT_EQ(check(c.path), c.expected) << c.path;
    // The table's rows that no volume answers (roots, dots, shares, no letter) answer as natively.
    for (const files::PathCase& c : files::kPathCases) {
        if (!c.root_asked) {
            EXPECT_EQ(check(c.path), c.expected) << c.path;
        }
    }
}

}  // namespace
}  // namespace karvelin::test
