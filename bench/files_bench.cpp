// files_bench - DelFilesAndDir and CopyTheFile beside the system's own tools,
// on the same data in a temporary folder. Prints seconds (best of three) and
// the ratio; nothing here asserts on timing. `files_bench --removal`: the
// Linux removal alone, at 10,000 files, 100 folders of 100 and 10,000 levels.
//   Linux:   DelFilesAndDir against `rm -rf` on 10,000 files in one folder,
//            100 folders of 100 files, 1,000, 10,000 and 100,000 levels, each
//            several times (median and range); 100,000 levels once more on a
//            thread with a 1 MiB stack, in a process that may open 64
//            descriptors (the test suite walks 10,000 levels on a 64 KiB
//            stack), with whether the tree went; CopyTheFile against `cp` on
//            256 MiB, and on a 5 GiB hole (with the blocks each copy takes).
//   Windows: DelFilesAndDir against `cmd /c rmdir /s /q` on 2,000 files in
//            20 folders (the ATTRIB commands it starts are not waited for).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "Karvelin.h"

namespace {

using Clock = std::chrono::steady_clock;

#ifdef _WIN32
const char kSeparator = '\\';
void MakeFolder(const std::string& path) { ::CreateDirectoryA(path.c_str(), nullptr); }
void RemoveFolder(const std::string& path) { ::RemoveDirectoryA(path.c_str()); }
std::string TempBase() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "karvelin-bench-" + std::to_string(::GetCurrentProcessId());
    MakeFolder(base);
    return base;
}
// Runs a command line and waits for its end.
void Run(const std::string& line) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string text = line;
    if (!::CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return;
    ::WaitForSingleObject(info.hProcess, INFINITE);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
}
#else
const char kSeparator = '/';
void MakeFolder(const std::string& path) { ::mkdir(path.c_str(), 0755); }
void RemoveFolder(const std::string& path) { ::rmdir(path.c_str()); }
std::string TempBase() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/karvelin-bench-XXXXXX";
    return ::mkdtemp(pattern.data()) ? pattern : std::string();
}
void Run(const std::string& line) {
    if (std::system(line.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", line.c_str());
}

// `depth` folders, each in the one above, made through descriptors: no path
// reaches that deep.
void MakeChain(const std::string& tree, int depth) {
    MakeFolder(tree);
    int folder = ::open(tree.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; folder >= 0 && level < depth; ++level) {
        ::mkdirat(folder, "d", 0755);
        const int next = ::openat(folder, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(folder);
        folder = next;
    }
    if (folder >= 0) ::close(folder);
}

// The median and range of each removal's runs, and the ratio of the medians.
void PrintRuns(const char* what, std::vector<double> ours, std::vector<double> theirs) {
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    const double median = ours[ours.size() / 2], their_median = theirs[theirs.size() / 2];
    std::printf("DelFilesAndDir, %-27s %8.3f s (%.3f-%.3f)   rm -rf %8.3f s (%.3f-%.3f)   ratio %5.2f, %zu runs\n",
                what, median, ours.front(), ours.back(), their_median, theirs.front(), theirs.back(),
                median / their_median, ours.size());
}

// DelFilesAndDir on a thread with a 1 MiB stack, in a child that may open 64
// descriptors: whether the child ended well and the tree is gone.
bool RemovedOnSmallStack(const std::string& tree) {
    const pid_t child = ::fork();
    if (child == 0) {
        const struct rlimit limit {64, 64};
        pthread_attr_t attributes;
        pthread_t thread;
        auto run = [](void* path) -> void* { return DelFilesAndDir(static_cast<const char*>(path)), nullptr; };
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0 || ::pthread_attr_init(&attributes) != 0 ||
            ::pthread_attr_setstacksize(&attributes, 1 << 20) != 0 ||
            ::pthread_create(&thread, &attributes, run, const_cast<char*>(tree.c_str())) != 0)
            ::_exit(2);
        ::_exit(::pthread_join(thread, nullptr));
    }
    int status = 0;
    struct stat left {};
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           ::lstat(tree.c_str(), &left) != 0;
}

double Once(const std::function<void()>& prepare, const std::function<void()>& work) {
    prepare();
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}
#endif

void MakeTree(const std::string& tree, int folders, int files_each) {
    MakeFolder(tree);
    for (int f = 0; f < folders; ++f) {
        const std::string folder = tree + kSeparator + "folder" + std::to_string(f);
        MakeFolder(folder);
        for (int i = 0; i < files_each; ++i)
            if (std::FILE* out = std::fopen((folder + kSeparator + "file" + std::to_string(i) + ".txt").c_str(), "wb")) {
                std::fputs("karvelin", out);
                std::fclose(out);
            }
    }
}

// Best of three: `prepare` untimed, then `work` timed.
double Best(const std::function<void()>& prepare, const std::function<void()>& work) {
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        prepare();
        const auto start = Clock::now();
        work();
        const double took = std::chrono::duration<double>(Clock::now() - start).count();
        if (took < best) best = took;
    }
    return best;
}

void Print(const char* what, double ours, const char* tool, double theirs, double target) {
    std::printf("%-44s %8.3f s   %-26s %8.3f s   ratio %5.2f (target at most %.1f)\n", what, ours, tool, theirs,
                ours / theirs, target);
}

}  // namespace

int main(int argc, char** argv) {
    // --removal: the Linux removal's shapes alone.
    [[maybe_unused]] const bool removal_only = argc > 1 && std::string(argv[1]) == "--removal";
    const std::string base = TempBase();
    if (base.empty()) return 1;
    const std::string tree = base + kSeparator + "tree";
#ifdef _WIN32
    const int folders = 20, files_each = 100;
    const double ours = Best([&] { MakeTree(tree, folders, files_each); }, [&] { DelFilesAndDir(tree.c_str()); });
    ::Sleep(2000);  // the ATTRIB commands it started
    const double theirs = Best([&] { MakeTree(tree, folders, files_each); },
                               [&] { Run("cmd /c rmdir /s /q \"" + tree + "\""); });
    Print("DelFilesAndDir, 2,000 files in 20 folders", ours, "cmd /c rmdir /s /q", theirs, 1.5);
#else
    // Each shape several times, the two removals taking turns (a busy
    // machine's load falls on both alike); the median and the range.
    const struct {
        const char* what;
        std::function<void()> make;
        int runs;
        bool removal = true;  // one of --removal's
    } shapes[] = {
        {"10,000 files in one folder", [&] { MakeTree(tree, 1, 10000); }, 7},
        {"100 folders of 100 files", [&] { MakeTree(tree, 100, 100); }, 7},
        {"1,000 levels", [&] { MakeChain(tree, 1000); }, 7, false},
        {"10,000 levels", [&] { MakeChain(tree, 10000); }, 7},
        {"100,000 levels", [&] { MakeChain(tree, 100000); }, 3, false},
    };
    for (const auto& shape : shapes) {
        if (removal_only && !shape.removal) continue;
        std::vector<double> ours, theirs;
        for (int run = 0; run < shape.runs; ++run) {
            const auto karvelin = [&] { ours.push_back(Once(shape.make, [&] { DelFilesAndDir(tree.c_str()); })); };
            const auto rm = [&] { theirs.push_back(Once(shape.make, [&] { Run("rm -rf '" + tree + "'"); })); };
            if (run % 2) rm(), karvelin(); else karvelin(), rm();
        }
        PrintRuns(shape.what, ours, theirs);
    }
    if (removal_only) return RemoveFolder(base), 0;
    bool removed = false;
    const double deep = Once([&] { MakeChain(tree, 100000); }, [&] { removed = RemovedOnSmallStack(tree); });
    std::printf("DelFilesAndDir, 100,000 levels, a 1 MiB stack, 64 descriptors: %8.3f s, %s\n", deep,
                removed ? "removed" : "LEFT OR CRASHED");
    if (!removed) Run("rm -rf '" + tree + "'");

    const std::string source = base + "/source.bin", copy = base + "/copy.bin";
    {
        std::vector<char> block(1 << 20);
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + 7);
        std::FILE* out = std::fopen(source.c_str(), "wb");
        if (!out) return 1;
        for (int i = 0; i < 256; ++i) std::fwrite(block.data(), 1, block.size(), out);
        std::fclose(out);
    }
    const double copy_ours = Best([&] { ::unlink(copy.c_str()); }, [&] { CopyTheFile(source.c_str(), copy.c_str()); });
    const double copy_theirs =
        Best([&] { ::unlink(copy.c_str()); }, [&] { Run("cp '" + source + "' '" + copy + "'"); });
    Print("CopyTheFile, 256 MiB", copy_ours, "cp", copy_theirs, 1.1);
    ::unlink(copy.c_str());
    ::unlink(source.c_str());

    // A 5 GiB hole with 4 KiB of data before it: the time, and the blocks
    // each copy takes (the source's holes kept, or written out).
    if (std::FILE* out = std::fopen(source.c_str(), "wb")) {
        std::fputs(std::string(4096, 's').c_str(), out);
        std::fclose(out);
    }
    ::truncate(source.c_str(), off_t{5} << 30);
    const auto kib = [&] {
        struct stat st {};
        return ::stat(copy.c_str(), &st) == 0 ? static_cast<long long>(st.st_blocks) / 2 : -1;
    };
    const double sparse_ours = Best([&] { ::unlink(copy.c_str()); }, [&] { CopyTheFile(source.c_str(), copy.c_str()); });
    const long long ours_kib = kib();
    const double sparse_theirs =
        Best([&] { ::unlink(copy.c_str()); }, [&] { Run("cp '" + source + "' '" + copy + "'"); });
    Print("CopyTheFile, a 5 GiB hole", sparse_ours, "cp", sparse_theirs, 1.1);
    std::printf("%-44s %8lld KiB %-26s %8lld KiB on disk\n", "", ours_kib, "", kib());
    ::unlink(copy.c_str());
    ::unlink(source.c_str());
#endif
    RemoveFolder(base);
    return 0;
}
