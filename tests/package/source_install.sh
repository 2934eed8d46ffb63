#!/bin/sh
# The karvelin package as a new user builds it, offline, from a clean copy of
# the checkout (the files git tracks): without CMake or compilers the build
# names them; pip install ./python, then the sdist python -m build makes, each
# built through CMake into a fresh environment that sees the system's
# setuptools and wheel, and imported there.
# usage: source_install.sh PYTHON SOURCE_DIR   (PYTHON with build, setuptools, wheel)
set -eu
python=$1 source=$2
git -C "$source" rev-parse 2>/dev/null >&2 || { echo "skipped: $source is not a git checkout"; exit 77; }
"$python" -c 'import build, setuptools, wheel' 2>/dev/null || { echo "skipped: $python lacks build"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-source.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
mkdir "$work/tree" "$work/empty"
(cd "$source" && git ls-files -z | tar --null --no-recursion --ignore-failed-read -T - -cf - 2>/dev/null) |
    tar -xf - -C "$work/tree"
version=$(sed -n 's/^#define KARVELIN_VERSION_STRING "\(.*\)"$/\1/p' "$work/tree/include/Karvelin.h")

(cd "$work/tree/python" && PATH=$work/empty "$python" setup.py -q build >"$work/missing.log" 2>&1) &&
    { echo "FAIL: built without CMake or compilers"; exit 1; }
grep -q 'CMake' "$work/missing.log" && grep -q 'C++ compiler' "$work/missing.log" ||
    { cat "$work/missing.log"; echo "FAIL: no message naming CMake and the C++ compiler"; exit 1; }
# A plain virtual environment lacks wheel: pip's first step (dist_info) names it with the rest.
mkdir -p "$work/no-wheel/wheel" && echo 'raise ImportError' >"$work/no-wheel/wheel/__init__.py"
(cd "$work/tree/python" && PATH=$work/empty PYTHONPATH=$work/no-wheel "$python" setup.py dist_info 2>&1) |
    grep -q 'the wheel package' || { echo "FAIL: no message naming the wheel package"; exit 1; }
"$python" -m build --sdist --no-isolation --outdir "$work/dist" "$work/tree/python" >"$work/sdist.log" 2>&1 ||
    { cat "$work/sdist.log"; exit 1; }
for what in "$work/tree/python" "$work/dist/karvelin-$version.tar.gz"; do
    # The sdist's build shows that the copy it carries is whole: unoptimised
    # and without debugging data, which makes it quicker.
    case $what in *.tar.gz) args=-DCMAKE_BUILD_TYPE= ;; *) args="" ;; esac
    "$python" -m venv --system-site-packages "$work/env" && cd "$work"
    KARVELIN_CMAKE_ARGS=$args env/bin/python -m pip install --disable-pip-version-check --no-index --no-deps --no-build-isolation "$what" \
        >"$work/pip.log" 2>&1 || { cat "$work/pip.log"; echo "FAIL: pip install $what"; exit 1; }
    env/bin/python -c 'import sys, _Karvelin, karvelin
from importlib import metadata
meta = metadata.metadata("karvelin")
assert karvelin.__version__ == sys.argv[1] and karvelin.recode("abc") == "?E8>17", karvelin.__version__
assert meta["Summary"] and meta["License"] and "Typing :: Typed" in meta.get_all("Classifier"), dict(meta)' \
        "$version" || { echo "FAIL: $what installed, not sound"; exit 1; }
    echo "$what: built from source, installed offline, imported"
    rm -rf "$work/env"
done
