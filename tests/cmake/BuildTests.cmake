# What the build put into the program.

# The program names the JUCE it was built on (SystemStats::getJUCEVersion), which must be the one
# this build was configured for.
qf_add_test(NAME Build.TheProgramIsBuiltOnTheConfiguredJuce
    COMMAND grep -q -a -F "JUCE v${QF_JUCE_VERSION}" $<TARGET_FILE:qf_installer>)
qf_add_test(NAME Build.TheProgramCarriesItsCommitsTime
    COMMAND bash "${qf_tests_dir}/build_time.sh" $<TARGET_FILE:qf_installer> "${CMAKE_SOURCE_DIR}")

if(WIN32)
    qf_add_test(NAME WindowsExe.CarriesVersionRecordManifestAndIcons
        COMMAND "${QF_TEST_PYTHON}" "${qf_tests_dir}/windows/check_resources.py" $<TARGET_FILE:qf_installer>)
endif()
