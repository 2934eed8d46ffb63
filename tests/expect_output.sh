#!/bin/sh
# Runs a command that must end with the given exit code (0 unless --exit N is
# given) and print a line matching the given extended regular expression;
# shows the output when it does not.
# usage: expect_output.sh [--exit N] REGEX COMMAND [ARG...]
expected=0
[ "$1" = "--exit" ] && { expected=$2; shift 2; }
pattern=$1
shift
output=$("$@" 2>&1)
status=$?
printf '%s\n' "$output"
[ $status -eq "$expected" ] || { echo "FAIL: exit code $status, not $expected"; exit 1; }
printf '%s\n' "$output" | grep -Eq "$pattern" || { echo "FAIL: no line matches: $pattern"; exit 1; }
