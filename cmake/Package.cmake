# `cmake --build build --target package`: one Debian package of everything `cmake --install` puts in
# place, its run-time dependencies worked out from the programs by dpkg-shlibdeps.
set(KORVA_PACKAGE_MAINTAINER "KorvaCfg developers <korvacfg@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME korvacfg)

# The version has no Debian revision (the package is made where the program is), so Debian's rules
# for a native package apply: its changelog is changelog.gz.
# The changelog's newest entry names the version it ships; a version bumped without a new entry
# would give a package whose changelog speaks of another version.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog korva_changelog_head LIMIT_COUNT 1)
if(NOT korva_changelog_head MATCHES "^korvacfg \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: add an entry for version ${PROJECT_VERSION} at the top")
endif()
set(korva_changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${korva_changelog}
  COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${PROJECT_SOURCE_DIR}/packaging/changelog ${korva_changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(korva_changelog ALL DEPENDS ${korva_changelog})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${korva_changelog}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KORVA_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console for Korva site controllers on the network")
# Lines of the description are kept under 80 columns here: CPack does not wrap them.
set(CPACK_PACKAGE_DESCRIPTION
    "KorvaCfg reads the live data of one Korva site controller over UDP, once or
every 500 ms, reads and writes its address, mask and gateway, and resets it.
The package also holds korvactl, which does the same for many devices at once
from a script, and korva-sim, a simulated device for training.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# /etc/default/korvactl-exporter is the administrator's: an upgrade keeps their changes.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/conffiles)
set(CPACK_STRIP_FILES ON)
include(CPack)
