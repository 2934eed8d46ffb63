// The copy of a file's contents: in the kernel where it can (copy_file_range,
// else sendfile, else read and write), one stretch of data at a time, so that
// the source's holes stay holes in the copy.
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "files/copy_platform_posix.h"

namespace karvelin::files {
namespace {

constexpr off_t kNoHole = std::numeric_limits<off_t>::max();

// An error that says this way of copying is not available for these files
// (another file system, a kernel without it), not that the copy failed.
bool NotAvailable(int error) {
    return error == ENOSYS || error == EXDEV || error == EINVAL || error == EOPNOTSUPP || error == ENOTSUP;
}

ssize_t CopyFileRange(int in, int out, std::size_t count) {
    return ::copy_file_range(in, nullptr, out, nullptr, count, 0);
}
ssize_t SendFile(int in, int out, std::size_t count) { return ::sendfile(out, in, nullptr, count); }

bool WriteAll(int out, const char* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::write(out, data + done, size - done);
        if (n < 0 && errno != EINTR) return false;
        if (n > 0) done += static_cast<std::size_t>(n);
    }
    return true;
}

// One copy's progress: both descriptors stand at `at`; the copy holds
// `written` bytes (its holes included).
class Contents {
public:
    Contents(int in, int out, std::size_t chunk, const KernelCopy* ways, std::size_t way_count)
        : in_(in), out_(out), chunk_(chunk), ways_(ways), way_count_(way_count) {}

    bool Copy() {
        for (;;) {
            off_t until = kNoHole;
            off_t data = ::lseek(in_, at_, SEEK_DATA);
            if (data < 0 && errno == ENXIO) {
                struct stat st {};
                if (::fstat(in_, &st) != 0) return false;
                // No data from here to the end the source states: a hole.
                if (at_ < st.st_size) return EndAt(st.st_size);
                // At or past its stated end (the files of /proc state 0
                // bytes): what a read finds is still copied.
                data = at_;
            } else if (data < 0) {
                data = at_;  // no hole information: all is data
            } else {
                if (data < at_) data = at_;
                const off_t hole = ::lseek(in_, data, SEEK_HOLE);
                if (hole > data) until = hole;
                if (::lseek(in_, data, SEEK_SET) != data) return false;
            }
            if (data != at_) {
                if (::lseek(out_, data, SEEK_SET) != data) return false;
                at_ = data;
            }
            switch (CopyStretch(until)) {
                case Stretch::Copied: break;
                case Stretch::End: return EndAt(at_);
                case Stretch::Failed: return false;
            }
        }
    }

private:
    enum class Stretch { Copied, End, Failed };

    // From `at_` to `until`, or to the source's end: where a read answers 0.
    // A kernel copy that stops says nothing of the end (copy_file_range
    // stops at once for some files that the kernel makes up as they are
    // read, and a file may claim more than it holds): reads and writes go on
    // from there.
    Stretch CopyStretch(off_t until) {
        char buffer[1 << 16];
        while (at_ < until) {
            const std::size_t count =
                static_cast<std::size_t>(std::min<std::uint64_t>(chunk_, static_cast<std::uint64_t>(until - at_)));
            if (way_ < way_count_) {
                const ssize_t n = ways_[way_](in_, out_, count);
                if (n > 0) {
                    Advance(n);
                    way_used_ = true;
                } else if (n == 0) {
                    way_ = way_count_;
                } else if (errno != EINTR) {
                    if (way_used_ || !NotAvailable(errno)) return Stretch::Failed;
                    ++way_;
                }
                continue;
            }
            const ssize_t n = ::read(in_, buffer, count < sizeof buffer ? count : sizeof buffer);
            if (n == 0) return Stretch::End;
            if (n < 0) {
                if (errno == EINTR) continue;
                return Stretch::Failed;
            }
            if (!WriteAll(out_, buffer, static_cast<std::size_t>(n))) return Stretch::Failed;
            Advance(n);
        }
        return Stretch::Copied;
    }

    void Advance(ssize_t n) {
        at_ += n;
        if (at_ > written_) written_ = at_;
    }
    // A hole at the end is the copy's size, not written data.
    bool EndAt(off_t end) { return written_ >= end || ::ftruncate(out_, end) == 0; }

    const int in_, out_;
    const std::size_t chunk_;
    const KernelCopy* const ways_;
    const std::size_t way_count_;
    std::size_t way_ = 0;    // the kernel copy in use; way_count_: reads and writes
    bool way_used_ = false;  // it has copied: it is available for these files
    off_t at_ = 0, written_ = 0;
};

}  // namespace

const KernelCopy kKernelCopies[2] = {&CopyFileRange, &SendFile};

bool CopyContents(int in, int out, std::size_t chunk, const KernelCopy* ways, std::size_t way_count) {
    return Contents(in, out, chunk, ways, way_count).Copy();
}

}  // namespace karvelin::files
