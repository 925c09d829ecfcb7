# libdeflate's CRC-32, which checks every byte the engine writes. zlib's (the one JUCE's unzipping
# is built on) runs at one or two GB/s; libdeflate's uses the processor's carry-less multiply where
# there is one, about ten times as fast, and picks it at run time, so the program still runs on a
# processor without it. Only the checksum's files are compiled: the engine inflates with JUCE.
set(qf_libdeflate_dir "${CMAKE_CURRENT_LIST_DIR}/../third_party/libdeflate-1.14")

add_library(qf_libdeflate STATIC
    "${qf_libdeflate_dir}/lib/crc32.c"
    "${qf_libdeflate_dir}/lib/x86/cpu_features.c"
    "${qf_libdeflate_dir}/lib/arm/cpu_features.c")

target_include_directories(qf_libdeflate SYSTEM PUBLIC "${qf_libdeflate_dir}")
set_target_properties(qf_libdeflate PROPERTIES C_STANDARD 99 POSITION_INDEPENDENT_CODE ON)

