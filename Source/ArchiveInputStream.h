#pragma once

#include "EmbeddedArchives.h"

/** Reads an archive's bytes where they lie, for juce::ZipFile.

    An archive in the executable's image stays resident once read, so an install would keep every
    archive it has unpacked in memory, and a private copy of one would cost a copy of up to
    hundreds of megabytes before the first byte is inflated. This stream copies nothing: it tells
    the system that the image's pages it has read past are no longer needed (they are read back
    from the file if ever needed again), so an install holds about a megabyte of them at a time.
    Memory the program owns is read as it is.
*/
class ArchiveInputStream final : public juce::InputStream
{
public:
    explicit ArchiveInputStream (ArchiveData archiveToRead);

    juce::int64 getTotalLength() override;
    bool isExhausted() override;
    int read (void* destBuffer, int maxBytesToRead) override;
    juce::int64 getPosition() override;
    bool setPosition (juce::int64 newPosition) override;

private:
    const ArchiveData archive;
    size_t position = 0;

    // Where the pages of the bytes read one after another since the last jump have been given
    // back up to: the jump itself until a whole batch of them has been read.
    const char* releasedUpTo = nullptr;

    JUCE_DECLARE_NON_COPYABLE (ArchiveInputStream)
};
