#!/bin/sh
# The call soak with every export called the full count on both its paths,
# the slow ones (programs started, shortcuts, adapters, host lookup) included:
# tens of minutes under Wine, so not part of the test run. Prints one line per
# export: calls on each path, then handles, heap, GDI and USER objects before
# and after, and the time taken. Fails when a figure grows (handles by more
# than 2, heap by more than 4 KiB, GDI or USER objects at all) or an export
# is missing, as the test run's soak does.
# usage: scripts/soak-long.sh [CALLS] [win32|win64]   (default: 10000 win32)
set -eu
cd "$(dirname "$0")/.."
calls=${1:-10000}
preset=${2:-win32}
runner=scripts/wine-run.sh
[ "$preset" = win64 ] && runner=scripts/wine64-run.sh
scripts/build.sh "$preset" >/dev/null
"$runner" "build/$preset/bin/karvelin_tests.exe" --call-soak "$calls" every | grep '^soak ' |
    awk '{ print } $7 > $6 + 2 || $10 > $9 + 4096 || $13 > $12 || $16 > $15 { bad = 1 }
         END { if (NR != 24) { print "exports soaked: " NR ", not 24"; bad = 1 } exit bad }'
