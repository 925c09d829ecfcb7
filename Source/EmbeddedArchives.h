#pragma once

#include <cstddef>

/** The bytes of one plug-in archive compiled into the program. */
struct ArchiveData
{
    const void* data = nullptr;
    size_t size = 0;
};

/** The archive of a format (0 = VST3, 1 = CLAP, 2 = AAX), as compiled into the program.

    The installer links the embedded archives; the tests link archives of their own, so the
    program's logic never pulls 29 MB of data into a test binary.
*/
ArchiveData embeddedArchive (int formatIndex);
