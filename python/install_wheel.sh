#!/bin/sh
# Builds the karvelin wheel offline from the _Karvelin module of a build, and
# installs it into a fresh virtual environment: STAGE/dist holds the wheel,
# STAGE/venv the environment (with the system's packages, for pytest).
# usage: install_wheel.sh PYTHON SOURCE_DIR MODULE_DIR STAGE
set -eu
python=$1 source=$2 module=$3 stage=$4
rm -rf "$stage/src" "$stage/dist" "$stage/venv" "$stage/run"
mkdir -p "$stage/src" "$stage/run"
cp -R "$source/python/pyproject.toml" "$source/python/setup.py" "$source/python/karvelin" "$stage/src/"
rm -rf "$stage/src/karvelin/__pycache__"
KARVELIN_SOURCE_DIR=$source KARVELIN_MODULE_DIR=$module \
    "$python" -m build --wheel --no-isolation --outdir "$stage/dist" "$stage/src" >"$stage/build.log" 2>&1 ||
    { cat "$stage/build.log"; exit 1; }
"$python" -m venv --system-site-packages "$stage/venv"
"$stage/venv/bin/python" -m pip install --quiet --disable-pip-version-check --no-index --no-deps \
    "$stage"/dist/karvelin-*.whl
"$stage/venv/bin/python" -c 'import karvelin; print("installed", karvelin.__file__)'
ls "$stage/dist"
