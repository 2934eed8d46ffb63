#!/bin/sh
# Configures and builds the given presets (default: linux win32). Extra
# configure options may be given in KARVELIN_CMAKE_ARGS (the test command sets
# -DKARVELIN_WERROR=ON). Configure messages and warnings are shown.
set -eu
cd "$(dirname "$0")/.."
presets=${*:-linux win32}
jobs=$(nproc 2>/dev/null || echo 2)
py2=$(scripts/python2.sh)
for preset in $presets; do
    case $preset in
        linux|linux-asan) set -- -DPython3_EXECUTABLE=/usr/bin/python3 -DKARVELIN_PYTHON2_EXECUTABLE="$py2" ;;
        win32|win64) set -- -DPython3_EXECUTABLE=/usr/bin/python3 ;;  # builds the Windows wheels
        *) set -- ;;
    esac
    # shellcheck disable=SC2086
    cmake --preset "$preset" "$@" ${KARVELIN_CMAKE_ARGS:-} | grep -v '^-- ' || true
    cmake --build --preset "$preset" -j "$jobs"
done
