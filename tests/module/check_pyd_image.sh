#!/bin/sh
# Reads _Karvelin.pyd's image: it imports python3.dll (the stable ABI) and
# Windows system DLLs, never a versioned python3X.dll, and exports its init
# function alone.
# usage: check_pyd_image.sh OBJDUMP PYD
set -u
objdump=$1 pyd=$2
headers=$("$objdump" -p "$pyd") || { echo "cannot read $pyd"; exit 1; }
status=0
allowed='^(python3|kernel32|user32|advapi32|ws2_32|wsock32|msvcrt|shell32|ole32|oleaut32|iphlpapi|setupapi|gdi32)\.dll$'
imports=$(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for name in $imports; do
    printf '%s\n' "$name" | grep -Eq "$allowed" || { echo "FAIL: imports $name"; status=1; }
done
printf '%s\n' "$imports" | grep -qx 'python3.dll' || { echo "FAIL: does not import python3.dll"; status=1; }
exports=$(printf '%s\n' "$headers" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed '1d' | sed -n 's/.*\] *//p')
[ "$exports" = PyInit__Karvelin ] || { echo "FAIL: exports $(echo $exports), not PyInit__Karvelin alone"; status=1; }
[ $status -eq 0 ] && echo "imports: $(echo $imports); exports: $exports"
exit $status
