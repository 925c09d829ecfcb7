# The installer's own Windows resources: version record, manifest and application icon.
#
# JUCE generates a resources.rc of its own for every app; ours replaces it, because the version
# record needs fields JUCE does not write, and windres cannot take JUCE's quoted
# JUCE_USER_DEFINED_RC_FILE.

set(qf_windows_dir "${CMAKE_CURRENT_SOURCE_DIR}/Packaging/windows")
set(qf_icon_dir "${CMAKE_CURRENT_SOURCE_DIR}/Packaging/icon")

function(qf_add_windows_resources target)
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources EXCLUDE REGEX "/resources\\.rc$")
    set_property(TARGET ${target} PROPERTY SOURCES ${sources})

    set(out "${CMAKE_CURRENT_BINARY_DIR}/windows_resources")
    set(icon "${out}/qf_installer.ico")
    set(icon_sources "${qf_icon_dir}/icon_16.png" "${qf_icon_dir}/icon_32.png"
                     "${qf_icon_dir}/icon_48.png" "${qf_icon_dir}/icon_256.png")

    add_custom_command(OUTPUT "${icon}"
        COMMAND Python3::Interpreter "${CMAKE_CURRENT_SOURCE_DIR}/tools/make_app_icon.py" "${icon}" ${icon_sources}
        DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/tools/make_app_icon.py" ${icon_sources}
        COMMENT "Making the application icon"
        VERBATIM)

    # The .rc names its inputs by absolute path, so it is written into the build folder. The
    # version record and the manifest both carry project()'s version.
    set(QF_ICON_FILE "${icon}")
    set(QF_MANIFEST_FILE "${out}/qf_installer.manifest")
    set(QF_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
    set(QF_VERSION_FOUR "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
    set(QF_VERSION "${PROJECT_VERSION}")
    configure_file("${qf_windows_dir}/qf_installer.manifest.in" "${QF_MANIFEST_FILE}" @ONLY)
    configure_file("${qf_windows_dir}/qf_installer.rc.in" "${out}/qf_installer.rc" @ONLY)

    target_sources(${target} PRIVATE "${out}/qf_installer.rc")

    # The resource script embeds the manifest itself; MSVC's linker would add a second one.
    if(MSVC)
        target_link_options(${target} PRIVATE /MANIFEST:NO)
    endif()
    set_source_files_properties("${out}/qf_installer.rc" PROPERTIES
        OBJECT_DEPENDS "${icon};${QF_MANIFEST_FILE}")
endfunction()
