#!/bin/sh
# Prints the path of a Python 2.7 interpreter that has its headers, if any.
for candidate in python2.7 python2; do
    path=$(command -v "$candidate" 2>/dev/null) || continue
    "$path" -c 'import sysconfig, os, sys; sys.exit(not os.path.exists(os.path.join(sysconfig.get_paths()["include"], "Python.h")))' \
        >/dev/null 2>&1 && { echo "$path"; exit 0; }
done
# A pyenv installation keeps it outside PATH.
for path in "${PYENV_ROOT:-$HOME/.pyenv}"/versions/2.7*/bin/python2.7; do
    [ -x "$path" ] && [ -n "$(ls "$(dirname "$path")"/../include/python2.7/Python.h 2>/dev/null)" ] &&
        { echo "$path"; exit 0; }
done
exit 0
