#!/bin/sh
# The main job: builds the Windows DLL and the karvelin program, then prints
# the report under Wine on the real DLL. Extra arguments replace "report"
# (for example: scripts/run.sh GetErrorDescription 236798225).
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh win32 >/dev/null
[ $# -gt 0 ] || set -- report
exec scripts/wine-run.sh build/win32/bin/karvelin.exe "$@"
