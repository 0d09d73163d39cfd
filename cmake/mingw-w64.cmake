# Cross-builds Varnok for 64-bit Windows with Debian's mingw-w64 compilers
# (the posix thread model, for std::thread) and runs what it builds under
# wine, so that ctest runs the Windows test programs unchanged:
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)

# Libraries and headers come from the mingw-w64 tree only, programs from the
# build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under wine, with its prefix inside the build folder, its
# debug output off and no offer to install extra runtimes. Create the prefix
# before the first ctest run (scripts/wine-env.sh does): a first start prints
# to standard output.
set(CMAKE_CROSSCOMPILING_EMULATOR
  /usr/bin/env
  WINEDEBUG=-all
  WINEPREFIX=${CMAKE_BINARY_DIR}/wine
  WINEDLLOVERRIDES=mscoree,mshtml=
  /usr/lib/wine/wine64)
