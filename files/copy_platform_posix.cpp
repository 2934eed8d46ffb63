// Linux copies in the kernel where it can: copy_file_range, else sendfile,
// else read and write.
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

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

template <typename Step>
Copied CopyBy(Step step) {
    for (bool first = true;; first = false) {
        const ssize_t n = step();
        if (n == 0) return Copied::All;
        if (n > 0) continue;
        if (errno == EINTR) continue;
        return first && NotAvailable(errno) ? Copied::NotAvailable : Copied::Failed;
    }
}

bool ReadAndWrite(int in, int out) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
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
    void MakeOverwritable(const std::string& destination) override {
        struct stat st {};
        if (::stat(destination.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
            ::chmod(destination.c_str(), (st.st_mode & 07777) | S_IWUSR);
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

        Copied copied = CopyBy([&] { return ::copy_file_range(in.get(), nullptr, out.get(), nullptr, kChunk, 0); });
        if (copied == Copied::NotAvailable)
            copied = CopyBy([&] { return ::sendfile(out.get(), in.get(), nullptr, kChunk); });
        if (copied == Copied::NotAvailable) copied = ReadAndWrite(in.get(), out.get()) ? Copied::All : Copied::Failed;
        if (copied != Copied::All) return false;
        // The source's mode, as the copy of a read-only file is read-only on
        // Windows too.
        return ::fchmod(out.get(), from.st_mode & 07777) == 0;
    }
};

SystemCopies g_copy;

}  // namespace

CopyPlatform& SystemCopy() { return g_copy; }

}  // namespace karvelin::files
