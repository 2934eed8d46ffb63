# Cross build of the 32-bit Windows DLL with mingw-w64 (posix thread model, so
# GoogleTest builds). Windows test programs run under Wine, each in a fresh prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh")

# Karvelin.dll is linked with the win32 thread-model runtime: the posix one
# brings winpthread, which imports kernel32 functions that Windows 2000 and XP
# lack (GetTickCount64, vectored exception handlers). The library's own code
# uses no thread API of the C++ runtime, so its objects link with either.
set(KARVELIN_DLL_LINK_DRIVER i686-w64-mingw32-g++-win32)
