#include "SystemFolders.h"

#include <cstdlib>

namespace
{
const SystemFolders* overridden = nullptr;
}

SystemFolders SystemFolders::forThisMachine()
{
    SystemFolders folders;
    folders.commonApplicationData = juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory);

#if JUCE_WINDOWS
    // On Windows JUCE asks GetTempPathW, the folder the system hands to every process.
    folders.temporary = juce::File::getSpecialLocation (juce::File::tempDirectory);

    // Deliberately a literal: every Quillfen installer writes exactly these paths into the shared
    // settings file, whatever the system reports as its common files folder.
    const juce::File base ("C:/Program Files/Common Files");
    folders.defaultInstallFolders = { base.getChildFile ("VST3"),
                                      base.getChildFile ("CLAP"),
                                      base.getChildFile ("Avid/Audio/Plug-Ins") };
#else
    // JUCE takes TMPDIR as it stands: set but empty it gives the empty path, whose children sit
    // in the root folder, and relative it gives a folder under wherever the program was started.
    // Neither is a temporary folder, so then there is none.
    if (const auto* variable = std::getenv ("TMPDIR"); variable == nullptr || variable[0] == '/')
        folders.temporary = juce::File::getSpecialLocation (juce::File::tempDirectory);

    // The system-wide folders hosts search on Linux; no AAX host exists there, the folder is ours.
    folders.defaultInstallFolders = { juce::File ("/usr/lib/vst3"),
                                      juce::File ("/usr/lib/clap"),
                                      juce::File ("/usr/lib/aax") };
#endif

    return folders;
}

const SystemFolders& SystemFolders::current()
{
    static const SystemFolders machine = forThisMachine();
    return overridden != nullptr ? *overridden : machine;
}

SystemFolders::ScopedOverride::ScopedOverride (SystemFolders replacement)
    : previous (overridden), folders (std::move (replacement))
{
    overridden = &folders;
}

SystemFolders::ScopedOverride::~ScopedOverride()
{
    overridden = previous;
}
