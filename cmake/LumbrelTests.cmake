find_package(GTest REQUIRED)
include(GoogleTest)

# lumbrel_add_test(NAME LABEL label SOURCES ... [LIBRARIES ...])
# A GoogleTest executable whose cases are registered with CTest under one label, so that
# `ctest -L label` runs them alone. A case that hangs fails after two minutes.
function(lumbrel_add_test name)
    cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gtest_main)
    # Test code is built without optimisation, which halves its compile time; the code under
    # test keeps its build's optimisation.
    target_compile_options(${name} PRIVATE $<$<CONFIG:Release>:-O0>)
    gtest_discover_tests(${name} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 120
                         WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} DISCOVERY_TIMEOUT 60
                         DISCOVERY_MODE PRE_TEST)
endfunction()
