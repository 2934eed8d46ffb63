#!/bin/sh
# Installs what is missing (Debian packages; run as root or with sudo).
#   scripts/deps.sh        what the build and every suite need: the mingw-w64
#                          cross compilers (i686 and x86_64), 32- and 64-bit
#                          Wine, CMake, GoogleTest sources, Python 3 headers
#                          and pytest, clang with libFuzzer, what the Python
#                          package's wheel, virtual environment and type
#                          check need, the locale sources
#   scripts/deps.sh main   what the main job needs alone: CMake, the i686
#                          cross compilers, 32-bit Wine and the JSON header
#                          library
#   scripts/deps.sh main64 the same for the 64-bit main job (run.sh --win64)
set -eu
main="cmake make g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 wine wine32:i386
      nlohmann-json3-dev"
main64="cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 wine wine64
        nlohmann-json3-dev"
case ${1:-all} in
    main) wanted=$main ;;
    main64) wanted=$main64 ;;
    all) wanted="$main g++ googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32
                 binutils-mingw-w64-x86-64 wine64 python3 python3-dev python3-pytest clang libclang-rt-14-dev
                 python3-build python3-setuptools python3-wheel python3-venv python3-mypy locales" ;;
    *) echo "usage: scripts/deps.sh [main | main64]" >&2; exit 2 ;;
esac
# One query for every package: the installed ones answer "install ok installed".
# shellcheck disable=SC2086
installed=$(dpkg-query -W -f='${Package}:${Architecture} ${Status}\n' $wanted 2>/dev/null |
    sed -n 's/ install ok installed$//p')
need=""
for pkg in $wanted; do
    case $pkg in *:*) full=$pkg ;; *) full="$pkg:" ;; esac
    printf '%s\n' "$installed" | grep -q -e "^$full" || need="$need $pkg"
done
[ -z "$need" ] && exit 0
echo "installing:$need"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
case " $need " in *":i386"*)
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386 ;;
esac
$SUDO apt-get update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $need >/dev/null
