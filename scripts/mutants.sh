#!/bin/sh
# Plants the faults of scripts/mutants.txt one at a time in a scratch copy of
# the sources, rebuilds the native build there, runs the native suites (the
# GoogleTest program, the program's and the modules' ctest cases, the Python
# 2.7 suite) and says for each fault whether they caught it; then the catch
# rate. Not part of the test run: a few minutes, on demand.
#
#   scripts/mutants.sh [--tests-from COMMIT] [TABLE] [PATTERN]
#
# TABLE defaults to scripts/mutants.txt; PATTERN (a grep -E expression) runs
# the rows whose line matches it. --tests-from takes the suites (tests/ and
# python/tests/) as that commit had them, to compare the catch rate of older
# tests with today's. The scratch copy and its build stay in
# build/mutants/ (KARVELIN_MUTANTS_DIR), so a second run builds little; the
# worktree itself is never touched. The sources are copied as they are in the
# worktree, committed or not. Exit status: 0 when every fault was caught, 1
# when one was missed, 2 when the table or the build is wrong.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
tests_from=
if [ "${1:-}" = --tests-from ]; then
    tests_from=$2
    shift 2
fi
table=${1:-scripts/mutants.txt}
pattern=${2:-}
work=${KARVELIN_MUTANTS_DIR:-$root/build/mutants}
src=$work/src
build=$src/build/linux
log=$work/log
mkdir -p "$src" "$log"

# The sources as they are now, committed or not. Only a file whose bytes
# differ is written, and then with a new time, so that make rebuilds what
# changed (a file put back with its old time would keep a fault's objects).
sync() {  # FROM-DIRECTORY, file names on stdin
    while IFS= read -r file; do
        [ -f "$1/$file" ] || continue
        cmp -s "$1/$file" "$src/$file" 2>/dev/null && continue
        mkdir -p "$src/$(dirname "$file")"
        cp "$1/$file" "$src/$file"
    done
}
git ls-files --cached --others --exclude-standard | sync "$root"
if [ -n "$tests_from" ]; then
    rm -rf "$work/tests-from" && mkdir -p "$work/tests-from"
    git archive "$tests_from" tests python/tests | tar -x -C "$work/tests-from"
    (cd "$work/tests-from" && find tests python/tests -type f) | sync "$work/tests-from"
fi

# The row being tried is put back however the run ends (Ctrl-C included).
current=
restore() {
    if [ -n "$current" ]; then
        cp "$work/original" "$src/$current"
        current=
    fi
}
trap 'restore' EXIT
trap 'restore; exit 130' INT TERM HUP

# The compiler cache, where there is one, makes each fault's rebuild short.
if command -v ccache >/dev/null 2>&1; then
    export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
targets="karvelin_tests karvelin Karvelin karvelin_python3 karvelin_python2 karvelin_case_table"
(cd "$src" && cmake --preset linux -DPython3_EXECUTABLE=/usr/bin/python3 \
    -DKARVELIN_PYTHON2_EXECUTABLE="$("$root/scripts/python2.sh")" >"$log/configure" 2>&1) ||
    { echo "configure failed: $log/configure"; exit 2; }
# shellcheck disable=SC2086  # the targets are words
build() { cmake --build "$build" -j 2 --target $targets >"$1" 2>&1 </dev/null; }
build "$log/build" || { echo "the unchanged sources do not build: $log/build"; exit 2; }

# The run-script case runs the win32 build's program under Wine: the
# worktree's, where it is built (a fault in run.sh is caught with it). Without
# one, run.sh would build the main preset inside the case's time limit: the
# case is left out.
skip=
if [ -f "$root/build/win32/bin/karvelin.exe" ]; then
    [ -e "$src/build/win32" ] || ln -s "$root/build/win32" "$src/build/win32"
else
    skip='|karvelin_run_script'
fi

# The native suites; the first that fails names the catch. The wheels, the
# package and mypy test the packaging, not the code, and take minutes.
suites() {
    timeout 120 "$build/bin/karvelin_tests" --gtest_brief=1 >"$1" 2>&1 </dev/null || { echo unit; return; }
    timeout 300 ctest --test-dir "$build" -E "karvelin_tests|wheel|package|mypy|example|version_agreement$skip" \
        -j 2 --timeout 60 >>"$1" 2>&1 </dev/null || { grep -o '[0-9]* - [a-z0-9_]*' "$1" | head -1 | sed 's/.* - //'; return; }
}
[ -z "$(suites "$log/unchanged")" ] || { echo "the unchanged sources fail their suites: $log/unchanged"; exit 2; }

# Each row, split by tabs: file, exact text, replacement, what a user would
# notice. The text must stand exactly once in the file.
substitute() {
    python3 - "$@" <<'EOF'
import sys
path, old, new = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
count = text.count(old)
if count != 1:
    sys.exit("%s: the text stands %d times, not once: %r" % (path, count, old))
open(path, "w", encoding="utf-8").write(text.replace(old, new))
EOF
}

caught=0 missed=0 total=0 status=0
missed_rows=
tab=$(printf '\t')
# A copy of the table, on its own descriptor: nothing a row runs can read
# it, and an edit during the run changes nothing.
cp "$table" "$work/table"
exec 3<"$work/table"
while IFS=$tab read -r file old new what <&3; do
    case $file in ''|'#'*) continue ;; esac
    [ -z "$pattern" ] || printf '%s\t%s\t%s\t%s\n' "$file" "$old" "$new" "$what" | grep -qE "$pattern" || continue
    total=$((total + 1))
    [ -n "$what" ] || { echo "row $total: fewer than four fields: $file"; exit 2; }
    [ -f "$src/$file" ] || { echo "row $total: no file $file"; exit 2; }
    cp "$src/$file" "$work/original"
    current=$file
    substitute "$src/$file" "$old" "$new" || exit 2
    start=$(date +%s)
    if ! build "$log/$total.build"; then
        echo "row $total: $file: the fault does not build ($log/$total.build)"
        exit 2
    fi
    by=$(suites "$log/$total.test")
    restore
    seconds=$(($(date +%s) - start))
    if [ -n "$by" ]; then
        caught=$((caught + 1))
        printf '%3d caught  %-28s %-44s (%s, %ds)\n' "$total" "$file" "$what" "$by" "$seconds"
    else
        missed=$((missed + 1)) status=1
        missed_rows="$missed_rows $total"
        printf '%3d MISSED  %-28s %-44s (%ds)\n' "$total" "$file" "$what" "$seconds"
    fi
done
# The last build is of the unchanged sources again.
build "$log/build" || true
[ "$total" -gt 0 ] || { echo "no rows"; exit 2; }
echo "caught $caught of $total ($((100 * caught / total))%); missed:${missed_rows:- none}"
exit $status
