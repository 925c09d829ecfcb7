# The Windows suite's Wine tests: one wineserver kept for the whole suite, and the Windows build
# driven in a real window under Wine.

add_test(NAME WineSession.Start COMMAND "${CMAKE_BINARY_DIR}/wine-run.sh" --start-session)
add_test(NAME WineSession.End COMMAND "${CMAKE_BINARY_DIR}/wine-run.sh" --end-session)
set_tests_properties(WineSession.Start PROPERTIES FIXTURES_SETUP wine_session TIMEOUT 600 RESOURCE_LOCK wineprefix)
set_tests_properties(WineSession.End PROPERTIES FIXTURES_CLEANUP wine_session TIMEOUT 180 RESOURCE_LOCK wineprefix)

# The window flows, on the session's display and in its prefix.
list(APPEND qf_window_environment "QF_WINDOWS_EXE=$<TARGET_FILE:qf_installer>" "QF_WINDOWS_TESTS=$<TARGET_FILE:qf_tests>"
    "QF_WINE_RUN=${CMAKE_BINARY_DIR}/wine-run.sh" "QF_LOADABLE_DLL=$<TARGET_FILE:qf_loadable_plugin>")
qf_window_tests(WineWindow wine flows.py wine.py)

# A copy signed as the maker signs it verifies, is otherwise unchanged and still runs.
add_test(NAME WindowsExe.SignedCopyVerifiesAndRuns
    COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/windows/signing.sh" $<TARGET_FILE:qf_installer> "${CMAKE_BINARY_DIR}/test-artefacts/signing")
set_tests_properties(WindowsExe.SignedCopyVerifiesAndRuns PROPERTIES
    TIMEOUT 300
    RESOURCE_LOCK wineprefix
    FIXTURES_REQUIRED wine_session
    ENVIRONMENT "${qf_window_environment};QF_ARTEFACTS=${CMAKE_BINARY_DIR}/test-artefacts/signing/screens")


add_test(NAME WineRunner.RetriesOnlyRunsThatPrintedNothing
    COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/windows/wine_run_test.sh" "${CMAKE_SOURCE_DIR}/tests/windows/wine-run.sh.in")
set_tests_properties(WineRunner.RetriesOnlyRunsThatPrintedNothing PROPERTIES TIMEOUT 60)
