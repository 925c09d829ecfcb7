#pragma once

#include <juce_core/juce_core.h>

#if JUCE_WINDOWS

namespace WindowsTestHelpers
{
/** Keeps a file open from a second process, sharing reading only, as a running host keeps a
        loaded plug-in: Windows then refuses to delete, rename or overwrite it. */
class FileHolder
{
public:
    explicit FileHolder (const juce::File& file);
    ~FileHolder();

    bool isHolding() const { return heldMarker.existsAsFile(); }

private:
    juce::File heldMarker, releaseMarker;
    juce::ChildProcess process;

    JUCE_DECLARE_NON_COPYABLE (FileHolder)
};

/** The second process: when the test binary is started with the holder's arguments, this holds
        the file and returns the exit code; otherwise it returns -1 and the tests run as usual. */
int runHolderIfAsked (int argc, char** argv);
} // namespace WindowsTestHelpers

#endif
