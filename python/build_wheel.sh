#!/bin/sh
# Builds the karvelin wheel offline from one _Karvelin module and the lists of
# its build tree (result codes, version), and checks its tags and contents
# (check_wheel.py).
# usage: build_wheel.sh PYTHON SOURCE_DIR BUILD_DIR MODULE_FILE OUTDIR [PLATFORM]
#   PLATFORM: win32 or win_amd64 for a Windows module; empty: this machine's
set -eu
python=$1 source=$2 build=$3 module=$4 out=$5 platform=${6:-}
rm -rf "$out"
mkdir -p "$out/src"
cp -R "$source/python/pyproject.toml" "$source/python/setup.py" "$source/python/karvelin" "$out/src/"
rm -rf "$out/src/karvelin/__pycache__"
KARVELIN_BUILD_DIR=$build KARVELIN_MODULE_FILE=$module KARVELIN_WHEEL_PLATFORM=$platform \
    "$python" -m build --wheel --no-isolation --outdir "$out/dist" "$out/src" >"$out/build.log" 2>&1 ||
    { cat "$out/build.log"; exit 1; }
"$python" "$source/python/check_wheel.py" "$out"/dist/karvelin-*.whl "$(basename "$module")" "$platform"
