// Linux copies the very objects its names found, or refuses; the contents go
// over in the kernel where it can (copy_contents_posix.cpp), while the source
// is watched for changes (copy_source_state_posix.cpp).
#include <fcntl.h>
#include <sys/stat.h>
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
#include <string>

#include "common/log.h"
#include "common/log_tell.h"
#include "common/posix_mode.h"
#include "common/posix_owners.h"
#include "common/system_error.h"
#include "common/unique_any.h"
#include "files/copy_platform_posix.h"

namespace karvelin::files {
namespace {

using posix::unique_fd;

constexpr std::size_t kChunk = std::size_t{1} << 30;

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
    log::Tell([&] {
        log::Failure(kFunction, std::string(side) + " \"" + name + "\": " + step + " failed: " + ErrorText(error));
    });
    return false;
}
// A side refused for what it is, not for an error of the system.
bool Refused(const char* side, const std::string& name, const char* why) {
    log::Tell([&] { log::Failure(kFunction, std::string(side) + " \"" + name + "\" refused: " + why); });
    return false;
}

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
        log::Tell([&] { log::Step(kFunction, std::string(kDestination) + " \"" + destination_name_ + "\" " +
                                     (created ? "created" : "opened to be overwritten")); });
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
            log::Tell([&] { log::Failure(kFunction, "copying \"" + source_name_ + "\" to \"" + destination_name_ +
                                            "\" failed: " + ErrorText(errno)); });
            return false;
        }
        if (!watch.Unchanged()) return Refused(kSource, source_name_, "changed while it was copied");
        if (::fchmod(out.get(), mode) != 0) return Failed(kDestination, destination_name_, "set the mode", errno);
        undo.dismiss();
        log::Tell([&] {
            log::Step(kFunction, "copied " + std::to_string(from.st_size) + " bytes from \"" + source_name_ +
                                     "\" to \"" + destination_name_ + "\"");
        });
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

CopyPlatform& SystemCopy() { return g_copy; }

}  // namespace karvelin::files
