# QEV_3DS.dll exports exactly the thirteen undecorated names and imports only
# system DLLs. Run as: cmake -DDLL=<path> -DOBJDUMP=<objdump> -P check_dll.cmake
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

# Exports: the lines of the name pointer table.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" table "${out}")
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" entries "${table}")
set(names)
foreach(e IN LISTS entries)
  string(REGEX REPLACE "^\t\\[ *[0-9]+\\] " "" name "${e}")
  list(APPEND names ${name})
endforeach()
list(SORT names)
include(${CMAKE_CURRENT_LIST_DIR}/../exported_names.cmake)
set(expected ${QEV_EXPORTED_NAMES})
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "DLL exports differ:\n  got: ${names}\n  expected: ${expected}")
endif()

# Imports: system DLLs only, no C++ or GCC runtime DLL.
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${out}")
foreach(i IN LISTS imports)
  string(REGEX REPLACE "DLL Name: " "" dll "${i}")
  string(TOLOWER "${dll}" lower)
  if(NOT lower MATCHES "^(kernel32|msvcrt|user32|advapi32|ntdll|ucrtbase|api-ms-win-.*)\\.dll$")
    message(FATAL_ERROR "QEV_3DS.dll imports ${dll}, which is not a system DLL")
  endif()
endforeach()
message(STATUS "QEV_3DS.dll: exports ${names}; imports ${imports}")
