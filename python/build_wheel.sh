#!/bin/sh
# Builds the karvelin wheel offline from one _Karvelin module and the lists of
# its build tree (result codes, version), and checks its tags and contents
# (check_wheel.py). Paths may be relative to the current folder. The wheel's
# entries are dated SOURCE_DATE_EPOCH (default: the last commit's time), so
# the same sources and module give the same wheel.
# usage: build_wheel.sh PYTHON SOURCE_DIR BUILD_DIR MODULE_FILE OUTDIR [PLATFORM]
#   PLATFORM: win32 or win_amd64 for a Windows module; empty: this machine's
set -eu
python=$1 platform=${6:-}
absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
source=$(absolute "$2") build=$(absolute "$3") module=$(absolute "$4") out=$(absolute "$5")
for file in "$build/version.txt" "$module"; do
    [ -f "$file" ] || { echo "build_wheel.sh: $file is missing: build that tree first" >&2; exit 1; }
done
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$source" log -1 --format=%ct 2>/dev/null || date -r "$source/include/Karvelin.h" +%s)
    export SOURCE_DATE_EPOCH
fi
rm -rf "$out"
mkdir -p "$out/src"
cp -R "$source/python/pyproject.toml" "$source/python/setup.py" "$source/python/_Karvelin.pyi" \
    "$source/python/README.md" "$source/LICENSE.txt" "$source/python/karvelin" "$out/src/"
rm -rf "$out/src/karvelin/__pycache__"
KARVELIN_BUILD_DIR=$build KARVELIN_MODULE_FILE=$module KARVELIN_WHEEL_PLATFORM=$platform \
    "$python" -m build --wheel --no-isolation --outdir "$out/dist" "$out/src" >"$out/build.log" 2>&1 ||
    { cat "$out/build.log"; exit 1; }
"$python" "$source/python/check_wheel.py" "$out"/dist/karvelin-*.whl "$(basename "$module")" "$platform"
