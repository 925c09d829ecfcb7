#pragma once

#include "Product.h"

#include <juce_core/juce_core.h>

/** The settings file all of the maker's installers share: where each format gets installed.

    It lives in the maker's folder under the common application data folder. When it exists it
    is read; when it does not, it is written with the folders in use. Never both in one run.
*/
namespace SharedSettings
{
/** The maker's folder inside the common application data folder, and the settings file's name
    inside that folder: every installer of the maker looks for the file there. */
inline const juce::String makerFolderName { "Quillfen" };
inline const juce::String settingsFileName { "RackhandSettings.txt" };

/** The maker's folder inside the common application data folder. */
juce::File settingsFolderFor (const juce::File& commonApplicationData);

/** The settings file inside the settings folder. */
juce::File settingsFileIn (const juce::File& settingsFolder);

/** The explanation written into every new settings file. */
extern const juce::String importantNote;

/** Reads the install folders from the settings file, or writes the file with the folders
        passed in (the defaults) when there is none. Failures fall back silently. */
void settle (const juce::File& settingsFolder, Product::PerFormat<juce::File>& installFolders);
} // namespace SharedSettings
