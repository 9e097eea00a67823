# One test executable is one ctest entry: every Wine start costs a second or more.
# WINEPREFIX gives the test a Wine prefix of its own, for tests that change the prefix.
function(tarnell_add_test name)
    cmake_parse_arguments(ARG "" "WINEPREFIX" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE tarnell GTest::gtest_main ${ARG_LIBRARIES})
    target_include_directories(${name} PRIVATE ${TARNELL_SOURCE_DIR}/tests/support)
    tarnell_warnings(${name})
    if(ARG_WINEPREFIX)
        add_test(NAME ${name} COMMAND env WINEPREFIX=${ARG_WINEPREFIX} ${TARNELL_SOURCE_DIR}/tools/wine-run
                 $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
