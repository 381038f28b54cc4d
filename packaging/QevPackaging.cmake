# What a release holds, and how CPack packs it: on Windows a zip per
# architecture (DLLs, import libraries, .def, header, qev3ds.exe, examples,
# documents); on Linux a tarball and a Debian package (library, header, CMake
# package, pkg-config file, tool, copyright).

set(QEV_DOCS ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
# The guides the README links to, beside it as docs/.
file(GLOB QEV_GUIDES ${PROJECT_SOURCE_DIR}/docs/*.md ${PROJECT_SOURCE_DIR}/docs/*.png)
set(QEV_EXAMPLE_FOLDERS basic cpp dotnet fortran)

set(CPACK_PACKAGE_NAME QEV_3DS)
set(CPACK_PACKAGE_VENDOR "The QEV_3DS developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(arch x86)
  else()
    set(arch x64)
  endif()
  install(FILES ${QEV_DOCS} DESTINATION .)
  install(FILES ${QEV_GUIDES} DESTINATION docs)
  foreach(folder IN LISTS QEV_EXAMPLE_FOLDERS)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/${folder} DESTINATION examples)
  endforeach()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME QEV_3DS-${PROJECT_VERSION}-windows-${arch})
else()
  # Debian keeps a package's documents under its own name, the license as
  # "copyright" in the machine-readable format.
  set(QEV_DEB_NAME qev3ds)
  set(docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${QEV_DEB_NAME})
  install(FILES ${QEV_DOCS} DESTINATION ${docdir})
  install(FILES ${QEV_GUIDES} DESTINATION ${docdir}/docs)
  foreach(folder IN LISTS QEV_EXAMPLE_FOLDERS)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/${folder} DESTINATION ${docdir}/examples)
  endforeach()
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
  string(REGEX REPLACE "\n\n" "\n.\n" license "${license}")
  string(REGEX REPLACE "\n([^\n])" "\n \\1" license "${license}")
  string(REGEX MATCH "Copyright \\(c\\) [^\n]+" holder "${license}")
  string(REPLACE "Copyright (c) " "" holder "${holder}")
  file(WRITE ${PROJECT_BINARY_DIR}/copyright
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: QEV_3DS\n\n"
    "Files: *\nCopyright: ${holder}\nLicense: MIT\n\n"
    "License: MIT\n ${license}")
  install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${docdir})

  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_PACKAGE_FILE_NAME QEV_3DS-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_DEBIAN_PACKAGE_NAME ${QEV_DEB_NAME})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The QEV_3DS developers")
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A C library of thirteen functions that write triangle meshes into 3DS scene
 files and read them back, a C++ scene API, and the qev3ds converter.")
  # Dependencies from the binaries' own needs (dpkg-shlibdeps), and the
  # library registered with ldconfig.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/cpack_per_generator.cmake)
endif()
include(CPack)
