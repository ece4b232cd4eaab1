# GoogleTest from Debian's source package, built for whichever target this
# build is for; tests for Windows run under Wine inside one shared session
# (one Xvfb, one persistent wineserver) that a ctest fixture starts and stops.

if(ZELVO_FUZZ)
  # The fuzz build carries fuzzers only.
  function(zelvo_gtest name)
  endfunction()
  function(zelvo_test_properties test)
  endfunction()
  return()
endif()

set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
if(EXISTS /usr/src/googletest/CMakeLists.txt)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  message(FATAL_ERROR "GoogleTest sources not found in /usr/src/googletest: run tools/setup.sh")
endif()

set(ZELVO_WINE_SESSION ${CMAKE_BINARY_DIR}/wine-session)

if(CMAKE_CROSSCOMPILING AND NOT TARGET zelvo_wine_fixture)
  add_test(NAME wine_session_start
           COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-session start ${ZELVO_WINE_SESSION})
  add_test(NAME wine_session_stop
           COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-session stop ${ZELVO_WINE_SESSION})
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
  add_custom_target(zelvo_wine_fixture)
endif()

# zelvo_test_properties(<test>): every Windows test runs in the Wine session.
# The emulator stops a program that hangs a little before ctest would, so
# the program's own output still reaches the test log.
function(zelvo_test_properties test)
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${test} PROPERTIES
      FIXTURES_REQUIRED wine
      ENVIRONMENT "ZELVO_WINE_SESSION=${ZELVO_WINE_SESSION};ZELVO_RUN_TIMEOUT=570"
      TIMEOUT 600)
  else()
    set_tests_properties(${test} PROPERTIES TIMEOUT 600)
  endif()
endfunction()

# zelvo_gtest(<name> SOURCES ... [LIBS ...] [ARGS ...]): one GoogleTest
# program, run as one ctest test called <name>. The program's target is
# <name>, or <name>_tests when the folder already has a target of that name;
# on Windows the program file is <name>_tests.exe. Under Wine the wrapper
# also insists on the runner's own summary line, since a 32-bit program that
# never started can still "exit 0".
function(zelvo_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ARGS" ${ARGN})
  set(target ${name})
  if(TARGET ${name})
    set(target ${name}_tests)
  endif()
  add_executable(${target} ${T_SOURCES})
  zelvo_target(${target})
  target_link_libraries(${target} PRIVATE ${T_LIBS} gtest gtest_main)
  if(WIN32)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name}_tests)
  endif()
  add_test(NAME ${name} COMMAND ${target} ${T_ARGS})
  zelvo_test_properties(${name})
  if(CMAKE_CROSSCOMPILING)
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "ZELVO_EXPECT_GTEST=1")
  endif()
endfunction()
