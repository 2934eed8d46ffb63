// DelFilesAndDir: removing a directory tree, following no link.
#pragma once

#include <string>

#include "common/lead_bytes.h"
#include "files/tree_platform.h"

namespace karvelin::files {

// The host's removal, as the export calls it: RemoveTree over SystemTree() on
// Windows, RemoveTreeNoFollow with the user's home directory on Linux.
void DelFilesAndDir(const char* path);

// Windows. Refuses what can only be a mistake (see IsRefusedPath). A path
// that is itself a link loses the link alone. Otherwise, for the directory
// and each one the walk enters: deletes the files (attributes reset first),
// enters the directories, removes the links themselves, resets the
// directory's attributes, removes it, then starts ATTRIB -R -H -S /S /D
// "<dir>\*" and rmdir /S/Q "<dir>\". Nothing is reported.
void RemoveTree(const char* path, const LeadBytes& lead_bytes, TreePlatform& tree);

// Windows: true for an empty path, backslashes only, a drive root in any
// form ("C:", "C:\\\", "\\server\share\") and the Windows directory or a
// parent of it.
bool IsRefusedPath(const char* path, const LeadBytes& lead_bytes, TreePlatform& tree);

// The path without its run of trailing backslashes (a double-byte
// character's second byte is no backslash).
std::string WithoutTrailingBackslashes(const std::string& path, const LeadBytes& lead_bytes);

// The text in double quotes, so that a program's standard argument parsing
// reads it back as one argument, the text itself: backslashes before a quote
// (the closing one included) are doubled, a quote is escaped.
std::string QuotedArgument(const std::string& text, const LeadBytes& lead_bytes);

// Linux: removes the tree with openat/unlinkat, following no symbolic link,
// not even the path's own last component (a link loses the link alone).
// Refuses an empty path, "/" and the home directory or a parent of it.
void RemoveTreeNoFollow(const char* path, const std::string& home);

}  // namespace karvelin::files
