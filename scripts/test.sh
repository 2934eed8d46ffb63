#!/bin/sh
# The one test command: installs what is missing, builds every preset and runs
# every suite (native, native under sanitizers, fuzzers, 32- and 64-bit
# Windows under Wine, Python, the CMake package and the archives). Ends with
# the time each phase took and its processor time.
set -eu
cd "$(dirname "$0")/.."
times=""
clock=$(mktemp)
trap 'rm -f "$clock"' EXIT
# processor: the processor seconds (user and system) of the shell's finished
# children so far, from the builtin times (its second line) written to $clock.
processor() {
    awk 'NR == 2 { for (i = 1; i <= 2; i++) { split($i, t, "m"); s += t[1] * 60 + t[2] } printf "%.0f", s }' "$clock"
}
# phase NAME COMMAND...: runs the command, notes its time and the processor
# time it took (on a busy machine the wall-clock time says little; Wine's
# server and services leave the process tree, and are not counted); answers
# its status.
phase() {
    name=$1
    shift
    start=$(date +%s)
    times >"$clock"
    used=$(processor)
    set +e
    "$@"
    result=$?
    set -e
    times >"$clock"
    times="$times$(printf '%-22s %5ss %6ss processor' "$name" "$(($(date +%s) - start))" "$(($(processor) - used))")
"
    return $result
}
phase deps scripts/deps.sh
status=0
# The cases of a suite are independent (each makes its own temporary trees
# and Wine prefixes; the ones that share a prefix wait for it): they run
# side by side, one per core.
jobs=$(nproc 2>/dev/null || echo 2)
for preset in linux linux-asan fuzz win32 win64; do
    KARVELIN_CMAKE_ARGS="-DKARVELIN_WERROR=ON ${KARVELIN_CMAKE_ARGS:-}" phase "build $preset" scripts/build.sh "$preset"
done
for preset in linux linux-asan fuzz; do
    echo "== tests: $preset"
    phase "tests $preset" ctest --preset "$preset" -j "$jobs" || status=1
done
# The two Wine suites run side by side (each Wine prefix has its own server),
# their reports shown one after the other.
wine_suites() {
    log=$(mktemp -d)
    ctest --preset win64 -j "$jobs" >"$log/win64" 2>&1 &
    pid=$!
    result=0
    echo "== tests: win32"
    ctest --preset win32 -j "$jobs" || result=1
    wait $pid || result=1
    echo "== tests: win64"
    cat "$log/win64"
    rm -rf "$log"
    return $result
}
phase "tests win32 + win64" wine_suites || status=1
echo "== time per phase"
printf '%s' "$times"
exit $status
