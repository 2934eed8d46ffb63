#!/bin/sh
# Installs what the build and the tests need, where it is missing: the
# mingw-w64 cross compilers (i686 and x86_64), 32- and 64-bit Wine, CMake,
# GoogleTest sources, Python 3 headers and pytest, clang with libFuzzer, and
# what the Python package's wheel, virtual environment and type check need,
# the locale sources (Debian packages; run as root).
set -eu
need=""
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for pkg in cmake make g++ googletest g++-mingw-w64-i686 g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 \
           g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 wine wine32:i386 wine64 \
           python3 python3-dev python3-pytest clang libclang-rt-14-dev \
           python3-build python3-setuptools python3-wheel python3-venv python3-mypy locales; do
    have_pkg "$pkg" || need="$need $pkg"
done
[ -z "$need" ] && exit 0
echo "installing:$need"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
case " $need " in *":i386"*)
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386 ;;
esac
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $need >/dev/null
