# Shared by the mingw-w64 toolchain files, which set QEV_MINGW_PREFIX and
# CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QEV_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${QEV_MINGW_PREFIX}-g++)
# The Fortran example is optional: name the cross compiler only where it is.
find_program(QEV_MINGW_GFORTRAN ${QEV_MINGW_PREFIX}-gfortran)
if(QEV_MINGW_GFORTRAN)
  set(CMAKE_Fortran_COMPILER ${QEV_MINGW_GFORTRAN})
endif()
set(CMAKE_RC_COMPILER ${QEV_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QEV_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run the Windows executables under wine (QEV_WINE overrides the choice).
find_program(QEV_WINE NAMES ${QEV_WINE_NAMES} PATHS /usr/lib/wine)
if(QEV_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEV_WINE})
endif()
