#!/bin/sh
# Builds the native Linux tree (library, Python module, benchmarks), then
# prints the per-call Recode/Decode figures of the library (against memcpy)
# and of the Python module (against bytes.hex()), and RunSilent against
# Python's subprocess.run, and whether a removal changes the folder that holds
# its tree.
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh linux >/dev/null
cmake --build --preset linux --target recode_bench run_silent_bench files_bench parent_mode_bench >/dev/null
log=$(mktemp -d)
trap 'rm -rf "$log"' EXIT
build/linux/bin/recode_bench
KARVELIN_LOG="$log/native.log" build/linux/bin/recode_bench
PYTHONPATH=build/linux/python3 /usr/bin/python3 bench/recode_bench.py
build/linux/bin/run_silent_bench /usr/bin/python3
# File copy and tree removal beside the system's tools: natively, and the
# removal under Wine (builds the win32 tree).
build/linux/bin/files_bench
build/linux/bin/parent_mode_bench
scripts/build.sh win32 >/dev/null
cmake --build --preset win32 --target recode_bench files_bench >/dev/null
scripts/wine-run.sh build/win32/bin/files_bench.exe
# Recode/Decode calls through the i686 DLL under Wine, against memcpy.
scripts/wine-run.sh build/win32/bin/recode_bench.exe
# With the log on: the file through Wine's drive Z:, the Unix root.
KARVELIN_LOG="Z:$(printf '%s' "$log/dll.log" | tr / '\\')" scripts/wine-run.sh build/win32/bin/recode_bench.exe
