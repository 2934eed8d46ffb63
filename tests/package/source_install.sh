#!/bin/sh
# The karvelin package as a new user builds it, offline, from a clean copy of
# the checkout (the files git tracks, nothing built): without CMake or a
# compiler on the path the build says what is missing; python -m build makes
# the sdist; pip install ./python builds the module through CMake into a fresh
# environment that sees the system's setuptools and wheel; the sdist installs
# the same way into a second one. Each environment imports the package and
# calls the module; the first also reads the metadata.
# usage: source_install.sh PYTHON SOURCE_DIR   (PYTHON with build, setuptools, wheel)
set -eu
python=$1 source=$2
git -C "$source" rev-parse 2>/dev/null >&2 || { echo "skipped: $source is not a git checkout"; exit 77; }
"$python" -c 'import build, setuptools, wheel' 2>/dev/null ||
    { echo "skipped: $python lacks build, setuptools or wheel"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-source.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
mkdir "$work/tree" "$work/empty"
# The tracked files as the checkout holds them (uncommitted edits included).
(cd "$source" && git ls-files -z | tar --null --no-recursion --ignore-failed-read -T - -cf - 2>/dev/null) |
    tar -xf - -C "$work/tree"
version=$(sed -n 's/^#define KARVELIN_VERSION_STRING "\(.*\)"$/\1/p' "$work/tree/include/Karvelin.h")

(cd "$work/tree/python" && PATH=$work/empty "$python" setup.py --quiet build >"$work/missing.log" 2>&1) &&
    { echo "FAIL: the build went on without CMake or a compiler"; exit 1; }
grep -q 'CMake' "$work/missing.log" && grep -q 'C++ compiler' "$work/missing.log" ||
    { cat "$work/missing.log"; echo "FAIL: the build does not name CMake and the C++ compiler as missing"; exit 1; }

"$python" -m build --sdist --no-isolation --outdir "$work/dist" "$work/tree/python" >"$work/sdist.log" 2>&1 ||
    { cat "$work/sdist.log"; exit 1; }
sdist=$work/dist/karvelin-$version.tar.gz

# install ENVIRONMENT WHAT [CHECK]: a fresh environment, the package built from WHAT, imported.
install() {
    "$python" -m venv --system-site-packages "$work/$1"
    "$work/$1/bin/python" -m pip install --disable-pip-version-check --no-index --no-deps --no-build-isolation \
        "$2" >"$work/$1.log" 2>&1 || { cat "$work/$1.log"; echo "FAIL: pip install $2"; exit 1; }
    (cd "$work" && "$work/$1/bin/python" -c "$3" "$version") || { echo "FAIL: $2 installed, not sound"; exit 1; }
}
imports='import sys, _Karvelin, karvelin
assert karvelin.__version__ == sys.argv[1], karvelin.__version__
assert _Karvelin.__file__.endswith(".abi3.so") and karvelin.recode("abc") == "?E8>17"'
install checkout "$work/tree/python" "$imports
from importlib import metadata
meta = metadata.metadata(\"karvelin\")
assert meta[\"Summary\"] and meta[\"License\"], dict(meta)
assert \"License :: Other/Proprietary License\" in meta.get_all(\"Classifier\"), meta.get_all(\"Classifier\")"
install sdist "$sdist" "$imports"
echo "pip install ./python and its sdist $(basename "$sdist") ($(wc -c <"$sdist") bytes): built from source, import"
