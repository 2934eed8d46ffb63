#!/bin/sh
# Builds the karvelin wheel offline from the _Karvelin module of a build, and
# installs it into a fresh virtual environment: STAGE/dist holds the wheel,
# STAGE/venv the environment (with the system's packages, for pytest).
# usage: install_wheel.sh PYTHON SOURCE_DIR BUILD_DIR MODULE_FILE STAGE
set -eu
python=$1 source=$2 build=$3 module=$4 stage=$5
rm -rf "$stage/venv" "$stage/run"
mkdir -p "$stage/run"
"$source/python/build_wheel.sh" "$python" "$source" "$build" "$module" "$stage/wheel"
rm -rf "$stage/dist" && cp -R "$stage/wheel/dist" "$stage/dist"
"$python" -m venv --system-site-packages "$stage/venv"
"$stage/venv/bin/python" -m pip install --quiet --disable-pip-version-check --no-index --no-deps \
    "$stage"/dist/karvelin-*.whl
"$stage/venv/bin/python" -c 'import karvelin; print("installed", karvelin.__file__)'
ls "$stage/dist"
