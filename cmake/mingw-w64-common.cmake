# Shared part of the toolchain files for Debian's mingw-w64 cross compilers
# (packages g++-mingw-w64-x86-64-posix and g++-mingw-w64-i686-posix). The
# including file sets KEVOR_MINGW_TRIPLET and KEVOR_WINE_NAMES (the wine
# loaders for its programs, preferred first) before including this one.
#
# Programs are linked statically, so each .exe runs on a bare Windows machine
# with no runtime DLLs beside it.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

set(CMAKE_C_COMPILER ${KEVOR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KEVOR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KEVOR_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${KEVOR_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "archiver")
set(CMAKE_RANLIB ${KEVOR_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "ranlib")

set(CMAKE_FIND_ROOT_PATH /usr/${KEVOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
if(KEVOR_MINGW_ROOT_ONLY)
  # For a library built from its sources (the netCDF library): every library,
  # header and package it looks for must come from the cross compiler's own
  # root, or the build machine's Linux libraries would be linked in.
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
else()
  # Extra prefixes (a cross-built GoogleTest, the netCDF library) come in
  # through CMAKE_PREFIX_PATH; with the root path they are searched as given
  # as well.
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
  set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
endif()

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static ${KEVOR_MINGW_LINK_FLAGS}")

# Windows programs run on the build machine under wine (CTest lists and runs
# the tests through it; building runs nothing), quietly, with the file names
# of a UTF-8 locale, in a private wine prefix inside the build folder and
# without any window; a caller may name another emulator. A 64-bit prefix runs
# both kinds of program (the 32-bit ones with Debian's wine32 installed).
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(KEVOR_WINE NAMES ${KEVOR_WINE_NAMES} PATHS /usr/lib/wine)
  if(KEVOR_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=C.UTF-8 WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix
        WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= ${KEVOR_WINE})
  endif()
endif()
