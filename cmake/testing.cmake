# orbisca_test(NAME sources... [WINE_ONLY] [NATIVE_ONLY] [LIBS libs...] [LABELS labels...])
# Native: linked against core with the sanitizers. Windows: linked against the
# program library, run under Wine through the cross-compiling emulator.
if(WIN32)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
    find_package(GTest QUIET)
    if(NOT GTest_FOUND)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
endif()
include(GoogleTest)

function(orbisca_test name)
    cmake_parse_arguments(T "WINE_ONLY;NATIVE_ONLY" "TIMEOUT" "LIBS;LABELS" ${ARGN})
    if(WIN32 AND T_NATIVE_ONLY)
        return()
    endif()
    if(NOT WIN32 AND T_WINE_ONLY)
        return()
    endif()
    add_executable(${name} ${T_UNPARSED_ARGUMENTS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
    if(WIN32)
        target_link_libraries(${name} PRIVATE ${T_LIBS} program gtest_main)
        target_link_options(${name} PRIVATE -static)
        # A test that carries the program's resources needs the generated
        # effect text beside them.
        if("${CMAKE_SOURCE_DIR}/resources/resources.rc" IN_LIST T_UNPARSED_ARGUMENTS)
            orbisca_use_resources(${name})
        endif()
    else()
        target_compile_options(${name} PRIVATE ${ORBISCA_SANITIZE})
        target_link_libraries(${name} PRIVATE ${T_LIBS} core GTest::gtest_main)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
    if(WIN32)
        orbisca_wine_test(${name})
    endif()
endfunction()

# A test that runs under Wine takes one display-and-prefix pair of the test run
# for itself (scripts/test.sh starts them; tests/wine-slots.json counts them),
# so that tests run side by side never share a display, a prefix or the
# registry in it.
function(orbisca_wine_test name)
    set_tests_properties(${name} PROPERTIES RESOURCE_GROUPS wine:1)
endfunction()
