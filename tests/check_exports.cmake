# The shared library exports exactly the thirteen QEV_ functions.
# Run as: cmake -DLIB=<path> -DNM=<nm> -P check_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${LIB} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIB}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${out}")
set(names)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^.* " "" name "${line}")
  list(APPEND names ${name})
endforeach()
list(SORT names)
set(expected QEV_FORM_3DS_FILENAME QEV_PUT_3DS_END QEV_PUT_3DS_LAYER QEV_PUT_3DS_N_LAYER
    QEV_PUT_3DS_N_TRI QEV_PUT_3DS_TRIANGLE QEV_PUT_3DS_TRIANGLE_END QEV_READ_3DS_END
    QEV_READ_3DS_FILENAME QEV_READ_3DS_LAYER QEV_READ_3DS_N_LAYER QEV_READ_3DS_N_TRI
    QEV_READ_3DS_TRIANGLE)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exported symbols differ:\n  got: ${names}\n  expected: ${expected}")
endif()
message(STATUS "exports: the thirteen QEV_ functions and nothing else")
