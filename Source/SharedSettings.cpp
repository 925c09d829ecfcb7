#include "SharedSettings.h"

#include "PlatformFiles.h"

namespace SharedSettings
{
const juce::String importantNote { "These are the paths that all Quillfen installers will use for their respective formats. "
                                   "Edit them to personal taste, but keep in mind that some formats have specific homes. "
                                   "Use this feature at your own risk; follow the naming and separator conventions exactly "
                                   "as you see them, or you could end up with unintended consequences. If you delete this "
                                   "file, the next time you run the Rackhand for any QF product, a new one with the default "
                                   "locations will be written." };

namespace
{
    const char* const rootName = "Rackhand_Settings";
    const char* const noteAttribute = "Important_Note:";

    // By format index: VST3, CLAP, AAX.
    const char* const pathAttributes[] = { "VST3_Path", "CLAP_Path", "AAX_Path" };

    void readFolders (const juce::XmlElement& root, Product::PerFormat<juce::File>& installFolders)
    {
        for (size_t i = 0; i < installFolders.size(); ++i)
        {
            const auto value = root.getStringAttribute (pathAttributes[i]);
            // Judged as text: JUCE already completes "\Plugins" with the current drive when it
            // makes a File of it, and Windows resolves "C:plugins" against drive C:'s current folder.
            installFolders[i] = PlatformFiles::namesFixedPlace (value) ? juce::File (value) : juce::File();

            if (installFolders[i] != juce::File() && ! installFolders[i].exists())
                installFolders[i].createDirectory();
        }
    }

    void writeFolders (const juce::File& file, const Product::PerFormat<juce::File>& installFolders)
    {
        juce::XmlElement root (rootName);
        root.setAttribute (noteAttribute, importantNote);
        root.setAttribute (pathAttributes[1], installFolders[1].getFullPathName());
        root.setAttribute (pathAttributes[0], installFolders[0].getFullPathName());
        root.setAttribute (pathAttributes[2], installFolders[2].getFullPathName());

        // Writes through a temporary file beside the target, so another installer reading
        // the file at the same moment never sees half of it.
        root.writeTo (file, juce::XmlElement::TextFormat());
    }
} // namespace

juce::File settingsFolderFor (const juce::File& commonApplicationData)
{
    if (commonApplicationData == juce::File())
        return {};

    return commonApplicationData.getChildFile (makerFolderName);
}

juce::File settingsFileIn (const juce::File& settingsFolder)
{
    if (settingsFolder == juce::File())
        return {};

    return settingsFolder.getChildFile (settingsFileName);
}

void settle (const juce::File& settingsFolder, Product::PerFormat<juce::File>& installFolders)
{
    const auto file = settingsFileIn (settingsFolder);

    if (file == juce::File())
        return;

    if (file.existsAsFile())
    {
        if (auto root = juce::XmlDocument (file).getDocumentElement())
            readFolders (*root, installFolders);

        return;
    }

    // The maker's folder is created by the maker's tools, not by us: without it, nothing is written.
    if (settingsFolder.isDirectory())
        writeFolders (file, installFolders);
}
} // namespace SharedSettings
