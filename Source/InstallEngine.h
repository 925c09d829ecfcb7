#pragma once

#include "EmbeddedArchives.h"

#include <juce_core/juce_core.h>

#include <array>

/** Installs and uninstalls the product's formats in their install folders. */
namespace InstallEngine
{
/** Replaces the format's item in the install folder by the archive's contents, and removes
        any staging or set-aside copy of the item an earlier run left behind. Returns true if
        every entry of the archive was written and no copy of the item is left anywhere else in
        the folder. On false, the old item is in place as it was, or nothing is. */
bool installFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex, ArchiveData archive);

/** Removes the format's item, and any copies of it an earlier run left behind, from the
        install folder, never following links. Returns true if nothing of it is left (including
        when there was nothing). */
bool uninstallFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex);

/** One run of the action button: handles each ticked format in the order VST3, CLAP, AAX,
        clears the ticks of the formats it handled, and returns the verdict: true only if at
        least one format was handled and every one of them succeeded. */
bool run (std::array<bool, 3>& selected,
          const std::array<juce::File, 3>& installFolders,
          const juce::String& productName,
          bool uninstall);
} // namespace InstallEngine
