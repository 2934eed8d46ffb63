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

// A directory held open, its listing, and how far the walk has gone in it.
struct Level {
    std::unique_ptr<TreeNode> directory;
    std::vector<ListedEntry> entries;
    std::size_t next = 0;
};

// What the walk left behind.
struct Outcome {
    bool removed = false;  // the top's removal was accepted
    bool foreign = false;  // it met a name or an object that is no entry of the tree
};

Level Enter(std::unique_ptr<TreeNode> directory, Outcome& outcome) {
    Level level{std::move(directory), {}, 0};
    level.directory->ForEachEntry([&](const ListedEntry& entry) {
        if (IsOwnName(entry.name))
            level.entries.push_back(entry);
        else if (entry.name != L"." && entry.name != L"..")
            outcome.foreign = true;
    });
    return level;
}

// Empties the directory and removes it. The walk keeps one handle per level
// it is in (no recursion: a tree may be thousands of levels deep), so no
// directory on the way can be renamed or replaced while it is inside.
Outcome EmptyAndRemove(std::unique_ptr<TreeNode> top) {
    Outcome outcome;
    std::vector<Level> levels;
    levels.push_back(Enter(std::move(top), outcome));
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.entries.size()) {
            level.directory->ResetAttributes();
            outcome.removed = level.directory->Delete();
            levels.pop_back();  // closing the handle completes the removal
            continue;
        }
        const ListedEntry& entry = level.entries[level.next++];
        std::unique_ptr<TreeNode> child = level.directory->OpenChild(entry.name);
        if (!child) continue;
        if (!IsListedObject(entry, *child)) {
            outcome.foreign = true;
            continue;
        }
        const std::uint32_t attributes = child->Attributes();
        if ((attributes & kAttributeDirectory) && !(attributes & kAttributeReparsePoint)) {
            levels.push_back(Enter(std::move(child), outcome));  // `level` and `entry` end here
            continue;
        }
        child->ResetAttributes();  // a link's own attributes, never its target's
        child->Delete();
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

void RemoveTree(const char* path, const LeadBytes& lead_bytes, TreePlatform& tree) {
    const std::string directory(path, LengthWithoutTrailingBackslashes(path, lead_bytes));
    // "C:" names the current folder of drive C, but as a removal it can only
    // be a mistaken root.
    if (directory.empty() || IsDriveForm(directory)) return;
    std::wstring name;
    const std::unique_ptr<TreeNode> parent = tree.OpenParent(directory, name);
    if (!parent || !IsOwnName(name)) return;
    std::unique_ptr<TreeNode> top = parent->OpenChild(name);
    if (!top) return;
    const std::vector<ObjectIdentity> kept = tree.ProtectedObjects(directory);
    const ObjectIdentity identity = top->Identity();
    // Nothing to compare with: not removed.
    if (kept.empty() || std::find(kept.begin(), kept.end(), identity) != kept.end()) return;
    const std::uint32_t attributes = top->Attributes();
    if (attributes & kAttributeReparsePoint) {
        top->ResetAttributes();
        top->Delete();
        return;
    }
    if (!(attributes & kAttributeDirectory)) return;  // a file is no tree: it stays
    const Outcome outcome = EmptyAndRemove(std::move(top));
    // Only what the walk could not remove is left to the commands; they name
    // the folder as the caller gave it. They resolve paths from listed names
    // themselves, so a tree that holds a name or an object not its own (a
    // trap: ..\x, a folder swapped for a link) is not handed to them.
    if (outcome.removed || outcome.foreign) return;
    const std::string prefix = directory + '\\';
    tree.Start(kAttribCommand + QuotedArgument(prefix + '*', lead_bytes));
    tree.Start(kRmdirCommand + QuotedArgument(prefix, lead_bytes));
}

}  // namespace karvelin::files
