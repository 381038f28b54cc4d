# A Windows zip: the hosts find QEV_3DS.dll next to them, as users put it.
set(bin ${CMAKE_CURRENT_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${bin})
file(GLOB dlls ${BUNDLE}/bin/*.dll)
file(COPY ${dlls} ${BUNDLE}/bin/qev3ds.exe DESTINATION ${bin})
set(include_dir ${BUNDLE}/include)

function(bundle_host name)
  add_executable(${name} ${ARGN})
  target_include_directories(${name} PRIVATE ${include_dir})
  target_link_options(${name} PRIVATE -static)
endfunction()

function(run_in name folder)
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/out/${folder})
  add_test(NAME ${name} COMMAND ${ARGN} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/out/${folder})
endfunction()

# The files of a host's run equal what the Linux library writes from the
# same script.
function(same_bytes_as_linux name folder host_test)
  if(LINUX_HOST)
    add_test(NAME ${name}
             COMMAND ${CMAKE_COMMAND} -DLINUX_HOST=${LINUX_HOST} -DWIN_DIR=${CMAKE_CURRENT_BINARY_DIR}/out/${folder}
                     -DLIN_DIR=${CMAKE_CURRENT_BINARY_DIR}/out/linux-${folder}
                     -P ${TESTS_DIR}/windows/compare_files.cmake)
    set_tests_properties(${host_test} PROPERTIES FIXTURES_SETUP ${folder})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${folder})
  endif()
endfunction()

# The whole test scene through QEV_3DS.dll loaded by name.
bundle_host(windows_host ${TESTS_DIR}/windows/windows_host.cpp)
run_in(windows_host windows_host windows_host .)
same_bytes_as_linux(same_bytes_as_linux windows_host windows_host)

# Linked at build time: MinGW against libQEV_3DS.dll.a, clang in MSVC mode
# with lld-link against QEV_3DS.lib.
bundle_host(import_host_mingw ${TESTS_DIR}/windows/import_host.c)
target_link_libraries(import_host_mingw PRIVATE ${BUNDLE}/lib/libQEV_3DS.dll.a)
run_in(import_host_mingw import_mingw import_host_mingw)

find_program(CLANG NAMES clang clang-14 clang-15 clang-16)
find_program(LLD_LINK NAMES lld-link lld-link-14 lld-link-15 lld-link-16)
find_program(LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 llvm-dlltool-15 llvm-dlltool-16)
if(NOT CLANG OR NOT LLD_LINK OR NOT LLVM_DLLTOOL)
  message(FATAL_ERROR "the bundle test needs clang, lld-link and llvm-dlltool (Debian: clang lld llvm)")
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(target i686-pc-windows-msvc)
  set(machine i386)
  set(kernel32 "GetStdHandle@4\n  WriteFile@20\n  ExitProcess@4")
else()
  set(target x86_64-pc-windows-msvc)
  set(machine i386:x86-64)
  set(kernel32 "GetStdHandle\n  WriteFile\n  ExitProcess")
endif()
set(msvc ${CMAKE_CURRENT_BINARY_DIR}/msvc)
file(WRITE ${msvc}/kernel32.def "LIBRARY kernel32.dll\nEXPORTS\n  ${kernel32}\n")
add_custom_command(OUTPUT ${bin}/import_host_msvc.exe
  COMMAND ${LLVM_DLLTOOL} -m ${machine} -k -d ${msvc}/kernel32.def -l ${msvc}/kernel32.lib
  COMMAND ${CLANG} --target=${target} -ffreestanding -fno-stack-protector -fno-builtin -DQEV_FREESTANDING
          -I${include_dir} -c ${TESTS_DIR}/windows/import_host.c -o ${msvc}/import_host.obj
  COMMAND ${LLD_LINK} /nologo /entry:mainCRTStartup /subsystem:console /nodefaultlib
          /out:${bin}/import_host_msvc.exe ${msvc}/import_host.obj ${BUNDLE}/lib/QEV_3DS.lib ${msvc}/kernel32.lib
  DEPENDS ${TESTS_DIR}/windows/import_host.c)
add_custom_target(import_host_msvc ALL DEPENDS ${bin}/import_host_msvc.exe)
run_in(import_host_msvc import_msvc ${CMAKE_CROSSCOMPILING_EMULATOR} ${bin}/import_host_msvc.exe)

# The stdcall companion, with the stack pointer checked around every call.
# Pointed at the C-convention QEV_3DS.dll, the host must see the stack
# pointer move.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  bundle_host(stdcall_host ${TESTS_DIR}/windows/stdcall_host.cpp)
  run_in(stdcall_host stdcall_host stdcall_host . QEV_3DS_STDCALL.dll)
  same_bytes_as_linux(stdcall_same_bytes_as_linux stdcall_host stdcall_host)
  run_in(stdcall_host_sees_cdecl_dll stdcall_cdecl stdcall_host . QEV_3DS.dll)
  set_tests_properties(stdcall_host_sees_cdecl_dll PROPERTIES
    PASS_REGULAR_EXPRESSION "QEV_PUT_3DS_N_LAYER: stack pointer moved by -4 bytes")
endif()

# qev3ds.exe writes what the Linux tool writes.
add_test(NAME tool_same_files_as_linux
         COMMAND ${CMAKE_COMMAND} "-DWINE=${CMAKE_CROSSCOMPILING_EMULATOR}" -DWIN_TOOL=${bin}/qev3ds.exe
                 -DLINUX_TOOL=${LINUX_TOOL} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/out/tool
                 -DCOMMANDS=${TOOL_COMMANDS} -P ${TESTS_DIR}/windows/compare_tool.cmake)

# What every product carries: the thirteen exports, system imports only, a
# version resource.
file(GLOB products ${bin}/QEV_3DS*.dll)
list(APPEND products ${bin}/qev3ds.exe)
string(REGEX MATCH "[0-9]+\\.[0-9]+\\.[0-9]+" version "${BUNDLE}")
add_test(NAME products_tables_and_versions
         COMMAND ${CMAKE_COMMAND} "-DDLLS=${products}" -DOBJDUMP=${CMAKE_OBJDUMP} -DVERSION=${version}
                 -P ${TESTS_DIR}/windows/check_dll.cmake)
