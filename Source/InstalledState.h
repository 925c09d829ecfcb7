#pragma once

#include <juce_core/juce_core.h>

/** Tells from the disk whether a format of the product is installed, and which version.

    Nothing is cached: callers ask each time they need an answer, so changes made by other
    programs show at once.
*/
namespace InstalledState
{
/** The product name followed by the format's extension, e.g. "Halcyra 2.vst3". */
juce::String itemName (const juce::String& productName, int formatIndex);

/** Whether a folder is a place the installer may look into or write to at all.

        An empty folder (a settings file without the format's path) or one whose place depends
        on the current folder or drive would resolve against the drive root or the current folder
        of an elevated process, which is never where the user meant plug-ins to go.
    */
bool isUsableInstallFolder (const juce::File& installFolder);

/** The item's path inside the install folder: what install writes and uninstall removes. */
juce::File targetPath (const juce::File& installFolder, const juce::String& productName, int formatIndex);

/** True if anything (file, folder or link) sits at the target path. */
bool isInstalled (const juce::File& installFolder, const juce::String& productName, int formatIndex);

/** The file version of the installed plug-in binary, e.g. "2.1.4.0", or an empty string when
        the format is not installed, the binary carries no version or the platform has none. */
juce::String installedVersion (const juce::File& installFolder, const juce::String& productName, int formatIndex);
} // namespace InstalledState
