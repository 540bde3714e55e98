# Shared part of the MinGW-w64 cross toolchains; the per-architecture files set
# TOOLCHAIN_PREFIX, the processor and the Wine loader that runs the result.
# The posix thread model is required: the win32 one has no std::mutex.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run the real executables under Wine.
if(TARVIK_WINE_LOADER)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVIK_WINE_LOADER})
endif()
