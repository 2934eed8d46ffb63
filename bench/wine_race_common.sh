# Shared by the Wine race benchmarks (sourced, not run): their options, a
# temporary work folder removed on every way out, an atomic Linux swapper,
# one Wine prefix per bitness, and the summary line. Nothing here is a test.
#
# The sourcing script sets `modes` (its modes, in order) before it calls
# race_options "$@", then reads: rounds, presets, modes, work, and calls
# race_prefix PRESET per bitness and race_summary per figure.

race_usage() {
    sed -n '2,/^set -eu/p' "$0" | sed -n 's/^# \{0,1\}//p' >&2
    exit 2
}

# [--rounds N] [--win32] [--win64] [--mode NAME]...: 20 rounds, the 32-bit
# build alone unless --win64 is given (both when both are), every mode.
race_options() {
    rounds=20 presets='' chosen=''
    while [ $# -gt 0 ]; do
        case $1 in
            --rounds) [ $# -ge 2 ] || race_usage; rounds=$2; shift ;;
            --win32 | --win64) presets="$presets ${1#--}" ;;
            --mode) [ $# -ge 2 ] || race_usage; chosen="$chosen $2"; shift ;;
            *) race_usage ;;
        esac
        shift
    done
    case $rounds in '' | *[!0-9]* | 0) race_usage ;; esac
    presets=${presets:-win32}
    if [ -n "$chosen" ]; then
        for mode in $chosen; do
            case " $modes " in *" $mode "*) ;; *) echo "no mode $mode (modes: $modes)" >&2; exit 2 ;; esac
        done
        modes=$chosen
    fi
    for preset in $presets; do
        [ -x "build/$preset/bin/karvelin.exe" ] ||
            { echo "build/$preset/bin/karvelin.exe: build the $preset preset first (scripts/build.sh $preset)" >&2; exit 2; }
    done
}

# The work folder, and the clean-up of everything started or made in it:
# the swapper, Wine's servers of its prefixes, the trees.
race_work() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-$1.XXXXXX")
    swapper='' holder=''
    trap race_cleanup EXIT
    trap 'exit 1' INT TERM
    race_build_swapper
}

race_cleanup() {
    set +e
    [ -n "$swapper" ] && kill "$swapper" 2>/dev/null
    [ -n "$holder" ] && kill "$holder" 2>/dev/null
    for prefix in "$work"/prefix-*; do
        [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    done
    chmod -R u+w "$work"
    rm -rf "$work"
}

# $work/swap [-w FOLDER] [-m] [-1] A B STOP: exchanges the names A and B with
# renameat2(RENAME_EXCHANGE), as fast as it can, until the file STOP appears;
# then leaves them as they were (an even number of exchanges). With -w, it
# first waits until one of FOLDER's files f01 to f20 is gone (the walk is past
# its listing of FOLDER); with -m it then makes A, an empty folder. With -1 it
# exchanges them once, and back when STOP appears. It stops at the first
# exchange that fails (one of the names was removed). On its way out it adds
# a line to $work/swap.rates: the exchanges it made and the seconds since the
# first (its speed is the machine's: each exchange is a file system call).
race_build_swapper() {
    cat >"$work/swap.c" <<'SOURCE'
#define _GNU_SOURCE
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>
static struct timespec started;
static unsigned long exchanges;
static int report(int status) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    fprintf(stderr, "%lu %.6f\n", exchanges,
            (double)(now.tv_sec - started.tv_sec) + (now.tv_nsec - started.tv_nsec) / 1e9);
    return status;
}
static int exchange(const char* a, const char* b) {
    if (syscall(SYS_renameat2, AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE) != 0) return 0;
    ++exchanges;
    return 1;
}
int main(int argc, char** argv) {
    const char* watched = NULL;
    int make = 0, once = 0, at = 1;
    for (; at < argc && argv[at][0] == '-'; ++at) {
        if (strcmp(argv[at], "-m") == 0) make = 1;
        else if (strcmp(argv[at], "-1") == 0) once = 1;
        else if (strcmp(argv[at], "-w") == 0 && at + 1 < argc) watched = argv[++at];
        else return 2;
    }
    if (argc - at != 3) return 2;
    const char *a = argv[at], *b = argv[at + 1], *stop = argv[at + 2];
    if (watched) {
        const int folder = open(watched, O_RDONLY | O_DIRECTORY);
        if (folder < 0) return 1;
        for (int gone = 0; !gone;) {
            if (access(stop, F_OK) == 0) return 0;
            for (int n = 1; n <= 20 && !gone; ++n) {
                char name[8];
                snprintf(name, sizeof name, "f%02d", n);
                gone = faccessat(folder, name, F_OK, AT_SYMLINK_NOFOLLOW) != 0;
            }
        }
        close(folder);
    }
    if (make && mkdir(a, 0755) != 0) return 1;
    clock_gettime(CLOCK_MONOTONIC, &started);
    if (once) {
        if (!exchange(a, b)) return report(1);
        while (access(stop, F_OK) != 0) usleep(10000);
        return report(!exchange(a, b));
    }
    for (;;) {
        if (!exchange(a, b)) return report(1);
        if (exchanges % 4096 == 0 && access(stop, F_OK) == 0) return report(0);
    }
}
SOURCE
    cc -O2 -o "$work/swap" "$work/swap.c"
}

# Starts the swapper in the background (arguments as for $work/swap).
race_swap() {
    "$work/swap" "$@" 2>>"$work/swap.rates" &
    swapper=$!
}

# The swappers' speed since the last call: thousands of exchanges a second.
race_swap_rate() {
    awk '{ n += $1; t += $2 } END { if (t > 0) printf "%.0fk", n / t / 1000; else printf "?" }' "$work/swap.rates" 2>/dev/null || printf '?'
    rm -f "$work/swap.rates"
}

# Stops the swapper through its stop file (the last argument it was given).
race_stop_swapper() {
    : >"$1"
    [ -n "$swapper" ] && { wait "$swapper" || true; }
    swapper=
}

# The bitness's Wine and its prefix, made once: sets program and exports
# KARVELIN_WINEARCH and KARVELIN_WINEPREFIX for scripts/wine-run.sh.
race_prefix() {
    case $1 in
        win64) export KARVELIN_WINEARCH=win64 ;;
        *) export KARVELIN_WINEARCH=win32 ;;
    esac
    program=build/$1/bin/karvelin.exe
    export KARVELIN_WINEPREFIX="$work/prefix-$1"
    timeout 300 scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1 || true
}

# Waits (at most 120 s) until every Wine process of the prefix has ended,
# the commands a removal started among them.
race_wait_wine() {
    WINEPREFIX="$KARVELIN_WINEPREFIX" timeout 120 wineserver -w || true
}

race_end_prefix() {
    WINEPREFIX="$KARVELIN_WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
}

# A Linux path as Wine's Z: drive names it.
race_windows_path() {
    printf 'Z:%s' "$1" | tr / '\\'
}

# DelFilesAndDir on the Linux folder $1, through the program, output dropped.
race_remove() {
    timeout 120 scripts/wine-run.sh "$program" DelFilesAndDir "$(race_windows_path "$1")" >/dev/null 2>&1 || true
}

# The load averages now (1, 5 and 15 minutes).
race_load() {
    cut -d' ' -f1-3 /proc/loadavg
}

# What was measured on: printed once, before the figures.
race_header() {
    commit=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)
    [ -n "$(git status --porcelain -- files common include module 2>/dev/null)" ] && commit="$commit+changes"
    echo "$1 ($(date -u '+%Y-%m-%d %H:%M UTC'), commit $commit, $(nproc) cores, Wine $(wine --version 2>/dev/null))"
}

# One figure: PRESET MODE TEXT, with the load at its end.
race_summary() {
    echo "$1 $2: $3 (load $(race_load))"
}
