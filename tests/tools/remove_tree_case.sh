#!/bin/sh
# Runs `PROGRAM DelFilesAndDir FOLDER` on a folder of its own temporary tree,
# removed afterwards, and ends with the program's status. KIND: "tree" (a
# folder with files and a subfolder), "missing" (a name that is not there) or
# "home" (the tree is the folder HOME names, which Linux refuses to remove).
# FORM "windows" hands the folder on as Wine's Z: path.
# usage: remove_tree_case.sh KIND native|windows PROGRAM...
kind=$1
form=$2
shift 2
root=$(mktemp -d) || exit 1
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/tree/sub" && touch "$root/tree/file" "$root/tree/sub/file" || exit 1
case $kind in
  tree) folder=$root/tree ;;
  missing) folder=$root/missing ;;
  home) folder=$root/tree; HOME=$folder; export HOME ;;
  *) echo "unknown kind $kind"; exit 1 ;;
esac
[ "$form" = windows ] && folder=$(printf 'Z:%s' "$folder" | tr / '\\')
"$@" DelFilesAndDir "$folder"
status=$?
[ "$kind" != tree ] || [ ! -e "$root/tree" ] || { echo "FAIL: the tree is still there"; exit 1; }
exit $status
