// The tree walk over a volume in memory: what it removes, what it leaves and
// refuses, the commands it starts for what stays.
#include <gtest/gtest.h>

#include "files/fake_tree.h"
#include "files/removal_cases.h"
#include "log_capture.h"

namespace karvelin::files {
namespace {

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
    // How the volume behaves: it opens a link's target, it may delete a
    // read-only file, the walk may hold one level open; and the commands are
    // started for the folder left behind.
    enum : unsigned { kFollows = 1, kIgnoresReadOnly = 2, kHeldOne = 4, kCommands = 8, kHomeKept = 16 };
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::uint32_t>> tree;  // below C:\inst\app
        std::set<std::string> left;  // below C:\inst\app, or the folder itself ("")
        unsigned how = 0;
        std::function<void(FakeTree&, const EntryName&)> before_open = nullptr;
    } cases[] = {
        {"plain files and folders",
         {{"a.txt", 0}, {"sub", D}, {"sub\\b.txt", kArchive}, {"sub\\deep", D}, {"sub\\deep\\c", kNormal}}, {}},
        {"read-only, hidden and system entries",
         {{"r", kReadOnly}, {"rhs", kReadOnly | kHidden | kSystem | kArchive}, {"archive", D | kArchive},
          {"archive\\f", 0}, {"ro", D | kReadOnly}, {"ro\\f", kReadOnly}, {"hidden", D | kHidden},
          {"hidden\\x", D | kSystem}, {"hidden\\x\\f", 0}, {"indexed", D | 0x2000}}, {}},
        {"names with dots", {{".profile", 0}, {"..x", 0}, {"...", D}, {"...\\.x", 0}}, {}},
        {"links lose the link alone, read-only ones too",
         {{"dirlink", kDirectoryLink}, {"filelink", kFileLink}, {"sub", D}, {"sub\\ro", kDirectoryLink | kReadOnly}}, {}},
        {"links a platform follows stay, with the folders above them",
         {{"dirlink", kDirectoryLink}, {"sub", D}, {"sub\\f", 0}}, {"", "dirlink"}, kFollows},
        {"names that are no entry's own", {{"..|f1", 0}, {"..|..", D}, {"a/b", 0}, {"x:y", 0}, {"sub", D}},
         {"", "..\\f1", "..\\..", "a/b", "x:y"}},
        {"a folder swapped for a link before it is opened",
         {{"sub", D}, {"sub\\f1", 0}, {"sub\\sub", D}, {"sub\\sub\\f1", 0}},
         {"", "sub", "sub.away", "sub.away\\f1", "sub.away\\sub", "sub.away\\sub\\f1"}, 0, SwapForLink("sub", "sub")},
        {"a swapped folder on a platform that follows links", {{"sub", D}, {"sub\\f1", 0}, {"sub\\sub", D}},
         {"", "sub", "sub.away", "sub.away\\f1", "sub.away\\sub"}, kFollows, SwapForLink("sub", "sub")},
        // The link came after the listing: the tree's delete fails though
        // nothing it listed stayed.
        {"a folder swapped while the walk is inside it",
         {{"sub", D}, {"sub\\f1", 0}, {"sub\\sub", D}, {"sub\\sub\\f1", 0}}, {"", "sub"}, 0, SwapForLink("sub", "f1")},
        {"a file that stays: the commands", {{"open", kLocked}, {"sub", D}}, {"", "open"}, kCommands},
        {"a read-only file with another name, read-only ignored", {{"ro", kReadOnly | kTwoNames}}, {}, kIgnoresReadOnly},
        // Anything else that stays is not handed to the commands.
        {"an entry that cannot be opened", {{"f", kUnopenable}, {"sub", D}}, {"", "f"}},
        {"a file with another name that stays", {{"open", kLocked | kTwoNames}, {"sub", D}}, {"", "open"}},
        {"a file whose names cannot be counted", {{"open", kLocked | kNamesUnknown}}, {"", "open"}},
        {"a read-only file with another name, read-only not ignored", {{"ro", kReadOnly | kTwoNames}, {"f", 0}}, {"", "ro"}},
        {"a folder that holds what its listing does not show", {{"sub", D | kHoldsUnlisted}, {"sub\\f", 0}}, {"", "sub"}},
        {"a link that cannot be removed", {{"dirlink", kDirectoryLink | kLocked}, {"f", 0}}, {"", "dirlink"}},
        {"a folder that cannot be listed", {{"sub", D | kUnlistable}, {"sub\\f", 0}}, {"", "sub", "sub\\f"}},
        // The home folder met by its identity (a bind mount's real parent):
        // it stays whole, the folders above it too, and no command starts.
        {"a protected folder inside stays whole", {{"a", D}, {"a\\home", D}, {"a\\home\\f", 0}, {"a\\x", 0}, {"y", 0}},
         {"", "a", "a\\home", "a\\home\\f"}, kHomeKept | kHeldOne},
        {"a folder on another volume stays, contents and all", {{"mnt", D | kOtherVolume}, {"mnt\\f", 0}, {"f", 0}},
         {"", "mnt", "mnt\\f"}},
        {"one level held open: back up through the folders",
         {{"a", D}, {"a\\b", D}, {"a\\b\\c", D}, {"a\\b\\c\\f", 0}, {"a\\x", 0}, {"y", 0}}, {}, kHeldOne},
        {"a closed level moved while the walk is below it: the walk stops",
         {{"a", D}, {"a\\b", D}, {"a\\b\\f", 0}, {"a\\x", 0}}, {"", "z", "z\\a"}, kHeldOne,
         [](FakeTree& tree, const EntryName& name) {
             if (name != Wide("f") || tree.Find("C:\\inst\\app\\z")) return;
             tree.objects[tree.Find("C:\\inst\\app\\a")].parent = tree.Add("C:\\inst\\app\\z", D);
         }},
    };
    // Each case through both fronts: with the commands (Windows) and without.
    for (const bool windows : {true, false})
    for (const auto& c : cases) {
        FakeTree tree = TreeWith(c.tree);
        tree.follows_links = c.how & kFollows;
        tree.before_open = c.before_open;
        tree.held = c.how & kHeldOne ? 1 : SIZE_MAX;
        tree.ignores_read_only = c.how & kIgnoresReadOnly;
        if (c.how & kHomeKept) tree.kept = {tree.Find("C:\\inst\\app\\a\\home")};
        test::LogCapture log;
        TreeRemoval("C:\\inst\\app", tree, windows ? &tree : nullptr)();
        // The log says what went, or each entry left and why.
        EXPECT_TRUE(log.Has(c.left.empty() ? "step DelFilesAndDir: removed \"C:\\inst\\app\""
                                           : "failure DelFilesAndDir: left \"C:\\inst\\app"))
            << c.what << "\n" << log.Lines();
        EXPECT_EQ(log.Has("protected"), (c.how & kHomeKept) != 0) << c.what;

        std::map<std::string, std::uint32_t> outside, expected = kOutside;
        expected["C:"] = D;  // and the volume's root
        std::set<std::string> left;
        for (const auto& [path, attributes] : tree.Paths()) {
            if (path == "C:\\inst\\app" || path.rfind("C:\\inst\\app\\", 0) == 0)
                left.insert(path.substr(std::min<std::size_t>(path.size(), 12)));
            else
                outside[path] = attributes;
        }
        EXPECT_EQ(outside, expected) << c.what;
        EXPECT_EQ(left, c.left) << c.what;
        EXPECT_EQ(tree.started.size(), (c.how & kCommands) && windows ? 2u : 0u) << c.what;  // whole, or a trap: no commands
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
    const auto commands = [](const std::string& folder) {
        return std::vector<std::string>{"ATTRIB -R -H -S /S /D \"" + folder + "\\*\"",
                                        "rmdir /S/Q \"" + folder + "\\\\\""};
    };
    struct Case {
        std::string path;
        const LeadBytes* lead_bytes;
        std::vector<std::string> removed;   // the paths gone
        std::vector<std::string> started;
        bool protection_unknown = false;
    };
    std::vector<Case> cases = {
        {"C:\\Program Files\\App", nullptr, {}, {}, true},  // protected objects unknown
        {"C:\\missing", nullptr, {}, {}}, {"C:\\file.txt\\", nullptr, {}, {}}, {"C:\\link\\\\", nullptr, {"C:\\link"}, {}},
        {"C:\\Program Files\\App\\\\", nullptr, {"C:\\Program Files\\App", "C:\\Program Files\\App\\sub dir"}, {}},
        {"C:\\Program Files\\App/", nullptr, {"C:\\Program Files\\App", "C:\\Program Files\\App\\sub dir"}, {}},
        // The commands name the folder the walk held as the system names it,
        // whatever spelling reached it.
        {"C:\\" + dbcs_5c + "\\\\", &cp936, {"C:\\dbcs\\sub"}, commands("C:\\dbcs")},
        {"C:\\Program Files\\Busy ", nullptr, {}, commands("C:\\Program Files\\Busy")},
        {"C:\\trap", nullptr, {}, {}},  // a name no entry's own: not handed to the commands
        {"C:\\Program Files\\Busy", nullptr, {}, commands("C:\\Program Files\\Busy")},
    };
    for (const test::RefusedPath& refused : test::kRefusedPaths)  // nothing removed, nothing started
        if (refused.faces & test::kFakeVolume) cases.push_back({test::RefusedSpelling(refused.path, "C:\\WINDOWS"), nullptr, {}, {}});
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
                        {"C:\\" + dbcs_5c, "C:\\dbcs"},  // the fake's own paths are single-byte
                        {"C:\\Program Files\\Busy ", "C:\\Program Files\\Busy"}};
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

}  // namespace
}  // namespace karvelin::files
