# Lists the suites of a GoogleTest program once, after it is built, and writes a ctest file with
# one test per suite, each running the suite in one process: under Wine every process costs about
# a second, more than most of the tests in it.
#   cmake -DEMULATOR=... -DPROGRAM=... -DOUT=... -DPROPERTIES="NAME VALUE ..." -P GTestSuites.cmake
execute_process(COMMAND "${EMULATOR}" "${PROGRAM}" --gtest_list_tests
    OUTPUT_VARIABLE listed RESULT_VARIABLE result TIMEOUT 300)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "listing the tests of ${PROGRAM} failed (${result}):\n${listed}")
endif()

# Suite lines start in the first column and end with a dot; the tests below them are indented.
string(REGEX MATCHALL "(^|\n)[A-Za-z_][A-Za-z0-9_/]*\\." suites "${listed}")
set(content "")
foreach(suite IN LISTS suites)
    string(REGEX REPLACE "^\n?(.*)\\.$" "\\1" suite "${suite}")
    string(APPEND content "add_test([=[${suite}]=] [=[${EMULATOR}]=] [=[${PROGRAM}]=] [=[--gtest_filter=${suite}.*]=])\n"
                          "set_tests_properties([=[${suite}]=] PROPERTIES ${PROPERTIES})\n")
endforeach()
if(content STREQUAL "")
    message(FATAL_ERROR "no suites found in the list of ${PROGRAM}:\n${listed}")
endif()
file(WRITE "${OUT}" "${content}")
