# 32-bit Windows programs with Debian's i686 mingw-w64 cross compiler:
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
#
# Floating point goes through SSE2 as on x86-64, not through the x87 unit with
# its 80-bit intermediates: the 32-bit programs then compute every double
# exactly as the 64-bit and Linux programs do, digit for digit in the tables.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KEVOR_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# The full-capacity tables take several hundred MB of address space: on
# 64-bit Windows the 32-bit programs may use 4 GB instead of 2.
set(KEVOR_MINGW_LINK_FLAGS "-Wl,--large-address-aware")
set(KEVOR_WINE_NAMES wine wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
