// The C exports as a native caller sees them: their types come from the
// function table, a NULL text is the empty text, and on Linux each answers
// what a host without Windows gives.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <regex>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "Karvelin.h"
#include "common/log.h"
#include "log_capture.h"
#include "module/function_table.h"
#include "module/table_samples.h"
#include "temp_folder.h"

extern "C" int karvelin_header_compiles_as_c(void);
extern "C" int karvelin_header_compiles_as_cpp(void);

namespace {

TEST(Exports, HeaderServesCCallers) {
    EXPECT_EQ(karvelin_header_compiles_as_c(), 1);
    EXPECT_EQ(karvelin_header_compiles_as_cpp(), 1);
}

std::string Owned(char* text) {
    const std::string copy = text ? text : "(null)";
    if (text) KARVELIN_FREE_TEXT(text);
    return copy;
}

TEST(Exports, NullTextIsTheEmptyText) {
    EXPECT_EQ(ValidateTheIP(nullptr), 0);
    EXPECT_EQ(ValidateNet(nullptr, "255.0.0.0", "10.0.0.0", "10.0.0.1"), ERR_NET_IP_EMPTY);
    EXPECT_EQ(IsLetterfigureString(nullptr), 0u);
    EXPECT_EQ(CheckBureauName(nullptr), ERR_BAD_BUREAU_NAME);
    EXPECT_EQ(CheckDestFileDir(nullptr), ERR_DEST_PATH_INVALID);
    EXPECT_EQ(RunSilent(nullptr, nullptr), 0);  // the interpreter with "/c" and two blanks
    EXPECT_EQ(Owned(Recode(nullptr, 5)), "");
    EXPECT_EQ(Owned(Decode(nullptr, 4)), "");
    EXPECT_NE(CreateShortcut(nullptr, nullptr, nullptr, nullptr, nullptr), 0);  // no link path: nothing written
    TrimRight(nullptr);
    TrimLeft(nullptr);
    EXPECT_EQ(GetHostIPAddr(nullptr), 0);  // looked up, not written
    (void)GetAddress(nullptr);
}

TEST(Exports, TextBufferOfUnknownSizeEndsAtItsNul) {
    char text[] = "  ab  \0  ";
    TrimRight(text);
    EXPECT_EQ(std::string(text, sizeof text), std::string("  ab\0\0\0  \0", 10));
    TrimLeft(text);
    EXPECT_EQ(std::string(text, sizeof text), std::string("ab\0\0\0\0\0  \0", 10));
}

TEST(Exports, NewTextsAreTheCallersToFree) {
    using karvelin::test::TableSample;
    EXPECT_EQ(Owned(Recode(TableSample("Recode", 0), 3)), TableSample("Decode", 0));
    EXPECT_EQ(Owned(Decode(TableSample("Decode", 0), 6)), TableSample("Recode", 0));
}

// The installer's secrets pass through these: the log tells their sizes alone.
TEST(Exports, SecretTextsNeverReachTheLog) {
    const std::string kSecret = "K4rvSecret";
    karvelin::test::LogCapture log;
    const std::string recoded = Owned(Recode(kSecret.c_str(), static_cast<std::uint32_t>(kSecret.size())));
    Owned(Decode(recoded.c_str(), static_cast<std::uint32_t>(recoded.size())));
    RunSilent("exit 0 ||", kSecret.c_str());
    EXPECT_TRUE(log.Has("step Recode: ") && log.Has("step Decode: ") && log.Has("an argument of 10 bytes"))
        << log.Lines();
    EXPECT_FALSE(log.Has(kSecret) || log.Has(recoded)) << log.Lines();
}

#ifndef _WIN32
TEST(Exports, LinuxAnswers) {
    EXPECT_EQ(CheckOS(), ERR_OS_UNSUPPORTED);
    EXPECT_EQ(CheckIeVersion(), ERR_VERSION_TOO_OLD);
    EXPECT_EQ(FindServerVersion(), 0);
    EXPECT_EQ(CheckDestFileDir("C:\\Server"), ERR_DEST_PATH_INVALID);  // no drive letters
    EXPECT_EQ(CheckDestFileDir("C:\\"), ERR_DEST_PATH_IS_ROOT);
    EXPECT_STREQ(GetWinDeskTopDir(), "");
    EXPECT_STREQ(GetWinProgramDir(), "");
    EXPECT_STREQ(GetWindowsDir(), "");
    EXPECT_EQ(CreateShortcut("/bin/true", "", "", "/tmp/x.lnk", ""), 1);  // no shell link object
}

// The file KARVELIN_LOG names: made with mode 600, appended to, through a
// link to a file but never through one that points nowhere; one that cannot
// be written changes no answer; no secret text reaches it.
TEST(Exports, LogFile) {
    const karvelin::test::TempFolder folder("log");
    const std::string log = folder.path() + "/install.log", kept = folder.path() + "/kept.log";
    const std::string nowhere = folder.path() + "/nowhere.log";
    std::ofstream(kept) << "kept\n";
    ASSERT_EQ(::symlink(kept.c_str(), (folder.path() + "/to-kept").c_str()), 0);
    ASSERT_EQ(::symlink(nowhere.c_str(), (folder.path() + "/to-nowhere").c_str()), 0);
    const auto call = [](const std::string& setting) {
        ::setenv("KARVELIN_LOG", setting.c_str(), 1);
        karvelin::log::ReadSetting();
        errno = 0;
        const ResultCode answer = CheckDestFileDir("C:\\");
        EXPECT_EQ(errno, 0) << setting;  // a line that cannot be written leaves no error of its own
        Owned(Recode("karvelin-secret-marker", 22));
        ::unsetenv("KARVELIN_LOG");
        karvelin::log::ReadSetting();
        return answer;
    };
    for (const std::string& setting : {log, log, folder.path() + "/to-kept", folder.path() + "/to-nowhere", folder.path()})
        EXPECT_EQ(call(setting), ERR_DEST_PATH_IS_ROOT) << setting;
    const std::string lines = karvelin::test::Read(log);
    const std::regex line(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \d+ \d+ failure CheckDestFileDir: [^\n]*\n)");
    EXPECT_EQ(std::distance(std::sregex_iterator(lines.begin(), lines.end(), line), std::sregex_iterator()), 2) << lines;
    EXPECT_EQ(lines.find("secret-marker"), std::string::npos) << lines;
    struct stat made {};
    ASSERT_EQ(::stat(log.c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 07777, 0600u);
    // A line end in a name read from the caller cannot forge a line.
    ::setenv("KARVELIN_LOG", log.c_str(), 1);
    karvelin::log::ReadSetting();
    EXPECT_EQ(CopyTheFile("karvelin-no-such-file\nstep forged", "karvelin-not-made"), 0);
    EXPECT_NE(karvelin::test::Read(log).find("\"karvelin-no-such-file\\x0astep forged\""), std::string::npos);
    const std::string through_link = karvelin::test::Read(kept);
    EXPECT_EQ(through_link.rfind("kept\n", 0), 0u) << through_link;  // appended to, not truncated
    EXPECT_NE(through_link.find("failure CheckDestFileDir"), std::string::npos) << through_link;
    EXPECT_NE(::access(nowhere.c_str(), F_OK), 0);
    ::unsetenv("KARVELIN_LOG");
    karvelin::log::ReadSetting();
}
#endif

}  // namespace
