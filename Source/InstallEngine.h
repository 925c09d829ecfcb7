#pragma once

#include "EmbeddedArchives.h"

#include <juce_core/juce_core.h>

#include <array>

/** Installs and uninstalls the product's formats in their install folders. */
namespace InstallEngine
{
/** Replaces the format's item in the install folder by the archive's contents.
        Returns true if every entry of the archive was written. */
bool installFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex, ArchiveData archive);

/** Removes the format's item from the install folder, never following links.
        Returns true if nothing of it is left (including when there was nothing). */
bool uninstallFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex);

/** One run of the action button: handles each ticked format in the order VST3, CLAP, AAX,
        clears the ticks of the formats it handled, and returns the verdict: true only if at
        least one format was handled and every one of them succeeded. */
bool run (std::array<bool, 3>& selected,
          const std::array<juce::File, 3>& installFolders,
          const juce::String& productName,
          bool uninstall);
} // namespace InstallEngine
