#include "files/tree_removal.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "common/log.h"
#include "common/log_tell.h"
#include "common/no_throw.h"

namespace karvelin::files {
namespace {

constexpr char kAttribCommand[] = "ATTRIB -R -H -S /S /D ";
constexpr char kRmdirCommand[] = "rmdir /S/Q ";
constexpr char kFunction[] = "DelFilesAndDir";
constexpr char kProtected[] = "protected (the home folder, a folder or link on the way to it, a system folder)";

char Folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The object opened by an entry's name is the one the listing gave: the
// same kind and, where the listing gives one, the same index on the volume.
// Anything else was put in the entry's place after the listing was read.
bool IsListedObject(const ListedEntry& entry, TreeNode& node) {
    if (entry.kind_known && entry.kind != node.Kind()) return false;
    return entry.file == 0 || entry.file == node.Identity().file;
}

// A folder the walk is in: its listing and how far the walk has gone in it.
// Deep in a tree the levels above may be closed (directory null); the walk
// comes back to them through ".." and checks it is the same object.
struct Level {
    std::unique_ptr<TreeNode> directory;
    ObjectIdentity identity;
    EntryName name;  // in the folder above
    std::vector<ListedEntry> entries;
    std::size_t next = 0;
    std::size_t stayed = 0;  // listed entries that could not be removed
};

// What the walk left behind.
struct Outcome {
    std::unique_ptr<TreeNode> top;  // held when it stays
    // Something stays that is not a plain file or folder the walk listed and
    // identified (see TreeRemoval), or a level the walk could not come back to.
    bool unsure = false;
};

// What a removal tells the log: each line names the object by the caller's
// path and the names below it. Every text is built only when the log is on.
class Report {
public:
    // `unresolved`: the system's error when the path was resolved.
    Report(const std::string& given, const std::string& unresolved) : given_(given), unresolved_(unresolved) {}

    // Why the removal of the whole path did nothing.
    void Refused(const char* why, bool system_error = false) const {
        log::Tell([&] { log::Failure(kFunction, Line("refused", given_, why, system_error)); });
    }
    void Unresolved() const {
        log::Tell([&] {
            log::Failure(kFunction, "refused \"" + given_ + "\": empty, a root, or its folder cannot be opened (" +
                                        unresolved_ + ")");
        });
    }
    // An entry the walk left: below the folder of `levels`, `name` and
    // `below` (the whole path when `levels` is empty and both are null).
    void Left(const std::vector<Level>& levels, const EntryName* name, const char* why, bool system_error,
              const EntryName* below = nullptr) const {
        log::Tell([&] { log::Failure(kFunction, Line("left", PathOf(levels, name, below), why, system_error)); });
    }
    // "<what> <text><after>", made only when the log is on.
    void Step(const char* what, const std::string& text, const char* after = "") const {
        log::Tell([&] { log::Step(kFunction, what + text + after); });
    }
    const std::string& given() const { return given_; }

private:
    std::string PathOf(const std::vector<Level>& levels, const EntryName* name, const EntryName* below) const {
        std::string path = given_;
        while (path.size() > 1 && (path.back() == '/' || path.back() == kLogSeparator)) path.pop_back();
        for (std::size_t i = 1; i < levels.size(); ++i) path += kLogSeparator + LogName(levels[i].name);
        for (const EntryName* more : {name, below})
            if (more) path += kLogSeparator + LogName(*more);
        return path;
    }
    static std::string Line(const char* what, const std::string& path, const char* why, bool system_error) {
        std::string line = std::string(what) + " \"" + path + "\": " + why;
        return system_error ? line + " (" + LastSystemError() + ")" : line;
    }

    const std::string& given_;
    const std::string& unresolved_;
};

Level Enter(TreePlatform& tree, std::unique_ptr<TreeNode> directory, const EntryName& name, Outcome& outcome,
            const std::vector<Level>& levels, const Report& report) {
    Level level{std::move(directory), {}, name, {}, 0, 0};
    level.identity = level.directory->Identity();
    bool listed = false;  // every listing the system gives holds "." at least
    level.directory->ForEachEntry([&](const ListedEntry& entry) {
        listed = true;
        if (tree.IsOwnName(entry.name)) {
            level.entries.push_back(entry);
        } else if (entry.name.size() > 2 || entry.name.find_first_not_of('.') != EntryName::npos) {
            outcome.unsure = true;  // neither "." nor ".."
            report.Left(levels, levels.empty() ? nullptr : &name, "a name that can be no entry's own", false,
                        &entry.name);
        }
    });
    if (!listed) {
        outcome.unsure = true;
        report.Left(levels, levels.empty() ? nullptr : &name, "cannot be listed", true);
    }
    return level;
}

// Whether `identity` is one of the sorted `kept`.
bool IsKept(const std::vector<ObjectIdentity>& kept, const ObjectIdentity& identity) {
    return std::binary_search(kept.begin(), kept.end(), identity);
}

// Empties the folder `top`, entry `name` of `parent`, and removes it. No
// recursion: a tree may be any number of levels deep. Each folder is listed
// once, before anything in it is touched, so the time is that of the
// entries, whatever stays. A folder on another volume than the top's is not
// entered: what is mounted inside the tree stays. A protected object met
// inside the tree (the home folder reached by a route the climb from HOME
// cannot see, a bind mount's real parent above all) stays whole, and so do
// the folders that hold it.
Outcome EmptyAndRemove(TreePlatform& tree, TreeNode& parent, const EntryName& name, std::unique_ptr<TreeNode> top,
                       const std::vector<ObjectIdentity>& kept, const Report& report) {
    Outcome outcome;
    const std::size_t held = std::max<std::size_t>(tree.LevelsHeldOpen(), 1);
    const std::uint64_t volume = top->Identity().volume;
    std::vector<Level> levels;
    levels.push_back(Enter(tree, std::move(top), name, outcome, levels, report));
    while (!levels.empty()) {
        if (levels.back().next == levels.back().entries.size()) {
            Level done = std::move(levels.back());
            levels.pop_back();
            TreeNode* holder = &parent;
            if (!levels.empty()) {
                Level& above = levels.back();
                if (!above.directory) {
                    above.directory = done.directory->OpenContainer();
                    // Moved elsewhere while the walk was below it: it stops.
                    if (!above.directory || !(above.directory->Identity() == above.identity)) {
                        outcome.unsure = true;
                        report.Left(levels, nullptr, "moved while the walk was below it: the walk stops", false);
                        return outcome;
                    }
                }
                holder = above.directory.get();
            }
            if (holder->DeleteEntry(done.name, *done.directory)) continue;  // closing `done` completes it
            // Nothing it listed stayed, yet it stays: it holds what its
            // listing did not show (under Wine, a dangling Unix link), or
            // the folder that holds the tree does not let the caller remove
            // entries.
            if (done.stayed == 0) {
                outcome.unsure = true;
                report.Left(levels, levels.empty() ? nullptr : &done.name, "emptied as listed, but cannot be removed",
                            true);
            }
            if (levels.empty())
                outcome.top = std::move(done.directory);
            else
                ++levels.back().stayed;
            continue;
        }
        Level& level = levels.back();
        const ListedEntry& entry = level.entries[level.next++];
        std::unique_ptr<TreeNode> child = level.directory->OpenChild(entry);
        const char* why = !child                               ? "cannot be opened"
                          : !IsListedObject(entry, *child)     ? "not the object listed: swapped since"
                          : child->Identity().volume != volume ? "on another volume"
                          : IsKept(kept, child->Identity())    ? kProtected
                                                               : nullptr;
        if (why) {
            report.Left(levels, &entry.name, why, !child);
            outcome.unsure = true;
            ++level.stayed;
            continue;
        }
        const EntryKind kind = child->Kind();
        if (kind == EntryKind::Folder) {
            const EntryName child_name = entry.name;
            // `level` and `entry` end here.
            levels.push_back(Enter(tree, std::move(child), child_name, outcome, levels, report));
            if (levels.size() > held) levels[levels.size() - held - 1].directory.reset();
            continue;
        }
        if (level.directory->DeleteEntry(entry.name, *child)) continue;
        report.Left(levels, &entry.name, "cannot be removed", true);
        ++level.stayed;
        // A link left is a way out of the tree; a file with other names, or
        // whose names cannot be counted, may be one outside it, which the
        // commands would reset.
        if (kind == EntryKind::Link || child->Links() != 1) outcome.unsure = true;
    }
    return outcome;
}

// What the commands are handed: the folder as the system names the object
// the walk held, never the caller's spelling of it.
void StartCommands(TreeNode& folder, TreeCommands& commands, const Report& report) {
    const std::string name = commands.FolderName(folder);
    const std::size_t length = LengthWithoutTrailingBackslashes(name.c_str(), commands.Lead());
    if (length == 0 || length != name.size()) return;  // no name, or a root's
    const std::string prefix = name + '\\';
    for (const std::string& line : {kAttribCommand + QuotedArgument(prefix + '*', commands.Lead()),
                                    kRmdirCommand + QuotedArgument(prefix, commands.Lead())}) {
        report.Step("started: ", line);
        commands.Start(line);
    }
}

void Remove(const TreeTarget& target, TreePlatform& tree, TreeCommands* commands, const Report& report) {
    // Nothing to compare with: not removed.
    if (!target.parent) return report.Unresolved();
    if (target.kept.empty()) return report.Refused("what is protected cannot be told");
    if (!tree.IsOwnName(target.name)) return report.Refused("names no entry of its folder");
    ListedEntry asked;
    asked.name = target.name;
    asked.kind_known = false;
    std::unique_ptr<TreeNode> top = target.parent->OpenChild(asked);
    if (!top) return report.Refused("cannot be opened", true);
    std::vector<ObjectIdentity> kept = target.kept;
    std::sort(kept.begin(), kept.end());
    const ObjectIdentity identity = top->Identity();
    if (IsKept(kept, identity)) return report.Refused(kProtected);
    // A top that is its own parent is a root, whatever the name said.
    if (identity == target.parent->Identity()) return report.Refused("a root");
    const EntryKind kind = top->Kind();
    if (kind == EntryKind::Link) {
        if (target.parent->DeleteEntry(target.name, *top))
            report.Step("removed the link \"", report.given(), "\"");
        else
            report.Left({}, nullptr, "a link that cannot be removed", true);
    }
    if (kind != EntryKind::Folder) {  // a file is no tree: it stays
        if (kind == EntryKind::File) report.Left({}, nullptr, "a file, not a folder", false);
        return;
    }
    const Outcome outcome = EmptyAndRemove(tree, *target.parent, target.name, std::move(top), kept, report);
    if (!outcome.top) report.Step("removed \"", report.given(), "\"");
    // The commands resolve paths from listed names themselves and follow
    // links: a folder that holds anything but plain files and folders is not
    // handed to them.
    if (outcome.top && !outcome.unsure && commands) StartCommands(*outcome.top, *commands, report);
}

}  // namespace

std::string QuotedArgument(const std::string& text, const LeadBytes& lead_bytes) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;  // the run just copied
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = lead_bytes.CharLength(text.c_str() + i);
        if (length == 1 && text[i] == '"') quoted.append(backslashes + 1, '\\');  // 2n + 1 in all, then the quote
        backslashes = length == 1 && text[i] == '\\' ? backslashes + 1 : 0;
        quoted.append(text, i, length);
        i += length;
    }
    quoted.append(backslashes, '\\');  // 2n before the closing quote read back as n
    return quoted + '"';
}

std::string WindowsFolderPath(const std::string& path, const LeadBytes& lead_bytes) {
    // Both separators: "C:\x\sub/" names sub as "C:\x\sub\" does. A slash is
    // never a double-byte character's second byte.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t length = lead_bytes.CharLength(path.c_str() + i);
        if (length == 2 || (path[i] != '\\' && path[i] != '/')) kept = i + length;
        i += length;
    }
    const std::string folder = path.substr(0, kept);
    const char letter = Folded(folder.size() == 2 ? folder[0] : '\0');
    if (letter >= 'A' && letter <= 'Z' && folder[1] == ':') return std::string();
    return folder;
}

TreeRemoval::TreeRemoval(const char* path, TreePlatform& tree, TreeCommands* commands) noexcept
    : tree_(tree), commands_(commands) {
    ready_ = Guard(false, [&] {
        given_ = path ? path : "";
        target_ = tree_.Resolve(given_);
        // Why it cannot be resolved is the system's last error now, not
        // when the removal runs.
        if (!target_.parent) log::Tell([&] { unresolved_ = LastSystemError(); });
        return true;
    });
}

void TreeRemoval::operator()() const noexcept {
    if (ready_) Guard([&] { Remove(target_, tree_, commands_, Report(given_, unresolved_)); });
}

}  // namespace karvelin::files
