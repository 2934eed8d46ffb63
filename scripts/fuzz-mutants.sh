#!/bin/sh
# Breaks a copy of the sources on purpose and shows that the fuzzers' short
# runs (the same inputs as the test run) catch each fault (the faults, and
# after how many inputs each was caught: docs/reliability.md):
# Exits 0 when every broken copy is caught. Builds the fuzz preset in a
# temporary copy (a few minutes); not part of the test run.
set -eu
cd "$(dirname "$0")/.."
work=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-mutants.XXXXXX")
trap 'rm -rf "$work"' EXIT
git ls-files -z | xargs -0 cp --parents -t "$work"

# Each fault: file, sed expression, the fuzzer that must catch it.
mutate() {
    before=$(cksum <"$work/$1")
    sed -i "$2" "$work/$1"
    [ "$before" != "$(cksum <"$work/$1")" ] || { echo "mutation did not apply: $1: $2"; exit 2; }
}
mutate text/trim_names.cpp "s/c != '_' \&\& c != '-')/c != '_' \&\& c != '-' \&\& c != '.')/"
mutate files/dest_dir.cpp "s/kept_end\[-1\] == ':')/kept_end[-1] == ':' \&\& path[2] != '\\\\0')/"
mutate net/address_validation.cpp "s/if (v == 0x7F000001u) return 0;/(void)0;/"
mutate text/recode.h "s/40 + 7 \* (p % 10)/40 + 7 * (p % 10 % 9)/"

cmake --preset fuzz -S "$work" >/dev/null
cmake --build "$work/build/fuzz" -j 2 --target names_fuzz dest_dir_fuzz address_fuzz recode_fuzz >/dev/null
status=0
for fuzzer in names_fuzz dest_dir_fuzz address_fuzz recode_fuzz; do
    dict=tests/fuzz/${fuzzer%_fuzz}.dict
    [ -f "$dict" ] && dict="-dict=$dict" || dict=
    # shellcheck disable=SC2086
    if "$work/build/fuzz/bin/$fuzzer" -seed=1 -runs=1000000 -max_len=600 $dict -artifact_prefix="$work/" >"$work/$fuzzer.log" 2>&1; then
        echo "$fuzzer: NOT caught"
        status=1
    else
        echo "$fuzzer: caught" \
             "after $(grep -o '^#[0-9]*' "$work/$fuzzer.log" | tail -1 | tr -d '#') inputs or fewer"
    fi
done
exit $status
