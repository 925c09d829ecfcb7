# Writes the time that every tool of the build writes down into OUT, once per build: an exported
# SOURCE_DATE_EPOCH first, else the time of the commit checked out in SOURCE_DIR, else nothing
# (the tools then write their own time). The file is left alone while the time stays the same, so
# that what depends on it is built again only when the time changes.
#   cmake -DSOURCE_DIR=... -DOUT=... -P SourceDateEpoch.cmake
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
    execute_process(COMMAND git -C "${SOURCE_DIR}" log -1 --format=%ct
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()

if(NOT epoch MATCHES "^[0-9]+$")
    set(epoch "")
endif()

set(old "<none>")
if(EXISTS "${OUT}")
    file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL epoch)
    file(WRITE "${OUT}" "${epoch}")
endif()
