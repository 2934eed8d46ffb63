#!/bin/sh
# Builds the native Linux tree (library, Python module, recode_bench), then
# prints the Recode/Decode figures of the C library and of the Python module.
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh linux >/dev/null
build/linux/bin/recode_bench
PYTHONPATH=build/linux/python3 /usr/bin/python3 bench/recode_bench.py
# File copy and tree removal beside the system's tools: natively, and the
# removal under Wine (builds the win32 tree).
build/linux/bin/files_bench
scripts/build.sh win32 >/dev/null
scripts/wine-run.sh build/win32/bin/files_bench.exe
