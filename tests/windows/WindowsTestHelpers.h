#pragma once

#include <juce_core/juce_core.h>

#if JUCE_WINDOWS

namespace WindowsTestHelpers
{
/** Keeps a file open from a second process, sharing reading only, as a running host keeps a
        loaded plug-in or a scanner holds a file it reads: Windows then refuses to delete, rename
        or overwrite it. The hold lasts holdForMs from the moment it starts, or until the holder
        is destroyed. */
class FileHolder
{
public:
    /** open: CreateFileW sharing reading only, as a scanner reads a file. loaded: LoadLibraryW, as
        a host loads a plug-in; Windows then lets the file and its folders be renamed but not
        deleted (DeleteFileW fails with access denied). */
    enum class Hold
    {
        open,
        loaded
    };

    explicit FileHolder (const juce::File& file, int holdForMs = -1, Hold how = Hold::open);
    ~FileHolder();

    bool isHolding() const { return heldMarker.existsAsFile() && ! hasLetGo(); }

    /** True once the second process has closed the file. */
    bool hasLetGo() const { return letGoMarker.existsAsFile(); }

private:
    juce::File heldMarker, releaseMarker, letGoMarker;
    juce::ChildProcess process;

    JUCE_DECLARE_NON_COPYABLE (FileHolder)
};

/** An archive of a format laid out like the sample one (its binary at the same place in the item),
        whose binary is a real DLL (tests/windows/LoadablePlugin.c) followed by the trailer, so that
        archives with different trailers install binaries that differ and all load. */
juce::MemoryBlock archiveWithLoadableBinary (int formatIndex, const juce::String& trailer);

/** Makes a link of the host system at the given path, pointing at the target: what a Linux
        user's own link looks like to the program under Wine, where no Windows call can make one
        (CreateSymbolicLinkW reports success and makes nothing; junctions are not supported).
        Returns false when not running under Wine. */
bool makeHostLink (const juce::File& link, const juce::File& target);

/** Removes a folder with everything in it from the host side, links as links: under Wine every
        Windows call on a host link reaches its target, so only the host can tidy them away. */
bool removeOnHost (const juce::File& folder);

/** The options that make the test binary the second process (see TestMain.cpp), holding the file
        open or loaded. */
inline constexpr const char* holdOpenOption = "--qf-hold-open";
inline constexpr const char* holdLoadedOption = "--qf-hold-loaded";

/** The second process, started as "OPTION FILE MARKERS MS [--after-go]": holds the file, writes
        MARKERS.held, lets go after MS milliseconds (a negative MS: when MARKERS.release appears),
        writes MARKERS.let-go and returns the exit code. With --after-go it first writes
        MARKERS.ready and waits for MARKERS.go, so that a hold can start at a moment another
        program chooses. */
int runHolder (int argc, char** argv);
} // namespace WindowsTestHelpers

#endif
