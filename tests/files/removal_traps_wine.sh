#!/bin/sh
# Makes, from the Linux side, trees that Wine cannot make: Unix symbolic links
# out of them (to a folder, to a file, the given path itself a link, a tree
# reached through a linked folder, a link left for the clean-up commands), a
# name holding a backslash ("..\canary.txt", beside which the tree's parent
# holds canary.txt), and a folder named with the full-width characters of
# "..\.." (a code page's best fit of that name climbs two folders), a home
# folder reached through a link.
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
# f PATH TEXT: the file PATH below the base, its folders made, holding TEXT
# (a printf format).
# shellcheck disable=SC2059
f() { mkdir -p "$(dirname "$base/$1")" && printf "$2" >"$base/$1"; }
for n in $(seq -w 1 20); do f "outside/f$n" "outside $n"; done
f outside/ro.txt kept && chmod 444 "$base/outside/ro.txt"
f outside/sub/data.bin 'data\0\377'
f dirlink-tree/sub/file.txt x && ln -s ../outside "$base/dirlink-tree/link"
# A link the walk cannot remove, to a folder whose file the test makes hidden
# and system: the commands must not reach it through the link.
f attrib-outside/hs.txt 'hidden, system'
f attrib-tree/sub/file.txt x && ln -s ../attrib-outside "$base/attrib-tree/link"
# Where a mount namespace can be had, another file system mounted in a tree
# (the test looks for the file made in it).
f mount-tree/sub/file.txt x && mkdir "$base/mount-tree/sub/m"
in_namespace() {
    if unshare -m true 2>/dev/null; then
        unshare -m sh -c 'mount -t tmpfs karvelin "$0" && printf x >"$0/in-mount.txt"; exec "$@"' \
            "$base/mount-tree/sub/m" "$@"
    else
        "$@"
    fi
}
f filelink-tree/file.txt x && ln -s ../outside/ro.txt "$base/filelink-tree/link"
ln -s outside "$base/toplink"
f real/tree/sub/file.txt x && ln -s real "$base/via"
f canary.txt canary
# A home below a link (linkhome/home -> data/home), beside a folder of data's own.
f linkhome/data/home/me/keep.txt kept && f linkhome/data/other/f x && ln -s data/home "$base/linkhome/home"
f 'backslash-tree/..\canary.txt' x && f backslash-tree/sub/f x
bestfit=$(printf '\357\274\216\357\274\216\357\274\274\357\274\216\357\274\216')  # U+FF0E U+FF0E U+FF3C U+FF0E U+FF0E
f "bestfit-tree/a/$bestfit/b/f" x && f "bestfit-tree/a/$bestfit/f" x

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
