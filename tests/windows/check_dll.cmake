# Every Windows product: the DLLs export exactly the thirteen undecorated
# names, everything imports only system DLLs (qev3ds.exe may also import QEV_3DS.dll),
# and each carries a version resource naming the product and its version.
# Run as: cmake "-DDLLS=<file;...>" -DOBJDUMP=<objdump> -DVERSION=<x.y.z> -P check_dll.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../exported_names.cmake)

foreach(file IN LISTS DLLS)
  get_filename_component(base ${file} NAME)
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${file}")
  endif()

  if(base MATCHES "\\.dll$")
    # Exports: the lines of the name pointer table.
    string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" table "${out}")
    string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" entries "${table}")
    set(names)
    foreach(e IN LISTS entries)
      string(REGEX REPLACE "^\t\\[ *[0-9]+\\] " "" name "${e}")
      list(APPEND names ${name})
    endforeach()
    list(SORT names)
    if(NOT names STREQUAL QEV_EXPORTED_NAMES)
      message(FATAL_ERROR "${base} exports differ:\n  got: ${names}\n  expected: ${QEV_EXPORTED_NAMES}")
    endif()
  endif()

  # Imports: system DLLs only, no C++ or GCC runtime DLL.
  set(allowed "kernel32|msvcrt|user32|advapi32|ntdll|ucrtbase|api-ms-win-.*")
  if(base MATCHES "\\.exe$")
    set(allowed "${allowed}|qev_3ds")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${out}")
  foreach(i IN LISTS imports)
    string(REGEX REPLACE "DLL Name: " "" dll "${i}")
    string(TOLOWER "${dll}" lower)
    if(NOT lower MATCHES "^(${allowed})\\.dll$")
      message(FATAL_ERROR "${base} imports ${dll}, which is not a system DLL")
    endif()
  endforeach()

  # The version resource's strings are UTF-16.
  file(STRINGS ${file} strings ENCODING UTF-16LE REGEX "^[A-Za-z0-9_. ]+$")
  foreach(want "ProductName" "QEV_3DS" "FileVersion" "${VERSION}" "OriginalFilename" "${base}")
    list(FIND strings "${want}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${base} has no version resource string \"${want}\"")
    endif()
  endforeach()
  message(STATUS "${base}: imports ${imports}; version resource ${VERSION}")
endforeach()
