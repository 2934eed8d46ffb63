// Linux copies in the kernel where it can (copy_file_range, else sendfile,
// else read and write), one stretch of data at a time, so that the source's
// holes stay holes in the copy.
#include <fcntl.h>
#include <limits.h>
#include <sys/inotify.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "common/log.h"
#include "common/posix_mode.h"
#include "common/posix_owners.h"
#include "common/system_error.h"
#include "common/unique_any.h"
#include "files/copy_platform.h"

namespace karvelin::files {
namespace {

using posix::unique_fd;

constexpr std::size_t kChunk = std::size_t{1} << 30;
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

FoundFile Identify(int fd, struct stat& st) {
    FoundFile found;
    if (fd < 0 || ::fstat(fd, &st) != 0) return found;
    found.found = true;
    found.regular = S_ISREG(st.st_mode);
    found.volume = static_cast<std::uint64_t>(st.st_dev);
    found.file = static_cast<std::uint64_t>(st.st_ino);
    return found;
}

// The descriptor back to ordinary reads and writes.
bool Blocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

constexpr char kFunction[] = "CopyTheFile";
constexpr char kSource[] = "source", kDestination[] = "destination";

// A failed step of one side, for the log: the side, its name, the step, and
// the system's error. Answers false, the copy's answer.
bool Failed(const char* side, const std::string& name, const char* step, int error) {
    if (log::On())
        log::Failure(kFunction, std::string(side) + " \"" + name + "\": " + step + " failed: " + ErrorText(error));
    return false;
}
// A side refused for what it is, not for an error of the system.
bool Refused(const char* side, const std::string& name, const char* why) {
    if (log::On()) log::Failure(kFunction, std::string(side) + " \"" + name + "\" refused: " + why);
    return false;
}

// What the system says of the source that any change to it would alter.
struct SourceState {
    std::uint64_t device = 0, inode = 0, size = 0;
    timespec modified{}, changed{};
};

bool operator==(const SourceState& a, const SourceState& b) {
    const auto same = [](const timespec& x, const timespec& y) {
        return x.tv_sec == y.tv_sec && x.tv_nsec == y.tv_nsec;
    };
    return a.device == b.device && a.inode == b.inode && a.size == b.size && same(a.modified, b.modified) &&
           same(a.changed, b.changed);
}

std::optional<SourceState> StateOf(int fd) {
    struct statx st {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &st) != 0) return std::nullopt;
    SourceState state;
    state.device = makedev(st.stx_dev_major, st.stx_dev_minor);
    state.inode = st.stx_ino;
    state.size = st.stx_size;
    state.modified = {st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec};
    state.changed = {st.stx_ctime.tv_sec, st.stx_ctime.tv_nsec};
    return state;
}

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
    bool Begin(int fd) {
        fd_ = fd;
        notify_ = unique_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        const std::string watched = "/proc/self/fd/" + std::to_string(fd);
        if (notify_ && ::inotify_add_watch(notify_.get(), watched.c_str(), IN_MODIFY) < 0) notify_.reset();
        for (int attempt = 0; attempt < 4; ++attempt) {
            // What was written before the state is taken is in it.
            while (Notified()) {
            }
            timespec now{};
            ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
            before_ = StateOf(fd);
            if (!before_) return false;
            if (ChangesWouldShow(before_->changed, now)) return true;
            // Until the clock has passed the change, and a tick more.
            timespec tick{0, 1'000'000};
            ::clock_getres(CLOCK_REALTIME_COARSE, &tick);
            const timespec& changed = before_->changed;
            const long long wait = (changed.tv_sec + (changed.tv_nsec == 0 ? 2 : 0) - now.tv_sec) * 1'000'000'000LL +
                                   changed.tv_nsec - now.tv_nsec + tick.tv_nsec;
            const long long capped = std::min(std::max(wait, 1'000'000LL), 2'100'000'000LL);
            timespec pause{static_cast<time_t>(capped / 1'000'000'000), static_cast<long>(capped % 1'000'000'000)};
            while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
            }
        }
        errno = EAGAIN;
        return false;
    }
    bool Unchanged() const {
        const std::optional<SourceState> after = StateOf(fd_);
        return after && *after == *before_ && !Notified();
    }

private:
    bool Notified() const {
        alignas(inotify_event) char events[sizeof(inotify_event) + NAME_MAX + 1];
        return notify_ && ::read(notify_.get(), events, sizeof events) > 0;
    }

    int fd_ = -1;
    unique_fd notify_;
    std::optional<SourceState> before_;
};

// The names are opened relative to the current folder as the ready step
// found it (none when both are absolute), so another thread's chdir cannot
// steer them. Source and destination are first opened with O_PATH, which
// reads nothing, waits for nothing and changes nothing; the copy then opens
// the very objects found, or refuses.
class SystemCopyFiles final : public CopyFiles {
public:
    SystemCopyFiles(unique_fd at, std::string source, std::string destination)
        : at_(std::move(at)), source_name_(std::move(source)), destination_name_(std::move(destination)) {}

    FoundFile Source() override {
        source_path_ = unique_fd(::openat(At(), source_name_.c_str(), O_PATH | O_CLOEXEC));
        source_error_ = errno;
        return source_ = Identify(source_path_.get(), source_stat_);
    }
    FoundFile Destination() override {
        destination_path_ = unique_fd(::openat(At(), destination_name_.c_str(), O_PATH | O_CLOEXEC));
        return destination_ = Identify(destination_path_.get(), destination_stat_);
    }

    void MakeOverwritable() override {
        const mode_t mode = destination_stat_.st_mode;
        if (destination_.regular && !(mode & S_IWUSR))
            posix::ChangeModeOf(destination_path_.get(), (mode & 07777) | S_IWUSR);
    }

    bool Copy() override {
        if (!source_.found) return Failed(kSource, source_name_, "open", source_error_);
        if (!source_.regular) return Refused(kSource, source_name_, "not a regular file");
        if (destination_.found && !destination_.regular)
            return Refused(kDestination, destination_name_, "not a regular file");
        // Opened without blocking: a FIFO put in a name's place since would
        // wait for its other end.
        const unique_fd in = Reopen(source_path_, source_name_, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (!in) return Failed(kSource, source_name_, "open for reading", errno);
        struct stat from {};
        if (!SameObject(Identify(in.get(), from), source_) || !Blocking(in.get()))
            return Refused(kSource, source_name_, "replaced since it was looked at");
        bool created = false;
        const unique_fd out = OpenDestination(created);
        if (!out) return false;
        // From here on a failure takes back what this call wrote: a file it
        // created goes, an existing destination it overwrote is left empty,
        // so that no half copy can pass for a whole one.
        bool written = false;
        scope_exit undo([&] {
            if (created)
                RemoveCreated(out.get());
            else if (written && ::ftruncate(out.get(), 0) != 0)
                Failed(kDestination, destination_name_, "empty after the failed copy", errno);
        });
        struct stat to {};
        const FoundFile opened = Identify(out.get(), to);
        if (!opened.regular || SameObject(opened, source_) ||
            (destination_.found ? !SameObject(opened, destination_) : !created) || !Blocking(out.get()))
            return Refused(kDestination, destination_name_, "changed since it was looked at");
        if (log::On())
            log::Step(kFunction, std::string(kDestination) + " \"" + destination_name_ + "\" " +
                                     (created ? "created" : "opened to be overwritten"));
        // The copy's mode is the source's, as the copy of a read-only file
        // is read-only on Windows too; never set-user-ID or set-group-ID,
        // which would hand the copier's identity to the source's program.
        const mode_t mode = from.st_mode & 0777;
        // While the copy is written, group and others of an existing
        // destination keep only what the source's mode grants them too.
        const mode_t widened = to.st_mode & 077 & ~mode;
        if (widened != 0) ::fchmod(out.get(), (to.st_mode & 0777 & ~widened) | S_IWUSR);
        // The copy is of one state of the source: watched from before its
        // contents are read until after.
        SourceWatch watch;
        if (!watch.Begin(in.get())) {
            if (errno == EAGAIN) return Refused(kSource, source_name_, "changing without a pause");
            return Failed(kSource, source_name_, "read its state", errno);
        }
        // An empty file is not truncated: ext4 flushes a truncated file's
        // data at its close (twice the time of the copy).
        written = true;
        if (to.st_size != 0 && ::ftruncate(out.get(), 0) != 0)
            return Failed(kDestination, destination_name_, "truncate", errno);
        // A read of the source or a write of the copy: the error tells which.
        errno = 0;
        if (!CopyContents(in.get(), out.get(), kChunk, kKernelCopies, std::size(kKernelCopies))) {
            if (log::On())
                log::Failure(kFunction, "copying \"" + source_name_ + "\" to \"" + destination_name_ +
                                            "\" failed: " + ErrorText(errno));
            return false;
        }
        if (!watch.Unchanged()) return Refused(kSource, source_name_, "changed while it was copied");
        if (::fchmod(out.get(), mode) != 0) return Failed(kDestination, destination_name_, "set the mode", errno);
        undo.dismiss();
        if (log::On())
            log::Step(kFunction, "copied " + std::to_string(from.st_size) + " bytes from \"" + source_name_ +
                                     "\" to \"" + destination_name_ + "\"");
        return true;
    }

private:
    int At() const { return at_ ? at_.get() : AT_FDCWD; }

    // The object an O_PATH descriptor holds, opened again for reading: through
    // /proc where there is one, else by its name (checked by the caller).
    unique_fd Reopen(const unique_fd& path, const std::string& name, int flags) const {
        unique_fd fd(::open(("/proc/self/fd/" + std::to_string(path.get())).c_str(), flags));
        if (!fd && errno == ENOENT) fd = unique_fd(::openat(At(), name.c_str(), flags));
        return fd;
    }

    // The destination, opened without truncation (what it reaches is checked
    // first): a new file made in the very name, never through a link;
    // else what the name reaches, following links but never creating. A
    // link to nothing, found as such or made so meanwhile, is refused, as
    // writing through it would create a file outside the folder named.
    unique_fd OpenDestination(bool& created) const {
        constexpr int kWrite = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        unique_fd out(::openat(At(), destination_name_.c_str(), kWrite | O_CREAT | O_EXCL | O_NOFOLLOW, 0600));
        created = static_cast<bool>(out);
        if (out || errno != EEXIST) {
            if (!out) Failed(kDestination, destination_name_, "create", errno);
            return out;
        }
        out = unique_fd(::openat(At(), destination_name_.c_str(), kWrite));
        if (!out && errno == ENOENT)
            Refused(kDestination, destination_name_, "a link to nothing: not written through");
        else if (!out)
            Failed(kDestination, destination_name_, "open", errno);
        return out;
    }

    // A file this call made is removed, if its name still holds it.
    void RemoveCreated(int fd) const {
        struct stat made {}, named {};
        if (::fstat(fd, &made) == 0 &&
            ::fstatat(At(), destination_name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            made.st_dev == named.st_dev && made.st_ino == named.st_ino &&
            ::unlinkat(At(), destination_name_.c_str(), 0) == 0)
            return;
        Failed(kDestination, destination_name_, "remove the file the failed copy created", errno);
    }

    unique_fd at_;
    std::string source_name_, destination_name_;
    unique_fd source_path_, destination_path_;
    int source_error_ = 0;
    FoundFile source_, destination_;
    struct stat source_stat_ {}, destination_stat_ {};
};

class SystemCopies final : public CopyPlatform {
public:
    std::unique_ptr<CopyFiles> Prepare(const std::string& source, const std::string& destination) override {
        unique_fd at;
        if (source.rfind('/', 0) != 0 || destination.rfind('/', 0) != 0) {
            at = unique_fd(::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (!at) {
                Failed("current folder", ".", "open", errno);
                return nullptr;
            }
        }
        return std::make_unique<SystemCopyFiles>(std::move(at), source, destination);
    }
};

SystemCopies g_copy;

}  // namespace

const KernelCopy kKernelCopies[2] = {&CopyFileRange, &SendFile};

bool CopyContents(int in, int out, std::size_t chunk, const KernelCopy* ways, std::size_t way_count) {
    return Contents(in, out, chunk, ways, way_count).Copy();
}

bool ChangesWouldShow(const timespec& changed, const timespec& now) {
    // A file system of whole seconds stamps a change with the count of
    // seconds (FAT: of two): the next stamp differs only two seconds on.
    if (changed.tv_nsec == 0) return now.tv_sec >= changed.tv_sec + 2;
    return changed.tv_sec < now.tv_sec || (changed.tv_sec == now.tv_sec && changed.tv_nsec < now.tv_nsec);
}

CopyPlatform& SystemCopy() { return g_copy; }

}  // namespace karvelin::files
