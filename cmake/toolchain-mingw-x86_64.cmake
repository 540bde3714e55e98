# Native 64-bit Windows. Its loader is called directly: every host that runs
# Wine at all can start it, also where the 32-bit loader cannot start.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
find_program(TARVIK_WINE_LOADER NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
