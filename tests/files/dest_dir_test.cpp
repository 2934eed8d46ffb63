#include "files/dest_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace karvelin::files {
namespace {

// Volumes by root: D: NTFS, F: FAT32, E: a drive without a medium (fails).
class FakeVolumes final : public VolumePlatform {
public:
    std::map<std::string, std::string> file_systems{{"D:\\", "NTFS"}, {"F:\\", "FAT32"}, {"N:\\", "ntfs"},
                                                    {"M:\\", "NTFS5"}};
    std::vector<std::string> asked;
    bool FileSystemName(const std::string& root, std::string& name) override {
        asked.push_back(root);
        const auto found = file_systems.find(root);
        if (found == file_systems.end()) return false;
        name = found->second;
        return true;
    }
};

struct PathCase {
    const char* path;
    ResultCode expected;
    const char* root_asked;  // nullptr: no volume query
};

TEST(CheckDestFileDir, RulesInOrder) {
    const PathCase cases[] = {
        {"", ERR_DEST_PATH_INVALID, nullptr},
        {"D", ERR_DEST_PATH_INVALID, nullptr},
        {"D:", ERR_DEST_PATH_IS_ROOT, nullptr},
        {"D:\\", ERR_DEST_PATH_IS_ROOT, nullptr},
        {"D:\\\\\\", ERR_DEST_PATH_IS_ROOT, nullptr},
        {"D:\\Program Files\\app.1", ERR_DEST_PATH_HAS_DOT, nullptr},
        {".\\data", ERR_DEST_PATH_HAS_DOT, nullptr},
        {".", ERR_DEST_PATH_HAS_DOT, nullptr},
        {"\\\\server\\share", ERR_DEST_PATH_INVALID, nullptr},
        {"D:\\data", 0, "D:\\"},
        {"D:\\data\\", 0, "D:\\"},
        {"D:\\data\\\\", 0, "D:\\"},
        {"D:setup", 0, "D:\\"},
        {"D:/", 0, "D:\\"},  // a forward slash is an ordinary character
        {"F:\\data", ERR_DEST_NOT_NTFS, "F:\\"},
        {"F:\\data\\", ERR_DEST_NOT_NTFS, "F:\\"},
        {"N:\\data", ERR_DEST_NOT_NTFS, "N:\\"},  // case-sensitive
        {"M:\\data", ERR_DEST_NOT_NTFS, "M:\\"},  // the whole name
        {"E:\\data", ERR_DEST_PATH_INVALID, "E:\\"},
        {"1:\\data", ERR_DEST_PATH_INVALID, "1:\\"},
        {"d:\\data", ERR_DEST_PATH_INVALID, "d:\\"},  // the root is the path's own bytes
    };
    for (const PathCase& c : cases) {
        FakeVolumes volumes;
        EXPECT_EQ(CheckDestFileDir(c.path, LeadBytes{}, volumes), c.expected) << c.path;
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
        {"D:\\\x81\x5c", 0, 0},
        {"D:\x81\x5c", 0, 0},
        {"D:\x81\x5c\\", 0, 0},
        {"D:\\\x81.", ERR_DEST_PATH_HAS_DOT, 0},  // 0x81 0x2E: one character under 936
        {"D:\\\xd6\xd0\xce\xc4", 0, 0},
        {"D:\\\x81", 0, 0},  // a lead byte right before the end
    };
    for (const auto& c : cases) {
        FakeVolumes single, dbcs;
        EXPECT_EQ(CheckDestFileDir(c.path, LeadBytes{}, single), c.single_byte) << c.path;
        EXPECT_EQ(CheckDestFileDir(c.path, cp936, dbcs), c.code_page_936) << c.path;
    }
}

}  // namespace
}  // namespace karvelin::files
