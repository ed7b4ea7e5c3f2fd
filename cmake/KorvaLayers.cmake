# The layers, from the bottom: korva_language and korva_protocol (the standard library alone), korva_transport,
# the console's libraries, the program's (app/), and beside those the tools' (tools/), which use
# korva_language, korva_protocol and korva_transport. A library links only the ones below it, and
# korva_public_folder makes that the only headers it can include.
#
# korva_public_folder(TARGET FOLDER)
# Offers the target's users the headers of its own source folder and of no other, not even of the
# folders inside it (a front end's, below the rules it draws). The include path is a folder of the
# build tree named like FOLDER that holds one link to each of FOLDER's headers, so that
# "protocol/messages.h" resolves wherever korva_protocol is linked, and an include from a layer the
# library does not link (the console's rules reaching into app/ or into a window) fails to build.
function(korva_public_folder target folder)
  set(root "${PROJECT_BINARY_DIR}/include/${target}")
  set(published "${root}/${folder}")
  # A build tree configured before held links to whole folders: one on the way goes, never what it
  # points to.
  set(step_path "${root}")
  string(REPLACE "/" ";" steps "${folder}")
  foreach(step IN LISTS steps)
    string(APPEND step_path "/${step}")
    if(IS_SYMLINK "${step_path}")
      file(REMOVE "${step_path}")
    endif()
  endforeach()
  file(MAKE_DIRECTORY "${published}")
  # Links to headers that are gone go too; the folder holds nothing else.
  file(GLOB stale LIST_DIRECTORIES false "${published}/*")
  foreach(link IN LISTS stale)
    if(IS_SYMLINK "${link}")
      file(REMOVE "${link}")
    endif()
  endforeach()
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
