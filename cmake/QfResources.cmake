# The resources compiled into the program.
#
# qf_resources: icons, fonts and the picture from Resources/, small enough for every target.
# qf_archives:  the three plug-in archives (about 29 MB); only the installer links them.

set(qf_resource_dir "${CMAKE_CURRENT_SOURCE_DIR}/Resources")

file(GLOB qf_resource_files CONFIGURE_DEPENDS
    "${qf_resource_dir}/*.svg"
    "${qf_resource_dir}/*.ttf"
    "${qf_resource_dir}/*.png")
list(SORT qf_resource_files)

# juce_add_binary_data only watches its file list, so an edited icon would not be picked up.
# Re-running the configure step on any change rewrites that list and regenerates the data.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${qf_resource_files})

juce_add_binary_data(qf_resources
    NAMESPACE BinaryData
    HEADER_NAME BinaryData.h
    SOURCES ${qf_resource_files})
set_target_properties(qf_resources PROPERTIES POSITION_INDEPENDENT_CODE ON)

#---------------------------------------------------------------------------------------------------
# The plug-in archives are made during the build, from the sample payload or from QF_PAYLOAD_DIR.
set(QF_ARCHIVE_DIR "${CMAKE_CURRENT_BINARY_DIR}/archives")
set(qf_archives "${QF_ARCHIVE_DIR}/vst3.zip" "${QF_ARCHIVE_DIR}/clap.zip" "${QF_ARCHIVE_DIR}/aax.zip")

if(QF_PAYLOAD_DIR)
    get_filename_component(QF_PAYLOAD "${QF_PAYLOAD_DIR}" ABSOLUTE)
    file(GLOB_RECURSE qf_payload_files "${QF_PAYLOAD}/*")
    set(qf_payload_stamp ${qf_payload_files})
else()
    set(QF_PAYLOAD "${CMAKE_CURRENT_BINARY_DIR}/sample_payload")
    set(qf_payload_stamp "${CMAKE_CURRENT_BINARY_DIR}/sample_payload.stamp")

    add_custom_command(OUTPUT "${qf_payload_stamp}"
        COMMAND "${CMAKE_COMMAND}" -E rm -rf "${QF_PAYLOAD}"
        COMMAND Python3::Interpreter "${CMAKE_CURRENT_SOURCE_DIR}/tools/make_sample_payload.py" "${QF_PAYLOAD}"
        COMMAND "${CMAKE_COMMAND}" -E touch "${qf_payload_stamp}"
        DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/tools/make_sample_payload.py"
        COMMENT "Generating the sample plug-in payload"
        VERBATIM)
endif()

add_custom_command(OUTPUT ${qf_archives}
    COMMAND Python3::Interpreter "${CMAKE_CURRENT_SOURCE_DIR}/tools/make_archives.py"
        --payload "${QF_PAYLOAD}" --out "${QF_ARCHIVE_DIR}"
    DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/tools/make_archives.py" ${qf_payload_stamp}
    COMMENT "Packing the plug-in archives"
    VERBATIM)

add_custom_target(qf_archive_files DEPENDS ${qf_archives})

# The archives become the read-only arrays PayloadData::vst3_zip, clap_zip and aax_zip with their
# byte counts (PayloadData.h). GCC and Clang (MinGW included) take the bytes straight from the files
# with the assembler's .incbin, at the cost of copying them: compiling them as C++ array sources
# would take about 3.5 bytes of source and over 100 bytes of compiler memory per archive byte.
# MSVC, whose assembler has no .incbin, gets juceaide's generator, as in the maker's Visual Studio
# build.
set(qf_archive_code "${CMAKE_CURRENT_BINARY_DIR}/embedded_archives")
file(MAKE_DIRECTORY "${qf_archive_code}")

if(MSVC)
    set(qf_archive_list "${qf_archive_code}/input_file_list")
    string(REPLACE ";" "\n" qf_archive_lines "${qf_archives}")
    file(CONFIGURE OUTPUT "${qf_archive_list}" CONTENT "${qf_archive_lines}\n")

    set(qf_archive_sources
        "${qf_archive_code}/BinaryData1.cpp"
        "${qf_archive_code}/BinaryData2.cpp"
        "${qf_archive_code}/BinaryData3.cpp"
        "${qf_archive_code}/PayloadData.h")

    add_custom_command(OUTPUT ${qf_archive_sources}
        COMMAND juce::juceaide binarydata PayloadData PayloadData.h "${qf_archive_code}" "${qf_archive_list}"
        DEPENDS ${qf_archives} "${qf_archive_list}"
        COMMENT "Embedding the plug-in archives"
        VERBATIM)
else()
    enable_language(ASM)

    if(WIN32)
        set(qf_object_format coff)
    else()
        set(qf_object_format elf)
    endif()

    set(qf_archive_sources "${qf_archive_code}/PayloadData.h")
    foreach(archive IN LISTS qf_archives)
        get_filename_component(name "${archive}" NAME)
        string(REPLACE "." "_" name "${name}")
        list(APPEND qf_archive_sources "${qf_archive_code}/${name}.s")
    endforeach()

    # Rewrites every output each time an archive changes, so the arrays follow the archives.
    add_custom_command(OUTPUT ${qf_archive_sources}
        COMMAND Python3::Interpreter "${CMAKE_CURRENT_SOURCE_DIR}/tools/embed_files.py"
            --format ${qf_object_format} --namespace PayloadData
            --header "${qf_archive_code}/PayloadData.h" --asm-dir "${qf_archive_code}" ${qf_archives}
        DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/tools/embed_files.py" ${qf_archives}
        COMMENT "Embedding the plug-in archives"
        VERBATIM)
endif()

# An object library: the objects go straight into the program, rather than being copied into a
# static library first.
add_library(qf_archives OBJECT ${qf_archive_sources})
target_include_directories(qf_archives INTERFACE "${qf_archive_code}")
target_compile_features(qf_archives PRIVATE cxx_std_17)
# A compiler cache keys on an assembler source's text, which names the archives but does not
# hold them: it must never stand in for assembling them.
set_target_properties(qf_archives PROPERTIES ASM_COMPILER_LAUNCHER "")
