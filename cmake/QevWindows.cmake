# Windows products, included from the top-level list when the target is
# Windows: QEV_3DS.dll's import libraries, the stdcall companion DLL for
# 32-bit Basic hosts, and a version resource in every DLL and executable.

enable_language(RC)
include(QevVersionResource)

# QEV_3DS.dll, as hosts load it, without the "lib" prefix; the exports are
# fixed by the module-definition file, and the C++ runtime is linked in so the
# DLL needs nothing but system DLLs. MinGW links against libQEV_3DS.dll.a.
target_sources(QEV_3DS PRIVATE ${PROJECT_SOURCE_DIR}/cmake/QEV_3DS.def)
set_target_properties(QEV_3DS PROPERTIES PREFIX "" IMPORT_PREFIX "lib" RUNTIME_OUTPUT_NAME QEV_3DS)
if(MINGW)
  target_link_options(QEV_3DS PRIVATE -static -static-libgcc -static-libstdc++)
endif()
qev_version_resource(QEV_3DS QEV_3DS.dll "QEV_3DS: triangle meshes in and out of 3DS files")

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(QEV_DLLTOOL_MACHINE i386)
else()
  set(QEV_DLLTOOL_MACHINE i386:x86-64)
endif()

# QEV_3DS.lib, the import library MSVC's linker (and lld-link) takes, made
# from the same module-definition file.
find_program(QEV_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 llvm-dlltool-15 llvm-dlltool-16)
if(QEV_LLVM_DLLTOOL)
  set(QEV_MSVC_IMPLIB ${PROJECT_BINARY_DIR}/lib/QEV_3DS.lib)
  add_custom_command(OUTPUT ${QEV_MSVC_IMPLIB}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/lib
    COMMAND ${QEV_LLVM_DLLTOOL} -m ${QEV_DLLTOOL_MACHINE} -d ${PROJECT_SOURCE_DIR}/cmake/QEV_3DS.def
            -D QEV_3DS.dll -l ${QEV_MSVC_IMPLIB}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/QEV_3DS.def
    COMMENT "MSVC import library QEV_3DS.lib")
  add_custom_target(QEV_3DS_msvc_implib ALL DEPENDS ${QEV_MSVC_IMPLIB})
  install(FILES ${QEV_MSVC_IMPLIB} DESTINATION ${CMAKE_INSTALL_LIBDIR})
else()
  message(STATUS "QEV_3DS.lib (MSVC import library): skipped, no llvm-dlltool found (Debian: llvm)")
endif()
install(FILES ${PROJECT_SOURCE_DIR}/cmake/QEV_3DS.def DESTINATION ${CMAKE_INSTALL_LIBDIR})

# QEV_3DS_STDCALL.dll: the same library with the thirteen functions in the
# stdcall convention (the callee removes the arguments), as classic Visual
# Basic's Declare and 32-bit VBA call them. The names stay undecorated. On
# 64-bit Windows there is one calling convention, so no companion is built.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_library(QEV_3DS_STDCALL SHARED ${QEV_SOURCES} ${PROJECT_SOURCE_DIR}/cmake/QEV_3DS_STDCALL.def)
  target_include_directories(QEV_3DS_STDCALL PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(QEV_3DS_STDCALL PRIVATE QEV_3DS_BUILDING QEV_3DS_STDCALL)
  set_target_properties(QEV_3DS_STDCALL PROPERTIES PREFIX "" IMPORT_PREFIX "lib"
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  qev_set_warnings(QEV_3DS_STDCALL)
  qev_set_exact_float(QEV_3DS_STDCALL)
  if(MINGW)
    # --kill-at drops the "@n" argument sizes from the exported names.
    target_link_options(QEV_3DS_STDCALL PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--kill-at)
  endif()
  qev_version_resource(QEV_3DS_STDCALL QEV_3DS_STDCALL.dll
    "QEV_3DS for stdcall hosts (Visual Basic, 32-bit VBA)")
  install(TARGETS QEV_3DS_STDCALL RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
                                  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
