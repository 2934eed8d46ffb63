#!/bin/sh
# The Linux library exports exactly the functions of the module-definition
# file. Given SONAME, it carries that name, and the links of that name and of
# the bare libKarvelin.so beside it lead to it.
# usage: check_so_exports.sh LIBRARY DEF_FILE [SONAME]
set -u
if [ $# -ge 3 ]; then
    soname=$(readelf -d "$1" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
    [ "$soname" = "$3" ] || { echo "FAIL: SONAME '$soname', not $3"; exit 1; }
    for name in "$3" libKarvelin.so; do
        [ -L "$(dirname "$1")/$name" ] && [ "$(readlink -f "$(dirname "$1")/$name")" = "$(readlink -f "$1")" ] ||
            { echo "FAIL: $name beside $1 is no link to it"; exit 1; }
    done
    echo "SONAME: $soname"
fi
expected=$(sed -n '/^EXPORTS/,$p' "$2" | sed '1d' | awk '{print $1}' | sort)
actual=$(nm -D --defined-only "$1" | awk '{print $3}' | sort)
if [ "$expected" != "$actual" ]; then
    echo "FAIL: exports differ"
    echo "expected: $(echo $expected)"
    echo "actual:   $(echo $actual)"
    exit 1
fi
echo "exports: $(echo $actual)"
