// Whether the source changes while it is copied: its state as the system
// stamps it, and the system's change notification.
#include <fcntl.h>
#include <limits.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>

#include "common/posix_owners.h"
#include "files/copy_platform_posix.h"

namespace karvelin::files {

using posix::unique_fd;

namespace {

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

}  // namespace

bool SourceWatch::Begin(int fd) {
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

bool SourceWatch::Unchanged() const {
    const std::optional<SourceState> after = StateOf(fd_);
    return after && *after == *before_ && !Notified();
}

bool SourceWatch::Notified() const {
    alignas(inotify_event) char events[sizeof(inotify_event) + NAME_MAX + 1];
    return notify_ && ::read(notify_.get(), events, sizeof events) > 0;
}

bool ChangesWouldShow(const timespec& changed, const timespec& now) {
    // A file system of whole seconds stamps a change with the count of
    // seconds (FAT: of two): the next stamp differs only two seconds on.
    if (changed.tv_nsec == 0) return now.tv_sec >= changed.tv_sec + 2;
    return changed.tv_sec < now.tv_sec || (changed.tv_sec == now.tv_sec && changed.tv_nsec < now.tv_nsec);
}

}  // namespace karvelin::files
