// What is at a path, as the program sees it before and after DelFilesAndDir;
// the folder the program runs in.
#pragma once

#include <cstddef>
#include <string>

namespace karvelin::program {

struct PathState {
    bool exists = false;
    bool folder = false;      // a folder itself, not a link to one
    std::size_t entries = 0;  // a folder's entries, "." and ".." aside
};

PathState LookAt(const std::string& path);

// Whether the program runs in FOLDER: the folder it was started in is that
// very folder (the same object on the same volume, however either is
// spelled). Otherwise false, and why: FOLDER cannot be opened as a folder,
// or the program runs elsewhere (Wine starts a program whose Unix folder it
// cannot enter in its Windows folder).
bool RunsIn(const std::string& folder, std::string& why);

// Whether the arguments reach the program as the caller gave them. On
// Windows the program reads them in the ANSI code page, into which the
// system converts the command line, a character the code page lacks
// becoming "?" or a look-alike ("\uFF41" becomes "a"): another name than the
// caller's. Otherwise false, and why. On Linux always true.
bool ArgumentsWhole(std::string& why);

}  // namespace karvelin::program
