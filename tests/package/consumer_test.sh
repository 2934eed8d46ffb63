#!/bin/sh
# Installs a build tree into a temporary prefix, builds the consumer project
# against it with find_package(Karvelin), and runs its C and C++ programs. A
# cross build uses the example toolchain file the install tree ships
# (TOOLCHAIN, relative to the prefix), which finds packages under the target's
# root alone, so the package is named by Karvelin_DIR; the programs run under
# the given emulator.
# usage: consumer_test.sh BUILD_DIR CONSUMER_SOURCE [TOOLCHAIN EMULATOR]
set -eu
build=$1 source=$2 toolchain=${3:-} emulator=${4:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-consumer.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cmake --install "$build" --prefix "$work/prefix" >/dev/null
set -- -S "$source" -B "$work/build" -DCMAKE_BUILD_TYPE=Release
if [ -n "$toolchain" ]; then
    set -- "$@" -DCMAKE_TOOLCHAIN_FILE="$work/prefix/$toolchain" -DKarvelin_DIR="$work/prefix/lib/cmake/Karvelin"
else
    set -- "$@" -DCMAKE_PREFIX_PATH="$work/prefix"
fi
cmake "$@" >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
cmake --build "$work/build" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
# The C caller, then the C++ one (which needs the C++ runtime: the example
# toolchain files link it in).
for name in consumer consumer_cpp; do
    program=$(ls "$work/build/$name" "$work/build/$name.exe" 2>/dev/null | head -n 1)
    # shellcheck disable=SC2086
    $emulator "$program" || { status=$?; echo "FAIL: $name ended with exit code $status"; exit 1; }
done
