// What the tree removal asks of the system: objects opened by handle (Windows)
// or descriptor (Linux), listed and deleted through the folder that holds
// them, never reached again by a path. Names are the platform's own: UTF-16 on
// Windows, bytes on Linux.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/lead_bytes.h"

namespace karvelin::files {

#ifdef _WIN32
using EntryName = std::wstring;
constexpr char kLogSeparator = '\\';
#else
using EntryName = std::string;
constexpr char kLogSeparator = '/';
#endif

// What an object is to the walk: a folder it may enter, a link (removed as
// itself, never followed), or a file (anything else).
enum class EntryKind { File, Folder, Link };

// What an opened object is, whatever name reached it: the volume's serial
// number (device) and the file's index (inode) on that volume.
struct ObjectIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool operator==(const ObjectIdentity& other) const { return volume == other.volume && file == other.file; }
    bool operator<(const ObjectIdentity& other) const {
        return volume != other.volume ? volume < other.volume : file < other.file;
    }
};

// One entry of a folder's listing, as the system gives it: the name is data
// read from the disk, not a path.
struct ListedEntry {
    EntryName name;
    EntryKind kind = EntryKind::File;
    std::uint64_t file = 0;  // its index on the volume; 0 when the listing gives none
    bool kind_known = true;  // false when the listing does not say (the object is asked)
};

// One object the walk holds: a folder, a file, or a link itself (never its
// target). A folder held stays the object it was: nobody can rename or delete
// it meanwhile (Windows), or the walk keeps reaching it by its descriptor.
class TreeNode {
public:
    using Visit = std::function<void(const ListedEntry& entry)>;

    virtual ~TreeNode() = default;
    virtual EntryKind Kind() = 0;
    virtual ObjectIdentity Identity() = 0;
    // How many names the file has; 0 when the system cannot tell.
    virtual std::uint32_t Links() = 0;
    // Each entry of this folder, read through the object held, "." and ".."
    // included; nothing when it cannot be listed.
    virtual void ForEachEntry(const Visit& visit) = 0;
    // The entry of this folder that the listing gave, opened through this
    // folder without following a link; null when it cannot be opened, or when
    // what the name reaches is not an entry of this folder (a link the system
    // follows anyway, another file system).
    virtual std::unique_ptr<TreeNode> OpenChild(const ListedEntry& entry) = 0;
    // Deletes `entry`, this folder's entry `name` opened by OpenChild (a folder
    // only when empty), whatever its attributes or mode; true when the system
    // accepted it. An entry that stays keeps the attributes or mode it had.
    virtual bool DeleteEntry(const EntryName& name, TreeNode& entry) = 0;
    // The folder that holds this one, reached from this one (".."); the walk
    // asks for it only where it closed the levels above.
    virtual std::unique_ptr<TreeNode> OpenContainer() = 0;
};

// The folder a removal was asked for, resolved once: the folder that holds it,
// opened, the entry's own name in it, and what is never removed, told by
// identity: wherever the walk meets one of those objects, it stays whole. An
// empty `kept` refuses the removal. The folder that holds the tree lies
// outside it: it keeps its mode or attributes, whatever that leaves.
struct TreeTarget {
    std::unique_ptr<TreeNode> parent;
    EntryName name;
    std::vector<ObjectIdentity> kept;
};

class TreePlatform {
public:
    virtual ~TreePlatform() = default;
    // Resolves `path` by the platform's rules (current folder, ".", "..",
    // trailing separators; on Windows trailing blanks and dots), opens the
    // folder that holds what it names, and tells what is protected. No parent
    // for a path the platform refuses (empty, a root, nothing it can make of).
    virtual TreeTarget Resolve(const std::string& path) = 0;
    // Whether a listed name can name its own entry and nothing else.
    virtual bool IsOwnName(const EntryName& name) = 0;
    // How many levels the walk may hold open at once; deeper, it closes the
    // levels above and comes back up through OpenContainer.
    virtual std::size_t LevelsHeldOpen() = 0;
};

// Windows: the clean-up commands for a folder the walk could not remove.
class TreeCommands {
public:
    virtual ~TreeCommands() = default;
    // The folder held, as the system names it from the object itself, in the
    // ANSI code page; empty when it cannot be named exactly.
    virtual std::string FolderName(TreeNode& folder) = 0;
    // Starts the command line hidden, without waiting; what it writes goes
    // nowhere the caller reads.
    virtual void Start(const std::string& command_line) = 0;
    virtual const LeadBytes& Lead() = 0;
};

// For the log: a name as text (Windows: in the ANSI code page, a character it
// lacks as '?'), and the error of the system call that failed last on this
// thread, its number and text.
std::string LogName(const EntryName& name);
std::string LastSystemError();

// The system's calls. They keep nothing between calls, so removals may run
// on several threads at once.
TreePlatform& SystemTree();
#ifdef _WIN32
TreeCommands& SystemTreeCommands();
#endif

}  // namespace karvelin::files
