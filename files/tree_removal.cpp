#include "files/tree_removal.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace karvelin::files {
namespace {

constexpr char kAttribCommand[] = "ATTRIB -R -H -S /S /D ";
constexpr char kRmdirCommand[] = "rmdir /S/Q ";

char Folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsDriveForm(const std::string& path) {
    const char letter = Folded(path.size() == 2 ? path[0] : '\0');
    return letter >= 'A' && letter <= 'Z' && path[1] == ':';
}

// The object opened by an entry's name is the one the listing gave: the
// same kind (directory, link) and, where the listing gives one, the same
// index on the volume. Anything else was put in the entry's place after
// the listing was read.
bool IsListedObject(const ListedEntry& entry, TreeNode& node) {
    constexpr std::uint32_t kKind = kAttributeDirectory | kAttributeReparsePoint;
    if ((entry.attributes & kKind) != (node.Attributes() & kKind)) return false;
    return entry.file == 0 || entry.file == node.Identity().file;
}

// A directory the walk is in: its listing and how far the walk has gone in
// it. Deep in a tree the levels above may be closed (directory null); the
// walk comes back to them through ".." and checks it is the same object.
struct Level {
    std::unique_ptr<TreeNode> directory;
    ObjectIdentity identity;
    std::wstring name;  // in the directory above
    std::vector<ListedEntry> entries;
    std::size_t next = 0;
};

// What the walk left behind.
struct Outcome {
    bool removed = false;  // the top's removal was accepted
    // Something stays that is not a plain file or folder the walk listed and
    // identified: a name or an object no entry of the tree, a link it could
    // not remove, another volume, what it could not open or list, a level it
    // could not come back to.
    bool unsure = false;
};

Level Enter(TreePlatform& tree, std::unique_ptr<TreeNode> directory, const std::wstring& name, Outcome& outcome) {
    Level level{std::move(directory), {}, name, {}, 0};
    level.identity = level.directory->Identity();
    bool listed = false;  // every listing the system gives holds "." at least
    level.directory->ForEachEntry([&](const ListedEntry& entry) {
        listed = true;
        if (tree.IsOwnName(entry.name))
            level.entries.push_back(entry);
        else if (entry.name != L"." && entry.name != L"..")
            outcome.unsure = true;
    });
    if (!listed) outcome.unsure = true;
    return level;
}

// Empties the directory `top`, entry `name` of `parent`, and removes it. No
// recursion: a tree may be any number of levels deep. Each directory is
// listed once, before anything in it is touched, so the time is that of the
// entries, whatever stays. A directory on another volume than the top's is
// not entered: what is mounted inside the tree stays.
Outcome EmptyAndRemove(TreePlatform& tree, TreeNode& parent, const std::wstring& name,
                       std::unique_ptr<TreeNode> top) {
    Outcome outcome;
    const std::size_t held = std::max<std::size_t>(tree.LevelsHeldOpen(), 1);
    const std::uint64_t volume = top->Identity().volume;
    std::vector<Level> levels;
    levels.push_back(Enter(tree, std::move(top), name, outcome));
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
                        return outcome;
                    }
                }
                holder = above.directory.get();
            }
            done.directory->ResetAttributes();
            const bool removed = holder->DeleteEntry(done.name, *done.directory);
            if (levels.empty()) outcome.removed = removed;
            continue;  // closing `done` completes its removal
        }
        Level& level = levels.back();
        const ListedEntry& entry = level.entries[level.next++];
        std::unique_ptr<TreeNode> child = level.directory->OpenChild(entry.name);
        if (!child || !IsListedObject(entry, *child) || child->Identity().volume != volume) {
            outcome.unsure = true;
            continue;
        }
        const std::uint32_t attributes = child->Attributes();
        if ((attributes & kAttributeDirectory) && !(attributes & kAttributeReparsePoint)) {
            const std::wstring child_name = entry.name;
            levels.push_back(Enter(tree, std::move(child), child_name, outcome));  // `level` and `entry` end here
            if (levels.size() > held) levels[levels.size() - held - 1].directory.reset();
            continue;
        }
        child->ResetAttributes();  // a link's own attributes, never its target's
        if (!level.directory->DeleteEntry(entry.name, *child) && (attributes & kAttributeReparsePoint))
            outcome.unsure = true;
    }
    return outcome;
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

bool IsOwnName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/:") == std::wstring::npos;
}

bool TreePlatform::IsOwnName(const std::wstring& name) { return files::IsOwnName(name); }

bool RemoveTreeAt(const std::string& directory, TreePlatform& tree) {
    std::wstring name;
    const std::unique_ptr<TreeNode> parent = tree.OpenParent(directory, name);
    if (!parent || !tree.IsOwnName(name)) return false;
    std::unique_ptr<TreeNode> top = parent->OpenChild(name);
    if (!top) return false;
    const std::vector<ObjectIdentity> kept = tree.ProtectedObjects(directory);
    const ObjectIdentity identity = top->Identity();
    // Nothing to compare with: not removed. A top that is its own parent is
    // a root, whatever the name said.
    if (kept.empty() || std::find(kept.begin(), kept.end(), identity) != kept.end() || identity == parent->Identity())
        return false;
    const std::uint32_t attributes = top->Attributes();
    if (attributes & kAttributeReparsePoint) {
        top->ResetAttributes();
        parent->DeleteEntry(name, *top);
        return false;
    }
    if (!(attributes & kAttributeDirectory)) return false;  // a file is no tree: it stays
    const Outcome outcome = EmptyAndRemove(tree, *parent, name, std::move(top));
    return !outcome.removed && !outcome.unsure;
}

void RemoveTree(const char* path, const LeadBytes& lead_bytes, TreePlatform& tree) {
    const std::string directory(path, LengthWithoutTrailingBackslashes(path, lead_bytes));
    // "C:" names the current folder of drive C, but as a removal it can only
    // be a mistaken root.
    if (directory.empty() || IsDriveForm(directory)) return;
    // Only what the walk could not remove is left to the commands; they name
    // the folder as the caller gave it. They resolve paths from listed names
    // themselves and follow links, so a folder that holds anything but plain
    // files and folders the walk listed is not handed to them.
    if (!RemoveTreeAt(directory, tree)) return;
    const std::string prefix = directory + '\\';
    tree.Start(kAttribCommand + QuotedArgument(prefix + '*', lead_bytes));
    tree.Start(kRmdirCommand + QuotedArgument(prefix, lead_bytes));
}

}  // namespace karvelin::files
