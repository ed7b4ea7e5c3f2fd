# nlohmann/json is headers alone, so a cross build takes Debian's copy from the build machine. Only its
# own folder is put on the include path, through a folder of links in the build: the host's
# /usr/include holds the build machine's C library, which must stay out of the target's compiles.
# find_package(nlohmann_json) finds the target below through CMake's package redirects.
set(korva_host_headers ${PROJECT_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${korva_host_headers})
file(CREATE_LINK /usr/include/nlohmann ${korva_host_headers}/nlohmann SYMBOLIC)
file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/nlohmann_json-config.cmake "
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${korva_host_headers})
endif()
")
# Header-only, so the build machine's version file holds for the target too.
configure_file(/usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake
               ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/nlohmann_json-config-version.cmake COPYONLY)
