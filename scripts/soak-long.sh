#!/bin/sh
# The call soak with every export called the full count on both its paths,
# the slow ones (programs started, shortcuts, adapters, host lookup) included:
# tens of minutes under Wine, so not part of the test run. Prints one line per
# export: calls on each path, then handles, heap, GDI and USER objects before
# and after, and the time taken.
# usage: scripts/soak-long.sh [CALLS] [win32|win64]   (default: 10000 win32)
set -eu
cd "$(dirname "$0")/.."
calls=${1:-10000}
preset=${2:-win32}
runner=scripts/wine-run.sh
[ "$preset" = win64 ] && runner=scripts/wine64-run.sh
scripts/build.sh "$preset" >/dev/null
"$runner" "build/$preset/bin/karvelin_tests.exe" --call-soak "$calls" every | grep '^soak '
