#include "files/tree_removal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <pthread.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "common/posix_owners.h"
#endif

namespace karvelin::files {
namespace {

// The fake's volume speaks in Windows attribute words.
constexpr std::uint32_t D = 0x10, kReparsePoint = 0x400;
constexpr std::uint32_t kReadOnly = 0x1, kHidden = 0x2, kSystem = 0x4, kArchive = 0x20, kNormal = 0x80;
constexpr std::uint32_t kDirectoryLink = 0x410, kFileLink = 0x420;
// The fake's own: held open by another program, not to be opened, on
// another volume, not to be listed; a file with another name, one whose names
// cannot be counted; a folder that holds what its listing does not show.
constexpr std::uint32_t kLocked = 0x1000000, kUnopenable = 0x2000000, kOtherVolume = 0x4000000,
                        kUnlistable = 0x8000000, kTwoNames = 0x10000000, kNamesUnknown = 0x20000000,
                        kHoldsUnlisted = 0x40000000;

// The platform's own names, from the fake's single-byte ones.
EntryName Wide(const std::string& text) { return EntryName(text.begin(), text.end()); }
std::string Narrow(const EntryName& name) { return std::string(name.begin(), name.end()); }

EntryKind KindOf(std::uint32_t attributes) {
    return attributes & kReparsePoint ? EntryKind::Link : attributes & D ? EntryKind::Folder : EntryKind::File;
}

// A volume in memory, and the commands. Objects are found by id, as handles
// find them: an object renamed while held stays the one held. A directory
// can be deleted only when empty; a read-only file with another name only
// where the system ignores read-only; a deletion takes effect when the last
// node on the object closes. Every change is logged by the object's path.
class FakeTree final : public TreePlatform, public TreeCommands {
public:
    struct Object {
        std::uint64_t parent = 0;
        EntryName name;
        std::uint32_t attributes = 0;
        std::uint64_t target = 0;  // a link's, for a platform that follows links
    };
    std::map<std::uint64_t, Object> objects;
    std::map<std::string, std::string> aliases;  // what the system makes of a path: "W:\x" -> "C:\x"
    std::vector<std::string> log, started;
    bool follows_links = false;                   // opens a link's target instead of the link
    bool protection_unknown = false;
    bool ignores_read_only = false;  // the disposition flag that ignores read-only
    LeadBytes lead;
    std::size_t held = SIZE_MAX;  // levels the walk may hold open
    // Runs before an entry is opened by name: the place to swap it.
    std::function<void(FakeTree&, const EntryName& name)> before_open;

    FakeTree() { objects[1] = {0, Wide("C:"), D, 0}; }

    // A '|' in the last name stands for a backslash inside it.
    std::uint64_t Add(const std::string& path, std::uint32_t attributes) {
        const std::size_t separator = path.rfind('\\');
        const std::uint64_t parent = Find(path.substr(0, separator));
        const std::uint64_t id = next_id_++;
        EntryName name = Wide(path.substr(separator + 1));
        std::replace(name.begin(), name.end(), '|', '\\');
        objects[id] = {parent, name, attributes, 0};
        return id;
    }
    std::uint64_t Find(const std::string& path) const {
        std::uint64_t id = 1;
        std::size_t at = path.find('\\');
        if (path.substr(0, at) != "C:") return 0;
        while (at != std::string::npos && id) {
            const std::size_t end = path.find('\\', at + 1);
            id = Child(id, Wide(path.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1)));
            at = end;
        }
        return id;
    }
    std::uint64_t Child(std::uint64_t parent, const EntryName& name) const {
        for (const auto& [id, object] : objects)
            if (object.parent == parent && object.name == name) return id;
        return 0;
    }
    std::string PathOf(std::uint64_t id) const {
        const Object& object = objects.at(id);
        return object.parent ? PathOf(object.parent) + "\\" + std::string(object.name.begin(), object.name.end())
                             : "C:";
    }
    // Every path with its attribute word.
    std::map<std::string, std::uint32_t> Paths() const {
        std::map<std::string, std::uint32_t> paths;
        for (const auto& [id, object] : objects) paths[PathOf(id)] = object.attributes;
        return paths;
    }

    class Node final : public TreeNode {
    public:
        Node(FakeTree& tree, std::uint64_t id) : tree_(tree), id_(id) { ++tree_.open_[id_]; }
        ~Node() override {
            if (--tree_.open_[id_] == 0 && tree_.pending_.erase(id_)) tree_.objects.erase(id_);
        }
        std::uint32_t Attributes() const { return tree_.objects.at(id_).attributes; }
        EntryKind Kind() override { return KindOf(Attributes()); }
        ObjectIdentity Identity() override { return {Attributes() & kOtherVolume ? 8u : 7u, id_}; }
        std::uint32_t Links() override {
            return Attributes() & kNamesUnknown ? 0 : Attributes() & kTwoNames ? 2 : 1;
        }
        void ForEachEntry(const Visit& visit) override {
            if (Attributes() & kUnlistable) return;
            visit({Wide("."), EntryKind::Folder, id_});
            visit({Wide(".."), EntryKind::Folder, tree_.objects.at(id_).parent});
            for (const auto& [id, object] : tree_.objects)
                if (object.parent == id_) visit({object.name, KindOf(object.attributes), id});
        }
        std::unique_ptr<TreeNode> OpenChild(const ListedEntry& entry) override {
            const EntryName& name = entry.name;
            if (tree_.before_open) tree_.before_open(tree_, name);
            std::uint64_t id = name == Wide(".")    ? id_
                               : name == Wide("..") ? tree_.objects.at(id_).parent
                                                    : tree_.Child(id_, name);
            if (id && tree_.follows_links && tree_.objects.at(id).target) id = tree_.objects.at(id).target;
            if (id && (tree_.objects.at(id).attributes & kUnopenable)) return nullptr;
            return id ? std::make_unique<Node>(tree_, id) : nullptr;
        }
        std::unique_ptr<TreeNode> OpenContainer() override {
            return std::make_unique<Node>(tree_, tree_.objects.at(id_).parent);
        }
        bool DeleteEntry(const EntryName&, TreeNode& entry) override { return static_cast<Node&>(entry).Delete(); }
        std::uint64_t id() const { return id_; }

    private:
        bool Delete() {
            tree_.log.push_back("delete " + tree_.PathOf(id_));
            const std::uint32_t attributes = Attributes();
            if ((attributes & (kLocked | kHoldsUnlisted)) || (Kind() == EntryKind::Folder && HasChildren()) ||
                ((attributes & kReadOnly) && Kind() == EntryKind::File && Links() != 1 && !tree_.ignores_read_only))
                return false;
            tree_.pending_.insert(id_);
            return true;
        }
        bool HasChildren() const {
            for (const auto& entry : tree_.objects)
                if (entry.second.parent == id_) return true;
            return false;
        }
        FakeTree& tree_;
        std::uint64_t id_;
    };

    TreeTarget Resolve(const std::string& path) override {
        const std::string folder = WindowsFolderPath(path, lead);
        const auto alias = aliases.find(folder);
        const std::string full = alias == aliases.end() ? folder : alias->second;
        const std::size_t separator = full.rfind('\\');
        if (separator == std::string::npos || separator + 1 == full.size()) return {};
        TreeTarget target;
        target.name = Wide(full.substr(separator + 1));
        const std::uint64_t parent = Find(full.substr(0, separator));
        if (parent) target.parent = std::make_unique<Node>(*this, parent);
        if (!protection_unknown) target.kept = {{7, 1}, {7, Find("C:\\WINDOWS")}};
        return target;
    }
    bool IsOwnName(const EntryName& name) override {
        return !name.empty() && name != Wide(".") && name != Wide("..") && Narrow(name).find_first_of("\\/:") == std::string::npos;
    }
    std::size_t LevelsHeldOpen() override { return held; }
    std::string FolderName(TreeNode& folder) override { return PathOf(static_cast<Node&>(folder).id()); }
    void Start(const std::string& command_line) override { started.push_back(command_line); }
    const LeadBytes& Lead() override { return lead; }

private:
    std::uint64_t next_id_ = 2;
    std::map<std::uint64_t, int> open_;
    std::set<std::uint64_t> pending_;
};

// Beside the tree in every case: its parent, a sibling whose name begins
// with the tree's, a folder that links point to, and the Windows directory.
const std::map<std::string, std::uint32_t> kOutside = {
    {"C:\\inst", D},        {"C:\\inst\\app2", D}, {"C:\\inst\\app2\\keep.txt", kReadOnly},
    {"C:\\data", D},        {"C:\\data\\sub", D},  {"C:\\data\\sub\\f1", kReadOnly | kArchive},
    {"C:\\data\\f1", 0},    {"C:\\WINDOWS", D},    {"C:\\WINDOWS\\system32", D},
};

FakeTree TreeWith(const std::vector<std::pair<std::string, std::uint32_t>>& inside) {
    FakeTree tree;
    for (const auto& [path, attributes] : kOutside) tree.Add(path, attributes);
    tree.Add("C:\\inst\\app", D | kReadOnly);
    for (const auto& [name, attributes] : inside) {
        const std::uint64_t id = tree.Add("C:\\inst\\app\\" + name, attributes);
        if (attributes & kReparsePoint)
            tree.objects[id].target = tree.Find(attributes & D ? "C:\\data" : "C:\\data\\f1");
    }
    return tree;
}

// Swaps the folder `name` of the tree for a link to C:\data (renaming the
// folder away beside it) the first time the walk is about to open `when`.
std::function<void(FakeTree&, const EntryName&)> SwapForLink(const std::string& name, const char* when) {
    return [=](FakeTree& tree, const EntryName& opened) {
        if (opened != Wide(when) || tree.Find("C:\\inst\\app\\" + name + ".away")) return;
        const std::uint64_t folder = tree.Find("C:\\inst\\app\\" + name);
        tree.objects[folder].name += Wide(".away");
        tree.objects[tree.Add("C:\\inst\\app\\" + name, kDirectoryLink)].target = tree.Find("C:\\data");
    };
}

TEST(DelFilesAndDir, RemovesWhatIsInTheTreeAndNothingElse) {
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::uint32_t>> tree;  // below C:\inst\app
        std::set<std::string> left;  // below C:\inst\app, or the folder itself ("")
        bool follows_links = false;
        std::function<void(FakeTree&, const EntryName&)> before_open = nullptr;
        bool commands = false;  // started for the folder left behind
        std::size_t held = SIZE_MAX;
        bool ignores_read_only = false;
    } cases[] = {
        {"plain files and folders",
         {{"a.txt", 0}, {"sub", D}, {"sub\\b.txt", kArchive}, {"sub\\deep", D}, {"sub\\deep\\c", kNormal}}, {}},
        {"read-only, hidden and system entries",
         {{"r", kReadOnly}, {"rhs", kReadOnly | kHidden | kSystem | kArchive}, {"archive", D | kArchive},
          {"archive\\f", 0}, {"ro", D | kReadOnly}, {"ro\\f", kReadOnly}, {"hidden", D | kHidden},
          {"hidden\\x", D | kSystem}, {"hidden\\x\\f", 0}, {"indexed", D | 0x2000}}, {}},
        {"names with dots", {{".profile", 0}, {"..x", 0}, {"...", D}, {"...\\.x", 0}}, {}},
        {"links lose the link alone, read-only ones too",
         {{"dirlink", kDirectoryLink}, {"filelink", kFileLink}, {"sub", D}, {"sub\\ro", kDirectoryLink | kReadOnly}},
         {}},
        {"links a platform follows stay, with the folders above them",
         {{"dirlink", kDirectoryLink}, {"sub", D}, {"sub\\f", 0}}, {"", "dirlink"}, true},
        {"names that are no entry's own", {{"..|f1", 0}, {"..|..", D}, {"a/b", 0}, {"x:y", 0}, {"sub", D}},
         {"", "..\\f1", "..\\..", "a/b", "x:y"}},
        {"a folder swapped for a link before it is opened",
         {{"sub", D}, {"sub\\f1", 0}, {"sub\\sub", D}, {"sub\\sub\\f1", 0}},
         {"", "sub", "sub.away", "sub.away\\f1", "sub.away\\sub", "sub.away\\sub\\f1"}, false,
         SwapForLink("sub", "sub")},
        {"a swapped folder on a platform that follows links", {{"sub", D}, {"sub\\f1", 0}, {"sub\\sub", D}},
         {"", "sub", "sub.away", "sub.away\\f1", "sub.away\\sub"}, true, SwapForLink("sub", "sub")},
        // The link came after the listing: the tree's delete fails though
        // nothing it listed stayed.
        {"a folder swapped while the walk is inside it",
         {{"sub", D}, {"sub\\f1", 0}, {"sub\\sub", D}, {"sub\\sub\\f1", 0}}, {"", "sub"}, false,
         SwapForLink("sub", "f1")},
        {"a file that stays: the commands", {{"open", kLocked}, {"sub", D}}, {"", "open"}, false, nullptr, true},
        {"a read-only file with another name, read-only ignored", {{"ro", kReadOnly | kTwoNames}}, {}, false,
         nullptr, false, SIZE_MAX, true},
        // Anything else that stays is not handed to the commands.
        {"an entry that cannot be opened", {{"f", kUnopenable}, {"sub", D}}, {"", "f"}},
        {"a file with another name that stays", {{"open", kLocked | kTwoNames}, {"sub", D}}, {"", "open"}},
        {"a file whose names cannot be counted", {{"open", kLocked | kNamesUnknown}}, {"", "open"}},
        {"a read-only file with another name, read-only not ignored", {{"ro", kReadOnly | kTwoNames}, {"f", 0}},
         {"", "ro"}},
        {"a folder that holds what its listing does not show", {{"sub", D | kHoldsUnlisted}, {"sub\\f", 0}},
         {"", "sub"}},
        {"a link that cannot be removed", {{"dirlink", kDirectoryLink | kLocked}, {"f", 0}}, {"", "dirlink"}},
        {"a folder that cannot be listed", {{"sub", D | kUnlistable}, {"sub\\f", 0}}, {"", "sub", "sub\\f"}},
        {"a folder on another volume stays, contents and all", {{"mnt", D | kOtherVolume}, {"mnt\\f", 0}, {"f", 0}},
         {"", "mnt", "mnt\\f"}},
        {"one level held open: back up through the folders",
         {{"a", D}, {"a\\b", D}, {"a\\b\\c", D}, {"a\\b\\c\\f", 0}, {"a\\x", 0}, {"y", 0}}, {}, false, nullptr,
         false, 1},
        {"a closed level moved while the walk is below it: the walk stops",
         {{"a", D}, {"a\\b", D}, {"a\\b\\f", 0}, {"a\\x", 0}}, {"", "z", "z\\a"}, false,
         [](FakeTree& tree, const EntryName& name) {
             if (name != Wide("f") || tree.Find("C:\\inst\\app\\z")) return;
             tree.objects[tree.Find("C:\\inst\\app\\a")].parent = tree.Add("C:\\inst\\app\\z", D);
         },
         false, 1},
    };
    // Each case through both fronts: with the commands (Windows) and without.
    for (const bool windows : {true, false})
    for (const auto& c : cases) {
        FakeTree tree = TreeWith(c.tree);
        tree.follows_links = c.follows_links;
        tree.before_open = c.before_open;
        tree.held = c.held;
        tree.ignores_read_only = c.ignores_read_only;
        TreeRemoval("C:\\inst\\app", tree, windows ? &tree : nullptr)();

        std::map<std::string, std::uint32_t> outside = tree.Paths();
        std::set<std::string> left;
        for (auto it = outside.begin(); it != outside.end();) {
            const std::string& path = it->first;
            if (path == "C:\\inst\\app" || path.rfind("C:\\inst\\app\\", 0) == 0) {
                left.insert(path == "C:\\inst\\app" ? "" : path.substr(12));
                it = outside.erase(it);
            } else {
                ++it;
            }
        }
        for (const auto& [path, attributes] : kOutside) EXPECT_EQ(outside[path], attributes) << c.what << ": " << path;
        EXPECT_EQ(outside.size(), kOutside.size() + 1) << c.what;  // and the volume's root
        for (const std::string& name : c.left) EXPECT_TRUE(left.count(name)) << c.what << ": " << name;
        EXPECT_EQ(left.size(), c.left.size()) << c.what;
        EXPECT_EQ(tree.started.size(), c.commands && windows ? 2u : 0u) << c.what;  // whole, or a trap: no commands
        for (const std::string& line : tree.log)
            EXPECT_NE(line.find("C:\\inst\\app"), std::string::npos) << c.what << ": " << line;
    }
}

// What the given path is decides what is done with it: a protected object
// (whatever its spelling), a missing path or a file is left alone, a link
// loses the link alone. The commands are started for a folder the walk could
// not remove, and only then.
TEST(DelFilesAndDir, ThePathItselfAndTheCommandsForLeftovers) {
    const LeadBytes cp936 = LeadBytesOfCodePage(936);
    const std::string dbcs_5c = "\xB1\x5C";  // a character whose second byte is 0x5C
    const struct {
        std::string path;
        const LeadBytes* lead_bytes;
        std::vector<std::string> removed;   // the paths gone
        std::vector<std::string> started;
        bool protection_unknown = false;
    } cases[] = {
        {"", nullptr, {}, {}},
        {"\\\\\\", nullptr, {}, {}},
        {"C:", nullptr, {}, {}},
        {"c:\\\\", nullptr, {}, {}},
        {"C:\\WINDOWS", nullptr, {}, {}},
        {"W:\\WINDOWS", nullptr, {}, {}},  // another drive's name for C:\ (subst)
        {"C:\\WIN~1", nullptr, {}, {}},    // a short name
        {"C:\\WINDOWS\\..", nullptr, {}, {}},
        {"C:\\Program Files\\App", nullptr, {}, {}, true},  // protected objects unknown
        {"C:\\missing", nullptr, {}, {}},
        {"C:\\file.txt\\", nullptr, {}, {}},
        {"C:\\link\\\\", nullptr, {"C:\\link"}, {}},
        {"C:\\Program Files\\App\\\\", nullptr, {"C:\\Program Files\\App", "C:\\Program Files\\App\\sub dir"}, {}},
        {"C:\\Program Files\\App/", nullptr, {"C:\\Program Files\\App", "C:\\Program Files\\App\\sub dir"}, {}},
        // The commands name the folder the walk held as the system names it,
        // whatever spelling reached it.
        {"C:\\" + dbcs_5c + "\\\\", &cp936, {"C:\\dbcs\\sub"},
         {"ATTRIB -R -H -S /S /D \"C:\\dbcs\\*\"", "rmdir /S/Q \"C:\\dbcs\\\\\""}},
        {"C:\\Program Files\\Busy ", nullptr, {},
         {"ATTRIB -R -H -S /S /D \"C:\\Program Files\\Busy\\*\"", "rmdir /S/Q \"C:\\Program Files\\Busy\\\\\""}},
        {"C:\\trap", nullptr, {}, {}},  // a name no entry's own: not handed to the commands
        {"C:\\Program Files\\Busy", nullptr, {},
         {"ATTRIB -R -H -S /S /D \"C:\\Program Files\\Busy\\*\"", "rmdir /S/Q \"C:\\Program Files\\Busy\\\\\""}},
    };
    for (const auto& c : cases) {
        FakeTree tree;
        tree.protection_unknown = c.protection_unknown;
        for (const auto& [path, attributes] : std::vector<std::pair<std::string, std::uint32_t>>{
                 {"C:\\WINDOWS", D}, {"C:\\WINDOWS\\system32", D}, {"C:\\Program Files", D},
                 {"C:\\Program Files\\App", D}, {"C:\\Program Files\\App\\sub dir", D}, {"C:\\file.txt", 0},
                 {"C:\\link", kDirectoryLink}, {"C:\\dbcs", D}, {"C:\\dbcs\\sub", D},
                 {"C:\\dbcs\\open", kNormal | kLocked},
                 {"C:\\Program Files\\Busy", D}, {"C:\\Program Files\\Busy\\open", kNormal | kLocked},
                 {"C:\\trap", D}, {"C:\\trap\\open", kNormal | kLocked}, {"C:\\trap\\..|x", 0}})
            tree.Add(path, attributes);
        tree.objects[tree.Find("C:\\link")].target = tree.Find("C:\\WINDOWS");
        tree.aliases = {{"W:\\WINDOWS", "C:\\WINDOWS"}, {"C:\\WIN~1", "C:\\WINDOWS"}, {"C:\\WINDOWS\\..", "C:"},
                        {"C:\\" + dbcs_5c, "C:\\dbcs"}, {"C:\\Program Files\\Busy ", "C:\\Program Files\\Busy"}};  // the fake's own paths are single-byte
        std::map<std::string, std::uint32_t> expected = tree.Paths();
        for (const std::string& gone : c.removed) expected.erase(gone);
        tree.lead = c.lead_bytes ? *c.lead_bytes : LeadBytes();
        TreeRemoval(c.path.c_str(), tree, &tree)();
        EXPECT_EQ(tree.Paths(), expected) << c.path;
        EXPECT_EQ(tree.started, c.started) << c.path;
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
    // What a failed removal leaves may be deeper than any path reaches.
    void TearDown() override { std::system(("chmod -R u+rwx " + base_.string() + "; rm -rf " + base_.string()).c_str()); }
    static void Write(const fs::path& file, const std::string& text, fs::perms mode = fs::perms::owner_read) {
        std::ofstream(file) << text;
        fs::permissions(file, mode);
    }
    fs::path base_;
};

constexpr int kSkipped = 77;

// The Linux removal, its home folder given.
void RemoveTreeNoFollow(const char* path, const std::string& home) {
    const auto tree = LinuxTreeWithHome(home);
    TreeRemoval(path, *tree)();
}
constexpr uid_t kNobody = 65534;

// `work` in a forked child: its exit status, or 128 and the signal that ended it.
int InChild(const std::function<int()>& work) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(work());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// As an ordinary user: where the suite runs as root, as nobody on `base`
// (and all it holds, unless `only_base`) given to nobody (root would pass
// every permission check).
int AsUser(const fs::path& base, const std::function<void()>& work, bool only_base = false) {
    if (::geteuid() != 0) return InChild([&] { return work(), 0; });
    ::lchown(base.c_str(), kNobody, kNobody);
    for (auto it = fs::recursive_directory_iterator(base); !only_base && it != fs::recursive_directory_iterator(); ++it)
        ::lchown(it->path().c_str(), kNobody, kNobody);
    return InChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) return kSkipped;
        ::prctl(PR_SET_DUMPABLE, 1);  // its /proc/self its own again, as for any process of the user
        return work(), 0;
    });
}

// On a thread with a 1 MiB stack, in a process that may open 64 descriptors.
int OnSmallStack(const std::function<void()>& work) {
    return InChild([&] {
        const struct rlimit limit {64, 64};
        pthread_attr_t attributes;
        pthread_t thread;
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0 || ::pthread_attr_init(&attributes) != 0 ||
            ::pthread_attr_setstacksize(&attributes, 1 << 20) != 0)
            return kSkipped;
        auto run = [](void* w) -> void* { return (*static_cast<const std::function<void()>*>(w))(), nullptr; };
        if (::pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&work)) != 0) return kSkipped;
        return ::pthread_join(thread, nullptr);
    });
}

// `depth` folders "d", each in the one above, made through descriptors (no
// path reaches that deep) and owned by `owner`, with a file in each where
// `files`; the deepest stays open.
posix::unique_fd Chain(const fs::path& top, int depth, uid_t owner = ::geteuid(), bool files = false) {
    fs::create_directory(top);
    posix::unique_fd folder(::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (int level = 0; folder && level < depth; ++level) {
        ::fchown(folder.get(), owner, owner);
        ::mkdirat(folder.get(), "d", 0755);
        if (files) posix::unique_fd(::openat(folder.get(), "f", O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        folder.reset(::openat(folder.get(), "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    return folder;
}

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
    // A file is no tree: it stays, given with or without a trailing slash.
    for (const std::string& given : {(outside / "ro.txt").string(), (outside / "ro.txt").string() + "/"})
        RemoveTreeNoFollow(given.c_str(), "/nonexistent-home");
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
    enum class Run { Here, AsUser, SmallStack, Swapping, BindMount };
    const struct {
        const char* what;
        std::function<void()> make;
        std::string given;  // below the base
        fs::path removed;
        Run run = Run::Here;
        std::vector<fs::path> left = {};  // under `removed`, what stays
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
        {"folders without permissions", [&] { folders(3, fs::perms::none); }, "tree", tree, Run::AsUser},
        {"folders with search alone", [&] { folders(3, fs::perms::owner_exec); }, "tree", tree, Run::AsUser},
        {"folders with write alone", [&] { folders(3, fs::perms::owner_write); }, "tree", tree, Run::AsUser},
        {"folders with write and search", [&] { folders(3, fs::perms::owner_write | fs::perms::owner_exec); }, "tree",
         tree, Run::AsUser},
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
        {"1,000 levels, 64 descriptors", [&] { Chain(tree, 1000); }, "tree", tree, Run::SmallStack},
        {"100,000 levels, 64 descriptors, a 1 MiB stack", [&] { Chain(tree, 100000); }, "tree", tree, Run::SmallStack},
        {"a folder swapped with a link to outside, again and again",
         [&] {
             folders(1, fs::perms::owner_all);
             fs::create_directory(tree / "d");
             for (int file = 0; file < 2000; ++file) Write(tree / "d" / std::to_string(file), "");
             fs::create_directory_symlink(outside, tree / "link");
         },
         "tree", tree, Run::Swapping},
        {"a folder mounted inside stays, with the folders above it and their modes",
         [&] {
             fs::create_directories(tree / "sub" / "mnt"), Write(tree / "sub" / "f", "x");
             fs::permissions(tree / "sub", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read);
             fs::permissions(tree, fs::perms::owner_exec);
         },
         "tree", tree, Run::BindMount, {tree / "sub" / "mnt"}},
    };
    for (const auto& c : cases) {
        c.make();
        const auto before = Snapshot(base_, c.removed);
        std::map<fs::path, fs::perms> modes;  // of the folders above what stays
        for (const fs::path& left : c.left)
            for (fs::path up = left.parent_path(); up.string().size() >= c.removed.string().size(); up = up.parent_path())
                modes[up] = fs::status(up).permissions();
        const std::string given = base_.string() + "/" + c.given;
        const auto remove = [&] { RemoveTreeNoFollow(given.c_str(), "/nonexistent-home"); };
        int status = 0;
        if (c.run == Run::Here) remove();
        if (c.run == Run::AsUser) status = AsUser(base_, remove);
        if (c.run == Run::SmallStack) status = OnSmallStack(remove);
        if (c.run == Run::Swapping) {
            std::atomic<bool> stop{false};
            std::thread swapper([&] {
                while (!stop) ::renameat2(AT_FDCWD, (tree / "d").c_str(), AT_FDCWD, (tree / "link").c_str(), RENAME_EXCHANGE);
            });
            remove();
            stop = true;
            swapper.join();
            remove();  // what a swap kept from it
        }
        if (c.run == Run::BindMount) {
            status = InChild([&] {
                if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                    ::mount(outside.c_str(), (tree / "sub" / "mnt").c_str(), nullptr, MS_BIND, nullptr) != 0)
                    return kSkipped;
                return remove(), 0;
            });
        }
        if (status == kSkipped) {
            std::printf("%s: skipped, the system did not allow it (not root?)\n", c.what);
            continue;
        }
        EXPECT_EQ(status, 0) << c.what;
        EXPECT_EQ(Snapshot(base_, c.removed), before) << c.what;
        for (const fs::path& left : c.left) EXPECT_TRUE(fs::exists(left)) << c.what << ": " << left;
        for (const auto& [folder, mode] : modes) EXPECT_EQ(fs::status(folder).permissions(), mode) << c.what << ": " << folder;
        if (c.left.empty()) {
            EXPECT_FALSE(fs::exists(fs::symlink_status(c.removed))) << c.what;
        }
    }
    // The empty path is refused: everything stays.
    const auto before = Snapshot(base_, "");
    RemoveTreeNoFollow("", "/nonexistent-home");
    EXPECT_EQ(Snapshot(base_, ""), before);
}

TEST_F(LinuxTree, RefusesTheHomeDirectoryAndItsParents) {
    const fs::path home = base_ / "home" / "user", start = fs::current_path();
    fs::create_directories(home / "work");
    fs::create_directory_symlink(home, base_ / "home-link");
    fs::create_directories(base_ / "links");
    fs::create_directory_symlink(base_ / "home-link", base_ / "links" / "l1");  // to a link to the home
    // A home 5,000 levels deep, reached through a link every 1,000 levels.
    Chain(base_ / "deep", 5000);
    std::string thousand;
    for (int level = 0; level < 1000; ++level) thousand += level ? "/d" : "d";
    fs::path deep_home = base_ / "deep-home";
    fs::create_directory_symlink(base_ / "deep" / thousand, deep_home);
    for (int link = 1; link < 5; ++link, deep_home /= "l") ::symlinkat(thousand.c_str(), AT_FDCWD, (deep_home / "l").c_str());
    const std::string link = (base_ / "home-link").string(), h = home.string();
    const struct {
        std::string home, path;
        fs::path stays;
    } cases[] = {
        {link, "", home / "work"},
        {link, h, home / "work"},
        {link, h + "/", home / "work"},
        {link, (base_ / "home").string(), home / "work"},
        {link, (home / "..").string(), home / "work"},
        {link, (home / "work" / ".." / "..").string(), home / "work"},
        {link, link, link},  // HOME's own link
        {link + "/", link, link},
        {(base_ / "links" / "l1").string(), link, link},  // a link on the way
        {(base_ / "links" / "l1").string(), (base_ / "links").string(), base_ / "links" / "l1"},
        {"home/user", h, home / "work"},  // relative to the current folder, the base
        {deep_home.string(), (base_ / "deep").string(), base_ / "deep" / "d"},
    };
    fs::current_path(base_);
    for (const auto& c : cases) {
        RemoveTreeNoFollow(c.path.c_str(), c.home);
        EXPECT_TRUE(fs::exists(fs::symlink_status(c.stays))) << c.home << " " << c.path;
    }
    fs::current_path(start);
    RemoveTreeNoFollow((home / "work").c_str(), h);  // below the home directory: removed
    EXPECT_FALSE(fs::exists(home / "work"));
}

// Something at the bottom stays (a folder of root's, for nobody): each folder
// is still listed once, so the time grows with the depth, not its square.
TEST_F(LinuxTree, AnEntryThatStaysAtTheBottom) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a folder that nobody cannot remove";
    double took[2] = {};
    for (int i = 0; i < 2; ++i) {
        const fs::path tree = base_ / ("tree" + std::to_string(i));
        {
            const posix::unique_fd bottom = Chain(tree, 500 << (2 * i), kNobody, true);
            ::fchown(bottom.get(), kNobody, kNobody);
            ::mkdirat(bottom.get(), "root's", 0755);
            const posix::unique_fd kept(::openat(bottom.get(), "root's", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            const posix::unique_fd file(::openat(kept.get(), "f", O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        }
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(AsUser(base_, [&] { RemoveTreeNoFollow(tree.c_str(), "/nonexistent-home"); }, true), 0);
        took[i] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_TRUE(fs::exists(tree / "d" / "d"));
    }
    std::printf("a folder stays at the bottom: 500 levels %.2f s, 2,000 levels %.2f s: ratio %.1f (4 when linear)\n",
                took[0], took[1], took[1] / took[0]);
}

// Another thread changes the current folder while the removal runs (the
// Python 3 module releases its lock during the call): "me" is resolved once,
// and ".." is refused, so the home directory is never what is emptied.
TEST_F(LinuxTree, TheHomeDirectoryStaysWhileTheCurrentFolderChanges) {
    const fs::path home = base_ / "home" / "me", work = base_ / "work", start = fs::current_path();
    for (const auto& [given, there, here] : {std::tuple{"me", base_ / "home", work}, {"..", home / "sub", work / "x"}}) {
        fs::create_directories(home / "sub");
        Write(home / "keep", "kept");
        std::atomic<bool> stop{false};
        std::atomic<int> flips{0};
        fs::create_directories(work / "x");
        std::thread mover([&, there = there, here = here] {
            for (bool flip = false; !stop; flip = !flip, ++flips) static_cast<void>(::chdir((flip ? there : here).c_str()));
        });
        for (int round = 0; round < 300 && fs::exists(home / "keep"); ++round) {
            fs::create_directories(work / "x"), fs::create_directories(work / "me");
            for (const int seen = flips; flips == seen;) std::this_thread::yield();  // the mover is running
            RemoveTreeNoFollow(given, home.string());
        }
        stop = true;
        mover.join();
        EXPECT_TRUE(fs::exists(home / "keep") && fs::exists(home / "sub")) << given;
    }
    // Made ready, a removal keeps the folder and the home it was made with
    // (here a relative HOME), whatever the current folder is when it runs.
    for (const fs::path& folder : {base_ / "a" / "tree", work / "a" / "tree"}) fs::create_directories(folder);
    const auto tree = LinuxTreeWithHome("home/me");
    fs::current_path(base_);
    const TreeRemoval relative("a/tree", *tree), home_itself(home.c_str(), *tree);
    fs::current_path(work);
    relative(), home_itself();
    EXPECT_FALSE(fs::exists(base_ / "a" / "tree"));
    EXPECT_TRUE(fs::exists(work / "a" / "tree") && fs::exists(home / "keep"));
    fs::current_path(start);
}
#endif

}  // namespace
}  // namespace karvelin::files
