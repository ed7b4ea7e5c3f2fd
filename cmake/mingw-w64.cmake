# Cross-builds the programs and their tests for 64-bit Windows with Debian's mingw-w64 (the POSIX
# threads variant, for std::thread) and runs the tests under wine64. Used by scripts/windows-build.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KORVA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KORVA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVA_MINGW_PREFIX}-windres)
set(CMAKE_STRIP ${KORVA_MINGW_PREFIX}-strip CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${KORVA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and winpthreads linked in: an .exe needs no DLL beside it, only the system's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Debian keeps wine64 in the package's own folder, off PATH. Each build folder gets a Wine prefix of its
# own; WINEDEBUG=-all keeps Wine's diagnostics out of the tests' output, and the overrides stop Wine
# from offering to install Mono and Gecko, which nothing here uses.
find_program(KORVA_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(KORVA_WINE64 wine64)
if(KORVA_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /usr/bin/env WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
      ${KORVA_WINE64})
endif()
