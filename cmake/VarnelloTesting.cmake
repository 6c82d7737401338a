# googletest for both builds: Debian's libgtest-dev natively; for Windows the same release built
# from the sources that Debian's googletest package ships.
if(NOT WIN32)
    find_package(GTest REQUIRED)
    include(GoogleTest)
    # varnello_add_test(name sources... LIBS libs...)
    function(varnello_add_test name)
        cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
        add_executable(${name} ${T_UNPARSED_ARGUMENTS})
        target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
    endfunction()
    return()
endif()

if(NOT TARGET gtest)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
    # MinGW's win32 thread model has no std::mutex, which googletest's Notification uses.
    target_compile_options(gtest PUBLIC -include ${CMAKE_CURRENT_LIST_DIR}/GTestWin32Notification.h)
endif()

# Under Wine every test program is one ctest entry: discovering the cases would start Wine
# once more per program at build time. A program's gtest output still names each case.
function(varnello_add_test name)
    cmake_parse_arguments(T "GUI" "TIMEOUT" "LIBS" ${ARGN})
    # The programs' own manifest: the tests run in the code page that the programs run in.
    add_executable(${name} ${T_UNPARSED_ARGUMENTS} $<TARGET_OBJECTS:varnello_manifest>)
    target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS windows TIMEOUT ${T_TIMEOUT})
endfunction()
