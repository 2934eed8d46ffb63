#!/bin/sh
# Runs `PROGRAM DelFilesAndDir FOLDER` on a folder of its own temporary tree,
# removed afterwards, and ends with the program's status. KIND: "tree" (a
# folder with files and a subfolder), "missing" (a name that is not there) or
# "home" (the tree is the folder HOME names, which Linux refuses to remove),
# "foreign-home" (HOME in a folder the caller may not search: as root, the
# program runs as nobody, HOME in a folder of root's at mode 700; otherwise
# HOME in a folder of the caller's at mode 000; the tree goes all the same);
# "option" or "dashes": a folder ./--jsno, named after an unknown option
# (which removes nothing) or after -- (which removes it).
# FORM "windows" hands the folder on as Wine's Z: path.
# usage: remove_tree_case.sh KIND native|windows PROGRAM...
set -u
kind=$1
form=$2
shift 2
root=$(mktemp -d) || exit 1
trap 'chmod 700 "$root/locked" 2>/dev/null; rm -rf "$root"' EXIT
mkdir -p "$root/tree/sub" "$root/locked/home" && touch "$root/tree/file" "$root/tree/sub/file" || exit 1
case $kind in
  tree) folder=$root/tree ;;
  missing) folder=$root/missing ;;
  home) folder=$root/tree; HOME=$folder; export HOME ;;
  option|dashes) folder=--jsno; mkdir "$root/--jsno" && cd "$root" || exit 1 ;;
  foreign-home)
    folder=$root/tree; HOME=$root/locked/home; export HOME
    if [ "$(id -u)" = 0 ]; then
      chmod 700 "$root/locked" && chown nobody "$root" && chown -R nobody "$root/tree" || exit 1
      set -- setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
    else
      chmod 000 "$root/locked" || exit 1
    fi ;;
  *) echo "unknown kind $kind"; exit 1 ;;
esac
[ "$form" = windows ] && [ "$folder" != --jsno ] && folder=$(printf 'Z:%s' "$folder" | tr / '\\')
[ "$kind" = dashes ] && set -- "$@" DelFilesAndDir -- || set -- "$@" DelFilesAndDir
"$@" "$folder"
status=$?
[ "$kind" != tree ] || [ ! -e "$root/tree" ] || { echo "FAIL: the tree is still there"; exit 1; }
[ "$kind" != option ] || [ -d "$root/--jsno" ] || { echo "FAIL: ./--jsno was removed"; exit 1; }
[ "$kind" != dashes ] || [ ! -e "$root/--jsno" ] || { echo "FAIL: ./--jsno is still there"; exit 1; }
exit $status
