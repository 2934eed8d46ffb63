#!/bin/sh
# Installs the karvelin wheel into a fresh virtual environment of one pyenv
# CPython and imports it there; with TESTS, runs the package's tests in it.
# pytest is not installed in the environment (no package index here): the
# pure-Python pytest of the interpreter that built the wheel is put on the
# path, its packages alone (pytest 7.2 needs exceptiongroup before 3.11, so
# the tests run from 3.11 on). Skips (77) when pyenv has no such release.
# usage: venv_wheel.sh VERSION WHEEL_DIR STAGE PYTEST_PYTHON [TESTS...]
set -eu
version=$1 wheels=$2 stage=$3 pytest_python=$4
shift 4
root=${PYENV_ROOT:-$HOME/.pyenv}
python=
for candidate in "$root"/versions/"$version".*/bin/python"$version"; do
    [ -x "$candidate" ] && python=$candidate
done
[ -n "$python" ] || { echo "skipped: no CPython $version under $root/versions"; exit 77; }
rm -rf "$stage" && mkdir -p "$stage/run"
"$python" -m venv "$stage/venv"
"$stage/venv/bin/python" -m pip install --quiet --disable-pip-version-check --no-index --no-deps \
    "$wheels"/karvelin-*.whl
cd "$stage/run"
"$stage/venv/bin/python" -c '
import sys, _Karvelin, karvelin
assert _Karvelin.__file__.endswith(".abi3.so"), _Karvelin.__file__
assert karvelin.describe(0) == "0" and karvelin.recode("abc") == "?E8>17"
print(sys.version.split()[0], "imports", karvelin.__file__)'
[ $# -gt 0 ] || exit 0
site=$("$pytest_python" -c 'import os, pytest; print(os.path.dirname(os.path.dirname(pytest.__file__)))')
mkdir -p "$stage/pytest"
for package in _pytest pytest pluggy iniconfig packaging py py.py tomli attr; do
    [ -e "$site/$package" ] && ln -sf "$site/$package" "$stage/pytest/$package"
done
PYTHONPATH=$stage/pytest "$stage/venv/bin/python" -m pytest -q -p no:cacheprovider -W ignore::DeprecationWarning "$@"
