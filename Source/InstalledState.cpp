#include "InstalledState.h"

#include "PlatformFiles.h"
#include "Product.h"

namespace InstalledState
{
juce::String itemName (const juce::String& productName, int formatIndex)
{
    jassert (Product::isFormatIndex (formatIndex));

    return productName + Product::extensions[formatIndex];
}

bool isUsableInstallFolder (const juce::File& installFolder)
{
    return installFolder != juce::File() && PlatformFiles::namesFixedPlace (installFolder.getFullPathName());
}

juce::File targetPath (const juce::File& installFolder, const juce::String& productName, int formatIndex)
{
    jassert (Product::isFormatIndex (formatIndex));

    return installFolder.getChildFile (itemName (productName, formatIndex));
}

bool isInstalled (const juce::File& installFolder, const juce::String& productName, int formatIndex)
{
    jassert (Product::isFormatIndex (formatIndex));

    if (! isUsableInstallFolder (installFolder))
        return false;

    return PlatformFiles::somethingAt (targetPath (installFolder, productName, formatIndex));
}

juce::String installedVersion (const juce::File& installFolder, const juce::String& productName, int formatIndex)
{
    jassert (Product::isFormatIndex (formatIndex));

    // No disk query of its own for the item: paint has just asked isInstalled(), and a missing
    // binary reads as no version anyway.
    if (! isUsableInstallFolder (installFolder))
        return {};

    auto binary = targetPath (installFolder, productName, formatIndex);

    // An AAX bundle keeps its binary, named like the bundle, in Contents/x64.
    if (formatIndex == Product::aax)
        binary = binary.getChildFile ("Contents/x64/" + productName + Product::extensions[Product::aax]);

    // Folders have no version resource; File::getVersion() is only implemented on Windows.
    if (binary.isDirectory())
        return {};

    return binary.getVersion();
}
} // namespace InstalledState
