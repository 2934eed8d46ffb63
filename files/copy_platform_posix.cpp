// Linux copies in the kernel where it can: copy_file_range, else sendfile,
// else read and write.
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

#include "common/posix_mode.h"
#include "common/posix_owners.h"
#include "files/copy_platform.h"

namespace karvelin::files {
namespace {

using posix::unique_fd;

constexpr std::size_t kChunk = std::size_t{1} << 30;

// An error that says this way of copying is not available for these files
// (another file system, a kernel without it), not that the copy failed.
bool NotAvailable(int error) {
    return error == ENOSYS || error == EXDEV || error == EINVAL || error == EOPNOTSUPP || error == ENOTSUP;
}

enum class Copied { All, Failed, NotAvailable };

// Steps until the source's end. An end before `size` bytes is no whole copy
// (the source shrank, or the file system cannot copy it this way: at the
// first step, the next way is tried).
template <typename Step>
Copied CopyBy(std::uint64_t size, Step step) {
    std::uint64_t done = 0;
    for (;;) {
        const ssize_t n = step();
        if (n == 0) return done >= size ? Copied::All : done == 0 ? Copied::NotAvailable : Copied::Failed;
        if (n > 0) {
            done += static_cast<std::uint64_t>(n);
            continue;
        }
        if (errno == EINTR) continue;
        return done == 0 && NotAvailable(errno) ? Copied::NotAvailable : Copied::Failed;
    }
}

bool ReadAndWrite(int in, int out, std::uint64_t size, std::size_t chunk) {
    char buffer[1 << 16];
    for (std::uint64_t copied = 0;;) {
        const ssize_t n = ::read(in, buffer, chunk < sizeof buffer ? chunk : sizeof buffer);
        if (n == 0) return copied >= size;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        copied += static_cast<std::uint64_t>(n);
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno != EINTR) return false;
            if (w > 0) done += w;
        }
    }
}

// The descriptor back to ordinary reads and writes.
bool Blocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

class SystemCopies final : public CopyPlatform {
public:
    // Looked at and changed through one descriptor: a name swapped between
    // the look and the change cannot steer the change to another file.
    void MakeOverwritable(const std::string& destination) override {
        const unique_fd fd(::open(destination.c_str(), O_PATH | O_CLOEXEC));
        struct stat st {};
        if (fd && ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
            posix::ChangeModeOf(fd.get(), (st.st_mode & 07777) | S_IWUSR);
    }

    bool Copy(const std::string& source, const std::string& destination) override {
        // Opened without blocking: a FIFO's open waits for its other end.
        // Only regular files are copied, from and to.
        const unique_fd in(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat from {};
        if (!in || ::fstat(in.get(), &from) != 0 || !S_ISREG(from.st_mode) || !Blocking(in.get())) return false;
        // Opened without truncation: a destination that is the source itself
        // must be refused before it is emptied.
        const unique_fd out(::open(destination.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600));
        struct stat to {};
        if (!out || ::fstat(out.get(), &to) != 0 || !S_ISREG(to.st_mode) || !Blocking(out.get())) return false;
        if (to.st_dev == from.st_dev && to.st_ino == from.st_ino) return false;
        // An empty file is not truncated: ext4 flushes a truncated file's
        // data at its close (twice the time of the copy).
        if (to.st_size != 0 && ::ftruncate(out.get(), 0) != 0) return false;

        if (!CopyContents(in.get(), out.get(), static_cast<std::uint64_t>(from.st_size), kChunk)) return false;
        // The source's mode, as the copy of a read-only file is read-only on
        // Windows too.
        return ::fchmod(out.get(), from.st_mode & 07777) == 0;
    }
};

SystemCopies g_copy;

}  // namespace

bool CopyContents(int in, int out, std::uint64_t size, std::size_t chunk) {
    Copied copied = CopyBy(size, [&] { return ::copy_file_range(in, nullptr, out, nullptr, chunk, 0); });
    if (copied == Copied::NotAvailable) copied = CopyBy(size, [&] { return ::sendfile(out, in, nullptr, chunk); });
    if (copied == Copied::NotAvailable) return ReadAndWrite(in, out, size, chunk);
    return copied == Copied::All;
}

CopyPlatform& SystemCopy() { return g_copy; }

}  // namespace karvelin::files
