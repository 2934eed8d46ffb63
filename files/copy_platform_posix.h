// What the Linux copy and its tests share: the in-kernel copy of a file's
// contents, when a change shows in a file's change time, and the watch on
// the source while it is copied (copy_source_state_posix.cpp).
#pragma once

#include <sys/types.h>
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/posix_owners.h"
#include "files/copy_platform.h"

namespace karvelin::files {

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

// What the system says of the source that any change to it would alter.
struct SourceState {
    std::uint64_t device = 0, inode = 0, size = 0;
    timespec modified{}, changed{};
};

// Whether the source stays one state while it is copied. The system stamps a
// write's times as it begins, so a write under way when the copy begins
// would not show in them: the system's change notification, watching from
// before, tells of every write that ends meanwhile. The state (size, times,
// inode) tells of any other change the system stamps, and is all there is
// where no notification can be had (a process out of watches, no /proc).
class SourceWatch {
public:
    // The source's state once any change from then on will show in it: a
    // source changed so lately that another change could carry the same
    // time is waited for (a tick of the system's clock; two seconds where
    // the file system keeps whole seconds), a few times at most. False
    // (errno set) when its state cannot be had, or does not settle.
    bool Begin(int fd);
    bool Unchanged() const;

private:
    bool Notified() const;

    int fd_ = -1;
    posix::unique_fd notify_;
    std::optional<SourceState> before_;
};

}  // namespace karvelin::files
