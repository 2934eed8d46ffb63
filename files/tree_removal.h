// DelFilesAndDir: removing a folder tree, following no link, over the tree
// seam of either system.
#pragma once

#include <string>

#include "common/lead_bytes.h"
#include "files/tree_platform.h"

namespace karvelin::files {

// DelFilesAndDir in two steps, for a caller that lets its other threads run
// while the tree goes. Making it settles everything the removal takes from the
// process: the path is resolved against the current folder and the folder that
// holds the tree is opened; what is protected (on Linux the home folder, from
// HOME) is told by identity. So the caller makes it while those threads are
// held; calling it removes the tree, and on Windows starts the clean-up
// commands for what stays. Neither step throws: a removal that cannot be made
// or finished for want of memory leaves what it has not reached.
//
// The walk: refuses what the target resolves to when it is protected or its
// own parent; a link loses the link alone; a file stays. Every entry the walk
// opens is checked against what is protected, by identity: one met inside
// the tree stays whole, and so do the folders that hold it. A folder is emptied
// level by level, each level held open while the walk is in it: every entry is
// opened through its folder and checked to be the very object listed before
// it is touched; files and links are deleted, folders emptied the same way and
// removed. A name that cannot be an entry's own is left alone, and so is what
// lies on another volume or mount.
//
// The commands (`commands` given, Windows): when the folder stays and all that
// stays is plain, ATTRIB -R -H -S /S /D "<dir>\*" and rmdir /S/Q "<dir>\\" are
// started for it, <dir> being the system's name for the folder the walk held.
// Plain: folders and files the walk listed and identified, each file with
// exactly one name. Anything else keeps the commands from starting: a name no
// entry's own, an entry swapped since it was listed, a link that stayed,
// another volume, a file with other names (or whose names cannot be counted),
// an entry that could not be opened or a folder that could not be listed, a
// folder that could not be removed though nothing it listed stayed in it, a
// protected object met inside.
//
// The log (when on) tells why a removal was refused, each entry left and why,
// and the commands started.
class TreeRemoval {
public:
    TreeRemoval(const char* path, TreePlatform& tree, TreeCommands* commands = nullptr) noexcept;
    void operator()() const noexcept;

private:
    TreePlatform& tree_;
    TreeCommands* commands_;
    std::string given_;
    std::string unresolved_;  // the system's error where the path could not be resolved (the log on)
    TreeTarget target_;
    bool ready_ = false;
};

// Windows spellings: the path without its trailing run of separators (a
// backslash that is a double-byte character's second byte is none); empty for
// a path that is empty, separators alone, or a bare drive ("C:", the current
// folder of drive C, but as a removal only a mistaken root).
std::string WindowsFolderPath(const std::string& path, const LeadBytes& lead_bytes);

// The text in double quotes, so that a program's standard argument parsing
// reads it back as one argument, the text itself: backslashes before a quote
// (the closing one included) are doubled, a quote is escaped.
std::string QuotedArgument(const std::string& text, const LeadBytes& lead_bytes);

}  // namespace karvelin::files
