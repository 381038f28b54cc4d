# Installs the build tree into a fresh prefix, then builds consumers against
# it (build_consumers.cmake).
# Run as: cmake -DBUILD_DIR=<build> -DSOURCE_DIR=<tests/consumer> -DWORK=<dir> -P check_install.cmake
include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(f include/qev_3ds.h include/qev_3ds_scene.hpp include/qev_3ds_convert.hpp bin/qev3ds)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

run(${CMAKE_COMMAND} -DPREFIX=${prefix} -DSOURCE_DIR=${SOURCE_DIR} -DWORK=${WORK}/consumers
    -DNODE=${NODE} -DVALIDATE=${VALIDATE} -DVALIDATOR=${VALIDATOR} -P ${CMAKE_CURRENT_LIST_DIR}/build_consumers.cmake)
