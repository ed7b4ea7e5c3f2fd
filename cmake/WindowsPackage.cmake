# The Windows packages, `cmake --build build-windows --target package`: the portable zip and the
# installer (NSIS, Debian's makensis), both of KorvaCfg.exe where this build has the console,
# korvactl.exe and korva-sim.exe, static so that they need no DLL beside them, and the README's Windows
# section.
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
if(TARGET KorvaCfg)
  install(TARGETS KorvaCfg RUNTIME DESTINATION .)
endif()

set(CPACK_GENERATOR ZIP NSIS64)
set(CPACK_PACKAGE_NAME korvacfg)
set(CPACK_PACKAGE_VENDOR KorvaCfg)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME windows-x64)
set(CPACK_STRIP_FILES ON)

# The installer: per machine into Program Files (NSIS64 installs into the 64-bit one), registered in
# Add/Remove programs with its uninstaller, which takes away what it put in place.
set(CPACK_PACKAGE_INSTALL_DIRECTORY KorvaCfg)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY KorvaCfg)
# The name without the version is the Start-menu folder's too, which an update then keeps.
set(CPACK_NSIS_PACKAGE_NAME KorvaCfg)
set(CPACK_NSIS_DISPLAY_NAME KorvaCfg)
set(CPACK_NSIS_COMPRESSOR lzma)
# NSIS64 only chooses the 64-bit Program Files: the installer itself would be a 32-bit program, which a
# 64-bit Windows without its 32-bit layer (Wine's wine64 alone) cannot start.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(korva_icon ${PROJECT_SOURCE_DIR}/packaging/windows/korvacfg.ico)
set(CPACK_NSIS_MUI_ICON ${korva_icon})
set(CPACK_NSIS_MUI_UNIICON ${korva_icon})
# Asked and answered by the template: the program folder goes with the uninstaller, and a second install
# replaces the first instead of leaving two entries in Add/Remove programs.
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
if(TARGET KorvaCfg)
  # The Start-menu entry and Add/Remove programs show the console's icon, which is installed beside it
  # so that neither depends on what the executable's resources hold.
  install(FILES ${korva_icon} DESTINATION .)
  set(CPACK_NSIS_INSTALLED_ICON_NAME korvacfg.ico)
  set(CPACK_NSIS_CREATE_ICONS_EXTRA
      "CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\KorvaCfg.lnk' '$INSTDIR\\\\KorvaCfg.exe' '' '$INSTDIR\\\\korvacfg.ico'")
  set(CPACK_NSIS_DELETE_ICONS_EXTRA "Delete '$SMPROGRAMS\\\\$MUI_TEMP\\\\KorvaCfg.lnk'")
  # Where its user may write into the program's folder, the console keeps its settings beside itself:
  # they belong to this installation and go with it. Settings in %APPDATA% stay the user's.
  set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "Delete '$INSTDIR\\\\KorvaCfg.ini'")
else()
  set(CPACK_NSIS_INSTALLED_ICON_NAME korvactl.exe)
endif()
include(CPack)
