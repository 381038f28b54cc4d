# Cross build for 64-bit Windows with Debian's g++-mingw-w64-x86-64: the same
# sources and tests, for machines whose kernel cannot run the 32-bit wine.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QEV_MINGW_PREFIX x86_64-w64-mingw32)
set(QEV_WINE_NAMES wine64 wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
