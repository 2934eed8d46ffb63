#include "files/dest_dir.h"
#include "files/dest_dir_cases.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "log_capture.h"

namespace karvelin::files {
namespace {

// Volumes by root: D: NTFS, F: FAT32, E: a drive without a medium (fails).
class FakeVolumes final : public VolumePlatform {
public:
    std::map<std::string, std::string> file_systems{{"D:\\", "NTFS"}, {"F:\\", "FAT32"}, {"N:\\", "ntfs"},
                                                    {"M:\\", "NTFS5"}};
    std::vector<std::string> asked;
    bool FileSystemName(const std::string& root, std::string& name, SystemError& error) override {
        asked.push_back(root);
        const auto found = file_systems.find(root);
        if (found == file_systems.end()) return error = 21, false;  // ERROR_NOT_READY
        name = found->second;
        return true;
    }
};

TEST(CheckDestFileDir, RulesInOrder) {
    for (const PathCase& c : kPathCases) {
        FakeVolumes volumes;
        test::LogCapture log;
        EXPECT_EQ(CheckDestFileDir(c.path, LeadBytes{}, volumes), c.expected) << c.path;
        // A refusal names its step; a volume not queried, the system's error.
        const bool unread = c.root_asked && !volumes.file_systems.count(c.root_asked);
        EXPECT_TRUE(!c.expected || log.Has(unread       ? ": error 21"
                                           : c.root_asked ? "failure CheckDestFileDir: query volume: "
                                                          : "failure CheckDestFileDir: check: "))
            << c.path << log.Lines();
        EXPECT_EQ(volumes.asked, c.root_asked ? std::vector<std::string>{c.root_asked} : std::vector<std::string>{})
            << c.path;
    }
}

TEST(CheckDestFileDir, DoubleByteCharactersAreSteppedOverWhole) {
    // Under code page 936, 0x81 0x5C is one character whose second byte is a
    // backslash, and 0x81 0x2E hides no dot.
    const LeadBytes cp936 = LeadBytesOfCodePage(936);
    const struct {
        const char* path;
        ResultCode single_byte;
        ResultCode code_page_936;
    } cases[] = {
        {"D:\\\x81\x5c", 0, 0}, {"D:\x81\x5c", 0, 0}, {"D:\x81\x5c\\", 0, 0},
        {"D:\\\x81.", ERR_DEST_PATH_HAS_DOT, 0},  // 0x81 0x2E: one character under 936
        {"D:\\\xd6\xd0\xce\xc4", 0, 0}, {"D:\\\x81", 0, 0},  // a lead byte right before the end
    };
    for (const auto& c : cases) {
        FakeVolumes single, dbcs;
        EXPECT_EQ(CheckDestFileDir(c.path, LeadBytes{}, single), c.single_byte) << c.path;
        EXPECT_EQ(CheckDestFileDir(c.path, cp936, dbcs), c.code_page_936) << c.path;
    }
}

}  // namespace
}  // namespace karvelin::files
