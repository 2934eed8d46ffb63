#!/bin/sh
# Makes the build tree's archive with CPack and checks it: exactly the files
# that docs/packaging.md lists, the library in it byte for byte the one the
# tests ran, every image stripped and naming its debug file, the wheel sound
# and holding the tested module, a README for the archive's user,
# and the same bytes when made again.
# usage: check_archive.sh BUILD_DIR SYSTEM(win32|win64|linux) VERSION LIBRARY [PYTHON]
set -u
build=$1 system=$2 version=$3 library=$4 python=${5:-python3}
here=$(cd "$(dirname "$0")" && pwd)
name=Karvelin-$version-$system
work=$(mktemp -d "${TMPDIR:-/tmp}/karvelin-archive.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
status=0
fail() { echo "FAIL: $*"; status=1; }

make_archive() {
    (cd "$build" && cpack -B "$1" >"$1.log" 2>&1) || { cat "$1.log"; exit 1; }
}
make_archive "$work/packages"
case $system in
    linux) archive=$name.tar.gz ;;
    *) archive=$name.zip ;;
esac
[ -f "$work/packages/$archive" ] || { echo "FAIL: no $archive"; ls "$work/packages"; exit 1; }

# The expected files: the table under "### Files" of docs/packaging.md, rows
# whose second column names this system (or all).
case $system in
    win32) platform=win32 arch=i686 ;;
    win64) platform=win_amd64 arch=x86_64 ;;
    *) platform=$("$python" -c 'import sysconfig; print(sysconfig.get_platform().replace("-", "_").replace(".", "_"))')
       arch=none ;;
esac
docs=$(cd "$here/../../docs" && ls ./*.md | sed 's|^\./|docs/|' | grep -v '^docs/archive-README\.md$')
listed=$(awk -F"|" -v want="$system" '
    /^### Files/ { on = 1; next }
    on && /^#/ { on = 0 }
    on && /^\| `/ { path = $2; gsub(/[ `]/, "", path); if ($3 ~ want || $3 ~ /all/) print path }' \
    "$here/../../docs/packaging.md" |
    sed -e "s|<version>|$version|g" -e "s|<platform>|$platform|g" -e "s|<arch>|$arch|g")
set -f  # the rows' patterns are expanded below, not by the shell
expected=$(for path in $listed; do
    case $path in
        *'docs/*.md') for doc in $docs; do echo "${path%docs/\*.md}$doc"; done ;;
        *) echo "$path" ;;
    esac
done | sed "s|^|$name/|" | LC_ALL=C sort)
set +f
# The targets' file per configuration is named after the build type.
entries=$(cmake -E tar tf "$work/packages/$archive" | grep -v '/$' |
    sed 's|KarvelinTargets-[a-z]*\.cmake$|KarvelinTargets-<config>.cmake|')
actual=$(echo "$entries" | LC_ALL=C sort)
[ -n "$listed" ] && [ "$expected" = "$actual" ] || fail "the archive's files are not those docs/packaging.md lists:
only listed:  $(echo "$expected" | grep -vxF "$actual" | tr '\n' ' ')
only in it:   $(echo "$actual" | grep -vxF "$expected" | tr '\n' ' ')"
[ "$entries" = "$actual" ] || fail "the archive's entries are not in name order"

mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$work/packages/$archive") || fail "cannot unpack $archive"
top=$work/unpacked/$name
case $system in
    linux) library_in=lib/libKarvelin.so.$version images="$library_in bin/karvelin" readme=$top/share/doc/Karvelin/README.md
           links="lib/libKarvelin.so.${version%%.*} lib/libKarvelin.so"
           wheels=share/Karvelin/python module=_Karvelin.abi3.so tested=$build/python3/_Karvelin.abi3.so ;;
    *) library_in=bin/Karvelin.dll images="bin/Karvelin.dll bin/karvelin.exe python/_Karvelin.pyd" readme=$top/README.md links=
       wheels=python module=_Karvelin.pyd tested=$top/python/_Karvelin.pyd ;;
esac
cmp -s "$top/$library_in" "$library" || fail "$library_in in the archive is not $library"
# The links a loader and a linker look for, kept as links.
for link in $links; do
    [ -L "$top/$link" ] && cmp -s "$top/$link" "$library" || fail "$link in the archive is no link to the library"
done
# Shipped stripped, with the debug information each image names beside it.
for image in $images; do
    file=$top/$image
    grep -aq '\.debug_info' "$file.debug" || fail "$image.debug carries no .debug_info"
    grep -q "$(basename "$image").debug" "$file" || fail "$image names no $(basename "$image").debug"
    grep -aq '\.debug_info' "$file" && fail "$image still carries .debug_info"
done

# The README is the archive's own: its links lead to files of the archive,
# and it sends the reader to no script the archive lacks.
for link in $(grep -o '](\([^)#:]*\)' "$readme" | sed 's/^](//'); do
    [ -e "$(dirname "$readme")/$link" ] || fail "the README's link $link leads nowhere in the archive"
done
grep -n 'scripts/' "$readme" && fail "the README names scripts the archive lacks"
if [ "$system" = linux ]; then
    # The unpacked program finds the library beside it, wherever it stands.
    "$top/bin/karvelin" GetErrorDescription 5 | grep -q '"5"' || fail "the unpacked bin/karvelin does not run"
else
    grep -q '_Karvelin.pyd' "$readme" || fail "README.md does not say how Python loads the module"
fi
# The wheel is sound and carries the tested module (on Windows, the archive's own).
wheel=$top/$wheels/karvelin-$version-cp39-abi3-$platform.whl
"$python" "$here/../../python/check_wheel.py" "$wheel" "$module" "$platform" >"$work/wheel.log" ||
    fail "the archive's wheel: $(cat "$work/wheel.log")"
"$python" -c 'import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))' \
    "$wheel" "$module" >"$work/wheel.module" && cmp -s "$work/wheel.module" "$tested" ||
    fail "the wheel's $module is not $tested"

# Made again, a second later, the archive is the same bytes.
sleep 1
make_archive "$work/again"
cmp -s "$work/packages/$archive" "$work/again/$archive" || fail "$archive differs when made again"

[ $status -eq 0 ] && echo "$archive: $(echo "$actual" | wc -l) files as docs/packaging.md lists, $library_in as tested, made twice alike"
exit $status
