#!/bin/sh
# The one test command: installs what is missing, builds every preset and runs
# every suite (native, native under sanitizers, fuzzers, 32- and 64-bit
# Windows under Wine, Python, the CMake package and the archives).
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh
KARVELIN_CMAKE_ARGS=-DKARVELIN_WERROR=ON scripts/build.sh linux linux-asan fuzz win32 win64
status=0
for preset in linux linux-asan fuzz win32 win64; do
    echo "== tests: $preset"
    ctest --preset "$preset" || status=1
done
exit $status
