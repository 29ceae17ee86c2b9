# Test registration helpers: every test binary goes through one of these.
find_package(GTest REQUIRED)
include(GoogleTest)

# Folder with the public GEDCOM sample files, beside the checkout.
get_filename_component(GEDTOOLS_SAMPLE_DIR "${CMAKE_SOURCE_DIR}/../shared/testdata/gedcom" ABSOLUTE)

# add_engine_test(<name> SOURCES <files...> LIBS <targets...>)
function(add_engine_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gedtools::testsupport GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    GEDTOOLS_SAMPLE_DIR="${GEDTOOLS_SAMPLE_DIR}"
    GEDTOOLS_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    GEDTOOLS_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 600)
endfunction()

# add_qt_test(<name> SOURCES <files...> LIBS <targets...>)
# Runs offscreen with its settings in a private folder of the build tree.
function(add_qt_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test Qt6::Widgets)
  target_compile_definitions(${name} PRIVATE
    GEDTOOLS_SAMPLE_DIR="${GEDTOOLS_SAMPLE_DIR}"
    GEDTOOLS_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    GEDTOOLS_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/${name}-config;ASAN_OPTIONS=detect_leaks=0")
endfunction()
