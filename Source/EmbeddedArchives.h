#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>

/** The bytes of one plug-in archive compiled into the program. */
struct ArchiveData
{
    const void* data = nullptr;
    size_t size = 0;

    /** True when the bytes are a read-only part of the executable's own image, whose pages the
        system can always read back from the file, rather than memory the program owns. */
    bool inExecutableImage = false;
};

/** The archive of a format (0 = VST3, 1 = CLAP, 2 = AAX), as compiled into the program.

    The installer links the embedded archives; the tests link archives of their own, so the
    program's logic never pulls 29 MB of data into a test binary.
*/
ArchiveData embeddedArchive (int formatIndex);
