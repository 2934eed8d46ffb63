#include "files/tree_removal.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#endif

namespace karvelin::files {
namespace {

constexpr std::uint32_t D = kAttributeDirectory;
constexpr std::uint32_t kReadOnly = 0x1, kHidden = 0x2, kSystem = 0x4, kArchive = 0x20, kNormal = 0x80;
constexpr std::uint32_t kDirectoryLink = 0x410, kFileLink = 0x420;

// A drive in memory: paths to attribute words. A read-only entry cannot be
// deleted; a directory only when empty. Every call is logged.
class FakeTree final : public TreePlatform {
public:
    std::map<std::string, std::uint32_t> entries;
    std::map<std::string, std::string> full_paths;  // FullPath answers; the path itself otherwise
    std::string windows = "C:\\WINDOWS";
    std::vector<std::string> log, started;

    std::string FullPath(const std::string& path) override {
        const auto found = full_paths.find(path);
        return found == full_paths.end() ? path : found->second;
    }
    std::string WindowsDirectory() override { return windows; }
    std::uint32_t Attributes(const std::string& path) override {
        const auto found = entries.find(path);
        return found == entries.end() ? kNoAttributes : found->second;
    }
    void ForEachEntry(const std::string& pattern, const Visit& visit) override {
        log.push_back("list " + pattern);
        const std::string prefix = pattern.substr(0, pattern.size() - 1);
        const auto directory = entries.find(prefix.substr(0, prefix.size() - 1));
        if (directory == entries.end() || !(directory->second & D) || (directory->second & kReparse)) return;
        visit(".", D);
        visit("..", D);
        for (const auto& [name, attributes] : Children(prefix)) visit(name, attributes);
    }
    void ResetAttributes(const std::string& path) override {
        log.push_back("reset " + path);
        if (auto found = entries.find(path); found != entries.end())
            found->second = found->second & D ? D : kNormal;
    }
    void DeleteEntry(const std::string& path) override {
        log.push_back("delete " + path);
        const auto found = entries.find(path);
        if (found != entries.end() && !(found->second & kReadOnly) && !((found->second & D) && !(found->second & kReparse)))
            entries.erase(found);
    }
    void RemoveEmptyDirectory(const std::string& path) override {
        log.push_back("rmdir " + path);
        const std::string name = WithoutTrailingBackslashes(path, LeadBytes());
        const auto found = entries.find(name);
        if (found != entries.end() && (found->second & D) && !(found->second & kReadOnly) &&
            ((found->second & kReparse) || Children(name + "\\").empty()))
            entries.erase(found);
    }
    void Start(const std::string& command_line) override {
        log.push_back("start " + command_line);
        started.push_back(command_line);
    }

private:
    static constexpr std::uint32_t kReparse = kAttributeReparsePoint;
    // The entries right below the folder `prefix` ("C:\a\"), listed at once:
    // the walk deletes while it lists.
    std::vector<std::pair<std::string, std::uint32_t>> Children(const std::string& prefix) const {
        std::vector<std::pair<std::string, std::uint32_t>> children;
        for (const auto& [path, attributes] : entries)
            if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
                path.find('\\', prefix.size()) == std::string::npos)
                children.emplace_back(path.substr(prefix.size()), attributes);
        return children;
    }
};

std::set<std::string> Paths(const FakeTree& tree) {
    std::set<std::string> paths;
    for (const auto& entry : tree.entries) paths.insert(entry.first);
    return paths;
}

// What stays outside the tree in every case: the tree's parent, a sibling
// whose name begins with the tree's, and a folder that links point to.
const std::map<std::string, std::uint32_t> kOutside = {
    {"C:\\inst", D}, {"C:\\inst\\app2", D}, {"C:\\inst\\app2\\keep.txt", kReadOnly},
    {"C:\\data", D}, {"C:\\data\\ro.txt", kReadOnly | kArchive},
};

TEST(DelFilesAndDir, RemovesEveryEntryAndLinksThemselves) {
    const struct {
        const char* what;
        std::map<std::string, std::uint32_t> tree;  // below C:\inst\app
        std::set<std::string> left;                 // below C:\inst\app, or the folder itself ("")
    } cases[] = {
        {"plain files and folders", {{"a.txt", 0}, {"sub", D}, {"sub\\b.txt", kArchive}, {"sub\\deep", D},
                                     {"sub\\deep\\c", kNormal}}, {}},
        {"read-only, hidden and system files", {{"r", kReadOnly}, {"h", kHidden}, {"s", kSystem},
                                                {"rhs", kReadOnly | kHidden | kSystem | kArchive}}, {}},
        {"folders with more than the directory bit",
         {{"archive", D | kArchive}, {"archive\\f", 0}, {"readonly", D | kReadOnly}, {"readonly\\f", kReadOnly},
          {"hidden", D | kHidden}, {"hidden\\x", D | kSystem}, {"hidden\\x\\f", 0}, {"indexed", D | 0x2000}}, {}},
        {"names with dots", {{".profile", 0}, {"..x", 0}, {"...", D}, {"...\\.x", 0}}, {}},
        {"links lose the link alone",
         {{"dirlink", kDirectoryLink}, {"filelink", kFileLink}, {"sub", D}, {"sub\\sublink", kDirectoryLink | kHidden}},
         {}},
        {"a read-only link stays, and so do the folders above it", {{"sub", D}, {"sub\\sublink", kDirectoryLink | kReadOnly}},
         {"", "sub", "sub\\sublink"}},
    };
    for (const auto& c : cases) {
        FakeTree tree;
        tree.entries = kOutside;
        tree.entries["C:\\inst\\app"] = D | kReadOnly;
        for (const auto& [name, attributes] : c.tree) tree.entries["C:\\inst\\app\\" + name] = attributes;
        RemoveTree("C:\\inst\\app", LeadBytes(), tree);

        std::set<std::string> expected;
        for (const auto& entry : kOutside) expected.insert(entry.first);
        for (const auto& name : c.left) expected.insert(name.empty() ? "C:\\inst\\app" : "C:\\inst\\app\\" + name);
        EXPECT_EQ(Paths(tree), expected) << c.what;
        EXPECT_EQ(tree.entries["C:\\data\\ro.txt"], kReadOnly | kArchive) << c.what;
        for (const std::string& line : tree.log)  // nothing below a link, nothing outside
            EXPECT_TRUE(line.find("C:\\inst\\app") != std::string::npos && line.find("link\\") == std::string::npos)
                << c.what << ": " << line;
    }
}

TEST(DelFilesAndDir, CommandLinesQuoteTheFolderForEachFolderEntered) {
    const LeadBytes cp936 = LeadBytesOfCodePage(936);
    const std::string dbcs_5c = "\xB1\x5C";  // a character whose second byte is 0x5C
    const struct {
        std::string path;
        const LeadBytes* lead_bytes;
        std::vector<std::string> started;
    } cases[] = {
        {"C:\\Program Files\\App", nullptr,
         {"ATTRIB -R -H -S /S /D \"C:\\Program Files\\App\\sub dir\\*\"",
          "rmdir /S/Q \"C:\\Program Files\\App\\sub dir\\\\\"",
          "ATTRIB -R -H -S /S /D \"C:\\Program Files\\App\\*\"", "rmdir /S/Q \"C:\\Program Files\\App\\\\\""}},
        {"C:\\Program Files\\App\\", nullptr, {}},  // same as above
        {"C:\\Program Files\\App\\\\\\", nullptr, {}},
        {"C:\\" + dbcs_5c, &cp936,
         {"ATTRIB -R -H -S /S /D \"C:\\" + dbcs_5c + "\\*\"", "rmdir /S/Q \"C:\\" + dbcs_5c + "\\\\\""}},
        {"C:\\" + dbcs_5c + "\\\\", &cp936, {}},
        {"C:\\missing", nullptr, {"ATTRIB -R -H -S /S /D \"C:\\missing\\*\"", "rmdir /S/Q \"C:\\missing\\\\\""}},
    };
    std::vector<std::string> previous;
    for (const auto& c : cases) {
        FakeTree tree;
        tree.entries = {{"C:\\Program Files", D}, {"C:\\Program Files\\App", D}, {"C:\\Program Files\\App\\sub dir", D},
                        {"C:\\" + dbcs_5c, D}};
        RemoveTree(c.path.c_str(), c.lead_bytes ? *c.lead_bytes : LeadBytes(), tree);
        const auto& expected = c.started.empty() ? previous : c.started;
        EXPECT_EQ(tree.started, expected) << c.path;
        previous = expected;
    }
}

// A program's standard argument parsing (backslashes count only before a
// quote), on characters of the given code page.
std::vector<std::string> ParseArguments(const std::string& line, const LeadBytes& lead_bytes) {
    std::vector<std::string> arguments;
    std::string current;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < line.size();) {
        if (lead_bytes.CharLength(line.c_str() + i) == 2) {
            current.append(line, i, 2), i += 2, any = true;
        } else if (line[i] == '\\') {
            std::size_t n = 0;
            while (i < line.size() && line[i] == '\\') ++n, ++i;
            if (i < line.size() && line[i] == '"') {
                current.append(n / 2, '\\');
                if (n % 2) current += '"', ++i;
            } else {
                current.append(n, '\\');
            }
            any = true;
        } else if (line[i] == '"') {
            quoted = !quoted, ++i, any = true;
        } else if (line[i] == ' ' && !quoted) {
            if (any) arguments.push_back(current);
            current.clear(), any = false, ++i;
        } else {
            current += line[i++], any = true;
        }
    }
    if (any) arguments.push_back(current);
    return arguments;
}

TEST(DelFilesAndDir, QuotedPathsReadBackAsOneArgument) {
    const LeadBytes cp936 = LeadBytesOfCodePage(936);
    for (const std::string text : {"C:\\x\\", "C:\\a b\\*", "C:\\a b\\\\\\", "C:\\\xB1\x5C\\", "C:\\\xB1\x5C",
                                   "a\"b", "a\\\"b\\", "", " "}) {
        const std::string line = "rmdir /S/Q " + QuotedArgument(text, cp936);
        EXPECT_EQ(ParseArguments(line, cp936), (std::vector<std::string>{"rmdir", "/S/Q", text})) << line;
    }
}

TEST(DelFilesAndDir, RefusesRootsAndTheWindowsDirectory) {
    const struct {
        const char* path;
        const char* full;  // what the system makes of it (nullptr: the path itself)
        bool refused;
    } cases[] = {
        {"", nullptr, true},
        {"\\", "C:\\", true},
        {"\\\\\\", nullptr, true},
        {"C:", "C:\\inst", true},  // the current folder of C:, but only a mistake here
        {"d:", nullptr, true},
        {"C:\\", nullptr, true},
        {"C:\\\\\\", nullptr, true},
        {"C:/", "C:\\", true},
        {".", "C:\\", true},
        {"\\\\server\\share\\", nullptr, true},
        {"\\\\server\\share", nullptr, true},
        {"\\\\server", nullptr, true},
        {"\\\\?\\C:\\", nullptr, true},
        {"\\\\?\\UNC\\server\\share\\", nullptr, true},
        {"C:\\WINDOWS", nullptr, true},
        {"c:\\windows\\\\", nullptr, true},
        {"C:\\WINDOWS\\..\\Windows", "C:\\Windows", true},
        {"C:\\\\WINDOWS", nullptr, true},
        {"\\\\?\\c:\\windows", nullptr, true},
        {"C:\\WINDOWS\\Temp\\setup", nullptr, false},
        {"C:\\WINDOWS2", nullptr, false},
        {"C:\\WIN", nullptr, false},
        {"C:x", "C:\\inst\\x", false},
        {"\\\\server\\share\\app", nullptr, false},
    };
    for (const auto& c : cases) {
        FakeTree tree;
        tree.entries = {{"C:\\WINDOWS", D}, {"C:\\WINDOWS\\system32", D}, {"C:\\inst", D}};
        if (c.full) tree.full_paths[c.path] = c.full;
        EXPECT_EQ(IsRefusedPath(c.path, LeadBytes(), tree), c.refused) << c.path;
        if (!c.refused) continue;
        RemoveTree(c.path, LeadBytes(), tree);
        EXPECT_EQ(tree.log, std::vector<std::string>()) << c.path;  // nothing started, listed or deleted
        EXPECT_EQ(tree.entries.size(), 3u) << c.path;
    }
}

TEST(DelFilesAndDir, APathThatIsALinkLosesTheLinkAlone) {
    for (const std::uint32_t link : {kDirectoryLink, kFileLink}) {
        FakeTree tree;
        tree.entries = kOutside;
        tree.entries["C:\\inst\\app"] = link;
        RemoveTree("C:\\inst\\app\\", LeadBytes(), tree);
        EXPECT_EQ(tree.log, std::vector<std::string>{link & D ? "rmdir C:\\inst\\app" : "delete C:\\inst\\app"});
        EXPECT_EQ(tree.entries, kOutside);
    }
}

#ifndef _WIN32
namespace fs = std::filesystem;

// A folder of its own under the temporary folder, removed at the end.
class LinuxTree : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "karvelin-tree-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        base_ = pattern;
    }
    void TearDown() override {
        for (const auto& entry : fs::recursive_directory_iterator(base_))
            if (!entry.is_symlink()) fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(base_);
    }
    static void Write(const fs::path& file, const std::string& text, fs::perms mode = fs::perms::owner_read) {
        std::ofstream(file) << text;
        fs::permissions(file, mode);
    }
    fs::path base_;
};

TEST_F(LinuxTree, RemovesTheTreeAndFollowsNoLink) {
    const fs::path outside = base_ / "outside", tree = base_ / "tree";
    fs::create_directories(outside);
    Write(outside / "ro.txt", "kept");
    for (const char* folder : {"a/b/c", "read-only", ".hidden"}) fs::create_directories(tree / folder);
    for (const char* file : {"a/1", "a/b/c/2", ".profile", "..x", "read-only/3"}) Write(tree / file, "x");
    fs::permissions(tree / "read-only", fs::perms::owner_read | fs::perms::owner_exec);
    fs::create_directory_symlink(outside, tree / "a/dirlink");
    fs::create_symlink(outside / "ro.txt", tree / "filelink");
    fs::create_directory_symlink(outside, base_ / "toplink");

    const struct {
        fs::path path;
        std::string text;  // as given
    } cases[] = {
        {base_ / "toplink", (base_ / "toplink").string() + "/"},  // the link alone
        {tree, tree.string() + "//"},
        {base_ / "missing", (base_ / "missing").string()},
    };
    for (const auto& c : cases) {
        RemoveTreeNoFollow(c.text.c_str(), "/nonexistent-home");
        EXPECT_FALSE(fs::exists(fs::symlink_status(c.path))) << c.text;
    }
    std::ifstream kept(outside / "ro.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "kept");
    EXPECT_EQ(fs::status(outside / "ro.txt").permissions(), fs::perms::owner_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(base_), {}), 1);  // outside alone
}

// Every entry below `root` but `skip` and what lies under it: type, mode,
// a link's target, a file's content. Links are not followed.
std::map<std::string, std::string> Snapshot(const fs::path& root, const fs::path& skip) {
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->path() == skip) {
            it.disable_recursion_pending();
            continue;
        }
        const fs::file_status status = it->symlink_status();
        std::string& entry = entries[it->path().string()];
        entry = std::to_string(static_cast<int>(status.type())) + " " +
                std::to_string(static_cast<unsigned>(status.permissions()));
        if (status.type() == fs::file_type::symlink) {
            entry += " -> " + fs::read_symlink(it->path()).string();
        } else if (status.type() == fs::file_type::regular) {
            std::ifstream in(it->path(), std::ios::binary);
            entry += " " + std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return entries;
}

// Trees made to trap the removal: each leaves everything beside the tree as
// it was, and the tree gone.
TEST_F(LinuxTree, TrapsLeaveEverythingBesideTheTree) {
    const fs::path outside = base_ / "outside";
    fs::create_directories(outside / "sub");
    Write(outside / "ro.txt", "kept");
    Write(outside / "sub" / "data.bin", std::string("\0\x01\xff", 3), fs::perms::owner_all);
    fs::create_directory(base_ / "tree-sibling");
    const fs::path tree = base_ / "tree";
    auto folders = [&](int depth, fs::perms mode) {
        fs::path folder = tree;
        for (int level = 0; level < depth; ++level, folder /= "d") {
            fs::create_directories(folder);
            Write(folder / "f", "x");
        }
        for (fs::path up = folder.parent_path(); up != base_; up = up.parent_path()) fs::permissions(up, mode);
    };
    const struct {
        const char* what;
        std::function<void()> make;
        std::string given;  // below the base
        fs::path removed;
    } cases[] = {
        {"a link to a folder outside", [&] { folders(2, fs::perms::owner_all); fs::create_directory_symlink(outside, tree / "link"); },
         "tree", tree},
        {"a link to a file outside", [&] { folders(1, fs::perms::owner_all); fs::create_symlink(outside / "ro.txt", tree / "link"); },
         "tree", tree},
        {"the path itself a link", [&] { fs::create_directory_symlink(outside, base_ / "toplink"); }, "toplink/",
         base_ / "toplink"},
        {"blanks, signs, a 0x5C second byte",
         [&] {
             for (const char* name : {"tree", "tree/a b", "tree/&%x%^", "tree/\x81\\", "tree/\x95\\ \x95\\"}) {
                 fs::create_directories(base_ / name);
                 Write(base_ / name / "& %PATH% ^", "x");
             }
         },
         "tree", tree},
        {"trailing separators", [&] { folders(2, fs::perms::owner_all); }, "tree///", tree},
        {"folders without permissions", [&] { folders(3, fs::perms::none); }, "tree", tree},
        {"read-only folders", [&] { folders(3, fs::perms::owner_read | fs::perms::owner_exec); }, "tree", tree},
        {"30 levels deep", [&] { folders(30, fs::perms::owner_all); }, "tree", tree},
        {"5,000 entries",
         [&] {
             for (int folder = 0; folder < 10; ++folder) {
                 fs::create_directories(tree / std::to_string(folder));
                 for (int file = 0; file < 499; ++file) Write(tree / std::to_string(folder) / std::to_string(file), "");
             }
         },
         "tree", tree},
    };
    for (const auto& c : cases) {
        c.make();
        const auto before = Snapshot(base_, c.removed);
        RemoveTreeNoFollow((base_.string() + "/" + c.given).c_str(), "/nonexistent-home");
        EXPECT_EQ(Snapshot(base_, c.removed), before) << c.what;
        EXPECT_FALSE(fs::exists(fs::symlink_status(c.removed))) << c.what;
    }
    // The empty path is refused: everything stays.
    const auto before = Snapshot(base_, "");
    RemoveTreeNoFollow("", "/nonexistent-home");
    EXPECT_EQ(Snapshot(base_, ""), before);
}

TEST_F(LinuxTree, RefusesTheHomeDirectoryAndItsParents) {
    const fs::path home = base_ / "home" / "user";
    fs::create_directories(home / "work");
    fs::create_directory_symlink(home, base_ / "home-link");
    const std::string text_home = home.string();
    for (const std::string& path : {std::string(), text_home, text_home + "/", (base_ / "home").string(),
                                    (home / "..").string(), (home / "work" / ".." / "..").string()}) {
        RemoveTreeNoFollow(path.c_str(), (base_ / "home-link").string());  // HOME may name it through a link
        EXPECT_TRUE(fs::exists(home / "work")) << path;
    }
    RemoveTreeNoFollow((home / "work").c_str(), text_home);  // below the home directory: removed
    EXPECT_FALSE(fs::exists(home / "work"));
}
#endif

}  // namespace
}  // namespace karvelin::files
