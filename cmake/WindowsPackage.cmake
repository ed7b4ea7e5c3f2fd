# The portable Windows zip, `cmake --build build-windows --target package`: korvactl.exe and
# korva-sim.exe, static so that they need no DLL beside them, and the README's Windows section.
file(READ ${PROJECT_SOURCE_DIR}/README.md korva_readme)
string(FIND "${korva_readme}" "\n## Windows\n" korva_section_start)
if(korva_section_start EQUAL -1)
  message(FATAL_ERROR "README.md has no \"## Windows\" section for the Windows zip")
endif()
string(SUBSTRING "${korva_readme}" ${korva_section_start} -1 korva_section)
# The section runs from its heading to the next one of its level.
string(SUBSTRING "${korva_section}" 1 -1 korva_section)
string(FIND "${korva_section}" "\n## " korva_section_end)
string(SUBSTRING "${korva_section}" 0 ${korva_section_end} korva_section)
# Line ends as Windows' own editors write them.
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/README-Windows.txt CONTENT "${korva_section}\n" NEWLINE_STYLE WIN32)

install(TARGETS korvactl korva-sim RUNTIME DESTINATION .)
install(FILES ${PROJECT_BINARY_DIR}/README-Windows.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME korvacfg)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME windows-x64)
set(CPACK_STRIP_FILES ON)
include(CPack)
