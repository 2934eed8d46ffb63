#!/bin/sh
# How often a Linux process that swaps a folder of a tree for a link, while
# DelFilesAndDir walks the tree under Wine, still redirects a delete to the
# folder the link names. Wine's share modes do not bind Linux processes and
# Wine deletes by path when a handle closes, so a swap that lands between the
# walk's last check of an entry and that close wins. Windows has no such
# window (its deletes act on handles). The swapper is atomic and tight: it
# exchanges the tree's folder "sub" and a parked link to an outside folder
# holding the same names with renameat2(RENAME_EXCHANGE) in a loop, so the
# folder is a link about half of the time. Two modes:
#   swapper-after-first-delete  the swapper starts once the walk has deleted
#                               a file of "sub" (it is inside it, past its
#                               checks of it);
#   swapper-from-start          the swapper runs from before the walk starts,
#                               so the walk may list or open the link itself.
# Prints, per bitness and mode, the rounds in which files outside were
# deleted, the files deleted in all, the rounds that left the tree, the
# swapper's speed and the load. Nothing here is a test: the figures go to
# docs/platform-notes.md.
# Usage: bench/removal_race_wine.sh [--rounds N] [--win32] [--win64] [--mode MODE]...
#   (default: 20 rounds, win32, both modes; --win32 --win64 runs both builds)
# Builds nothing: run scripts/build.sh for the presets first. A run of 20
# rounds, both modes, takes about 5 minutes per bitness on a busy two-core
# machine (load 5 to 10: one Wine start per round).
set -eu
cd "$(dirname "$0")/.."
modes="swapper-after-first-delete swapper-from-start"
. bench/wine_race_common.sh
race_options "$@"
race_work race

# The tree's folder "sub" and the outside folder hold the same names, so a
# redirected delete finds a file to delete.
fill() {
    mkdir -p "$1/inner"
    for n in 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20; do
        printf '%s' "$2" >"$1/f$n"
        printf '%s' "$2" >"$1/inner/f$n"
    done
}

race_header "DelFilesAndDir against a folder swapped for a link, $rounds rounds"
for preset in $presets; do
    race_prefix "$preset"
    for mode in $modes; do
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
            case $mode in
                swapper-after-first-delete) race_swap -w "$base/tree/sub" "$base/tree/sub" "$base/parked" "$base/stop" ;;
                swapper-from-start) race_swap "$base/tree/sub" "$base/parked" "$base/stop" ;;
            esac
            race_remove "$base/tree"
            race_stop_swapper "$base/stop"
            # The commands it started, if any, end with the prefix's server.
            race_wait_wine
            [ -e "$base/tree" ] && left=$((left + 1))
            missing=$(find "$base/outside" -type f | wc -l)
            missing=$((40 - missing))
            if [ "$missing" -gt 0 ]; then
                lost_rounds=$((lost_rounds + 1))
                lost_files=$((lost_files + missing))
            fi
        done
        race_summary "$preset" "$mode" "$lost_rounds/$rounds rounds, $lost_files files deleted outside, tree left in $left; swapper $(race_swap_rate) exchanges/s"
    done
    race_end_prefix
done
