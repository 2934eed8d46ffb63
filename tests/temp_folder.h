// The file tests' own folder under the temporary folder, removed with all it
// holds when its owner goes: on Linux with owner permission given back first
// (what a failed removal leaves may be deeper than any path reaches), on
// Windows with attributes reset and no link followed. And a file's bytes.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#ifdef _WIN32
#include "win32_test_support.h"
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#endif

namespace karvelin::test {

inline std::string Read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

#ifndef _WIN32
// chmod and rm reach any depth; run with an argument vector, no shell, so
// that any character in the path (a quote in TMPDIR) stays part of it.
inline void RemoveWholeTree(const std::string& path) {
    const char* const chmod[] = {"chmod", "-R", "u+rwx", "--", path.c_str(), nullptr};
    const char* const rm[] = {"rm", "-rf", "--", path.c_str(), nullptr};
    for (const char* const* run : {chmod, rm}) {
        pid_t child = 0;
        if (::posix_spawnp(&child, run[0], nullptr, nullptr, const_cast<char* const*>(run), environ) == 0)
            ::waitpid(child, nullptr, 0);
    }
}
#endif

class TempFolder {
public:
    // "karvelin-<what>-..."; path() is empty when it could not be made.
    explicit TempFolder(const std::string& what) {
#ifdef _WIN32
        path_ = NewTempFolder(what);
#else
        std::string pattern = (std::filesystem::temp_directory_path() / ("karvelin-" + what + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
#endif
    }
    ~TempFolder() {
#ifdef _WIN32
        if (!path_.empty()) RemoveAll(path_);
#else
        if (!path_.empty()) RemoveWholeTree(path_);
#endif
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A test with a folder of its own, base_ (a std::string, or a path type made
// from one), made before each test and removed after it.
template <typename Path = std::string>
class InTempFolder : public ::testing::Test {
protected:
    explicit InTempFolder(const std::string& what) : temp_(what), base_(temp_.path()) {}
    void SetUp() override { ASSERT_FALSE(temp_.path().empty()); }

private:
    TempFolder temp_;

protected:
    const Path base_;
};

}  // namespace karvelin::test
