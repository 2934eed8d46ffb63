// parent_mode_bench - whether DelFilesAndDir changes the folder that holds
// the tree, seen from another thread. As an ordinary user (nobody, when run
// as root), 200 rounds: a tree in a folder at mode 555 is removed while a
// thread reads that folder's mode as fast as it can. Prints how many rounds
// saw another mode, and how many left the tree in place (emptied), as
// `rm -rf` does where the holding folder may not be written.
#include <fcntl.h>
#include <grp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "Karvelin.h"

namespace {

constexpr int kRounds = 200;
constexpr uid_t kNobody = 65534;

bool MakeTree(const std::string& tree) {
    if (::mkdir(tree.c_str(), 0755) != 0 || ::mkdir((tree + "/d").c_str(), 0755) != 0) return false;
    for (const char* file : {"/f", "/d/f"}) {
        const int fd = ::open((tree + file).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        ::close(fd);
    }
    return true;
}

int Rounds(const std::string& base) {
    int changed = 0, stayed = 0, removed = 0;
    const std::string parent = base + "/parent", tree = parent + "/tree";
    for (int round = 0; round < kRounds; ++round) {
        ::chmod(parent.c_str(), 0755);
        ::rmdir(tree.c_str());  // what a round left: the emptied top
        if (!MakeTree(tree)) return std::fprintf(stderr, "cannot make the tree\n"), 1;
        ::chmod(parent.c_str(), 0555);
        std::atomic<bool> stop{false}, seen{false};
        std::thread watcher([&] {
            struct stat st {};
            while (!stop)
                if (::stat(parent.c_str(), &st) == 0 && (st.st_mode & 07777) != 0555) seen = true;
        });
        DelFilesAndDir(tree.c_str());
        stop = true;
        watcher.join();
        struct stat st {};
        if (::stat(parent.c_str(), &st) != 0 || (st.st_mode & 07777) != 0555) seen = true;
        changed += seen;
        ++(::access(tree.c_str(), F_OK) == 0 ? stayed : removed);
    }
    ::chmod(parent.c_str(), 0755);
    ::rmdir(tree.c_str());
    ::rmdir(parent.c_str());
    std::printf("DelFilesAndDir, holding folder at 555 as uid %u: %d of %d rounds saw its mode change; "
                "tree left emptied %d, removed %d\n",
                static_cast<unsigned>(::geteuid()), changed, kRounds, stayed, removed);
    return 0;
}

}  // namespace

int main() {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/karvelin-parent.XXXXXX";
    if (!::mkdtemp(&base[0])) return 1;
    ::mkdir((base + "/parent").c_str(), 0755);
    int status = 0;
    if (::geteuid() == 0) {
        // Root passes every permission check: the rounds run as nobody, on
        // folders that are nobody's.
        ::chmod(base.c_str(), 0755);
        ::chown((base + "/parent").c_str(), kNobody, kNobody);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(77);
            ::prctl(PR_SET_DUMPABLE, 1);  // its /proc/self its own again, as for any process of the user
            ::setenv("HOME", base.c_str(), 1);  // a home it can enter
            const int rounds = Rounds(base);
            std::fflush(stdout);
            ::_exit(rounds);
        }
        ::waitpid(child, &status, 0);
        status = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
        ::rmdir((base + "/parent").c_str());
    } else {
        status = Rounds(base);
    }
    ::rmdir(base.c_str());
    return status;
}
