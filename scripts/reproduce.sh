#!/bin/sh
# Shows that a release builds reproducibly: clones this checkout's commit
# twice, into two temporary folders of different names, builds the release
# artifacts in each (one after the other, in different time zones, without
# the compiler cache), and compares them byte for byte. Uncommitted changes
# are not built. Prints every artifact's SHA-256 and exits 1 if any differs
# (the two trees are then kept for a look).
# usage: scripts/reproduce.sh [PRESET...]   (win32, win64, linux; default: all three)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$root" rev-parse HEAD)
[ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] ||
    echo "note: the checkout has uncommitted changes; commit $commit is built"
presets=${*:-win32 win64 linux}
python=/usr/bin/python3
jobs=$(nproc 2>/dev/null || echo 2)
work=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-reproduce.XXXXXX")
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER SOURCE_DATE_EPOCH
export CCACHE_DISABLE=1

# build TREE TIME_ZONE: one clone, every preset, and the list of its artifacts' hashes.
build() {
    tree=$1 zone=$2
    git clone --quiet --no-checkout "$root" "$tree"
    git -C "$tree" checkout --quiet "$commit"
    mkdir -p "$tree/build"
    for preset in $presets; do
        out=$tree/build/$preset
        (cd "$tree" && TZ=$zone cmake --preset "$preset" -DKARVELIN_TESTS=OFF -DPython3_EXECUTABLE=$python \
            >"$out.configure.log" 2>&1 && TZ=$zone cmake --build --preset "$preset" -j "$jobs" >"$out.build.log" 2>&1) ||
            { tail -n 30 "$out.build.log" "$out.configure.log" 2>/dev/null; exit 1; }
        (cd "$out" && TZ=$zone cpack -B packages >"$out.cpack.log" 2>&1) || { cat "$out.cpack.log"; exit 1; }
        case $preset in
            linux) library=lib/libKarvelin.so.$(sed -n 's/^PROJECT_VERSION\t//p' "$out/version.txt")
                   set -- "$library" "$library.debug" bin/karvelin bin/karvelin.debug \
                       python3/_Karvelin.abi3.so ;;
            *) set -- bin/Karvelin.dll bin/Karvelin.dll.debug bin/karvelin.exe bin/karvelin.exe.debug \
                   python/_Karvelin.pyd python/_Karvelin.pyd.debug lib/libKarvelin.dll.a ;;
        esac
        (cd "$out" && sha256sum "$@" packages/Karvelin-* python-wheel/dist/*.whl | sed "s|  |  $preset/|")
    done >"$tree.sha256"
}

echo "building $commit in $work/a and $work/second-build"
build "$work/a/karvelin" UTC
build "$work/second-build/karvelin" Asia/Tokyo
if cmp -s "$work/a/karvelin.sha256" "$work/second-build/karvelin.sha256"; then
    cat "$work/a/karvelin.sha256"
    echo "reproducible: $(wc -l <"$work/a/karvelin.sha256") artifacts, byte for byte the same in both builds"
    rm -rf "$work"
else
    diff "$work/a/karvelin.sha256" "$work/second-build/karvelin.sha256" || true
    echo "NOT reproducible: the artifacts above differ; both trees are kept in $work"
    exit 1
fi
