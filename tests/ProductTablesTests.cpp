#include "EulaText.h"
#include "Palette.h"
#include "Product.h"
#include "ProgramInfo.h"
#include "TestSupport.h"

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
    ASSERT_EQ (Product::formatNames.size(), 3);
    EXPECT_EQ (Product::name + Product::extensions[Product::aax], TestSupport::screen()["formats"][2]["item"].toString());

    for (int i = 0; i < 3; ++i)
    {
        const auto& format = TestSupport::screen()["formats"][i];
        EXPECT_EQ (Product::formatNames[i], format["name"].toString());
        EXPECT_EQ (Product::name + Product::extensions[i], format["item"].toString());
    }
}

TEST (ProductTables, IdentityAndRecordMatchWhatTheScreensShow)
{
    EXPECT_EQ (ProgramInfo::name, "qf_installer");
    EXPECT_EQ (ProgramInfo::version, TestSupport::screen()["version"].toString());
    EXPECT_EQ (Product::name.toUpperCase() + Product::editionLabel, "HALCYRA 2 DEMO");
    EXPECT_EQ ("Version " + Product::version + Product::platformSuffix, "Version " + TestSupport::screen()["productVersion"].toString() + " for Windows");
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

TEST (ProductTables, PaletteIsTheScreenMapsColours)
{
    const std::pair<juce::Colour, const char*> colours[] = { { Palette::background111111, "background" }, { Palette::ink171717, "iconInk" }, { Palette::brightF5F5F5, "heading" }, { Palette::greyAAA6A6, "captionInk" }, { Palette::green86cf7a, "pressed" }, { Palette::blue0094d8, "topStrip" }, { Palette::goldD3C55F, "gold" } };

    for (const auto& [colour, name] : colours)
        EXPECT_EQ (colour, TestSupport::screenColour (name)) << name;
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
