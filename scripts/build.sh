#!/bin/sh
# Configures and builds the given presets (default: linux win32).
set -eu
cd "$(dirname "$0")/.."
presets=${*:-linux win32}
jobs=$(nproc 2>/dev/null || echo 2)
py2=$(scripts/python2.sh)
for preset in $presets; do
    case $preset in
        linux) cmake --preset linux -DPython3_EXECUTABLE=/usr/bin/python3 \
                   -DKARVELIN_PYTHON2_EXECUTABLE="$py2" >/dev/null ;;
        *) cmake --preset "$preset" >/dev/null ;;
    esac
    cmake --build --preset "$preset" -j "$jobs"
done
