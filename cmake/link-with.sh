#!/bin/sh
# Link launcher: runs a link step with another compiler driver in place of the
# project's one; the other steps of the link rule (archiving) run unchanged.
# usage: link-with.sh DRIVER COMMAND ARGS...
driver=$1
shift
case $1 in
    *-g++*|*-gcc*) shift; exec "$driver" "$@" ;;
    *) exec "$@" ;;
esac
