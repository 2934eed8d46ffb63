#!/bin/sh
# How often the clean-up command that DelFilesAndDir hands a folder it left
# behind (ATTRIB -R -H -S /S /D, the system's own, under Wine) follows a Unix
# link that a Linux process put into the tree after the walk listed it. The
# command is given a path and resolves every name below it again, following
# links; the walk can only vouch for what it listed. Each round's tree holds a
# file that a Wine program holds open without delete sharing (hidden and
# system, so that cleared bits show the command ran: the walk cannot delete
# it, so the commands start), twenty plain files, and, per mode:
#   swapper-after-listing  once the walk has deleted one of the tree's files
#                          (its listing is read), the swapper makes a folder
#                          "late" in the tree and exchanges it with a parked
#                          link to the outside folder, again and again;
#   link-after-listing     the same, but exchanged once: "late" is the link
#                          until the commands have ended;
#   swapper-from-start     the tree's folder "sub" is exchanged with the
#                          parked link from before the walk starts (the walk
#                          may list the link, or the folder).
# The swapper is atomic and tight (renameat2 with RENAME_EXCHANGE in a loop)
# and runs until the commands have ended. The outside folder holds a hidden,
# system file, a read-only one, and a hidden, system file in a folder below.
# Prints, per bitness and mode, the rounds in which an outside file's
# attributes changed or an outside file went, how many, the rounds in which
# the commands ran at all, the swapper's speed and the load. Nothing here is a test: the figures
# go to docs/platform-notes.md.
# Usage: bench/removal_handoff_wine.sh [--rounds N] [--win32] [--win64] [--mode MODE]...
#   (default: 20 rounds, win32, every mode; --win32 --win64 runs both builds)
# Builds nothing but a small holder program: run scripts/build.sh for the
# presets first. A run of 20 rounds, every mode, takes about 10 minutes per
# bitness on a busy two-core machine (load 10 to 13: two Wine starts and the
# command per round).
set -eu
cd "$(dirname "$0")/.."
modes="swapper-after-listing link-after-listing swapper-from-start"
. bench/wine_race_common.sh
race_options "$@"
race_work handoff

# hold.exe HELD READY RELEASE HS... -- RO...: makes HELD hidden and system
# (Wine's ATTRIB applies only the last of its attribute options, -S, so the
# system bit is the one that shows) and holds it
# open for reading, sharing reading and writing but not deletion (a file in
# use); makes each HS hidden and system and each RO read-only; makes READY;
# waits (at most 120 s) for RELEASE.
cat >"$work/hold.c" <<'SOURCE'
#include <string.h>
#include <windows.h>
int main(int argc, char** argv) {
    if (argc < 4) return 2;
    DWORD attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    for (int at = 4; at < argc; ++at) {
        if (strcmp(argv[at], "--") == 0) attributes = FILE_ATTRIBUTE_READONLY;
        else if (!SetFileAttributesA(argv[at], attributes)) return 1;
    }
    if (!SetFileAttributesA(argv[1], FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) return 1;
    HANDLE held = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (held == INVALID_HANDLE_VALUE) return 1;
    HANDLE ready = CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (ready == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(ready);
    for (int waited = 0; waited < 1200 && GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES; ++waited) Sleep(100);
    CloseHandle(held);
    return 0;
}
SOURCE
for preset in $presets; do
    case $preset in
        win64) i686=x86_64 ;;
        *) i686=i686 ;;
    esac
    "$i686-w64-mingw32-gcc" -O2 -static -o "$work/hold-$preset.exe" "$work/hold.c"
done

# Each file below $1: its name, mode and Wine's DOS attributes (hidden,
# system), one a line.
attributes() {
    python3 -c '
import os, sys
for folder, _, files in sorted(os.walk(sys.argv[1])):
    for name in sorted(files):
        path = os.path.join(folder, name)
        try:
            dos = os.getxattr(path, "user.DOSATTRIB", follow_symlinks=False).decode()
        except OSError:
            dos = "-"
        print(os.path.relpath(path, sys.argv[1]), oct(os.lstat(path).st_mode), dos)
' "$1"
}

race_header "ATTRIB handed a tree that a link enters after the listing, $rounds rounds"
for preset in $presets; do
    race_prefix "$preset"
    for mode in $modes; do
        changed_rounds=0 changed_files=0 gone_rounds=0 gone_files=0 ran=0 failed=0
        round=0
        while [ $round -lt "$rounds" ]; do
            round=$((round + 1))
            base=$work/round
            [ -d "$base" ] && chmod -R u+w "$base"
            rm -rf "$base"
            mkdir -p "$base/tree" "$base/outside/inner"
            printf held >"$base/tree/held.txt"
            for n in 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20; do
                printf tree >"$base/tree/f$n"
            done
            [ "$mode" = swapper-from-start ] && mkdir "$base/tree/sub" && printf tree >"$base/tree/sub/a01"
            for file in hs.txt ro.txt inner/hs.txt; do
                printf outside >"$base/outside/$file"
            done
            ln -s "$base/outside" "$base/parked"  # absolute: it is read from the tree
            rm -f "$base/stop" "$base/ready" "$base/release"
            scripts/wine-run.sh "$work/hold-$preset.exe" "$(race_windows_path "$base/tree/held.txt")" \
                "$(race_windows_path "$base/ready")" "$(race_windows_path "$base/release")" \
                "$(race_windows_path "$base/outside/hs.txt")" "$(race_windows_path "$base/outside/inner/hs.txt")" \
                -- "$(race_windows_path "$base/outside/ro.txt")" >/dev/null 2>&1 &
            holder=$!
            waited=0
            while [ ! -e "$base/ready" ] && [ $waited -lt 1200 ] && kill -0 "$holder" 2>/dev/null; do
                sleep 0.1
                waited=$((waited + 1))
            done
            if [ ! -e "$base/ready" ]; then
                failed=$((failed + 1))
                : >"$base/release"
                wait "$holder" || true
                holder=
                continue
            fi
            before=$(attributes "$base/outside")
            held_before=$(attributes "$base/tree" | grep '^held.txt ')
            case $mode in
                swapper-after-listing) race_swap -w "$base/tree" -m "$base/tree/late" "$base/parked" "$base/stop" ;;
                link-after-listing) race_swap -w "$base/tree" -m -1 "$base/tree/late" "$base/parked" "$base/stop" ;;
                swapper-from-start) race_swap "$base/tree/sub" "$base/parked" "$base/stop" ;;
            esac
            race_remove "$base/tree"
            # The walk is over: the file may go free; the commands run on
            # with the swapper.
            : >"$base/release"
            wait "$holder" || true
            holder=
            race_wait_wine
            race_stop_swapper "$base/stop"
            after=$(attributes "$base/outside")
            held_after=$(attributes "$base/tree" | grep '^held.txt ' || true)
            [ "$held_after" != "$held_before" ] && ran=$((ran + 1))
            changed=$(printf '%s\n' "$after" | grep -cvxF "$before" || true)
            gone=$(printf '%s\n' "$before" | cut -d' ' -f1 | grep -cvxF "$(printf '%s\n' "$after" | cut -d' ' -f1)" || true)
            [ -z "$after" ] && changed=0 gone=3
            [ "$changed" -gt 0 ] && changed_rounds=$((changed_rounds + 1)) && changed_files=$((changed_files + changed))
            [ "$gone" -gt 0 ] && gone_rounds=$((gone_rounds + 1)) && gone_files=$((gone_files + gone))
        done
        note=
        [ $failed -gt 0 ] && note=" ($failed more not run: the holder did not start)"
        speed="swapper $(race_swap_rate) exchanges/s"
        [ "$mode" = link-after-listing ] && speed="link put in once"
        race_summary "$preset" "$mode" "$changed_rounds/$((rounds - failed)) rounds$note, $changed_files outside files' attributes changed; outside files gone in $gone_rounds ($gone_files files); commands ran in $ran; $speed"
    done
    race_end_prefix
done
