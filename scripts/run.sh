#!/bin/sh
# The main job: builds Karvelin.dll and the karvelin program (nothing else),
# then prints the report under Wine on the real DLL. Extra arguments replace
# "report" (for example: scripts/run.sh GetErrorDescription 236798225).
#   scripts/run.sh [--win64] [report | FUNCTION ARG... | ...]
# --win64: the 64-bit DLL and program (build/main64) under 64-bit Wine.
#
# As any command: the program runs in the caller's folder, so that a relative
# path names the caller's file (Wine maps the Unix folder); the exit status is
# the program's; the output has plain line ends. The Wine prefix is made once
# and kept in the build tree.
#
# The program is told the caller's folder as Wine names it (drive Z: is the
# Unix root) and refuses to run anywhere else: Wine starts a program whose
# folder it cannot enter (a path of about 260 characters or more) in the
# Windows folder, where a relative path would name another file. A folder
# whose name Windows cannot carry whole is refused here, before Wine maps it
# to another folder, and so is a command line longer than Windows takes:
# both with exit status 2.
#
# KARVELIN_RUN_BUILD=DIR runs DIR/bin/karvelin.exe, built already for the
# architecture asked, with the Wine prefix DIR/wineprefix, and builds nothing
# (the test of this script runs a test build's program that way).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
preset=main
arch=win32
if [ "${1:-}" = --win64 ]; then
    preset=main64
    arch=win64
    shift
fi
case ${1:-} in
    --help|-h|help)
        echo "usage: scripts/run.sh [--win64] [report | FUNCTION ARG... | list | --help | --version]"
        echo "  builds build/main (--win64: build/main64, 64-bit) and runs karvelin.exe under Wine"
        echo "  in the caller's folder (exit status 2 where Wine cannot enter it or name it whole,"
        echo "  or for a command line longer than the 32,766 characters Windows takes)"
        echo "  (KARVELIN_RUN_BUILD=DIR: DIR/bin/karvelin.exe, already built, and the prefix DIR/wineprefix)"
        echo "the program's help:"
        ;;
esac
refuse() {
    echo "run.sh: $*; nothing was run" >&2
    exit 2
}
# The caller's folder, whole ($(...) alone would drop the line ends a name
# ends in).
here=$(pwd -P && echo .)
here=${here%??}
# Wine names the folder by its Windows path, in which a backslash separates
# names and a name's trailing dots and blanks are dropped: a name holding
# one is another folder's ("a\b" is a, then b; "tail." is "tail"). It cannot
# enter a folder whose name holds a control character or one of * ? " < > |,
# nor read a name that is not UTF-8.
case $here/ in
    *\\*) refuse "a name in the path of this folder holds a backslash, which Windows reads as a separator" ;;
    *[[:cntrl:]]*) refuse "a name in the path of this folder holds a control character, which Windows names cannot" ;;
    *[*?\"\<\>\|]*) refuse "a name in the path of this folder holds one of * ? \" < > |, which Windows names cannot" ;;
    *./*|*" "/*) refuse "a name in the path of this folder ends in a dot or a blank, which Windows drops" ;;
esac
printf '%s' "$here" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1 ||
    refuse "the path of this folder is not UTF-8, as Wine reads it"
status=$(mktemp)
trap 'rm -f "$status"' EXIT
if [ -n "${KARVELIN_RUN_BUILD:-}" ]; then
    build=$(cd "$KARVELIN_RUN_BUILD" && pwd)
else
    "$root/scripts/deps.sh" "$preset"
    build=$root/build/$preset
    if [ ! -f "$build/CMakeCache.txt" ]; then
        (cd "$root" && cmake --preset "$preset" >/dev/null)
    fi
    # Quiet when there is nothing to build; what the build says goes to the
    # error stream, so that the output is the program's alone. A command's
    # status goes through a pipe in the file (`a && echo 0 || echo $?` is not
    # ended by set -e).
    { (cd "$root" && cmake --build --preset "$preset" -j "$(nproc 2>/dev/null || echo 2)") 2>&1 &&
        echo 0 >"$status" || echo $? >"$status"; } |
        grep -v 'Built target\|^make\|^\[ *[0-9]*%\] *$' >&2 || true
    [ "$(cat "$status")" -eq 0 ] || exit 1
fi
[ $# -gt 0 ] || set -- report
set -- --folder "Z:$(printf '%s' "$here" | tr / '\\')" "$@"
# Windows takes a command line of at most 32,766 characters (UTF-16 units).
# Wine makes it of the program's path (Z:..., quoted) and the arguments, each
# as Windows quotes it: in quotes when it is empty or holds a blank or tab;
# and when it holds a quote, the quote and the backslashes before it
# escaped, as are those before the closing quote. A longer one Wine refuses
# without a word (exit status 1).
length=$(LC_ALL=C awk 'BEGIN {
    for (i = 1; i < ARGC; i++) {
        a = (i == 1 ? "Z:" : "") ARGV[i]
        n += length(a) + 1 - gsub(/[\200-\277]/, "&", a) + gsub(/[\360-\364]/, "&", a)
        blank = i == 1 || a == "" || a ~ /[ \t]/
        if (!blank && a !~ /"/) continue
        run = 0
        for (j = 1; j <= length(a); j++) {
            c = substr(a, j, 1)
            if (c == "\\") { run++; continue }
            if (c == "\"") n += run + 1
            run = 0
        }
        if (blank) n += 2 + run
    }
    print n - 1
    exit
}' "$build/bin/karvelin.exe" "$@")
[ "$length" -lt 32767 ] || refuse "the command line would be $length characters; Windows takes at most 32,766"
# Wine's C runtime ends lines with CR LF, on both streams: the caller gets
# them plain, each on its own stream.
{
    { KARVELIN_WINEARCH=$arch KARVELIN_WINEPREFIX="$build/wineprefix" \
        "$root/scripts/wine-run.sh" "$build/bin/karvelin.exe" "$@" 2>&1 >&3 3>&- &&
        echo 0 >"$status" || echo $? >"$status"; } | tr -d '\r' >&2
} 3>&1 | tr -d '\r'
exit "$(cat "$status")"
