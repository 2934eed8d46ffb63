#!/bin/sh
# scripts/run.sh as a caller runs it, from a folder of its own: the program's
# exit status comes through, lines end plainly on both streams, and a relative
# path names the caller's file, never the checkout's. Builds the main preset
# when it is not built (a warm call takes a second or two).
# usage: run_script_case.sh SOURCE_DIR [--win64]
set -u
root=$1
shift
work=$(mktemp -d) || exit 1
probe=karvelin-run-probe-$$
prefix=$root/build/main/wineprefix
[ "${1:-}" = --win64 ] && prefix=$root/build/main64/wineprefix
trap 'rm -rf "$work" "${root:?}/$probe" "$prefix/drive_c/windows/$probe"' EXIT
cd "$work" || exit 1
fail() {
    echo "FAIL: $*"
    exit 1
}
# run EXIT_STATUS ARG...: run.sh ARG... must end with that status.
run() {
    expected=$1
    shift
    output=$("$root/scripts/run.sh" "$@" 2>&1)
    status=$?
    printf '%s\n' "$output"
    [ "$status" -eq "$expected" ] || fail "run.sh $* ended with $status, not $expected"
    case $output in *"$(printf '\r')"*) fail "run.sh $*: a line ends in CR LF" ;; esac
}
run 1 "$@" CheckDestFileDir 'C:\'
run 2 "$@" NoSuchFunction
run 0 "$@" --help
case $output in *--win64*"usage: karvelin"*) ;; *) fail "run.sh --help names no --win64, or not the program's help" ;; esac
mkdir -p "$work/$probe/sub" "$root/$probe" || exit 1
run 0 "$@" DelFilesAndDir "$probe"
[ ! -e "$work/$probe" ] || fail "the caller's $probe is still there"
[ -d "$root/$probe" ] || fail "the checkout's $probe was removed"
# A folder Wine cannot enter (260 characters or more): nothing in C:\windows is removed.
deep=$work/$(printf '%0100d' 1)/$(printf '%0100d' 2)/$(printf '%0100d' 3)
mkdir -p "$deep" "$prefix/drive_c/windows/$probe" || exit 1
(cd "$deep" && run 2 "$@" DelFilesAndDir "$probe") || exit 1
[ -d "$prefix/drive_c/windows/$probe" ] || fail "C:\\windows\\$probe was removed"
echo "run.sh: the program's exit status, plain lines, the caller's folder"
