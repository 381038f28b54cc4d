# Writes the sample scene with the tool and lists it with the example; the
# plate's faces must come out in its own colour.
execute_process(COMMAND ${TOOL} demo ${WORK}/demo.3ds OUTPUT_QUIET RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "qev3ds demo failed")
endif()
execute_process(COMMAND ${EXAMPLE} ${WORK}/demo.3ds OUTPUT_VARIABLE out RESULT_VARIABLE rc)
message(STATUS "${out}")
if(NOT rc EQUAL 0 OR NOT out MATCHES "Plate: 9 vertices, 8 faces\n  faces 0-7: PlateMAT, colour 200,120,40")
  message(FATAL_ERROR "unexpected listing")
endif()
