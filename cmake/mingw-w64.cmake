# Cross-compiles for 64-bit Windows with Debian's mingw-w64; ctest runs the results through wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LUMIVEX_MINGW_PREFIX x86_64-w64-mingw32)
# The -posix threading variant: the -win32 one has no std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER ${LUMIVEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUMIVEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${LUMIVEX_MINGW_PREFIX}-windres)
set(CMAKE_AR ${LUMIVEX_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${LUMIVEX_MINGW_PREFIX}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${LUMIVEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A static runtime: the executables import only system DLLs and need nothing beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(LUMIVEX_WINE NAMES wine wine64)
if(LUMIVEX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${LUMIVEX_WINE})
endif()
