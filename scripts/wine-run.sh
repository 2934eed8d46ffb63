#!/bin/sh
# Runs a Windows program under Wine and answers the program's exit code. Used
# by ctest as the cross-compiling emulator (a fresh, temporary prefix each
# run) and by scripts/run.sh (KARVELIN_WINEPREFIX: a prefix kept there, made
# on first use). The prefix is 32-bit; KARVELIN_WINEARCH=win64 (what
# scripts/wine64-run.sh sets) makes a 64-bit one and runs 64-bit Wine.
set -u
arch=${KARVELIN_WINEARCH:-win32}
export WINEARCH="$arch" WINEDEBUG=-all
wine=wine
if [ "$arch" = win64 ]; then
    wine=/usr/lib/wine/wine64
    export WINELOADER="$wine"
fi
# No prompts for the .NET and HTML engines during prefix start-up.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export DISPLAY=

# Makes a prefix in the empty folder $1.
make_prefix() {
    # Made first, so its start-up notices do not mix with the output.
    WINEPREFIX="$1" "$wine" wineboot -i >/dev/null 2>&1
    # The user-profile folders (Desktop, Documents, ...) are links into the
    # host's home directory: plain folders instead, so that nothing a program
    # does in them, however broken, reaches the host's home.
    for link in "$1"/drive_c/users/*/*; do
        [ -L "$link" ] && rm -f "$link" && mkdir "$link"
    done
}

if [ -n "${KARVELIN_WINEPREFIX:-}" ]; then
    prefix=$KARVELIN_WINEPREFIX
    mkdir -p "$prefix"
    # A prefix is ready once its mark is there; one that a stopped run left
    # half-made is made again. One maker at a time.
    exec 9>"$prefix.lock"
    flock 9
    if [ ! -f "$prefix/.karvelin-ready" ]; then
        rm -rf "$prefix" && mkdir "$prefix" && make_prefix "$prefix" && : >"$prefix/.karvelin-ready"
    fi
    flock -u 9
    exec 9>&-
    export WINEPREFIX="$prefix"
    exec "$wine" "$@"
fi

prefix=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-wine.XXXXXX") || exit 1
cleanup() {
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1
    rm -rf "$prefix"
}
trap cleanup EXIT INT TERM
make_prefix "$prefix"
export WINEPREFIX="$prefix"
"$wine" "$@"
exit $?
