# One GoogleTest executable per call; every test case becomes a CTest test
# carrying the subsystem label, so `ctest -L pixelstore` selects a subsystem.
find_package(GTest REQUIRED)
include(GoogleTest)

function(morvelin_add_gtest name)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_LABEL)
    message(FATAL_ERROR "morvelin_add_gtest(${name}) needs a LABEL")
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${MORVELIN_TEST_INCLUDE_DIR})
  morvelin_layer(${name})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      LABELS "${ARG_LABEL}"
      TIMEOUT ${ARG_TIMEOUT}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  # gtest_discover_tests flattens a list-valued ENVIRONMENT, so the data folder
  # travels as a compile definition instead.
  target_compile_definitions(${name} PRIVATE MORVELIN_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
endfunction()

# Google Benchmark executables under bench/.
function(morvelin_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${MORVELIN_TEST_INCLUDE_DIR})
  morvelin_layer(${name})
endfunction()

# A test run on a real X server (Xvfb) of the given screen size, where
# xvfb-run is installed. It sees the same X session on every machine:
# - Nothing here draws with OpenGL, so Qt's GLX integration stays unloaded:
#   the GL driver a machine has (Mesa's software driver or none) cannot change
#   what the test sees, and a driver unloaded at exit leaves no memory behind
#   that the leak checker would report without a module to name.
# - The session bus address names no bus. Unset, libdbus on an X display
#   autolaunches a bus by forking from Qt's D-Bus thread, and under the
#   sanitizers that forked child can hang in the allocator's lock; set by the
#   machine, the test would talk to whatever bus it has.
find_program(MORVELIN_XVFB_RUN xvfb-run)
function(morvelin_add_xvfb_test name)
  cmake_parse_arguments(ARG "" "SCREEN;LABEL;TIMEOUT" "COMMAND;ENVIRONMENT" ${ARGN})
  if(NOT MORVELIN_XVFB_RUN)
    return()
  endif()
  add_test(NAME ${name}
    COMMAND ${MORVELIN_XVFB_RUN} -a -s "-screen 0 ${ARG_SCREEN}x24" ${ARG_COMMAND})
  set(environment QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none
      DBUS_SESSION_BUS_ADDRESS=unix:path=${CMAKE_BINARY_DIR}/no-session-bus ${ARG_ENVIRONMENT})
  set_tests_properties(${name} PROPERTIES
    LABELS "${ARG_LABEL}" TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${environment}")
endfunction()
