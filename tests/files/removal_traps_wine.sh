#!/bin/sh
# Makes, from the Linux side, trees that Wine cannot make: Unix symbolic links
# out of them (to a folder, to a file, the given path itself a link, a tree
# reached through a linked folder, a link left for the clean-up commands), a
# name holding a backslash
# ("..\canary.txt", beside which the tree's parent holds canary.txt), and a
# folder named with the full-width characters of "..\.." (a code page's best
# fit of that name climbs two folders).
# Beside the Wine test, a Linux helper answers its requests through files:
# - "alias-request" holds the prefix's dosdevices folder: it links w: there to
#   the C: drive (what subst makes) and answers "alias-done";
# - while "swap-go" exists, it swaps swap-tree/sub for a link to the outside
#   folder and back, again and again (share modes do not bind it); on
#   "swap-done" it removes swap-tree and both markers.
# It stops on "helper-stop", or by itself after a bounded number of steps.
# Checks that the outside folder and the canary are byte for byte and mode for
# mode as they were.
# Usage: removal_traps_wine.sh EMULATOR TEST_PROGRAM
set -eu
emulator=$1 program=$2
base=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-link.XXXXXX")
helper=
cleanup() {
    [ -n "$helper" ] && kill "$helper" 2>/dev/null
    chmod -R u+w "$base"
    rm -rf "$base"
}
trap cleanup EXIT
mkdir -p "$base/outside/sub" "$base/dirlink-tree/sub" "$base/filelink-tree"
for n in 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20; do
    printf 'outside %s' $n >"$base/outside/f$n"
done
printf kept >"$base/outside/ro.txt"
printf 'data\0\377' >"$base/outside/sub/data.bin"
chmod 444 "$base/outside/ro.txt"
printf x >"$base/dirlink-tree/sub/file.txt"
printf x >"$base/filelink-tree/file.txt"
ln -s ../outside "$base/dirlink-tree/link"
# A link the walk cannot remove, to a folder whose file the test makes hidden
# and system: the commands must not reach it through the link.
mkdir -p "$base/attrib-outside" "$base/attrib-tree/sub"
printf 'hidden, system' >"$base/attrib-outside/hs.txt"
printf x >"$base/attrib-tree/sub/file.txt"
ln -s ../attrib-outside "$base/attrib-tree/link"
# Where a mount namespace can be had, another file system mounted in a tree
# (the test looks for the file made in it).
mkdir -p "$base/mount-tree/sub/m"
printf x >"$base/mount-tree/sub/file.txt"
in_namespace() {
    if unshare -m true 2>/dev/null; then
        unshare -m sh -c 'mount -t tmpfs karvelin "$0" && printf x >"$0/in-mount.txt"; exec "$@"' \
            "$base/mount-tree/sub/m" "$@"
    else
        "$@"
    fi
}
ln -s ../outside/ro.txt "$base/filelink-tree/link"
ln -s outside "$base/toplink"
mkdir -p "$base/real/tree/sub"
printf x >"$base/real/tree/sub/file.txt"
ln -s real "$base/via"
printf canary >"$base/canary.txt"
mkdir -p "$base/backslash-tree/sub"
printf x >"$base/backslash-tree/..\\canary.txt"
printf x >"$base/backslash-tree/sub/f"
bestfit=$(printf '\357\274\216\357\274\216\357\274\274\357\274\216\357\274\216')  # U+FF0E U+FF0E U+FF3C U+FF0E U+FF0E
mkdir -p "$base/bestfit-tree/a/$bestfit/b"
printf x >"$base/bestfit-tree/a/$bestfit/b/f"
printf x >"$base/bestfit-tree/a/$bestfit/f"

(
    steps=0
    while [ $steps -lt 400000 ] && [ ! -e "$base/helper-stop" ]; do
        steps=$((steps + 1))
        if [ -e "$base/alias-request" ] && [ ! -e "$base/alias-done" ]; then
            ln -sfn ../drive_c "$(cat "$base/alias-request")/w:" && : >"$base/alias-done"
        elif [ -e "$base/swap-done" ]; then
            rm -rf "$base/swap-tree"
            rm -f "$base/swap-go" "$base/swap-done"
        elif [ -e "$base/swap-go" ]; then
            tree=$base/swap-tree
            if [ -L "$tree/sub" ]; then
                rm -f "$tree/sub" && mv "$tree/sub.away" "$tree/sub" 2>/dev/null || true
            elif [ -d "$tree/sub" ]; then
                mv "$tree/sub" "$tree/sub.away" 2>/dev/null && ln -s ../outside "$tree/sub" || true
            fi
        else
            sleep 0.01
        fi
    done
) &
helper=$!

state() {
    (cd "$base" && find outside canary.txt -exec stat -c '%n %a %s %Y' {} + | sort &&
        find outside canary.txt -type f -exec sha256sum {} + | sort)
}
before=$(state)
KARVELIN_LINK_TREE=$(printf %s "$base" | tr / '\\')
export KARVELIN_LINK_TREE
in_namespace "$emulator" "$program" --gtest_filter='*LinksOutOfTheTree*:*SwapRace*:*AnotherDriveName*'
after=$(state)
[ "$before" = "$after" ] || { echo "the folder outside the trees changed"; exit 1; }
echo "outside folder unchanged"
