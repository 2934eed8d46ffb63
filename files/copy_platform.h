// Copying one file over another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace karvelin::files {

// What a name reached when the copy looked, before it changed anything: the
// object's identity (Linux: device and inode; Windows: volume serial number
// and file index), the same whatever name or link reached it.
struct FoundFile {
    bool found = false;
    bool regular = false;  // a file, not a folder, device or pipe
    std::uint64_t volume = 0, file = 0;
};

inline bool SameObject(const FoundFile& a, const FoundFile& b) {
    return a.found && b.found && a.volume == b.volume && a.file == b.file;
}

// One copy's two files, from its ready step on. The ready step settled what
// the names are taken against (the caller's current folder at that moment);
// the steps below use nothing of the process's that another thread could
// change meanwhile.
class CopyFiles {
public:
    virtual ~CopyFiles() = default;
    // Opens the source and the destination as far as it takes to know what
    // they are; changes nothing. Both are kept open for the steps below.
    virtual FoundFile Source() = 0;
    virtual FoundFile Destination() = 0;
    // Clears what would stop the destination found being overwritten:
    // Windows sets its attributes to normal (read-only, hidden, system and
    // archive go); Linux gives a regular file's owner write permission.
    // Nothing is answered.
    virtual void MakeOverwritable() = 0;
    // Copies the source found over the destination (created or
    // overwritten); true when the whole file was copied, as it was at one
    // moment. Refuses where the names no longer reach what was found, and a
    // destination that is a link to nothing (nothing is created where it
    // leads). Linux keeps the first whole: it copies between the objects it
    // opened for the copy, once they are compared with what was found (and
    // refuses where they are one object); a source that changed while it
    // was copied fails the copy, and a failed copy takes back what it wrote
    // (a file it created is removed, an existing destination is left
    // empty). Windows copies by name (CopyFileA): it opens each name again
    // just before and compares, which narrows the time a name could be
    // changed in but cannot close it: a name changed after that look and
    // before the copy opens it is followed where it then leads.
    virtual bool Copy() = 0;
};

class CopyPlatform {
public:
    virtual ~CopyPlatform() = default;
    // The ready step: takes the two names and what they depend on of the
    // process (the current folder: Linux opens it, Windows makes the names
    // full). Null when that cannot be had, for want of memory or of a
    // descriptor: such a copy does nothing.
    virtual std::unique_ptr<CopyFiles> Prepare(const std::string& source, const std::string& destination) = 0;
};

// Windows: the names made full, CreateFileA to identify them, the
// attributes set through the destination's handle, the names identified
// again, then CopyFileA. Linux: descriptors opened relative to the current
// folder as it was, chmod through the destination's descriptor, and an
// in-kernel copy that keeps holes.
CopyPlatform& SystemCopy();

}  // namespace karvelin::files
