#!/bin/sh
# Builds the native Linux tree (library, Python module, benchmarks), then
# prints the Recode/Decode figures of the C library (each processor variant)
# and of the Python module, and RunSilent against Python's subprocess.run.
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh linux >/dev/null
build/linux/bin/recode_bench
PYTHONPATH=build/linux/python3 /usr/bin/python3 bench/recode_bench.py
build/linux/bin/run_silent_bench /usr/bin/python3
# File copy and tree removal beside the system's tools: natively, and the
# removal under Wine (builds the win32 tree).
build/linux/bin/files_bench
scripts/build.sh win32 >/dev/null
scripts/wine-run.sh build/win32/bin/files_bench.exe
# Recode/Decode of the i686 build under Wine: each processor variant against
# the byte loop.
scripts/wine-run.sh build/win32/bin/recode_bench.exe
