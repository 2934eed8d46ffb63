// Copying one file over another.
#pragma once

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

}  // namespace karvelin::files
