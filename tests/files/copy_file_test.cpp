#include "files/copy_file.h"

#include "Karvelin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <filesystem>
#include <fstream>

#include "common/posix_owners.h"
#include "files/copy_platform_posix.h"
#include "log_capture.h"
#include "temp_folder.h"
#endif

namespace karvelin::files {
namespace {

#ifndef _WIN32
namespace fs = std::filesystem;

using test::Read;

// Each test in a folder of its own, base_.
class CopyTheFile : public test::InTempFolder<fs::path> {
protected:
    CopyTheFile() : InTempFolder("copy") {}
};

// The Linux copy on real files: 1 with the source's bytes and mode, 0 when
// it fails, and a destination that was there is writable afterwards.
TEST_F(CopyTheFile, LinuxCopiesOverAnyDestination) {
    const fs::perms read_only = fs::perms::owner_read | fs::perms::group_read;
    const std::string big(3 << 20, 'b');
    const struct {
        const char* what;
        std::string source_text;  // empty with no mode: no source
        fs::perms source_mode;
        bool destination_exists;
        fs::perms destination_mode;
        const char* destination;  // below the base folder
        std::int32_t expected;
    } cases[] = {
        {"new destination", "abc", fs::perms::owner_read | fs::perms::owner_write, false, {}, "d", 1},
        {"read-only destination", big, fs::perms::owner_all, true, read_only, "d", 1},
        {"read-only source keeps its mode", "", read_only, true, fs::perms::owner_write, "d", 1},
        {"missing source", "", fs::perms::none, true, read_only, "d", 0},
        {"missing destination folder", "abc", fs::perms::owner_all, false, {}, "no/d", 0},
        {"destination is the source", "abc", fs::perms::owner_all, false, {}, "s", 0},
        // Refused before the source is made writable.
        {"read-only source onto itself", "abc", read_only, false, {}, "s", 0},
        {"through a symbolic link to the source", "abc", read_only, false, {}, "d", 0},
        {"through a hard link to the source", "abc", read_only, false, {}, "d", 0},
        {"set-user-ID and set-group-ID stay behind", "abc",
         fs::perms::owner_all | fs::perms::group_read | fs::perms::set_uid | fs::perms::set_gid, false, {}, "d", 1},
        {"source is a folder", "", fs::perms::none, false, {}, "d", 0},
        // Opened, a FIFO would wait for its other end: refused at once.
        {"source is a FIFO", "", fs::perms::none, false, {}, "d", 0},
        {"destination is a FIFO", "abc", fs::perms::owner_all, false, {}, "d", 0},
        // A link is written through to a file it reaches, never to nothing.
        {"destination a link to a file", "abc", fs::perms::owner_all, false, {}, "d", 1},
        {"destination a link to nothing", "abc", fs::perms::owner_all, false, {}, "d", 0},
    };
    ::alarm(60);  // a copy that blocks ends the run
    for (const auto& c : cases) {
        const fs::path source = base_ / "s", destination = base_ / c.destination;
        fs::remove_all(source), fs::remove_all(base_ / "d");
        const bool has_source = !c.source_text.empty() || c.source_mode != fs::perms::none;
        if (has_source) std::ofstream(source, std::ios::binary) << c.source_text;
        const std::string what = c.what;
        if (what == "source is a folder") fs::create_directory(source);
        if (what == "source is a FIFO" || what == "destination is a FIFO")
            ::mkfifo((what == "source is a FIFO" ? source : destination).c_str(), 0600);
        if (what.rfind("through a symbolic", 0) == 0) fs::create_symlink(source, destination);
        if (what.rfind("through a hard", 0) == 0) fs::create_hard_link(source, destination);
        const fs::path elsewhere = base_ / "elsewhere", reached = elsewhere / "f";
        fs::remove_all(elsewhere), fs::create_directory(elsewhere);
        if (what == "destination a link to a file") std::ofstream(reached) << "old";
        if (what.rfind("destination a link", 0) == 0) fs::create_symlink(reached, destination);
        if (c.destination_exists) {
            std::ofstream(destination) << "old destination";
            fs::permissions(destination, c.destination_mode);
        }
        if (has_source) fs::permissions(source, c.source_mode);

        test::LogCapture log;
        EXPECT_EQ(::CopyTheFile(source.c_str(), destination.c_str()), c.expected) << c.what;
        // A failed copy tells which side failed, and why.
        EXPECT_EQ(log.Has("failure CopyTheFile: "), c.expected == 0) << c.what << "\n" << log.Lines();
        if (what == "missing source") {
            EXPECT_TRUE(log.Has("source \"" + source.string() + "\"")) << log.Lines();
        }
        if (what.rfind("destination a link", 0) == 0) {
            EXPECT_TRUE(fs::is_symlink(destination) && fs::exists(reached) == (c.expected == 1)) << c.what;
        }
        if (c.expected == 1) {
            EXPECT_EQ(Read(destination), c.source_text) << c.what;
            EXPECT_EQ(fs::status(destination).permissions(), c.source_mode & fs::perms::all) << c.what;
        } else if (c.destination_exists) {
            EXPECT_EQ(Read(destination), "old destination") << c.what;
            EXPECT_TRUE((fs::status(destination).permissions() & fs::perms::owner_write) != fs::perms::none) << c.what;
        }
        if (has_source && fs::is_regular_file(source)) {
            EXPECT_EQ(Read(source), c.source_text) << c.what;
            EXPECT_EQ(fs::status(source).permissions(), c.source_mode) << c.what;
        }
    }
    ::alarm(0);
}

// Kernel copies standing in for copy_file_range: one that stops at byte 10,
// one that fails there, one that is not available for these files.
ssize_t StopsAtTen(int in, int out, std::size_t count) {
    const off_t at = ::lseek(in, 0, SEEK_CUR);
    return at >= 10 ? 0 : ::copy_file_range(in, nullptr, out, nullptr, std::min<std::size_t>(count, 10 - at), 0);
}
ssize_t FailsAtTen(int in, int out, std::size_t count) {
    if (::lseek(in, 0, SEEK_CUR) < 10) return StopsAtTen(in, out, count);
    errno = EIO;
    return -1;
}

// A copy goes on in steps to where a read of the source ends: a kernel copy
// that stops early is not the end; one that fails is no copy.
TEST_F(CopyTheFile, LinuxCopiesStepByStepToTheSourcesEnd) {
    const std::string text = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::ofstream(base_ / "s", std::ios::binary) << text;
    const KernelCopy not_available = [](int, int, std::size_t) -> ssize_t { return errno = EXDEV, -1; };
    const KernelCopy stops[] = {&StopsAtTen}, fails[] = {&FailsAtTen}, later[] = {not_available, &StopsAtTen};
    const struct {
        std::size_t chunk;
        const KernelCopy* ways;
        std::size_t way_count;
        bool whole;
    } cases[] = {{7, kKernelCopies, 2, true}, {36, kKernelCopies, 2, true}, {1, kKernelCopies, 2, true},
                 {35, nullptr, 0, true},      {7, stops, 1, true},          {7, later, 2, true},
                 {4, fails, 1, false}};
    for (const auto& c : cases) {
        const posix::unique_fd in(::open((base_ / "s").c_str(), O_RDONLY | O_CLOEXEC));
        const posix::unique_fd out(::open((base_ / "d").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        ASSERT_TRUE(in && out);
        EXPECT_EQ(CopyContents(in.get(), out.get(), c.chunk, c.ways, c.way_count), c.whole) << c.chunk;
        if (c.whole) {
            EXPECT_EQ(Read(base_ / "d"), text) << c.chunk;
        }
    }
}

// Files the kernel makes up as they are read: /sys states 4,096 bytes and
// holds fewer, /proc states none. Each is copied whole, with its mode.
TEST_F(CopyTheFile, LinuxCopiesKernelFilesToTheirEnd) {
    const fs::path copy = base_ / "copy";
    for (const char* source : {"/sys/devices/system/cpu/online", "/proc/version"}) {
        if (!fs::exists(source)) continue;
        EXPECT_EQ(files::CopyTheFile(source, copy.c_str(), SystemCopy()), 1) << source;
        EXPECT_EQ(Read(copy), Read(source)) << source;
        EXPECT_EQ(fs::status(copy).permissions(), fs::status(source).permissions()) << source;
        fs::remove(copy);
    }
}

// Another thread rewrites the source in place while it is copied, pausing
// now and then: a copy answered 1 holds one of its two states whole; a failed
// one leaves no half copy (a new destination gone, an existing one empty).
TEST_F(CopyTheFile, LinuxCopiesOneStateOfAChangingSource) {
    const fs::path source = base_ / "s", copy = base_ / "d";
    const std::size_t size = 1 << 21;
    const std::string states[2] = {std::string(size, 'a'), std::string(size, 'b')};
    std::ofstream(source, std::ios::binary) << states[0];
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const posix::unique_fd fd(::open(source.c_str(), O_WRONLY | O_CLOEXEC));
        std::minstd_rand random(1);
        for (std::size_t i = 1; !done;) {  // rewrites for up to 4 ms, then a pause of up to 8
            const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 4000);
            while (std::chrono::steady_clock::now() < until)
                if (::pwrite(fd.get(), states[++i % 2].data(), size, 0) != static_cast<ssize_t>(size)) return;
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 8000));
        }
    });
    int whole = 0, mixed = 0, rounds = 40;
    for (int round = 0; round < rounds; ++round) {
        const bool existing = round % 2 != 0;
        fs::remove(copy);
        if (existing) std::ofstream(copy) << "old";
        const bool copied = ::CopyTheFile(source.c_str(), copy.c_str()) == 1;
        std::string text(size + 1, '\0');
        const posix::unique_fd fd(::open(copy.c_str(), O_RDONLY | O_CLOEXEC));
        text.resize(fd ? std::max<ssize_t>(::read(fd.get(), text.data(), text.size()), 0) : 4);
        if (copied) {
            ++(text.size() == size && text.find_first_not_of(text[0]) == std::string::npos ? whole : mixed);
        } else {
            EXPECT_TRUE(existing ? text == "old" || text.empty() : !fd) << round << ": " << text.size();
        }
    }
    done = true;
    writer.join();
    std::printf("copies of a source rewritten meanwhile: %d whole, %d mixed, %d failed\n", whole, mixed,
                rounds - whole - mixed);
    EXPECT_EQ(mixed, 0);
}

// Whether a change made from now on shows in the change time a file has: not
// in the same tick, nor below a finer stamp; whole seconds two seconds on.
TEST(ChangesWouldShow, OnlyOnceTheClockHasPassedTheLastChange) {
    const struct { timespec changed, now; bool shows; } cases[] = {
        {{100, 500}, {100, 600}, true}, {{100, 500}, {100, 500}, false}, {{100, 900}, {100, 500}, false},
        {{99, 999999999}, {100, 1}, true}, {{100, 0}, {101, 500}, false}, {{100, 0}, {102, 0}, true}};
    for (const auto& c : cases)
        EXPECT_EQ(ChangesWouldShow(c.changed, c.now), c.shows) << c.changed.tv_nsec << " " << c.now.tv_sec;
}

// A sparse source stays sparse: its holes are not written, at the end either.
TEST_F(CopyTheFile, LinuxKeepsHoles) {
    const fs::path source = base_ / "s", copy = base_ / "d";
    const off_t size = off_t{1} << 28;
    for (const off_t last : {size - 4, size / 2}) {
        {
            const posix::unique_fd fd(::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
            for (const off_t at : {off_t{0}, size / 3, last}) ASSERT_EQ(::pwrite(fd.get(), "data", 4, at), 4);
            ASSERT_EQ(::ftruncate(fd.get(), size), 0);
        }
        struct stat from {}, to {};
        ASSERT_EQ(::stat(source.c_str(), &from), 0);
        if (from.st_blocks * 512 > size / 2) GTEST_SKIP() << base_ << " keeps no holes";
        EXPECT_EQ(files::CopyTheFile(source.c_str(), copy.c_str(), SystemCopy()), 1);
        ASSERT_EQ(::stat(copy.c_str(), &to), 0);
        EXPECT_EQ(to.st_size, size);
        EXPECT_LE(to.st_blocks, from.st_blocks + 64) << last;
        const posix::unique_fd fd(::open(copy.c_str(), O_RDONLY | O_CLOEXEC));
        char data[5] = {};
        for (const off_t at : {off_t{0}, size / 3, last})
            EXPECT_TRUE(::pread(fd.get(), data, 4, at) == 4 && std::string(data) == "data") << at;
        fs::remove(copy);
    }
}
#endif

}  // namespace
}  // namespace karvelin::files
