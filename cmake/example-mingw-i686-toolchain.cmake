# A cross build of a Windows program with mingw-w64 (i686), as a caller's own
# project writes it: programs from the host, libraries, headers and CMake
# packages from the target's root alone. A package outside that root, such as
# an unpacked Karvelin archive, is then named by its folder:
#   cmake -DCMAKE_TOOLCHAIN_FILE=<archive>/cmake/example-mingw-i686-toolchain.cmake \
#         -DKarvelin_DIR=<archive>/lib/cmake/Karvelin ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The programs carry the mingw runtime (libgcc, libstdc++, winpthread) inside
# them: a C++ program linked against its DLLs (libgcc_s_dw2-1.dll,
# libstdc++-6.dll) does not start where they are not shipped beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
