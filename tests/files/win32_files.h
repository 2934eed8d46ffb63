// Files for the tests on the real Windows platform: written with attributes,
// and every entry of a tree listed with its attributes and its content's hash.
#pragma once

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <string>

#include "temp_folder.h"

namespace karvelin::test {

inline void Write(const std::string& file, const std::string& text, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    std::ofstream(file, std::ios::binary) << text;
    ::SetFileAttributesA(file.c_str(), attributes);
}

// FNV-1a over the file's bytes, read a block at a time.
inline std::uint64_t ContentHash(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::uint64_t hash = 14695981039346656037ull;
    static char block[1 << 16];
    while (in.read(block, sizeof block) || in.gcount() > 0)
        for (std::streamsize i = 0; i < in.gcount(); ++i)
            hash = (hash ^ static_cast<unsigned char>(block[i])) * 1099511628211ull;
    return hash;
}

// Every entry below `root` but `skip` and what lies under it, `levels` deep:
// its attributes (archive aside) and, for a file where `hashes`, its
// content's hash. Links are listed, not entered; a name that holds a
// backslash or a '?' (a character the code page lacks) is listed alone: as a
// path it would name another entry.
inline void Snapshot(const std::string& root, const std::string& relative, const std::string& skip,
                     std::map<std::string, std::string>& entries, int levels = 1000, bool hashes = true) {
    WIN32_FIND_DATAA found{};
    const win32::unique_hfind listing(::FindFirstFileA((root + relative + "\\*").c_str(), &found));
    if (!listing) return;
    do {
        const std::string name = found.cFileName, path = relative + "\\" + name;
        if (name == "." || name == ".." || path == skip) continue;
        const DWORD attributes = found.dwFileAttributes & ~FILE_ATTRIBUTE_ARCHIVE;
        const bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
        const bool whole_name = name.find_first_of("\\?") == std::string::npos;
        entries[path] = std::to_string(attributes) +
                        (folder || !whole_name || !hashes ? "" : " " + std::to_string(ContentHash(root + path)));
        if (folder && whole_name && levels > 1 && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            Snapshot(root, path, skip, entries, levels - 1, hashes);
    } while (::FindNextFileA(listing.get(), &found));
}
inline std::map<std::string, std::string> Snapshot(const std::string& root, const std::string& skip,
                                                   int levels = 1000, bool hashes = true) {
    std::map<std::string, std::string> entries;
    Snapshot(root, "", skip, entries, levels, hashes);
    return entries;
}

}  // namespace karvelin::test
