# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (the posix-threads flavour, which
# provides std::thread and std::mutex that JUCE needs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(qf_mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${qf_mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${qf_mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${qf_mingw_prefix}-windres)

# Libraries cross-built by the project (libpng, libjpeg) sit in QF_MINGW_DEPS beside MinGW's own.
set(CMAKE_FIND_ROOT_PATH /usr/${qf_mingw_prefix} ${QF_MINGW_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A self-contained executable: the GCC runtimes and winpthread are linked in, so the program
# imports system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debug objects of JUCE's larger translation units exceed the default COFF section count.
set(CMAKE_C_FLAGS_DEBUG_INIT "-g -Wa,-mbig-obj")
set(CMAKE_CXX_FLAGS_DEBUG_INIT "-g -Wa,-mbig-obj")
