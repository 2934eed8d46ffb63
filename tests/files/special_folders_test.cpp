#include "files/special_folders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "Karvelin.h"
#include "log_capture.h"

namespace karvelin::files {
namespace {

// Answers as told: `answer` is what the call returns, `written` what it
// leaves in the buffer (kPathSize bytes without a NUL when `unterminated`).
class ToldShell final : public ShellPlatform {
public:
    std::uint32_t answer = 0;
    std::string written;
    bool unterminated = false;
    int folder = -1;
    std::uint32_t size = 0;
    bool SpecialFolderPath(int asked, char* path) override {
        folder = asked;
        Write(path);
        return answer != 0;
    }
    std::uint32_t WindowsDirectory(char* path, std::uint32_t given) override {
        size = given;
        Write(path);
        return answer;
    }
    std::int32_t CreateShortcut(const Shortcut&, SystemError& error) override {
        error = 0x80040154u;  // REGDB_E_CLASSNOTREG
        return static_cast<std::int32_t>(answer);
    }

private:
    void Write(char* path) const {
        if (unterminated) std::memset(path, 'x', kPathSize);
        else std::strcpy(path, written.c_str());
    }
};

const std::string kLongest(kPathSize - 1, 'w');

TEST(SpecialFolders, FolderQueriesAnswerTheWholePathOrNothing) {
    const struct {
        std::uint32_t answer;
        std::string written;
        bool unterminated;
        std::string expected;
    } cases[] = {
        {1, "C:\\Documents and Settings\\x\\Desktop", false, "C:\\Documents and Settings\\x\\Desktop"},
        {1, kLongest, false, kLongest},
        {0, "C:\\stale", false, ""},  // failed: what the call left is no answer
        {1, "", true, ""},            // no NUL within the buffer
    };
    for (const auto& c : cases) {
        for (const auto& [query, folder] : {std::pair{&GetWinDeskTopDir, kDesktopFolder},
                                            std::pair{&GetWinProgramDir, kProgramsFolder}}) {
            ToldShell shell;
            shell.answer = c.answer;
            shell.written = c.written;
            shell.unterminated = c.unterminated;
            test::LogCapture log;
            EXPECT_EQ(query(shell), c.expected) << c.written.substr(0, 20);
            EXPECT_EQ(shell.folder, folder);
            EXPECT_EQ(log.Has("failure GetWin"), c.expected.empty()) << log.Lines();
        }
    }
}

TEST(SpecialFolders, WindowsDirectoryThatDoesNotFitIsNoPath) {
    const struct {
        std::uint32_t answer;  // the length, or the size needed with its NUL
        std::string written;
        std::string expected;
    } cases[] = {
        {10, "C:\\WINDOWS", "C:\\WINDOWS"}, {259, kLongest, kLongest},
        {260, kLongest, ""},  // a length that leaves no room for the NUL
        {261, kLongest, ""},  // a 260-character path: it needs 261 bytes
        {4000, "C:\\cut", ""}, {0, "C:\\stale", ""},
    };
    for (const auto& c : cases) {
        ToldShell shell;
        shell.answer = c.answer;
        shell.written = c.written;
        test::LogCapture log;
        EXPECT_EQ(GetWindowsDir(shell), c.expected) << c.answer;
        EXPECT_EQ(shell.size, kPathSize);
        EXPECT_EQ(log.Has("failure GetWindowsDir: ask system: Windows directory: "), c.expected.empty());
    }
}

// Each failed step of a shortcut is named with its code.
TEST(CreateShortcut, FailedStepIsNamed) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {kNoShellLink, "create link object: error 0x80040154"},
        {kNoPersistFile, "ask link object for its file: error 0x80040154"},
        {0x80070005u, "save: x.lnk: error 0x80070005"}};
    for (const auto& [answer, line] : cases) {
        ToldShell shell;
        shell.answer = answer;
        test::LogCapture log;
        EXPECT_EQ(CreateShortcut({"t", "a", "w", "x.lnk", "d"}, shell), static_cast<std::int32_t>(answer));
        EXPECT_TRUE(log.Has(std::string("failure CreateShortcut: ") + line)) << log.Lines();
    }
}

// Each query answers in a buffer of its own, per thread: one answer stays
// while the others are asked, on this thread and on others.
TEST(SpecialFolders, EachQueryAndThreadHasItsOwnText) {
    ToldShell shell;
    shell.answer = 5;
    shell.written = "mine";
    const char* desktop = GetWinDeskTopDir(shell);
    const char* windows = GetWindowsDir(shell);
    const char* description = GetErrorDescription(7);
    shell.written = "other";
    EXPECT_STREQ(GetWinProgramDir(shell), "other");
    const char* theirs = nullptr;
    std::thread([&] { theirs = GetWinDeskTopDir(shell); }).join();
    EXPECT_NE(theirs, desktop);
    EXPECT_STREQ(desktop, "mine");
    EXPECT_STREQ(windows, "mine");
    EXPECT_STREQ(description, "7");
}

}  // namespace
}  // namespace karvelin::files
