# The installer's own embedded archives, in a binary of their own so that qf_tests stays small.
add_executable(qf_embedded_archive_tests "${qf_tests_dir}/embedded/EmbeddedArchivesTests.cpp" "${qf_tests_dir}/TestSupport.cpp"
    "${CMAKE_SOURCE_DIR}/Source/EmbeddedArchives.cpp")
target_link_libraries(qf_embedded_archive_tests PRIVATE qf_core qf_archives GTest::gtest_main)
set_source_files_properties("${qf_tests_dir}/embedded/EmbeddedArchivesTests.cpp" PROPERTIES COMPILE_OPTIONS "${qf_warning_flags}")
target_compile_definitions(qf_embedded_archive_tests PRIVATE
    QF_TEST_ARCHIVE_DIR="${qf_test_archive_dir}" QF_TEST_SOURCE_DIR="${qf_test_source_dir}")

if(qf_wine_build)
    qf_add_test(NAME EmbeddedArchives.AreTheArchiveFiles COMMAND qf_embedded_archive_tests TIMEOUT 300 IN_WINE_SESSION)
else()
    qf_add_test(NAME EmbeddedArchives.AreTheArchiveFiles COMMAND qf_embedded_archive_tests)
endif()
