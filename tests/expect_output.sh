#!/bin/sh
# Runs a command that must end with exit code 0 and print a line matching the
# given extended regular expression; shows the output when it does not.
# usage: expect_output.sh REGEX COMMAND [ARG...]
pattern=$1
shift
output=$("$@" 2>&1)
status=$?
printf '%s\n' "$output"
[ $status -eq 0 ] || { echo "FAIL: exit code $status"; exit 1; }
printf '%s\n' "$output" | grep -Eq "$pattern" || { echo "FAIL: no line matches: $pattern"; exit 1; }
