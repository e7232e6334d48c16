# 64-bit Windows programs with Debian's x86-64 mingw-w64 cross compiler:
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KEVOR_MINGW_TRIPLET x86_64-w64-mingw32)
set(KEVOR_WINE_NAMES wine64 wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
