# Compiles the C# host and runs it under mono with the library on its path.
execute_process(COMMAND ${MCS} -out:${WORK}/dotnet_host.exe ${SOURCE_DIR}/Qev3ds.cs ${SOURCE_DIR}/WriteRead.cs
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "mcs failed")
endif()
set(ENV{LD_LIBRARY_PATH} ${LIBRARY_DIR})
execute_process(COMMAND ${MONO} ${WORK}/dotnet_host.exe ${WORK}/dotnet.3ds RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the C# host failed")
endif()
