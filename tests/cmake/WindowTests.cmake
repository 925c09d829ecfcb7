# The real program in a real window, driven with real mouse and keys: the flows both builds share
# (window/flows.py) and what only one of them does (window/native.py, window/wine.py), one test a
# flow. Each native one runs on a machine of its own (scripts/private_machine.sh --fresh), with its
# own Xvfb in a network namespace of its own; the Wine ones run in the Wine session.
function(qf_window_tests prefix platform)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "SCRIPTS;ENVIRONMENT")
    foreach(script IN LISTS arg_SCRIPTS)
        execute_process(COMMAND "${QF_TEST_PYTHON}" "${qf_tests_dir}/window/${script}" --list
            OUTPUT_VARIABLE flows OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        foreach(flow IN LISTS flows)
            set(command "${QF_TEST_PYTHON}" "${qf_tests_dir}/window/${script}" ${platform} ${flow})
            set(options)
            if(platform STREQUAL "native")
                set(command bash "${CMAKE_SOURCE_DIR}/scripts/private_machine.sh" --fresh --net ${command})
            else()
                set(options IN_WINE_SESSION)
            endif()
            qf_add_test(NAME "${prefix}.${flow}" COMMAND ${command} TIMEOUT 600 LABELS real_window ${options}
                ENVIRONMENT ${arg_ENVIRONMENT} "QF_ARTEFACTS=${CMAKE_BINARY_DIR}/test-artefacts/${flow}")
        endforeach()
    endforeach()
endfunction()

set(qf_window_environment "QF_ARCHIVE_DIR=${QF_ARCHIVE_DIR}")
if(qf_wine_build)
    list(APPEND qf_window_environment "QF_WINDOWS_EXE=$<TARGET_FILE:qf_installer>" "QF_WINDOWS_TESTS=$<TARGET_FILE:qf_tests>"
        "QF_WINE_RUN=${CMAKE_BINARY_DIR}/wine-run.sh" "QF_LOADABLE_DLL=$<TARGET_FILE:qf_loadable_plugin>")
    qf_window_tests(WineWindow wine SCRIPTS flows.py wine.py ENVIRONMENT ${qf_window_environment})
elseif(NOT WIN32)
    list(APPEND qf_window_environment "QF_INSTALLER=$<TARGET_FILE:qf_installer>" "QF_TEXT_RENDERER=$<TARGET_FILE:qf_tests>")
    qf_window_tests(RealWindow native SCRIPTS flows.py native.py ENVIRONMENT ${qf_window_environment})
endif()
