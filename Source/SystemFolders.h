#pragma once

#include "Product.h"

#include <juce_core/juce_core.h>

/** The machine-wide folders the installer reads and writes.

    Everything that touches a system folder asks here, and nowhere else, so that tests can move
    the whole program into folders of their own with a ScopedOverride.
*/
struct SystemFolders
{
    /** Where the maker's shared settings folder lives (C:\ProgramData on Windows, /opt on Linux). */
    juce::File commonApplicationData;

    /** The user's temporary folder, as the system reports it. */
    juce::File temporary;

    /** The install folder of each format when the settings file says nothing else. */
    Product::PerFormat<juce::File> defaultInstallFolders;

    /** The real folders of this machine. */
    static SystemFolders forThisMachine();

    /** The folders in use: this machine's, unless a test has overridden them. */
    static const SystemFolders& current();

    /** Replaces the folders in use for as long as it lives (tests only). */
    class ScopedOverride;
};

class SystemFolders::ScopedOverride
{
public:
    explicit ScopedOverride (SystemFolders replacement);
    ~ScopedOverride();

private:
    const SystemFolders* previous;
    SystemFolders folders;

    JUCE_DECLARE_NON_COPYABLE (ScopedOverride)
};
