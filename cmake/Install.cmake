# What `cmake --install` puts where: the programs, their man pages, korvactl's bash completion and the
# console's desktop entry and icon.
include(GNUInstallDirs)

# Directories made by the install keep these modes whatever the umask of whoever builds the package.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(korva_programs korvactl korva-sim)
set(korva_man_pages korvactl.1 korva-sim.1)
if(KORVA_BUILD_CONSOLE)
  list(APPEND korva_programs KorvaCfg)
  list(APPEND korva_man_pages KorvaCfg.1)
endif()
install(TARGETS ${korva_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Man pages are written in scdoc and compressed the way Debian wants them (-n: no name or time stamp
# inside, so that two builds of one source give the same bytes).
find_program(KORVA_SCDOC scdoc REQUIRED)
set(korva_man_files)
foreach(page IN LISTS korva_man_pages)
  set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.scd)
  set(output ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(
    OUTPUT ${output}
    COMMAND sh -c "\"$0\" < \"$1\" | gzip -9n > \"$2\"" ${KORVA_SCDOC} ${source} ${output}
    DEPENDS ${source}
    COMMENT "Writing the man page ${page}"
    VERBATIM)
  list(APPEND korva_man_files ${output})
endforeach()
add_custom_target(korva_man_pages ALL DEPENDS ${korva_man_files})
install(FILES ${korva_man_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/korvactl.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME korvactl)

if(KORVA_BUILD_CONSOLE)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/korvacfg.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/korvacfg.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
