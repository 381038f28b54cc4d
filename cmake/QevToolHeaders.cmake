# qev_tool_headers(): the header-only libraries the tool compiles in (CLI11,
# tinyobjloader, tinygltf with nlohmann's JSON, stb's image coders), copied
# from the build machine's Debian headers into QEV_TOOL_HEADERS, a folder of
# the build: a cross compiler must not see the rest of /usr/include. Sets
# QEV_TOOL_HEADERS_MISSING to the Debian packages not found.
function(qev_tool_headers)
  find_path(QEV_CLI11_INCLUDE CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
  find_path(QEV_TINYOBJ_INCLUDE tiny_obj_loader.h PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
  find_path(QEV_TINYGLTF_INCLUDE tiny_gltf.h PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
  find_path(QEV_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
  find_path(QEV_STB_INCLUDE stb_image.h PATHS /usr/include/stb NO_CMAKE_FIND_ROOT_PATH)
  set(missing)
  foreach(need CLI11:libcli11-dev TINYOBJ:libtinyobjloader-dev TINYGLTF:libtinygltf-dev JSON:nlohmann-json3-dev
          STB:libstb-dev)
    string(REPLACE ":" ";" pair ${need})
    list(GET pair 0 name)
    list(GET pair 1 package)
    if(NOT QEV_${name}_INCLUDE)
      list(APPEND missing ${package})
    endif()
  endforeach()
  set(QEV_TOOL_HEADERS_MISSING "${missing}" PARENT_SCOPE)
  if(missing)
    return()
  endif()
  set(dir ${PROJECT_BINARY_DIR}/header-only)
  file(COPY ${QEV_CLI11_INCLUDE}/CLI ${QEV_JSON_INCLUDE}/nlohmann DESTINATION ${dir})
  file(COPY ${QEV_TINYOBJ_INCLUDE}/tiny_obj_loader.h ${QEV_TINYGLTF_INCLUDE}/tiny_gltf.h
            ${QEV_STB_INCLUDE}/stb_image.h ${QEV_STB_INCLUDE}/stb_image_write.h DESTINATION ${dir})
  set(QEV_TOOL_HEADERS ${dir} PARENT_SCOPE)
endfunction()
