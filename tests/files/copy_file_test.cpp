#include "files/copy_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/posix_owners.h"
#endif

namespace karvelin::files {
namespace {

#ifndef _WIN32
namespace fs = std::filesystem;

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The Linux copy on real files: 1 with the source's bytes and mode, 0 when
// it fails, and a destination that was there is writable afterwards.
TEST(CopyTheFile, LinuxCopiesOverAnyDestination) {
    std::string pattern = (fs::temp_directory_path() / "karvelin-copy-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path base = pattern;
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
        {"source is a folder", "", fs::perms::none, false, {}, "d", 0},
        // Opened, a FIFO would wait for its other end: refused at once.
        {"source is a FIFO", "", fs::perms::none, false, {}, "d", 0},
        {"destination is a FIFO", "abc", fs::perms::owner_all, false, {}, "d", 0},
    };
    ::alarm(60);  // a copy that blocks ends the run
    for (const auto& c : cases) {
        const fs::path source = base / "s", destination = base / c.destination;
        fs::remove_all(source), fs::remove_all(base / "d");
        const bool has_source = !c.source_text.empty() || c.source_mode != fs::perms::none;
        if (has_source) std::ofstream(source, std::ios::binary) << c.source_text;
        const std::string what = c.what;
        if (what == "source is a folder") fs::create_directory(source);
        if (what == "source is a FIFO" || what == "destination is a FIFO")
            ::mkfifo((what == "source is a FIFO" ? source : destination).c_str(), 0600);
        if (c.destination_exists) {
            std::ofstream(destination) << "old destination";
            fs::permissions(destination, c.destination_mode);
        }
        if (has_source) fs::permissions(source, c.source_mode);

        EXPECT_EQ(CopyTheFile(source.c_str(), destination.c_str(), SystemCopy()), c.expected) << c.what;
        if (c.expected == 1) {
            EXPECT_EQ(Read(destination), c.source_text) << c.what;
            EXPECT_EQ(fs::status(destination).permissions(), c.source_mode) << c.what;
        } else if (c.destination_exists) {
            EXPECT_EQ(Read(destination), "old destination") << c.what;
            EXPECT_TRUE((fs::status(destination).permissions() & fs::perms::owner_write) != fs::perms::none) << c.what;
        }
        if (has_source && fs::is_regular_file(source)) {
            EXPECT_EQ(Read(source), c.source_text) << c.what;
        }
    }
    ::alarm(0);
    fs::remove_all(base);
}

// Steps far shorter than the kernel's: a copy goes on past its first step,
// and a source that ends before its size is no copy.
TEST(CopyTheFile, LinuxCopiesStepByStepToTheSourcesEnd) {
    const fs::path base = fs::temp_directory_path() / ("karvelin-steps-" + std::to_string(::getpid()));
    fs::create_directories(base);
    const std::string text = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::ofstream(base / "s", std::ios::binary) << text;
    const struct {
        std::size_t chunk;
        std::uint64_t size;  // the source's, as its status said
        bool whole;
    } cases[] = {{7, 36, true}, {36, 36, true}, {35, 36, true}, {1, 36, true}, {7, 37, false}, {64, 37, false}};
    for (const auto& c : cases) {
        const posix::unique_fd in(::open((base / "s").c_str(), O_RDONLY | O_CLOEXEC));
        const posix::unique_fd out(::open((base / "d").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        ASSERT_TRUE(in && out);
        EXPECT_EQ(CopyContents(in.get(), out.get(), c.size, c.chunk), c.whole) << c.chunk << " " << c.size;
        if (c.whole) {
            EXPECT_EQ(Read(base / "d"), text) << c.chunk;
        }
    }
    fs::remove_all(base);
}
#endif

}  // namespace
}  // namespace karvelin::files
