# A Linux tarball or the Debian package's files extracted into a fresh root:
# the tool runs, and consumers build through find_package and pkg-config.
if(IS_DIRECTORY ${BUNDLE}/usr)
  set(prefix ${BUNDLE}/usr)
else()
  set(prefix ${BUNDLE})
endif()
file(GLOB_RECURSE pc ${prefix}/lib/*/qev_3ds.pc ${prefix}/lib/pkgconfig/qev_3ds.pc)
list(GET pc 0 pc)
get_filename_component(pc_dir ${pc} DIRECTORY)
get_filename_component(libdir ${pc_dir} DIRECTORY)
set(out ${CMAKE_CURRENT_BINARY_DIR}/out)
file(MAKE_DIRECTORY ${out})

add_test(NAME tool_demo COMMAND ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir}
                                ${prefix}/bin/qev3ds demo ${out}/demo.3ds)
set_tests_properties(tool_demo PROPERTIES PASS_REGULAR_EXPRESSION "total: 3 layers, 11 triangles")

add_test(NAME license_and_copyright
         COMMAND ${CMAKE_COMMAND} -DPREFIX=${prefix} -P ${CMAKE_CURRENT_SOURCE_DIR}/check_license.cmake)

# find_package(QEV_3DS) and pkg-config, as check_install.cmake does for an
# installed build tree, here on the bundle's own files.
add_test(NAME consumers
         COMMAND ${CMAKE_COMMAND} -DPREFIX=${prefix} -DSOURCE_DIR=${TESTS_DIR}/consumer -DWORK=${out}/consumers
                 -P ${TESTS_DIR}/consumer/build_consumers.cmake)
