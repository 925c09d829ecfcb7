#include "EulaText.h"
#include "Palette.h"
#include "Product.h"
#include "ProgramInfo.h"

#include <gtest/gtest.h>

TEST (ProductTables, IndexPastTheEndReadsAsEmpty)
{
    EXPECT_EQ (Product::linkNames[4], juce::String());
    EXPECT_EQ (Product::formatNames[3], juce::String());
    EXPECT_EQ (Product::extensions[3], juce::String());
    EXPECT_EQ (Product::extensions[-1], juce::String());
}

TEST (ProductTables, FormatsLineUpByIndex)
{
    EXPECT_EQ (Product::linkNames, juce::StringArray ({ "EULA", "MANUAL", "WEBSITE", "SUPPORT" }));
    EXPECT_EQ (Product::formatNames, juce::StringArray ({ "VST3", "CLAP", "AAX" }));
    EXPECT_EQ (Product::extensions, juce::StringArray ({ ".vst3", ".clap", ".aaxplugin" }));
    EXPECT_EQ (Product::name + Product::extensions[Product::aax], "Halcyra 2.aaxplugin");
}

TEST (ProductTables, IdentityAndRecordMatchWhatTheScreensShow)
{
    EXPECT_EQ (ProgramInfo::name, "qf_installer");
    EXPECT_EQ (ProgramInfo::version, "1.0.5");
    EXPECT_EQ (Product::name.toUpperCase() + Product::editionLabel, "HALCYRA 2 DEMO");
    EXPECT_EQ ("Version " + Product::version + Product::platformSuffix, "Version 2.1.4 for Windows");
}

TEST (ProductTables, AddressesAreTheMakersHttpsPages)
{
    const juce::URL page (Product::productPageAddress), manual (Product::manualAddress);

    EXPECT_TRUE (Product::productPageAddress.startsWith ("https://"));
    EXPECT_TRUE (page.getSubPath().startsWith ("collections/plugin-instruments/products/"));
    EXPECT_TRUE (page.getDomain().contains ("quillfen"));
    EXPECT_EQ (manual.getSubPath(), "manuals/Halcyra_Manual.pdf");
    EXPECT_TRUE (manual.getDomain().contains ("quillfen"));
    EXPECT_TRUE (Product::supportMailAddress.startsWith ("mailto:"));
}

TEST (ProductTables, PaletteIsOpaqueAndExact)
{
    const juce::Colour colours[] = { Palette::background111111, Palette::ink171717, Palette::brightF5F5F5, Palette::greyAAA6A6, Palette::green86cf7a, Palette::blue0094d8, Palette::goldD3C55F };
    const juce::uint32 expected[] = { 0xff111111, 0xff171717, 0xfff5f5f5, 0xffaaa6a6, 0xff86cf7a, 0xff0094d8, 0xffd3c55f };

    for (size_t i = 0; i < std::size (colours); ++i)
        EXPECT_EQ (colours[i].getARGB(), expected[i]) << i;
}

TEST (LicenceText, HasTheAgreedForm)
{
    EXPECT_EQ (eulaText.length(), 4785);

    const auto lines = juce::StringArray::fromTokens (eulaText, "\n", {});
    EXPECT_EQ (lines.size(), 18);
    EXPECT_EQ (eulaText.indexOfChar ('\r'), -1);
    EXPECT_FALSE (eulaText.endsWithChar ('\n'));
    EXPECT_TRUE (eulaText.endsWithChar (' '));
    EXPECT_EQ (lines[0], "BY INSTALLING THE SOFTWARE, YOU ARE CONSENTING TO BE BOUND BY THIS AGREEMENT.");

    int paragraphs = 0, directPairs = 0;

    for (int i = 0; i < lines.size(); ++i)
    {
        if (lines[i].isEmpty())
        {
            EXPECT_TRUE (i > 0 && lines[i - 1].isNotEmpty()) << "two empty lines in a row at line " << i;
            continue;
        }

        ++paragraphs;

        if (i > 0 && lines[i - 1].isNotEmpty())
            ++directPairs;
    }

    EXPECT_EQ (paragraphs, 11);
    EXPECT_EQ (directPairs, 3);

    for (auto c : eulaText)
        EXPECT_TRUE (c == '\n' || (c >= 32 && c < 127)) << "not plain ASCII: " << (int) c;
}
