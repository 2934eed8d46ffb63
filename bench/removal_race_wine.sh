#!/bin/sh
# How often a Linux process that swaps a folder of a tree for a link, while
# DelFilesAndDir walks the tree under Wine, still redirects a delete to the
# folder the link names. Wine's share modes do not bind Linux processes and
# Wine deletes by path when a handle closes, so a swap that lands between the
# walk's last check of an entry and that close wins. Windows has no such
# window (its deletes act on handles). The swapper is atomic and tight: once
# the walk has deleted a file of the folder, it exchanges the folder and a
# parked link with renameat2(RENAME_EXCHANGE) in a loop, so from then on the
# folder is a link about half of the time (KARVELIN_SWAP_AT_ONCE=1: from
# before the walk starts, so that it may find the link already). Prints, per
# bitness, the rounds in which files outside were deleted. Nothing here is a
# test: the figures go to docs/platform-notes.md.
# Usage: bench/removal_race_wine.sh [ROUNDS] [PRESET...]   (default: 20 win32 win64)
# Builds nothing: run scripts/build.sh for the presets first.
set -eu
cd "$(dirname "$0")/.."
rounds=${1:-20}
[ $# -gt 0 ] && shift
presets=${*:-win32 win64}
work=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-race.XXXXXX")
swapper=
cleanup() {
    set +e
    [ -n "$swapper" ] && kill "$swapper" 2>/dev/null
    for prefix in "$work"/prefix-*; do
        [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    done
    chmod -R u+w "$work"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

cat >"$work/swap.c" <<'SOURCE'
#define _GNU_SOURCE
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/syscall.h>
#include <unistd.h>
/* swap FOLDER LINK STOP [now]: once the walk has deleted a file of FOLDER
   (it is inside it, past its checks of the folder), or at once, exchanges the
   two names until the stop file appears, then leaves them as they were. */
int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) return 2;
    const int folder = open(argv[1], O_RDONLY | O_DIRECTORY);
    if (folder < 0) return 1;
    for (int inside = argc == 5; !inside;) {
        if (access(argv[3], F_OK) == 0) return 0;
        for (int n = 1; n <= 20 && !inside; ++n) {
            char name[8];
            snprintf(name, sizeof name, "f%02d", n);
            inside = faccessat(folder, name, F_OK, AT_SYMLINK_NOFOLLOW) != 0;
        }
    }
    for (unsigned long n = 1;; ++n) {
        if (syscall(SYS_renameat2, AT_FDCWD, argv[1], AT_FDCWD, argv[2], RENAME_EXCHANGE) != 0) return 1;
        if (n % 4096 == 0 && access(argv[3], F_OK) == 0) return 0;
    }
}
SOURCE
cc -O2 -o "$work/swap" "$work/swap.c"

# The tree's folder "sub" and the outside folder hold the same names, so a
# redirected delete finds a file to delete.
fill() {
    mkdir -p "$1/inner"
    for n in 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20; do
        printf '%s' "$2" >"$1/f$n"
        printf '%s' "$2" >"$1/inner/f$n"
    done
}

for preset in $presets; do
    case $preset in
        win64) export KARVELIN_WINEARCH=win64 ;;
        *) export KARVELIN_WINEARCH=win32 ;;
    esac
    program=build/$preset/bin/karvelin.exe
    [ -x "$program" ] || { echo "$program: build the $preset preset first" >&2; exit 2; }
    export KARVELIN_WINEPREFIX="$work/prefix-$preset"
    timeout 300 scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1
    lost_rounds=0 lost_files=0 left=0
    round=0
    while [ $round -lt "$rounds" ]; do
        round=$((round + 1))
        base=$work/round
        rm -rf "$base"
        mkdir -p "$base/tree"
        fill "$base/tree/sub" tree
        fill "$base/outside" outside
        ln -s "$base/outside" "$base/parked"  # absolute: it is read from the tree
        rm -f "$base/stop"
        "$work/swap" "$base/tree/sub" "$base/parked" "$base/stop" ${KARVELIN_SWAP_AT_ONCE:+now} &
        swapper=$!
        timeout 120 scripts/wine-run.sh "$program" DelFilesAndDir "Z:$(printf %s "$base/tree" | tr / '\\')" >/dev/null 2>&1 || true
        : >"$base/stop"
        wait "$swapper" || true
        swapper=
        # The commands it started, if any, end with the prefix's server.
        WINEPREFIX="$KARVELIN_WINEPREFIX" timeout 120 wineserver -w || true
        [ -e "$base/tree" ] && left=$((left + 1))
        missing=$(find "$base/outside" -type f | wc -l)
        missing=$((40 - missing))
        if [ "$missing" -gt 0 ]; then
            lost_rounds=$((lost_rounds + 1))
            lost_files=$((lost_files + missing))
        fi
    done
    echo "$preset${KARVELIN_SWAP_AT_ONCE:+ (swapping at once)}: $rounds rounds, outside files deleted in $lost_rounds ($lost_files files in all), tree left in $left"
    WINEPREFIX="$KARVELIN_WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
done
