#!/bin/sh
# DelFilesAndDir under Wine on a chain of folders, each holding one file,
# at the given depths: seconds for the call, and whether the tree went.
# Wine opens and names objects by their Unix paths, so each open and each
# object-name query costs more the deeper it lies; beyond the Unix path limit
# (4,096 bytes) Wine names nothing. The figures go to docs/platform-notes.md;
# nothing here is a test.
# Usage: bench/removal_depth_wine.sh [PRESET [DEPTH...]]   (default: win32 250 500 1000)
# Builds nothing: run scripts/build.sh for the preset first.
set -eu
cd "$(dirname "$0")/.."
preset=${1:-win32}
[ $# -gt 0 ] && shift
depths=${*:-250 500 1000}
[ "$preset" = win64 ] && export KARVELIN_WINEARCH=win64
program=build/$preset/bin/karvelin.exe
[ -x "$program" ] || { echo "$program: build the $preset preset first" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-depth.XXXXXX")
export KARVELIN_WINEPREFIX="$work/prefix"
cleanup() {
    set +e
    WINEPREFIX="$KARVELIN_WINEPREFIX" wineserver -k >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1
for depth in $depths; do
    rm -rf "$work/tree"
    # Made through descriptors: no path grows with the depth.
    python3 -c '
import os, sys
fd = os.open(sys.argv[1], os.O_RDONLY)
for _ in range(int(sys.argv[2])):
    os.close(os.open("f", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd))
    os.mkdir("d", dir_fd=fd)
    inner = os.open("d", os.O_RDONLY, dir_fd=fd)
    os.close(fd)
    fd = inner
' "$(mkdir "$work/tree" && echo "$work/tree")" "$depth"
    start=$(date +%s.%N)
    scripts/wine-run.sh "$program" DelFilesAndDir "Z:$(printf %s "$work/tree" | tr / '\\')" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    left=$(find "$work/tree" 2>/dev/null | wc -l)
    printf "%s: %s levels: %.1f s, %s entries left\n" "$preset" "$depth" "$(echo "$end - $start" | bc)" "$left"
    WINEPREFIX="$KARVELIN_WINEPREFIX" timeout 120 wineserver -w || true
    # What Wine cannot remove, removed from the Linux side.
    rm -rf "$work/tree"
done
