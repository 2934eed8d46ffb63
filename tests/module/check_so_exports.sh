#!/bin/sh
# The Linux library exports exactly the functions of the module-definition file.
# usage: check_so_exports.sh LIBRARY DEF_FILE
set -u
expected=$(sed -n '/^EXPORTS/,$p' "$2" | sed '1d' | awk '{print $1}' | sort)
actual=$(nm -D --defined-only "$1" | awk '{print $3}' | sort)
if [ "$expected" != "$actual" ]; then
    echo "FAIL: exports differ"
    echo "expected: $(echo $expected)"
    echo "actual:   $(echo $actual)"
    exit 1
fi
echo "exports: $(echo $actual)"
