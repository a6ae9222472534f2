find_package(GTest REQUIRED)

# vantorel_add_test(NAME SOURCES ... LIBRARIES ...)
# One GoogleTest executable per library, registered with CTest under NAME.
function(vantorel_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} vantorel_test_support GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VANTOREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VANTOREL_FIXTURES_DIR="${VANTOREL_FIXTURES_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
