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
