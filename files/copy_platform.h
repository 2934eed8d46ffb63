// Copying one file over another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace karvelin::files {

class CopyPlatform {
public:
    virtual ~CopyPlatform() = default;
    // Clears what would stop the destination being overwritten: Windows sets
    // its attributes to normal (read-only, hidden, system and archive go);
    // Linux gives its owner write permission. A missing destination is no
    // error; nothing is answered.
    virtual void MakeOverwritable(const std::string& destination) = 0;
    // Copies the source over the destination (created or overwritten); true
    // when the whole file was copied.
    virtual bool Copy(const std::string& source, const std::string& destination) = 0;
};

// SetFileAttributesA and CopyFileA on Windows; chmod and an in-kernel copy
// (copy_file_range, sendfile, or read and write) on Linux.
CopyPlatform& SystemCopy();

#ifndef _WIN32
// Linux: copies the source's `size` bytes from the descriptor `in` to `out`,
// at most `chunk` bytes a call; true when all of them were copied (a source
// that ends early is no copy).
bool CopyContents(int in, int out, std::uint64_t size, std::size_t chunk);
#endif

}  // namespace karvelin::files
