#!/bin/sh
# scripts/wine-run.sh with a fresh 64-bit prefix under 64-bit Wine: the
# emulator of the win64 preset.
KARVELIN_WINEARCH=win64 exec "$(dirname "$0")/wine-run.sh" "$@"
