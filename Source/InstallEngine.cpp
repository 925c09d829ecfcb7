#include "InstallEngine.h"

#include "InstalledState.h"

namespace InstallEngine
{
bool uninstallFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex)
{
    if (! InstalledState::isUsableInstallFolder (installFolder))
        return false;

    const auto target = InstalledState::targetPath (installFolder, productName, formatIndex);
    return target.deleteRecursively (false);
}

bool installFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex, ArchiveData archive)
{
    if (! InstalledState::isUsableInstallFolder (installFolder) || archive.data == nullptr)
        return false;

    uninstallFormat (installFolder, productName, formatIndex);

    auto copy = copyArchive (archive);
    juce::ZipFile zip (new juce::MemoryInputStream (copy, false), true);

    for (int i = 0; i < zip.getNumEntries(); ++i)
        if (zip.uncompressEntry (i, installFolder, true).failed())
            return false;

    return true;
}

bool run (std::array<bool, 3>& selected,
          const std::array<juce::File, 3>& installFolders,
          const juce::String& productName,
          bool uninstall)
{
    bool anyProcessed = false;
    bool allSucceeded = true;

    for (size_t i = 0; i < selected.size(); ++i)
    {
        if (! selected[i])
            continue;

        const auto format = (int) i;
        const bool outcome = uninstall ? uninstallFormat (installFolders[i], productName, format)
                                       : installFormat (installFolders[i], productName, format, embeddedArchive (format));

        selected[i] = false;
        anyProcessed = true;
        allSucceeded = allSucceeded && outcome;
    }

    return anyProcessed && allSucceeded;
}
} // namespace InstallEngine
