# A real DLL for the Windows suite (tests/windows/LoadablePlugin.c): the tests pack it as the
# binary of each format, and a second process loads it with LoadLibraryW as a host would.
add_library(qf_loadable_plugin SHARED "${CMAKE_CURRENT_LIST_DIR}/LoadablePlugin.c")
set_target_properties(qf_loadable_plugin PROPERTIES PREFIX "")
target_compile_options(qf_loadable_plugin PRIVATE -Wall -Wextra -Werror)
# Imports system DLLs only, like the program.
target_link_options(qf_loadable_plugin PRIVATE -static-libgcc)
add_dependencies(qf_tests qf_loadable_plugin)
target_compile_definitions(qf_tests PRIVATE QF_TEST_LOADABLE_DLL="Z:$<TARGET_FILE:qf_loadable_plugin>")
