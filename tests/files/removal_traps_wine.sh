#!/bin/sh
# Makes, from the Linux side, trees that hold Unix symbolic links out of them
# (Wine cannot make links): a link to a folder outside, a link to a file
# outside (read-only), a path that is itself a link to the outside folder, and
# a plain tree reached through a linked folder.
# Runs the DLL's removal on each under Wine, and checks that the outside
# folder is byte for byte and mode for mode as it was.
# Usage: removal_traps_wine.sh EMULATOR TEST_PROGRAM
set -eu
emulator=$1 program=$2
base=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-link.XXXXXX")
trap 'chmod -R u+w "$base"; rm -rf "$base"' EXIT
mkdir -p "$base/outside/sub" "$base/dirlink-tree/sub" "$base/filelink-tree"
printf kept >"$base/outside/ro.txt"
printf 'data\0\377' >"$base/outside/sub/data.bin"
chmod 444 "$base/outside/ro.txt"
printf x >"$base/dirlink-tree/sub/file.txt"
printf x >"$base/filelink-tree/file.txt"
ln -s ../outside "$base/dirlink-tree/link"
ln -s ../outside/ro.txt "$base/filelink-tree/link"
ln -s outside "$base/toplink"
mkdir -p "$base/real/tree/sub"
printf x >"$base/real/tree/sub/file.txt"
ln -s real "$base/via"
state() { (cd "$base/outside" && find . -exec stat -c '%n %a %s %Y' {} + | sort && find . -type f -exec sha256sum {} + | sort); }
before=$(state)
KARVELIN_LINK_TREE=$(printf %s "$base" | tr / '\\') \
    "$emulator" "$program" --gtest_filter='*LinksOutOfTheTree*'
after=$(state)
[ "$before" = "$after" ] || { echo "the folder outside the trees changed"; exit 1; }
echo "outside folder unchanged"
