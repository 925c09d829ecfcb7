# What only the Wine build has: the one wineserver kept for the whole suite, the signed program
# and the Wine runner itself.

qf_add_test(NAME WineSession.Start COMMAND "${CMAKE_BINARY_DIR}/wine-run.sh" --start-session
    TIMEOUT 600 PROPERTIES FIXTURES_SETUP wine_session RESOURCE_LOCK wineprefix)
qf_add_test(NAME WineSession.End COMMAND "${CMAKE_BINARY_DIR}/wine-run.sh" --end-session
    TIMEOUT 180 PROPERTIES FIXTURES_CLEANUP wine_session RESOURCE_LOCK wineprefix)

# A copy signed as the maker signs it verifies, is otherwise unchanged and still runs.
qf_add_test(NAME WindowsExe.SignedCopyVerifiesAndRuns
    COMMAND bash "${qf_tests_dir}/windows/signing.sh" $<TARGET_FILE:qf_installer> "${CMAKE_BINARY_DIR}/test-artefacts/signing"
    TIMEOUT 300 IN_WINE_SESSION
    ENVIRONMENT ${qf_window_environment} "QF_ARTEFACTS=${CMAKE_BINARY_DIR}/test-artefacts/signing/screens")

qf_add_test(NAME WineRunner.RetriesOnlyRunsThatPrintedNothing
    COMMAND bash "${qf_tests_dir}/windows/wine_run_test.sh" "${qf_tests_dir}/windows/wine-run.sh.in"
    TIMEOUT 60)
