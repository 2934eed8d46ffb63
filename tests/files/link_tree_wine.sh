#!/bin/sh
# Makes a tree holding a Unix symbolic link to a folder outside it (with a
# read-only file), runs the DLL's removal on the tree under Wine, and checks
# that the outside folder is byte for byte and mode for mode as it was.
# Usage: link_tree_wine.sh EMULATOR TEST_PROGRAM
set -eu
emulator=$1 program=$2
base=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-link.XXXXXX")
trap 'chmod -R u+w "$base"; rm -rf "$base"' EXIT
mkdir -p "$base/tree/sub" "$base/outside"
printf kept >"$base/outside/ro.txt"
chmod 444 "$base/outside/ro.txt"
printf x >"$base/tree/sub/file.txt"
ln -s ../outside "$base/tree/link"
before=$(cd "$base/outside" && stat -c '%n %a %s %Y' . ro.txt && sha256sum ro.txt)
KARVELIN_LINK_TREE=$(printf %s "$base" | tr / '\\') \
    "$emulator" "$program" --gtest_filter='*LinksAreNotFollowed*'
after=$(cd "$base/outside" && stat -c '%n %a %s %Y' . ro.txt && sha256sum ro.txt)
[ "$before" = "$after" ] || { echo "the folder outside the tree changed"; exit 1; }
echo "outside folder unchanged"
