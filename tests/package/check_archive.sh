#!/bin/sh
# Makes the build tree's archive with CPack and checks it: exactly the
# expected files, and the library in it byte for byte the one the tests ran.
# usage: check_archive.sh BUILD_DIR SYSTEM(win32|win64|linux) VERSION LIBRARY
set -u
build=$1 system=$2 version=$3 library=$4
name=Karvelin-$version-$system
work=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-archive.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
status=0
fail() { echo "FAIL: $*"; status=1; }

(cd "$build" && cpack -B "$work/packages" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
case $system in
    linux) archive=$work/packages/$name.tar.gz ;;
    *) archive=$work/packages/$name.zip ;;
esac
[ -f "$archive" ] || { echo "FAIL: no $(basename "$archive")"; ls "$work/packages"; exit 1; }

cmake_files="lib/cmake/Karvelin/KarvelinConfig.cmake lib/cmake/Karvelin/KarvelinConfigVersion.cmake
lib/cmake/Karvelin/KarvelinTargets.cmake lib/cmake/Karvelin/KarvelinTargets-CONFIG.cmake"
docs=$(cd "$(dirname "$0")/../../docs" && ls ./*.md | sed 's|^\./|docs/|')
case $system in
    linux) expected="bin/karvelin include/Karvelin.h lib/libKarvelin.so $cmake_files
share/doc/Karvelin/LICENSE.txt share/doc/Karvelin/README.md $(printf '%s\n' $docs | sed 's|^|share/doc/Karvelin/|')"
           library_in=lib/libKarvelin.so ;;
    *) expected="bin/Karvelin.dll bin/Karvelin.dll.debug bin/karvelin.exe include/Karvelin.h lib/libKarvelin.dll.a
lib/Karvelin.def python/_Karvelin.pyd python/_Karvelin.pyd.debug $cmake_files LICENSE.txt README.md $docs"
       library_in=bin/Karvelin.dll ;;
esac
expected=$(printf '%s\n' $expected | sed "s|^|$name/|" | sort)
# The targets' file per configuration is named after the build type.
actual=$(cmake -E tar tf "$archive" | grep -v '/$' | sed 's|KarvelinTargets-[a-z]*\.cmake$|KarvelinTargets-CONFIG.cmake|' | sort)
[ "$expected" = "$actual" ] || fail "the archive's files differ:
expected: $(echo $expected)
actual:   $(echo $actual)"

mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$archive") || fail "cannot unpack $archive"
cmp -s "$work/unpacked/$name/$library_in" "$library" || fail "$library_in in the archive is not $library"
# Every relative link of the README leads to a file of the archive.
readme=$(find "$work/unpacked/$name" -name README.md | head -n 1)
for link in $(grep -o '](\([^)#:]*\)' "$readme" | sed 's/^](//'); do
    [ -e "$(dirname "$readme")/$link" ] || fail "the README's link $link leads nowhere in the archive"
done
if [ "$system" != linux ]; then
    # Shipped stripped, with the debug information it names beside it.
    dll=$work/unpacked/$name/bin/Karvelin.dll
    [ "$(wc -c <"$dll")" -lt "$(wc -c <"$dll.debug")" ] || fail "Karvelin.dll is not smaller than its debug file"
    grep -q 'Karvelin.dll.debug' "$dll" || fail "Karvelin.dll names no Karvelin.dll.debug"
    grep -aq '\.debug_info' "$dll" && fail "Karvelin.dll still carries .debug_info"
fi
# The unpacked Linux program finds the library beside it, wherever it stands.
if [ "$system" = linux ]; then
    "$work/unpacked/$name/bin/karvelin" GetErrorDescription 5 | grep -q '"5"' ||
        fail "the unpacked bin/karvelin does not run"
fi

# The Windows README says how the DLL serves Python 2.
if [ "$system" != linux ]; then
    grep -q '_Karvelin.pyd' "$work/unpacked/$name/README.md" || fail "README.md does not say how Python loads the module"
fi

[ $status -eq 0 ] && echo "$(basename "$archive"): $(echo "$actual" | wc -l) files, $library_in as tested"
exit $status
