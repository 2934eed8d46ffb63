#!/bin/sh
# Runs a Windows program under 32-bit Wine in a fresh, temporary prefix, and
# answers the program's exit code. Used by ctest as the cross-compiling
# emulator and by scripts/run.sh.
set -u
prefix=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-wine.XXXXXX") || exit 1
cleanup() {
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1
    rm -rf "$prefix"
}
trap cleanup EXIT INT TERM
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all
# No prompts for the .NET and HTML engines during prefix start-up.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export DISPLAY=
# Make the prefix first, so its start-up notices do not mix with the output.
wineboot -i >/dev/null 2>&1
# The user-profile folders (Desktop, Documents, ...) are links into the host's
# home directory: plain folders instead, so that nothing a program does in
# them, however broken, reaches the host's home.
for link in "$prefix"/drive_c/users/*/*; do
    [ -L "$link" ] && rm -f "$link" && mkdir "$link"
done
wine "$@"
exit $?
