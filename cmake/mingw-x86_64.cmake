# The 64-bit Windows DLL, tested under 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KARVELIN_MINGW_TRIPLET x86_64-w64-mingw32)
set(KARVELIN_WINE_RUNNER wine64-run.sh)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
