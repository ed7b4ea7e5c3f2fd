# What `cmake --install` puts where: the programs, their man pages, korvactl's bash completion, the
# exporter's service with its Prometheus examples and Grafana dashboard, the Wireshark dissector, and
# the console's desktop entry and icon.
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

# The exporter as a service, installed but not enabled: nothing listens until someone chooses to.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/korvactl-exporter.service DESTINATION lib/systemd/system)
# /etc whatever the prefix: the package's conffiles (packaging/conffiles) name it there.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/korvactl-exporter.default DESTINATION /etc/default
        RENAME korvactl-exporter)

# Examples and the dissector under the package's own share folder; the dissector also where Wireshark
# loads system-wide Lua plugins (`tshark -G folders`, "Global Lua Plugins"), as a link to the one copy.
set(korva_share ${CMAKE_INSTALL_DATADIR}/korvacfg)
install(FILES ${PROJECT_SOURCE_DIR}/docs/prometheus/prometheus.yml ${PROJECT_SOURCE_DIR}/docs/prometheus/korva-alerts.yml
              ${PROJECT_SOURCE_DIR}/docs/prometheus/korva-alerts.test.yml
        DESTINATION ${korva_share}/prometheus)
# The fleet's Grafana dashboard, to import or provision beside the Prometheus examples.
install(FILES ${PROJECT_SOURCE_DIR}/docs/grafana/korva-fleet.json DESTINATION ${korva_share}/grafana)
install(FILES ${PROJECT_SOURCE_DIR}/tools/wireshark/korva.lua DESTINATION ${korva_share}/wireshark)
# Debian's Wireshark looks in the multiarch folder (lib/x86_64-linux-gnu/wireshark/plugins).
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(korva_lua_plugins lib/${CMAKE_LIBRARY_ARCHITECTURE}/wireshark/plugins)
else()
  set(korva_lua_plugins lib/wireshark/plugins)
endif()
file(RELATIVE_PATH korva_dissector_link /usr/${korva_lua_plugins} /usr/${korva_share}/wireshark/korva.lua)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
file(CREATE_LINK ${korva_dissector_link} ${PROJECT_BINARY_DIR}/packaging/korva.lua SYMBOLIC)
install(FILES ${PROJECT_BINARY_DIR}/packaging/korva.lua DESTINATION ${korva_lua_plugins})

if(KORVA_BUILD_CONSOLE)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/korvacfg.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/korvacfg.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
