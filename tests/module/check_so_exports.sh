#!/bin/sh
# The Linux library exports exactly the functions of the module-definition
# file; given SONAME, it is named so inside, and the links SONAME and
# libKarvelin.so beside it lead to it.
# usage: check_so_exports.sh LIBRARY DEF_FILE [SONAME]
set -u
for name in ${3:+$3 libKarvelin.so}; do
    [ "$(readlink -f "$(dirname "$1")/$name")" = "$(readlink -f "$1")" ] &&
        readelf -d "$1" | grep -q "(SONAME).*\[$3\]" || { echo "FAIL: no SONAME $3, or no link $name"; exit 1; }
done
expected=$(sed -n '/^EXPORTS/,$p' "$2" | sed '1d' | awk '{print $1}' | sort)
actual=$(nm -D --defined-only "$1" | awk '{print $3}' | sort)
if [ "$expected" != "$actual" ]; then
    echo "FAIL: exports differ"
    echo "expected: $(echo $expected)"
    echo "actual:   $(echo $actual)"
    exit 1
fi
echo "exports: $(echo $actual)"
