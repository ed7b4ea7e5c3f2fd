# The Windows packages, `cmake --build build-windows --target package`: the portable zip and the
# installer (NSIS, Debian's makensis, from cmake/NSIS.template.in), both of KorvaCfg.exe, korvactl.exe and
# korva-sim.exe, static so that they need no DLL beside them, with the technicians' README-Windows.txt
# and the licence (cmake/Copyright.cmake).
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README-Windows.txt ${PROJECT_BINARY_DIR}/README-Windows.txt
               @ONLY NEWLINE_STYLE WIN32)

set(korva_icon ${PROJECT_SOURCE_DIR}/packaging/windows/korvacfg.ico)
# The Start-menu entry, the desktop shortcut and Add/Remove programs show the console's icon, which is
# installed beside it so that none depends on what the executable's resources hold.
install(TARGETS KorvaCfg korvactl korva-sim RUNTIME DESTINATION .)
install(FILES ${PROJECT_BINARY_DIR}/README-Windows.txt ${KORVA_LICENSE_FILE} ${korva_icon} DESTINATION .)

set(CPACK_GENERATOR ZIP NSIS64)
set(CPACK_PACKAGE_NAME korvacfg)
set(CPACK_PACKAGE_VENDOR ${KORVA_COPYRIGHT_HOLDER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME windows-x64)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${KORVA_LICENSE_FILE})

# The installer's script is the project's own: CPack's would delete the settings an older console kept
# beside itself before this version could carry them over, and speaks English only.
set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake)
# NSIS64 only chooses the 64-bit Program Files: the installer itself would be a 32-bit program, which a
# 64-bit Windows without its 32-bit layer (Wine's wine64 alone) cannot start.
set(CPACK_NSIS_DEFINES "  Target amd64-unicode")
set(CPACK_NSIS_COMPRESSOR lzma)
set(CPACK_NSIS_MUI_ICON ${korva_icon})
set(CPACK_NSIS_MUI_UNIICON ${korva_icon})
include(CPack)
