#!/bin/sh
# scripts/wine-run.sh with a fresh 64-bit prefix under 64-bit Wine: the
# emulator of the win64 preset. To try the 64-bit program by hand, with a kept
# prefix and plain line ends: scripts/run.sh --win64 ARG...
KARVELIN_WINEARCH=win64 exec "$(dirname "$0")/wine-run.sh" "$@"
