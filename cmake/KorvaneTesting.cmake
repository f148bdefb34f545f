# GoogleTest from Debian's sources, built by each toolchain, and the test
# registration used by every folder under tests/.
#
# The Windows builds run their tests under Wine: CTest starts each test binary
# through scripts/wine-run, inside a session (a private prefix, an Xvfb display
# and a persistent wineserver) that the WineSession fixture starts and stops.
# Each build tree has its own session, so the win64 and win32 runs never meet.
# The i686 programs run under Wine's 32-bit loader, emulated (scripts/bootstrap
# sets that up).

set(KORVANE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${KORVANE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

enable_testing()

if(WIN32)
  set(KORVANE_WINE_STATE ${CMAKE_BINARY_DIR}/wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run ${KORVANE_WINE_STATE})
  add_executable(wine_ready ${CMAKE_SOURCE_DIR}/tests/support/wine_ready.cpp)
  add_test(NAME wine.session.start
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session start ${KORVANE_WINE_STATE} $<TARGET_FILE:wine_ready>)
  add_test(NAME wine.session.stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session stop ${KORVANE_WINE_STATE})
  set_tests_properties(wine.session.start PROPERTIES FIXTURES_SETUP WineSession TIMEOUT 180)
  set_tests_properties(wine.session.stop PROPERTIES FIXTURES_CLEANUP WineSession TIMEOUT 60)
endif()

# korvane_wine_dpi_session(<dpi>)
# A session of its own whose display has <dpi> dots per inch, for the tests
# of a program at another display scale; the other tests keep 96 in theirs.
# Its tests require the fixture WineSession<dpi>dpi and run through
# scripts/wine-run with the state folder KORVANE_WINE_STATE_<dpi>.
function(korvane_wine_dpi_session dpi)
  set(state ${CMAKE_BINARY_DIR}/wine-${dpi}dpi)
  set(KORVANE_WINE_STATE_${dpi} ${state} PARENT_SCOPE)
  add_test(NAME wine.session.${dpi}dpi.start
           COMMAND ${CMAKE_COMMAND} -E env KORVANE_DPI=${dpi}
                   ${CMAKE_SOURCE_DIR}/scripts/wine-session start ${state} $<TARGET_FILE:wine_ready>)
  add_test(NAME wine.session.${dpi}dpi.stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session stop ${state})
  set_tests_properties(wine.session.${dpi}dpi.start PROPERTIES FIXTURES_SETUP WineSession${dpi}dpi TIMEOUT 180)
  set_tests_properties(wine.session.${dpi}dpi.stop PROPERTIES FIXTURES_CLEANUP WineSession${dpi}dpi TIMEOUT 60)
endfunction()

# korvane_add_test(<name> SOURCES <files...> [LIBRARIES <libs...>]
#                  [RESOURCE_LOCK <names...>] [TIMEOUT <seconds>] [ENVIRONMENT <VAR=value...>])
# Builds one GoogleTest binary and registers it as one CTest entry; a failing
# case is named in CTest's output (--gtest_brief prints only failures).
function(korvane_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBRARIES;RESOURCE_LOCK;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBRARIES} GTest::gtest_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_RESOURCE_LOCK)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_RESOURCE_LOCK}")
  endif()
  set(env KORVANE_HOST_TOOLS=${KORVANE_HOST_TOOLS} ${T_ENVIRONMENT})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED WineSession)
  endif()
endfunction()
