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
case $system in
    linux) expected="bin/karvelin include/Karvelin.h lib/libKarvelin.so $cmake_files
share/doc/Karvelin/LICENSE.txt share/doc/Karvelin/README.md share/doc/Karvelin/packaging.md"
           library_in=lib/libKarvelin.so ;;
    *) expected="bin/Karvelin.dll bin/karvelin.exe include/Karvelin.h lib/libKarvelin.dll.a lib/Karvelin.def
python/_Karvelin.pyd $cmake_files LICENSE.txt README.md packaging.md"
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
