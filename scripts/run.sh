#!/bin/sh
# The main job: builds Karvelin.dll and the karvelin program (nothing else),
# then prints the report under Wine on the real DLL. Extra arguments replace
# "report" (for example: scripts/run.sh GetErrorDescription 236798225).
#   scripts/run.sh [--win64] [report | FUNCTION ARG... | ...]
# --win64: the 64-bit DLL and program (build/main64) under 64-bit Wine.
#
# As any command: the program runs in the caller's folder, so that a relative
# path names the caller's file (Wine maps the Unix folder); the exit status is
# the program's; the output has plain line ends. The Wine prefix is made once
# and kept in the build tree.
#
# The program is told the caller's folder as Wine names it (drive Z: is the
# Unix root) and refuses to run anywhere else: Wine starts a program whose
# folder it cannot enter (a path of about 260 characters or more) in the
# Windows folder, where a relative path would name another file.
#
# KARVELIN_RUN_BUILD=DIR runs DIR/bin/karvelin.exe, built already for the
# architecture asked, with the Wine prefix DIR/wineprefix, and builds nothing
# (the test of this script runs a test build's program that way).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
preset=main
arch=win32
if [ "${1:-}" = --win64 ]; then
    preset=main64
    arch=win64
    shift
fi
case ${1:-} in
    --help|-h|help)
        echo "usage: scripts/run.sh [--win64] [report | FUNCTION ARG... | list | --help | --version]"
        echo "  builds build/main (--win64: build/main64, 64-bit) and runs karvelin.exe under Wine"
        echo "  in the caller's folder (exit status 2 where Wine cannot enter it); the program's help:"
        echo "  (KARVELIN_RUN_BUILD=DIR: DIR/bin/karvelin.exe, already built, and the prefix DIR/wineprefix)"
        ;;
esac
status=$(mktemp)
trap 'rm -f "$status"' EXIT
if [ -n "${KARVELIN_RUN_BUILD:-}" ]; then
    build=$(cd "$KARVELIN_RUN_BUILD" && pwd)
else
    "$root/scripts/deps.sh" "$preset"
    build=$root/build/$preset
    if [ ! -f "$build/CMakeCache.txt" ]; then
        (cd "$root" && cmake --preset "$preset" >/dev/null)
    fi
    # Quiet when there is nothing to build; what the build says goes to the
    # error stream, so that the output is the program's alone. A command's
    # status goes through a pipe in the file (`a && echo 0 || echo $?` is not
    # ended by set -e).
    { (cd "$root" && cmake --build --preset "$preset" -j "$(nproc 2>/dev/null || echo 2)") 2>&1 &&
        echo 0 >"$status" || echo $? >"$status"; } |
        grep -v 'Built target\|^make\|^\[ *[0-9]*%\] *$' >&2 || true
    [ "$(cat "$status")" -eq 0 ] || exit 1
fi
[ $# -gt 0 ] || set -- report
folder=$(pwd -P | sed 's|/|\\|g')
set -- --folder "Z:$folder" "$@"
# Wine's C runtime ends lines with CR LF, on both streams: the caller gets
# them plain, each on its own stream.
{
    { KARVELIN_WINEARCH=$arch KARVELIN_WINEPREFIX="$build/wineprefix" \
        "$root/scripts/wine-run.sh" "$build/bin/karvelin.exe" "$@" 2>&1 >&3 3>&- &&
        echo 0 >"$status" || echo $? >"$status"; } | tr -d '\r' >&2
} 3>&1 | tr -d '\r'
exit "$(cat "$status")"
