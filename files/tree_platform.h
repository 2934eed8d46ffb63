// What the tree removal asks of the system: objects opened by handle (Windows)
// or descriptor (Linux), listed and deleted through the folder or handle that
// holds them, never reached again by a path; and starting the two clean-up
// commands (Windows). The calls with a body are the Windows behaviour; the
// Linux calls give their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace karvelin::files {

inline constexpr std::uint32_t kAttributeDirectory = 0x10;     // FILE_ATTRIBUTE_DIRECTORY
inline constexpr std::uint32_t kAttributeReparsePoint = 0x400;  // FILE_ATTRIBUTE_REPARSE_POINT

// What an opened object is, whatever name reached it: the volume's serial
// number and the file's index on that volume.
struct ObjectIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool operator==(const ObjectIdentity& other) const { return volume == other.volume && file == other.file; }
};

// One entry of a directory's listing, as the system gives it: the name is
// data read from the disk, not a path.
struct ListedEntry {
    std::wstring name;
    std::uint32_t attributes = 0;
    std::uint64_t file = 0;  // its index on the volume; 0 when the listing gives none
};

// One object the walk holds open: a directory, a file, or a link itself
// (never its target). While it is held, nobody else can rename or delete it.
class TreeNode {
public:
    using Visit = std::function<void(const ListedEntry& entry)>;

    virtual ~TreeNode() = default;
    // The attribute word of the object opened.
    virtual std::uint32_t Attributes() = 0;
    virtual ObjectIdentity Identity() = 0;
    // Each entry of this directory, read through its handle, "." and ".."
    // included; nothing when it cannot be listed.
    virtual void ForEachEntry(const Visit& visit) = 0;
    // The entry `name` of this directory, opened through this directory's
    // handle without following a link; null when it cannot be opened, or when
    // what the name reaches is not an entry of this directory (a link the
    // system follows anyway).
    virtual std::unique_ptr<TreeNode> OpenChild(const std::wstring& name) = 0;
    // Attributes to FILE_ATTRIBUTE_NORMAL (a read-only entry cannot be deleted).
    virtual void ResetAttributes() = 0;
    // Marks the object to be deleted when its handle closes (a directory only
    // when empty); true when the system accepted it.
    virtual bool Delete() = 0;
    // Deletes `entry`, this directory's entry `name`, opened by OpenChild:
    // on Windows through the entry's own handle; on Linux the name is
    // unlinked from this directory, whose descriptor it needs.
    virtual bool DeleteEntry(const std::wstring& name, TreeNode& entry) {
        static_cast<void>(name);
        return entry.Delete();
    }
    // The directory that holds this one, opened through this one's handle
    // (".."); null where the walk never needs it (it holds every level open).
    virtual std::unique_ptr<TreeNode> OpenContainer() { return nullptr; }
};

class TreePlatform {
public:
    virtual ~TreePlatform() = default;
    // The folder that holds `path` (opened, links above it followed) and the
    // path's last name, by the system's own rules: current folder, ".", "..",
    // trailing blanks and dots. Null when the path names no entry of a folder
    // (a root, or nothing the system can make of it).
    virtual std::unique_ptr<TreeNode> OpenParent(const std::string& path, std::wstring& name) = 0;
    // What is never removed, whatever spelling reaches it: the root of the
    // volume or share `path` lies on, the Windows directory and every folder
    // above it.
    virtual std::vector<ObjectIdentity> ProtectedObjects(const std::string& path) = 0;
    // Starts the command line, window hidden, without waiting (WinExec).
    virtual void Start(const std::string& command_line) = 0;
    // Whether a listed name can name its own entry and nothing else, by the
    // platform's rules for names.
    virtual bool IsOwnName(const std::wstring& name);
    // How many levels the walk may hold open at once; deeper, it closes the
    // levels above and comes back up through OpenContainer. Windows holds
    // them all: handles are no scarce resource there.
    virtual std::size_t LevelsHeldOpen() { return SIZE_MAX; }
};

// The system's calls (Windows only). They keep nothing between calls, so
// removals may run on several threads at once.
TreePlatform& SystemTree();

}  // namespace karvelin::files
