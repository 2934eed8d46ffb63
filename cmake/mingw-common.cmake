# The cross build of the Windows DLL with mingw-w64 (posix thread model, so
# GoogleTest builds), for the target KARVELIN_MINGW_TRIPLET (i686 or x86_64);
# Windows test programs run under Wine through KARVELIN_WINE_RUNNER, each in a
# fresh prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KARVELIN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KARVELIN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KARVELIN_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KARVELIN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/${KARVELIN_WINE_RUNNER}")

# Karvelin.dll is linked with the win32 thread-model runtime: the posix one
# brings winpthread, which imports kernel32 functions that Windows 2000 and XP
# lack (GetTickCount64, vectored exception handlers). The library's own code
# uses no thread API of the C++ runtime, so its objects link with either.
set(KARVELIN_DLL_LINK_DRIVER ${KARVELIN_MINGW_TRIPLET}-g++-win32)
