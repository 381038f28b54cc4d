# Builds a consumer against an installed QEV_3DS with find_package and with
# pkg-config, and runs both.
# Run as: cmake -DPREFIX=<prefix> -DSOURCE_DIR=<tests/consumer> -DWORK=<dir>
#   [-DNODE=<node> -DVALIDATE=<validate.js> -DVALIDATOR=<gltf-validator folder>] -P build_consumers.cmake
include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

file(REMOVE_RECURSE ${WORK})
# find_package(QEV_3DS)
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK}/cmake-build -DCMAKE_PREFIX_PATH=${PREFIX})
run(${CMAKE_COMMAND} --build ${WORK}/cmake-build)
run(${WORK}/cmake-build/consumer ${WORK}/by-cmake.3ds)
run(${WORK}/cmake-build/scene_consumer ${WORK}/by-cmake.3ds)
if(NOT EXISTS ${WORK}/cmake-build/convert_consumer)
  message(FATAL_ERROR "the installed package has no QEV_3DS::convert")
endif()
run(${WORK}/cmake-build/convert_consumer ${WORK})
if(NODE AND VALIDATOR)
  run(${NODE} ${VALIDATE} --files ${VALIDATOR} ${WORK}/a.glb)
endif()

# pkg-config
file(GLOB_RECURSE pc_files ${PREFIX}/*/qev_3ds.pc)
list(GET pc_files 0 pc)
get_filename_component(pc_dir ${pc} DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
execute_process(COMMAND pkg-config --cflags --libs qev_3ds OUTPUT_VARIABLE flags RESULT_VARIABLE rc
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know qev_3ds")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
run(cc ${SOURCE_DIR}/consumer.c ${flags} -o ${WORK}/pc-consumer)
get_filename_component(libdir ${pc_dir} DIRECTORY)
set(ENV{LD_LIBRARY_PATH} ${libdir})
run(${WORK}/pc-consumer ${WORK}/by-pkg-config.3ds)
