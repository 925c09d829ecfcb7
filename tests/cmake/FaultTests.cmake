# Disk faults and kills, each on a private machine: mounts of their own, and install folders under
# /opt that no test may touch on the real one.

# One engine run in a process of its own, over the install folders it is given, with the archives
# the installer carries: the process that faults/kill_at_every_step.py kills at each of its steps.
add_executable(qf_engine_run "${qf_tests_dir}/faults/engine_run.cpp" "${CMAKE_SOURCE_DIR}/Source/EmbeddedArchives.cpp")
target_link_libraries(qf_engine_run PRIVATE qf_core qf_archives)
set_source_files_properties("${qf_tests_dir}/faults/engine_run.cpp" PROPERTIES COMPILE_OPTIONS "${qf_warning_flags}")

if(WIN32)
    # The same kills under Wine, in a private copy of the session's prefix (which must exist first),
    # taking turns with the tests that use the session's.
    if(qf_wine_build)
        qf_add_test(NAME InstallEngineFaults.KilledAtEveryStepUnderWine
            COMMAND bash "${CMAKE_SOURCE_DIR}/scripts/private_machine.sh" --fresh
                "${QF_TEST_PYTHON}" "${qf_tests_dir}/faults/kill_at_every_step.py" --wine "${CMAKE_BINARY_DIR}/wine-run.sh"
                $<TARGET_FILE:qf_engine_run> "${QF_ARCHIVE_DIR}"
            TIMEOUT 1800 LABELS kill_at_every_step IN_WINE_SESSION)
    endif()
    return()
endif()

qf_add_test(NAME InstallEngineFaults.UnderRealMounts
    COMMAND bash "${CMAKE_SOURCE_DIR}/scripts/private_machine.sh" --fresh bash "${qf_tests_dir}/faults/with_mounts.sh" $<TARGET_FILE:qf_tests>
    TIMEOUT 120 PROPERTIES FAIL_REGULAR_EXPRESSION "SKIPPED|FAILED")

# Killed at each file-system step of an update and of an uninstall.
qf_add_test(NAME InstallEngineFaults.KilledAtEveryStep
    COMMAND bash "${CMAKE_SOURCE_DIR}/scripts/private_machine.sh" --fresh
        "${QF_TEST_PYTHON}" "${qf_tests_dir}/faults/kill_at_every_step.py" $<TARGET_FILE:qf_engine_run> "${QF_ARCHIVE_DIR}"
    TIMEOUT 600 LABELS kill_at_every_step)
