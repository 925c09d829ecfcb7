# The Windows suite's Wine tests: one wineserver kept for the whole suite, and the Windows build
# driven in a real window under Wine.

add_test(NAME WineSession.Start COMMAND "${CMAKE_BINARY_DIR}/wine-run.sh" --start-session)
add_test(NAME WineSession.End COMMAND "${CMAKE_BINARY_DIR}/wine-run.sh" --end-session)
set_tests_properties(WineSession.Start PROPERTIES FIXTURES_SETUP wine_session TIMEOUT 600 RESOURCE_LOCK wineprefix)
set_tests_properties(WineSession.End PROPERTIES FIXTURES_CLEANUP wine_session TIMEOUT 180 RESOURCE_LOCK wineprefix)

# python3-xlib is Debian's, so Debian's interpreter runs the window tests.
foreach(flow
        install_and_shift_uninstall_show_at_once_and_change_the_common_files
        a_linked_vst3_folder_and_a_clap_held_for_a_second_update_like_any_other
        install_with_nothing_ticked_shows_the_orange_notice
        hovering_each_button_shows_exactly_its_help_line
        eula_and_support_open_their_panels_and_x_closes_them
        resizing_keeps_the_window_square_and_lays_the_screen_out_again
        the_stand_in_flushes_repaints_of_a_real_window)
    set(name "WineWindow.${flow}")
    add_test(NAME "${name}" COMMAND /usr/bin/python3 "${CMAKE_CURRENT_SOURCE_DIR}/windows/user_flow.py" "${flow}")
    set_tests_properties("${name}" PROPERTIES
        TIMEOUT 300
        # They measure a fade in time, so nothing else under Wine runs beside them.
        RESOURCE_LOCK wineprefix
        ENVIRONMENT "QF_WINDOWS_EXE=$<TARGET_FILE:qf_installer>;QF_WINDOWS_TESTS=$<TARGET_FILE:qf_tests>;QF_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-window;QF_ARCHIVE_DIR=${QF_ARCHIVE_DIR};QF_ARTEFACTS=${CMAKE_BINARY_DIR}/test-artefacts/${flow}")
endforeach()

# A copy signed as the maker signs it verifies, is otherwise unchanged and still runs.
add_test(NAME WindowsExe.SignedCopyVerifiesAndRuns
    COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/windows/signing.sh" $<TARGET_FILE:qf_installer> "${CMAKE_BINARY_DIR}/test-artefacts/signing")
set_tests_properties(WindowsExe.SignedCopyVerifiesAndRuns PROPERTIES
    TIMEOUT 300
    RESOURCE_LOCK wineprefix
    ENVIRONMENT "QF_WINDOWS_TESTS=$<TARGET_FILE:qf_tests>;QF_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-window;QF_ARCHIVE_DIR=${QF_ARCHIVE_DIR};QF_ARTEFACTS=${CMAKE_BINARY_DIR}/test-artefacts/signing/screens")


add_test(NAME WineRunner.RetriesOnlyRunsThatPrintedNothing
    COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/windows/wine_run_test.sh" "${CMAKE_SOURCE_DIR}/tests/windows/wine-run.sh.in")
set_tests_properties(WineRunner.RetriesOnlyRunsThatPrintedNothing PROPERTIES TIMEOUT 60)
