# The copyright holder and the terms from packaging/copyright, the one place they are written (the
# Debian package ships that file as it is), for what the Windows build shows of them: the publisher in
# Add/Remove programs, CompanyName and LegalCopyright in KorvaCfg.exe's version resource, and
# LICENSE.txt at the root of the zip and of the install folder, whose text the installer's licence page
# shows. Sets KORVA_COPYRIGHT ("2026 KorvaCfg developers"), KORVA_COPYRIGHT_HOLDER ("KorvaCfg
# developers") and KORVA_LICENSE_FILE.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/copyright korva_copyright_lines)
set(korva_terms "")
set(korva_in_license FALSE)
foreach(line IN LISTS korva_copyright_lines)
  if(line MATCHES "^Copyright: *(.+)$")
    set(KORVA_COPYRIGHT ${CMAKE_MATCH_1})
  elseif(line MATCHES "^License:")
    set(korva_in_license TRUE)
  elseif(korva_in_license AND line MATCHES "^ (.*)$")
    # A lone "." stands for an empty line in the Debian format.
    set(korva_line ${CMAKE_MATCH_1})
    if(korva_line STREQUAL ".")
      set(korva_line "")
    endif()
    string(APPEND korva_terms "${korva_line}\n")
  else()
    set(korva_in_license FALSE)
  endif()
endforeach()
if(NOT KORVA_COPYRIGHT OR korva_terms STREQUAL "")
  message(FATAL_ERROR "packaging/copyright names no copyright holder or no licence text")
endif()
# The holder without the years before it.
string(REGEX REPLACE "^[0-9, -]+" "" KORVA_COPYRIGHT_HOLDER "${KORVA_COPYRIGHT}")

set(KORVA_LICENSE_FILE ${PROJECT_BINARY_DIR}/LICENSE.txt)
# Line ends as Windows' own editors write them.
file(CONFIGURE OUTPUT ${KORVA_LICENSE_FILE}
     CONTENT "KorvaCfg\n\nCopyright ${KORVA_COPYRIGHT}\n\n${korva_terms}" NEWLINE_STYLE WIN32)
