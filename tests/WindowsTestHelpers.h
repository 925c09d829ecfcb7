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

/** Makes a link of the host system at the given path, pointing at the target: what a Linux
        user's own link looks like to the program under Wine, where no Windows call can make one
        (CreateSymbolicLinkW reports success and makes nothing; junctions are not supported).
        Returns false when not running under Wine. */
bool makeHostLink (const juce::File& link, const juce::File& target);

/** Removes a folder with everything in it from the host side, links as links: under Wine every
        Windows call on a host link reaches its target, so only the host can tidy them away. */
bool removeOnHost (const juce::File& folder);

/** The second process: when the test binary is started with the holder's arguments, this holds
        the file and returns the exit code; otherwise it returns -1 and the tests run as usual. */
int runHolderIfAsked (int argc, char** argv);
} // namespace WindowsTestHelpers

#endif
