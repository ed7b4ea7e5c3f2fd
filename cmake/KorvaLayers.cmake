# The layers, from the bottom: korva_language and korva_protocol (the standard library alone), korva_transport,
# the console's libraries, the settings file's (app/settings/), the program's wiring (app/), and beside
# those the tools' (tools/), which use korva_language, korva_protocol and korva_transport. A library links
# only the ones below it, and korva_public_folder makes that the only headers it can include.
#
# korva_public_folder(TARGET FOLDER)
# Offers the target's users the headers of its own source folder and of no other, not even of the
# folders inside it (a front end's, below the rules it draws). The include path is a folder of the
# build tree named like FOLDER that holds one link to each of FOLDER's headers, so that
# "protocol/messages.h" resolves wherever korva_protocol is linked, and an include from a layer the
# library does not link (the console's rules reaching into app/ or into a window, the settings file
# into the program's wiring) fails to build. A target publishes one folder.
function(korva_public_folder target folder)
  set(root "${PROJECT_BINARY_DIR}/include/${target}")
  set(published "${root}/${folder}")
  # Every link a build tree configured before left under the target's folder goes first, never what it
  # points to: links to whole folders, to headers that are gone, and to the headers of a folder the
  # target published then (the settings' libraries once published all of app/), which would still
  # let an include of that folder build.
  file(GLOB_RECURSE links LIST_DIRECTORIES false "${root}/*")
  foreach(link IN LISTS links)
    if(IS_SYMLINK "${link}")
      file(REMOVE "${link}")
    endif()
  endforeach()
  file(MAKE_DIRECTORY "${published}")
  file(GLOB headers CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${folder}/*.h")
  foreach(header IN LISTS headers)
    get_filename_component(name "${header}" NAME)
    file(CREATE_LINK "${header}" "${published}/${name}" SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE "${root}")  # a folder of headers alone
  else()
    target_include_directories(${target} PUBLIC "${root}")
  endif()
endfunction()
