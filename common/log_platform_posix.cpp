#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "common/log_platform.h"
#include "common/posix_owners.h"

// The karvelin program's sink (tools/log_lines.cpp): a weak reference, which
// the loader binds to the executable's own definition when it has one.
extern "C" __attribute__((weak, visibility("default"))) void KarvelinProgramLog(int level, const char* line);

namespace karvelin::log::platform {

std::string FileSetting() {
    const char* path = std::getenv("KARVELIN_LOG");
    return path ? path : "";
}

std::string Stamp() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm utc{};
    ::gmtime_r(&now.tv_sec, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ %ld %ld", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, now.tv_nsec / 1000000,
                  static_cast<long>(::getpid()), static_cast<long>(::syscall(SYS_gettid)));
    return text;
}

const char kLineEnd[] = "\n";

bool Append(const std::string& path, const std::string& line) noexcept {
    // Never waits: a FIFO with no reader is refused, not waited on.
    constexpr int kFlags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    posix::unique_fd file{::open(path.c_str(), kFlags)};
    // Made only where nothing is: O_EXCL refuses a link, even a dangling one,
    // whose target would otherwise be made wherever it points. Another
    // process may make it in between: then it is opened as it is.
    if (!file && errno == ENOENT) file.reset(::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0600));
    if (!file && errno == EEXIST) file.reset(::open(path.c_str(), kFlags));
    if (!file) return false;
    return ::write(file.get(), line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

ProgramSink FindProgramSink() noexcept { return &KarvelinProgramLog ? &KarvelinProgramLog : nullptr; }

KeptError::KeptError() noexcept : errno_(errno) {}
KeptError::~KeptError() { errno = errno_; }

}  // namespace karvelin::log::platform
