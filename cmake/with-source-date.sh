#!/bin/sh
# Runs a compiler or linker with SOURCE_DATE_EPOCH read from FILE (cmake/SourceDateEpoch.cmake
# writes it at the start of each build), unless the file is empty or not written yet.
#   with-source-date.sh FILE COMMAND [ARG...]
epoch=$(cat "$1" 2>/dev/null)
shift
if [ -n "$epoch" ]; then
    SOURCE_DATE_EPOCH=$epoch exec "$@"
fi
exec "$@"
