# The one way a test is registered here, so that every test states its time limit, labels and
# environment alike, and every Windows test that needs the shared Wine session says so in one word.
#
#   qf_add_test(NAME <name> COMMAND <command> <arg>...
#               [TIMEOUT <seconds>] [LABELS <label>...] [ENVIRONMENT <VAR=value>...]
#               [IN_WINE_SESSION] [PROPERTIES <property> <value>...])
#     One test. A COMMAND naming one of our executables runs it, under Wine in the Windows build.
#
#   qf_add_test(GTEST_PROGRAM <target> [TIMEOUT <seconds>] [IN_WINE_SESSION] ...)
#     Every test of a GoogleTest program, listed once it is built. Natively each test runs in a
#     process of its own, so one crashing test cannot take the others down. Under Wine a process
#     costs about a second, more than most tests in it, so each suite runs in one process instead
#     (windows/GTestSuites.cmake writes them).
#
# IN_WINE_SESSION: the test runs in the suite's one Wine prefix and display (the wine_session
# fixture, windows/WineTests.cmake), taking turns with the others, since all share the prefix's
# C:\ProgramData and C:\Program Files.
function(qf_add_test)
    cmake_parse_arguments(PARSE_ARGV 0 arg "IN_WINE_SESSION" "NAME;GTEST_PROGRAM;TIMEOUT"
        "COMMAND;LABELS;ENVIRONMENT;PROPERTIES")
    if(arg_UNPARSED_ARGUMENTS OR (NOT arg_NAME AND NOT arg_GTEST_PROGRAM))
        message(FATAL_ERROR "qf_add_test: NAME or GTEST_PROGRAM expected, got '${ARGV}'")
    endif()
    if(arg_IN_WINE_SESSION)
        set(arg_RESOURCE_LOCK wineprefix)
        set(arg_FIXTURES_REQUIRED wine_session)
    endif()

    # Properties as pairs of words; LABELS and ENVIRONMENT are lists, so each is set on its own.
    set(properties)
    foreach(property IN ITEMS TIMEOUT LABELS ENVIRONMENT RESOURCE_LOCK FIXTURES_REQUIRED)
        if(NOT "${arg_${property}}" STREQUAL "")
            list(APPEND properties ${property})
        endif()
    endforeach()

    if(arg_NAME)
        add_test(NAME "${arg_NAME}" COMMAND ${arg_COMMAND})
        foreach(property IN LISTS properties)
            set_tests_properties("${arg_NAME}" PROPERTIES ${property} "${arg_${property}}")
        endforeach()
        if(arg_PROPERTIES)
            set_tests_properties("${arg_NAME}" PROPERTIES ${arg_PROPERTIES})
        endif()
        return()
    endif()

    # A GoogleTest program's properties are written into a generated file: single words only.
    set(program ${arg_GTEST_PROGRAM})
    set(words)
    foreach(property IN LISTS properties)
        list(APPEND words ${property} ${arg_${property}})
    endforeach()
    list(APPEND words ${arg_PROPERTIES})

    if(NOT CMAKE_CROSSCOMPILING)
        gtest_discover_tests(${program} DISCOVERY_TIMEOUT 60 PROPERTIES ${words})
        return()
    endif()

    set(suites "${CMAKE_CURRENT_BINARY_DIR}/${program}_suites.cmake")
    list(JOIN words " " suite_properties)
    add_custom_command(TARGET ${program} POST_BUILD
        COMMAND "${CMAKE_COMMAND}" "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}" "-DPROGRAM=$<TARGET_FILE:${program}>"
            "-DOUT=${suites}" "-DPROPERTIES=${suite_properties} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}"
            -P "${qf_tests_dir}/windows/GTestSuites.cmake"
        BYPRODUCTS "${suites}" VERBATIM)
    # Until the program is built, ctest shows one test that says so.
    set(include_file "${CMAKE_CURRENT_BINARY_DIR}/${program}_include.cmake")
    file(WRITE "${include_file}"
        "if(EXISTS [=[${suites}]=])\n  include([=[${suites}]=])\nelse()\n  add_test(${program}_NOT_BUILT ${program}_NOT_BUILT)\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${include_file}")
endfunction()
