# Cross build of the 64-bit Windows DLL with mingw-w64 x86_64 (posix thread
# model, so GoogleTest builds). Windows test programs run under 64-bit Wine,
# each in a fresh 64-bit prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine64-run.sh")

# As for the 32-bit DLL: the win32 thread-model runtime, so that no
# winpthread comes in with it.
set(KARVELIN_DLL_LINK_DRIVER x86_64-w64-mingw32-g++-win32)
