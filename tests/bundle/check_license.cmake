# The license travels with the bundle: the Debian copyright file, the CMake
# package and the pkg-config file name it.
# Run as: cmake -DPREFIX=<usr folder of the bundle> -P check_license.cmake
set(copyright ${PREFIX}/share/doc/qev3ds/copyright)
file(READ ${copyright} text)
if(NOT text MATCHES "License: MIT" OR NOT text MATCHES "Permission is hereby granted")
  message(FATAL_ERROR "${copyright} does not carry the MIT license")
endif()
file(GLOB_RECURSE config ${PREFIX}/lib/*QEV_3DSConfig.cmake)
file(GLOB_RECURSE pc ${PREFIX}/lib/*qev_3ds.pc)
foreach(f ${config} ${pc})
  file(READ ${f} text)
  if(NOT text MATCHES "MIT License")
    message(FATAL_ERROR "${f} does not name the license")
  endif()
endforeach()
if(NOT config OR NOT pc)
  message(FATAL_ERROR "the CMake package or the pkg-config file is missing")
endif()
