# qf_tests: the GoogleTest suites, headless. The same program also serves the other tests as a
# helper (TestMain.cpp lists its modes).
file(GLOB qf_test_sources CONFIGURE_DEPENDS "${qf_tests_dir}/*.cpp")

if(WIN32)
    # Under Wine: the suites that hold on Windows as well. The others work with POSIX paths,
    # links and mounts, or need a display, and run in the native build.
    set(qf_test_sources)
    foreach(name ArchiveLayoutTests EmbeddedArchivesFromFiles InstallEngineTests InstalledStateTests
                 LeftoverScriptTests MainComponentTests ProductTablesTests ResourceTests SharedSettingsTests
                 TestMain TestSupport TextReference VBlankStandInTests windows/WindowsTestHelpers)
        list(APPEND qf_test_sources "${qf_tests_dir}/${name}.cpp")
    endforeach()
endif()

add_executable(qf_tests ${qf_test_sources})
target_link_libraries(qf_tests PRIVATE qf_core GTest::gtest)
# The Windows-only helpers (the second process that holds files, links made on the host), which
# use the shared ones.
target_include_directories(qf_tests PRIVATE "${qf_tests_dir}" "${qf_tests_dir}/windows")
add_dependencies(qf_tests qf_archive_files)
set_source_files_properties(${qf_test_sources} PROPERTIES COMPILE_OPTIONS "${qf_warning_flags}")

target_compile_definitions(qf_tests PRIVATE
    QF_TEST_ARCHIVE_DIR="${qf_test_archive_dir}"
    QF_TEST_PAYLOAD_DIR="${qf_test_payload_dir}"
    QF_TEST_SOURCE_DIR="${qf_test_source_dir}"
    QF_TEST_SAMPLE_PAYLOAD=$<IF:$<BOOL:${QF_PAYLOAD_DIR}>,0,1>)

if(qf_wine_build)
    include("${qf_tests_dir}/windows/LoadablePlugin.cmake")
    # A suite never runs longer than Wine is allowed to.
    qf_add_test(GTEST_PROGRAM qf_tests TIMEOUT 300 IN_WINE_SESSION)
else()
    qf_add_test(GTEST_PROGRAM qf_tests TIMEOUT 120)
endif()
