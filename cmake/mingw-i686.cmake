# The 32-bit Windows DLL, tested under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KARVELIN_MINGW_TRIPLET i686-w64-mingw32)
set(KARVELIN_WINE_RUNNER wine-run.sh)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
