#!/bin/sh
# The main job: builds Karvelin.dll and the karvelin program (nothing else),
# then prints the report under Wine on the real DLL. Extra arguments replace
# "report" (for example: scripts/run.sh GetErrorDescription 236798225).
# The Wine prefix is made once and kept in the build tree; the output has
# plain line ends.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh main
if [ ! -f build/main/CMakeCache.txt ]; then
    cmake --preset main >/dev/null
fi
status=$(mktemp)
trap 'rm -f "$status"' EXIT
# Quiet when there is nothing to build; what the build says goes to the error
# stream, so that the output is the program's alone.
{ cmake --build --preset main -j "$(nproc 2>/dev/null || echo 2)" 2>&1; echo $? >"$status"; } |
    grep -v 'Built target\|^make\|^\[ *[0-9]*%\] *$' >&2 || true
[ "$(cat "$status")" -eq 0 ] || exit 1
[ $# -gt 0 ] || set -- report
# Wine's C runtime ends lines with CR LF; the caller gets them plain. The
# program's exit status goes through the pipe in a file.
{ KARVELIN_WINEPREFIX="$PWD/build/main/wineprefix" scripts/wine-run.sh build/main/bin/karvelin.exe "$@"
  echo $? >"$status"; } | tr -d '\r'
exit "$(cat "$status")"
