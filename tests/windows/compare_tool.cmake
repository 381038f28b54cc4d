# qev3ds.exe under wine and the Linux tool, given the same commands, write
# the same files byte for byte (and print the same report, line endings
# aside): demo, info, to-obj, from-obj, convert to and from glTF and STL,
# and render (a PNG, the same bytes: the renderer computes with + - * / and
# sqrt only, in exact-float builds, and stb writes the PNG the same way).
# Where every Windows program start is slow (32-bit wine emulated),
# -DCOMMANDS=demo runs only the demo and one conversion of it into every
# format, so that a number computed differently on one platform still shows.
# Run as: cmake -DWINE=<wine> -DWIN_TOOL=<exe> -DLINUX_TOOL=<exe> -DWORK=<dir> [-DCOMMANDS=demo]
#         -P compare_tool.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/win ${WORK}/linux)
get_filename_component(tool_dir ${WIN_TOOL} DIRECTORY)

function(both)
  execute_process(COMMAND ${WINE} ${WIN_TOOL} ${ARGN} WORKING_DIRECTORY ${WORK}/win
                  RESULT_VARIABLE win_rc OUTPUT_VARIABLE win_out ERROR_VARIABLE win_err)
  execute_process(COMMAND ${LINUX_TOOL} ${ARGN} WORKING_DIRECTORY ${WORK}/linux
                  RESULT_VARIABLE linux_rc OUTPUT_VARIABLE linux_out ERROR_VARIABLE linux_err)
  if(NOT win_rc EQUAL 0 OR NOT linux_rc EQUAL 0)
    message(FATAL_ERROR "qev3ds ${ARGN}: exit ${win_rc} on Windows (${win_err}), ${linux_rc} on Linux (${linux_err})")
  endif()
  string(REPLACE "\r\n" "\n" win_out "${win_out}")
  if(NOT win_out STREQUAL linux_out)
    message(FATAL_ERROR "qev3ds ${ARGN} printed differently:\n--- Windows\n${win_out}--- Linux\n${linux_out}")
  endif()
endfunction()

both(demo demo.3ds)
both(convert demo.3ds demo.glb demo.gltf demo.obj demo.stl)
both(render demo.3ds demo.png --size 320x240 --yaw 20 --pitch 10)
set(files demo.3ds demo.glb demo.gltf demo.bin demo.obj demo.mtl demo.stl demo.png)
if(NOT COMMANDS STREQUAL "demo")
  both(info demo.3ds)
  both(info --json demo.3ds)
  both(to-obj demo.3ds to-obj.obj)
  both(from-obj to-obj.obj back.3ds)
  both(convert demo.glb back-glb.3ds)
  both(convert demo.gltf back-gltf.3ds)
  both(convert demo.stl back-stl.3ds)
  both(render demo.3ds clear.png --view left --background none)
  list(APPEND files to-obj.obj to-obj.mtl back.3ds back-glb.3ds back-gltf.3ds back-stl.3ds clear.png)
endif()
foreach(f IN LISTS files)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/win/${f} ${WORK}/linux/${f} RESULT_VARIABLE diff)
  if(NOT diff EQUAL 0)
    message(FATAL_ERROR "${f} differs between qev3ds.exe and the Linux tool")
  endif()
endforeach()
message(STATUS "qev3ds.exe and the Linux tool agree on: ${files}")
