#!/bin/sh
# scripts/run.sh as a caller runs it, from a folder of its own: the program's
# exit status comes through, lines end plainly on both streams, and a relative
# path names the caller's file, never the checkout's. Runs the program and
# DLL built in BIN_DIR, in the suite's shared Wine prefix (KARVELIN_WINEPREFIX)
# or else one of its own; without them there, the main preset's, which run.sh
# builds when it is not built.
# usage: run_script_case.sh SOURCE_DIR BIN_DIR [--win64]
set -u
root=$1
bin=$2
shift 2
work=$(mktemp -d) || exit 1
probe=karvelin-run-probe-$$
own_prefix=
if [ -f "$bin/karvelin.exe" ] && [ -f "$bin/Karvelin.dll" ]; then
    mkdir "$work/tree" && ln -s "$bin" "$work/tree/bin" || exit 1
    export KARVELIN_RUN_BUILD="$work/tree"
    prefix=$work/tree/wineprefix
    if [ -n "${KARVELIN_WINEPREFIX:-}" ]; then
        ln -s "$KARVELIN_WINEPREFIX" "$prefix" || exit 1
    else
        own_prefix=$prefix
    fi
else
    echo "no karvelin.exe and Karvelin.dll in $bin: run.sh builds and runs the main preset's"
    unset KARVELIN_RUN_BUILD
    prefix=$root/build/main/wineprefix
    [ "${1:-}" = --win64 ] && prefix=$root/build/main64/wineprefix
fi
cleanup() {
    if [ -n "$own_prefix" ]; then
        WINEPREFIX="$own_prefix" wineserver -k >/dev/null 2>&1
        WINEPREFIX="$own_prefix" wineserver -w >/dev/null 2>&1
    fi
    rm -rf "$prefix/drive_c/windows/$probe" "$work" "${root:?}/$probe"
}
trap cleanup EXIT
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
case $output in *--win64*"the program's help:
usage: karvelin"*) ;; *) fail "run.sh --help names no --win64, or not the program's help after its own" ;; esac
mkdir -p "$work/$probe/sub" "$root/$probe" || exit 1
run 0 "$@" DelFilesAndDir "$probe"
[ ! -e "$work/$probe" ] || fail "the caller's $probe is still there"
[ -d "$root/$probe" ] || fail "the checkout's $probe was removed"
# A folder Wine cannot enter (260 characters or more): nothing in C:\windows is removed.
deep=$work/$(printf '%0100d' 1)/$(printf '%0100d' 2)/$(printf '%0100d' 3)
mkdir -p "$deep" "$prefix/drive_c/windows/$probe" || exit 1
(cd "$deep" && run 2 "$@" DelFilesAndDir "$probe") || exit 1
[ -d "$prefix/drive_c/windows/$probe" ] || fail "C:\\windows\\$probe was removed"
# Only what the caller gave: an unknown option removes nothing; a name the
# ANSI code page lacks is not read as a look-alike (U+FF41 as "a"); one it
# has passes.
mkdir "$work/--jsno" "$work/a" "$work/é" || exit 1
run 2 "$@" DelFilesAndDir --jsno
run 2 "$@" DelFilesAndDir ａ
[ -d "$work/--jsno" ] && [ -d "$work/a" ] || fail "a folder the caller did not name was removed"
run 0 "$@" DelFilesAndDir -- --jsno
run 0 "$@" DelFilesAndDir é
[ ! -e "$work/--jsno" ] && [ ! -e "$work/é" ] || fail "a folder the caller named is still there"
# Folders Wine names as another's ("a\b" as a, then b; "tail." as tail): refused.
mkdir -p "$work/a/b/$probe" "$work/a\\b" "$work/tail/$probe" "$work/tail." || exit 1
(cd "$work/a\\b" && run 2 "$@" DelFilesAndDir "$probe") || exit 1
(cd "$work/tail." && run 2 "$@" DelFilesAndDir "$probe") || exit 1
[ -d "$work/a/b/$probe" ] && [ -d "$work/tail/$probe" ] || fail "the folder Wine maps to lost its $probe"
# A command line over what Windows takes: refused with a word; one within it runs.
run 2 "$@" TrimLeft "$(printf '%040000d' 0)"
case $output in *"Windows takes at most"*) ;; *) fail "no word on the command line's length" ;; esac
run 0 "$@" Recode "$(printf '%030000d' 0)" 0
echo "run.sh: the program's exit status, plain lines, the caller's folder"
