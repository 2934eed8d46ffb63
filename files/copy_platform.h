// Copying one file over another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#ifndef _WIN32
#include <sys/types.h>
#include <time.h>
#endif

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

#ifndef _WIN32
// Linux: one step of an in-kernel copy from `in` to `out` at their file
// offsets (both advanced), at most `count` bytes: the bytes copied, 0 where
// it stopped, -1 with errno. copy_file_range, then sendfile.
using KernelCopy = ssize_t (*)(int in, int out, std::size_t count);
extern const KernelCopy kKernelCopies[2];

// Linux: copies what the source `in` holds to the empty `out`, from its start
// to where a read of it ends, at most `chunk` bytes a step. Holes the
// source's file system reports (SEEK_DATA, SEEK_HOLE) stay holes. Each
// kernel copy in `ways` is tried in turn until one is available for these
// files; a kernel copy that stops is not taken for the source's end: reads
// and writes go on from there. False when a read or write fails.
bool CopyContents(int in, int out, std::size_t chunk, const KernelCopy* ways, std::size_t way_count);

// Linux: whether every change to a file made from `now` on (the system's
// coarse clock) will show in its change time, given the change time it has.
// The system stamps a change with that clock, or a finer one: a change in
// the same tick as the last could carry the same time. A file system that
// keeps whole seconds (a stamp without nanoseconds) shows it only in a later
// count of them (FAT counts two).
bool ChangesWouldShow(const timespec& changed, const timespec& now);
#endif

}  // namespace karvelin::files
