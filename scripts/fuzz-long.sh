#!/bin/sh
# The long fuzz runs, outside the test run: builds the fuzz preset, then runs
# each fuzzer for 10^7 inputs (or the count given: scripts/fuzz-long.sh 1000000)
# and prints one line per fuzzer: inputs, inputs per second, seconds, and the
# coverage libFuzzer reports (edges "cov", features "ft"). Exits non-zero when
# a fuzzer finds a fault; its input is kept in build/fuzz/findings/.
set -eu
cd "$(dirname "$0")/.."
runs=${1:-10000000}
KARVELIN_CMAKE_ARGS=-DKARVELIN_WERROR=ON scripts/build.sh fuzz >/dev/null
findings=build/fuzz/findings
mkdir -p "$findings"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
printf '%-20s %10s %10s %8s %6s %6s\n' fuzzer inputs inputs/s seconds cov ft
for fuzzer in recode names dest_dir address run_silent tree records registry_text trim_buffer; do
    # Long enough for the Recode tables (510 positions) to wrap twice.
    max_len=600
    [ "$fuzzer" = recode ] && max_len=1100
    start=$(date +%s)
    dict=tests/fuzz/$fuzzer.dict
    [ -f "$dict" ] && dict="-dict=$dict" || dict=
    # shellcheck disable=SC2086
    if ! "build/fuzz/bin/${fuzzer}_fuzz" -seed=7 -runs="$runs" -max_len="$max_len" -print_final_stats=1 $dict \
            -artifact_prefix="$findings/" >"$log" 2>&1; then
        status=1
        echo "$fuzzer: FAULT (see $findings/)"
        tail -20 "$log"
        continue
    fi
    seconds=$(($(date +%s) - start))
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    last=$(grep -a '^#[0-9]' "$log" | tail -1)
    cov=$(echo "$last" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
    ft=$(echo "$last" | sed -n 's/.*ft: \([0-9]*\).*/\1/p')
    printf '%-20s %10s %10s %8s %6s %6s\n' "${fuzzer}_fuzz" "$executed" "$rate" "$seconds" "$cov" "$ft"
done
exit $status
