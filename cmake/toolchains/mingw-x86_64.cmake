# 64-bit Windows with mingw-w64. Windows programs of this build run under wine64, which runs
# 64-bit Windows programs only; it is how the Windows loader path is tested on Linux machines.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

# The win32 thread model, as in the 32-bit build. Programs link their runtime statically, like
# the module libraries, so that wine needs no mingw library beside them.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(NALTO_OBJDUMP x86_64-w64-mingw32-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Debian installs wine's programs outside PATH. Each build tree keeps its own wine prefix; wine's
# diagnostics stay off so that test output is the program's own.
find_program(NALTO_WINE64 wine64 PATHS /usr/lib/wine REQUIRED)
find_program(NALTO_WINESERVER wineserver PATHS /usr/lib/wine REQUIRED)
set(NALTO_WINE_ENV ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NALTO_WINE_ENV} ${NALTO_WINE64})
