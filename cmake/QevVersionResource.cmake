# qev_version_resource(target file_name description): a Windows version
# resource (product, file version, description) compiled into target.

function(qev_version_resource target file_name description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(QEV_RC_FILETYPE VFT_APP)
  else()
    set(QEV_RC_FILETYPE VFT_DLL)
  endif()
  set(QEV_RC_FILE_NAME ${file_name})
  set(QEV_RC_DESCRIPTION ${description})
  set(QEV_RC_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
