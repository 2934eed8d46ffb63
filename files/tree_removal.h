// DelFilesAndDir: removing a directory tree, following no link.
#pragma once

#include <string>

#include "common/lead_bytes.h"
#include "files/tree_platform.h"

namespace karvelin::files {

// The host's removal, as the export calls it: RemoveTree over the system's
// calls on Windows, RemoveTreeNoFollow with the user's home directory on Linux.
void DelFilesAndDir(const char* path);

// DelFilesAndDir in two steps, for a caller that lets its other threads run
// while the tree goes: making it reads what the removal takes from the
// process (on Linux the home directory, from HOME, which another thread may
// change), so the caller makes it while those threads are held; calling it
// removes the tree. Neither step throws: a removal that cannot be made or
// finished for want of memory leaves what it has not reached.
class TreeRemoval {
public:
    explicit TreeRemoval(const char* path) noexcept;
    void operator()() const noexcept;

private:
    std::string path_;
    std::string home_;  // Linux: never removed, nor a folder above it
    bool ready_ = false;
};

// The walk both systems share. Opens the folder `directory` names (its last
// name must be the entry's own), refuses it when it is a protected object or
// its own parent, removes a link alone and leaves a file; empties a folder
// level by level and removes it. True when the folder stays and what stays
// is plain files and folders the walk listed and identified (nothing the
// clean-up commands could follow out of the tree).
bool RemoveTreeAt(const std::string& directory, TreePlatform& tree);

// Windows. Refuses an empty path, backslashes alone and a bare drive ("C:"),
// then whatever the path opens as a protected object (see
// TreePlatform::ProtectedObjects), compared by identity. A path that is itself
// a link loses the link alone; a file stays. Otherwise the walk holds each
// directory open while it empties it: every entry is opened through its
// directory's handle and checked to be the very object listed before it is
// touched; files are deleted (attributes reset first), directories emptied
// the same way and removed, links removed themselves. A name that cannot be
// an entry's own ("." , "..", one holding a separator or a colon) is left
// alone. When the directory is still there afterwards, and the walk met no
// such name nor an entry swapped since it was listed, nor anything else but
// plain files and folders it listed (a link it could not remove, a folder on
// another volume, an entry it could not open or list), ATTRIB -R -H -S /S /D
// "<dir>\*" and rmdir /S/Q "<dir>\" are started for it. Nothing is reported.
void RemoveTree(const char* path, const LeadBytes& lead_bytes, TreePlatform& tree);

// Whether a listed name can name its own entry and nothing else: not "." or
// "..", no backslash, slash or colon, not empty.
bool IsOwnName(const std::wstring& name);

// The text in double quotes, so that a program's standard argument parsing
// reads it back as one argument, the text itself: backslashes before a quote
// (the closing one included) are doubled, a quote is escaped.
std::string QuotedArgument(const std::string& text, const LeadBytes& lead_bytes);

// Linux: the same walk over descriptors (openat/unlinkat, no symbolic link
// followed, not even the path's own last component: a link loses the link
// alone). A path that names a file is left in place. Refuses an empty path,
// a last name "." or "..", "/", and what the path opens when it is the home
// directory (or the link HOME names), or a folder above it. A mount inside
// the tree stays, with the folders above it. Starts no command.
void RemoveTreeNoFollow(const char* path, const std::string& home);

}  // namespace karvelin::files
