#!/bin/sh
# Runs a Windows program under Wine in a fresh, temporary prefix, and answers
# the program's exit code. Used by ctest as the cross-compiling emulator and
# by scripts/run.sh. The prefix is 32-bit; KARVELIN_WINEARCH=win64 (what
# scripts/wine64-run.sh sets) makes a 64-bit one and runs 64-bit Wine.
set -u
arch=${KARVELIN_WINEARCH:-win32}
prefix=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-wine.XXXXXX") || exit 1
cleanup() {
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1
    rm -rf "$prefix"
}
trap cleanup EXIT INT TERM
export WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG=-all
wine=wine
if [ "$arch" = win64 ]; then
    wine=/usr/lib/wine/wine64
    export WINELOADER="$wine"
fi
# No prompts for the .NET and HTML engines during prefix start-up.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export DISPLAY=
# Make the prefix first, so its start-up notices do not mix with the output.
"$wine" wineboot -i >/dev/null 2>&1
# The user-profile folders (Desktop, Documents, ...) are links into the host's
# home directory: plain folders instead, so that nothing a program does in
# them, however broken, reaches the host's home.
for link in "$prefix"/drive_c/users/*/*; do
    [ -L "$link" ] && rm -f "$link" && mkdir "$link"
done
"$wine" "$@"
exit $?
