// DelFilesAndDir: removing a directory tree, following no link.
#pragma once

#include <string>

#include "common/lead_bytes.h"
#include "files/tree_platform.h"

namespace karvelin::files {

// The host's removal, as the export calls it: RemoveTree over the system's
// calls on Windows, RemoveTreeNoFollow with the user's home directory on Linux.
void DelFilesAndDir(const char* path);

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
// such name nor an entry swapped since it was listed, ATTRIB -R -H -S /S /D
// "<dir>\*" and rmdir /S/Q "<dir>\" are started for it. Nothing is reported.
void RemoveTree(const char* path, const LeadBytes& lead_bytes, TreePlatform& tree);

// Whether a listed name can name its own entry and nothing else: not "." or
// "..", no backslash, slash or colon, not empty.
bool IsOwnName(const std::wstring& name);

// The text in double quotes, so that a program's standard argument parsing
// reads it back as one argument, the text itself: backslashes before a quote
// (the closing one included) are doubled, a quote is escaped.
std::string QuotedArgument(const std::string& text, const LeadBytes& lead_bytes);

// Linux: removes the tree with openat/unlinkat, following no symbolic link,
// not even the path's own last component (a link loses the link alone). A
// path that names a file is left in place. Refuses an empty path, "/" and the
// home directory or a parent of it.
void RemoveTreeNoFollow(const char* path, const std::string& home);

}  // namespace karvelin::files
