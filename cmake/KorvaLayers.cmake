# The layers, from the bottom: korva_language and korva_protocol (the standard library alone), korva_transport,
# the console's libraries, the program's (app/), and beside those the tools' (tools/), which use
# korva_language, korva_protocol and korva_transport. A library links only the ones below it, and
# korva_public_folder makes that the only headers it can include.
#
# korva_public_folder(TARGET FOLDER)
# Offers the target's users the headers of its own source folder and of no other. The include path is a
# folder of the build tree holding one link, named like FOLDER, to the source folder, so that
# "protocol/messages.h" resolves wherever korva_protocol is linked, and an include from a layer the
# library does not link (the console's rules reaching into app/, say) fails to build.
function(korva_public_folder target folder)
  set(root "${PROJECT_BINARY_DIR}/include/${target}")
  get_filename_component(parent "${root}/${folder}" DIRECTORY)
  # A build tree configured when the target published a folder above this one holds a link where a
  # folder is wanted now: it goes first, or the folders made below would land in the source tree.
  set(above "${root}")
  string(REPLACE "/" ";" steps "${folder}")
  foreach(step IN LISTS steps)
    string(APPEND above "/${step}")
    if(IS_SYMLINK "${above}" AND NOT above STREQUAL "${root}/${folder}")
      file(REMOVE "${above}")
    endif()
  endforeach()
  file(MAKE_DIRECTORY "${parent}")
  file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${folder}" "${root}/${folder}" SYMBOLIC)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE "${root}")  # a folder of headers alone
  else()
    target_include_directories(${target} PUBLIC "${root}")
  endif()
endfunction()
