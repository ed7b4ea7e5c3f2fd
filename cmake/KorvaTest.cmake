# korva_add_test(NAME SOURCES file... LIBS lib... [QT_MAIN])
# One test executable, registered with CTest; widget tests run on the offscreen platform. The programs a
# test runs speak the language their words are checked in, English, whatever the locale of whoever runs
# the suite: LC_ALL, which comes first, is C. A test of another language sets the variables itself.
# QT_MAIN: the tests need a QApplication; link the shared main of tests/console (korva_qt_test_main)
# instead of gtest_main.
function(korva_add_test name)
  cmake_parse_arguments(ARG "QT_MAIN" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_QT_MAIN)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} korva_qt_test_main)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8" TIMEOUT 300)
endfunction()
