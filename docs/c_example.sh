#!/bin/sh
# The C example of reference.md, between "<!-- c-example -->" and
# "<!-- /c-example -->": its ```c block is the program, its ```text block the
# output it prints.
#   c_example.sh REFERENCE PROGRAM.c OUTPUT.txt   extracts both
#   c_example.sh --compare OUTPUT.txt COMMAND...  runs the program, compares
set -eu
if [ "$1" = "--compare" ]; then
    expected=$2
    shift 2
    actual=$("$@" | tr -d '\r')
    if [ "$actual" != "$(cat "$expected")" ]; then
        printf 'FAIL: the example printed\n%s\n-- the page shows\n%s\n' "$actual" "$(cat "$expected")"
        exit 1
    fi
    printf '%s\nthe example printed what the page shows\n' "$actual"
    exit 0
fi
block() {
    awk -v kind="$2" '/<!-- c-example -->/ { on = 1 } /<!-- \/c-example -->/ { on = 0 }
        on && $0 == "```" kind { inside = 1; next } inside && $0 == "```" { inside = 0 } inside' "$1"
}
block "$1" c >"$2"
block "$1" text >"$3"
[ -s "$2" ] && [ -s "$3" ] || { echo "no C example in $1"; exit 1; }
