# Cross build for 32-bit Windows with Debian's g++-mingw-w64-i686.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QEV_MINGW_PREFIX i686-w64-mingw32)
set(QEV_WINE_NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
