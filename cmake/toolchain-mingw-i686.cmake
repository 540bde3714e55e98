# 32-bit Windows, the release build. Debian's `wine` script takes the 32-bit
# loader, which only starts on hosts that can run 32-bit Linux programs.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
find_program(TARVIK_WINE_LOADER NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
