#include "MainComponent.h"
#include "Palette.h"
#include "PixelProbe.h"
#include "TestSupport.h"
#include "panel_support.h"

#include <gtest/gtest.h>

using TestSupport::click;
using TestSupport::findChild;

namespace
{
const auto idleBox = PixelProbe::over (Palette::greyAAA6A6.withAlpha ((juce::uint8) 128), Palette::background111111);

juce::Rectangle<int> boundsOf (juce::Component& panel, const juce::String& name)
{
    auto* child = findChild (panel, name);
    return child != nullptr ? child->getBounds() : juce::Rectangle<int>();
}

const PixelProbe::Predicate notBackground = [] (juce::Colour c)
{ return ! PixelProbe::near (c, Palette::background111111, 6); };
} // namespace

TEST (SupportPanel, LaysOutTheCloseTargetAndBothBoxesInUnits)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "SUPPORT");
    auto& panel = *main.getSupportPanel();

    EXPECT_EQ (boundsOf (panel, "X"), juce::Rectangle<int> (528, 9, 48, 48));
    EXPECT_EQ (boundsOf (panel, "DISCORD"), juce::Rectangle<int> (60, 90, 60, 60));
    EXPECT_EQ (boundsOf (panel, "MAIL"), juce::Rectangle<int> (60, 210, 60, 60));

    for (auto* child : panel.getChildren())
        EXPECT_EQ (child->getAlpha(), 0.0f) << child->getName();

    main.setSize (1000, 1000);
    EXPECT_EQ (panel.getBounds(), main.getLocalBounds());
    EXPECT_TRUE (panel.isAlwaysOnTop());
    EXPECT_EQ (boundsOf (panel, "X"), juce::Rectangle<int> (880, 15, 80, 80));
    EXPECT_EQ (boundsOf (panel, "DISCORD"), juce::Rectangle<int> (100, 150, 100, 100));
    EXPECT_EQ (boundsOf (panel, "MAIL"), juce::Rectangle<int> (100, 350, 100, 100));
}

TEST (SupportPanel, PaintsIdleBoxesWithInkedIconsAndHeadingsInTwoSizes)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "SUPPORT");

    for (const int width : { 600, 1000 })
    {
        SCOPED_TRACE (width);
        main.setSize (width, width);
        const auto u = (float) width / 100.0f;
        const auto at = [u] (float units)
        { return (int) std::nearbyint (units * u); };
        const auto image = TestSupport::paintToImage (*main.getSupportPanel());

        EXPECT_TRUE (PixelProbe::near (image.getPixelAt (2, 2), Palette::background111111));

        // Each box is half grey around its icon; the discord artwork's black is drawn in our
        // ink, the mail artwork keeps its own near-black.
        const std::pair<float, juce::Colour> boxes[] = { { 15.0f, Palette::ink171717 }, { 35.0f, juce::Colour (0xff1d1d1b) } };

        for (const auto& [top, darkest] : boxes)
        {
            const juce::Rectangle<int> box (at (10), at (top), at (10), at (10));
            EXPECT_TRUE (PixelProbe::near (image.getPixelAt (box.getX() + at (1), box.getCentreY()), idleBox)) << top;
            EXPECT_TRUE (PixelProbe::near (image.getPixelAt (box.getCentreX(), box.getBottom() - at (1)), idleBox)) << top;
            EXPECT_TRUE (PixelProbe::near (image.getPixelAt (box.getX() - 2, box.getCentreY()), Palette::background111111)) << top;

            const auto iconArea = box.reduced (at (2));
            // Searched a unit inside the box, clear of its rounded corners.
            const auto icon = PixelProbe::inkBounds (image, box.reduced (at (1)), [] (juce::Colour c)
                                                     { return c.getRed() < 0x40; });
            EXPECT_TRUE (PixelProbe::within (icon, iconArea, 1)) << top << ": " << icon.toString();
            EXPECT_GT (PixelProbe::count (image, iconArea, PixelProbe::nearTo (darkest, 3)), 0) << top;
            EXPECT_EQ (PixelProbe::count (image, iconArea, [] (juce::Colour c)
                                          { return c.getRed() < 0x15; }),
                       0)
                << top << ": no untouched black";
        }

        // The DISCORD and E-MAIL headings (5 units) stand 5/3 as tall as the about heading
        // (3 units); all are capitals, vertically centred in their 10-unit rows, read above
        // the boxes that start 8 units down. Only "ABOUT" is measured of the last, as the Q
        // of QUILLFEN has a tail.
        const auto discord = PixelProbe::inkBounds (image, { at (10), at (7), at (80), at (8) }, notBackground);
        const auto mail = PixelProbe::inkBounds (image, { at (10), at (27), at (80), at (8) }, notBackground);
        const auto about = PixelProbe::inkBounds (image, { at (10), at (57), at (7), at (8) }, notBackground);
        ASSERT_FALSE (discord.isEmpty());
        ASSERT_FALSE (mail.isEmpty());
        ASSERT_FALSE (about.isEmpty());
        EXPECT_NEAR (discord.getX(), at (10), u);
        EXPECT_NEAR ((float) discord.getHeight(), 0.52f * 5.0f * u, 0.1f * 5.0f * u);
        EXPECT_NEAR (discord.getHeight(), mail.getHeight(), 1);
        EXPECT_NEAR ((float) discord.getHeight() / (float) about.getHeight(), 5.0f / 3.0f, 0.25f);
        EXPECT_GE (PixelProbe::count (image, discord, PixelProbe::nearTo (Palette::brightF5F5F5, 4)), 10);
        EXPECT_NEAR (discord.getCentreY(), at (12), u);
        EXPECT_NEAR (mail.getCentreY(), at (32), u);

        // Body texts start at the box's top, 12 units to its right, and stay inside 70 units.
        const auto discordBody = PixelProbe::inkBounds (image, { at (20), at (15), at (80), at (12) }, notBackground);
        EXPECT_NEAR (discordBody.getX(), at (22), u);
        EXPECT_NEAR (discordBody.getY(), at (15), u);
        EXPECT_LE (discordBody.getRight(), at (92));

        // The copyright line sits on its baseline at 88 units, below the about box's text.
        const auto copyright = PixelProbe::inkBounds (image, { 0, at (86), width, at (4) }, notBackground);
        EXPECT_NEAR (copyright.getX(), at (10), u);
        EXPECT_LT (copyright.getY(), at (88));
    }
}

TEST (SupportPanel, AboutTextNamesTheSettingsFileInTheFolderTheProgramUses)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "SUPPORT");
    const auto about = main.getSupportPanel()->getAboutText();

    EXPECT_TRUE (about.startsWith ("The Quillfen Rackhand v1.0.5 cross-platform installater. \nFeel free")) << about;
    EXPECT_TRUE (about.endsWith (machine.settingsFolder().getFullPathName() + "/RackhandSettings.txt")) << about;
    EXPECT_EQ (main.getSupportPanel()->settingsFolder, main.getSettingsFolder());
}

TEST (SupportPanel, ALongSettingsPathStaysInsideTheAboutBox)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "SUPPORT");
    auto& panel = *main.getSupportPanel();

    auto deep = machine.settingsFolder();

    for (int i = 0; i < 12; ++i)
        deep = deep.getChildFile ("a_rather_long_folder_name_" + juce::String (i));

    panel.settingsFolder = deep;
    const auto image = TestSupport::paintToImage (panel);

    // The about box is 60..540 across and 390..570 down; only the copyright line (at 528) may
    // share its rows, and it starts at the same left edge.
    EXPECT_EQ (PixelProbe::count (image, { 541, 390, 59, 180 }, notBackground), 0);
    EXPECT_EQ (PixelProbe::count (image, { 0, 390, 59, 180 }, notBackground), 0);
    EXPECT_GT (PixelProbe::count (image, { 60, 390, 480, 120 }, notBackground), 0);

#if JUCE_MAJOR_VERSION >= 8
    // JUCE 8 breaks the path only after its separators, so it needs two lines more than JUCE 7,
    // and it sets text holding a line break to the box's width without squeezing it into the
    // box's height: the last lines run on below the box, but the file name still ends inside
    // the panel, readable.
    EXPECT_GT (PixelProbe::count (image, { 60, 571, 480, 19 }, notBackground), 0);
    EXPECT_EQ (PixelProbe::count (image, { 0, 591, 600, 9 }, notBackground), 0);
#else
    // JUCE 7 breaks the path wherever a line is full, and this one fits the box's height.
    EXPECT_EQ (PixelProbe::count (image, { 0, 571, 600, 29 }, notBackground), 0);
#endif
}

TEST (SupportPanel, TheEmailTextFillsItsLinesAsTheJuceVersionSetsThem)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "SUPPORT");
    const auto image = TestSupport::paintToImage (*main.getSupportPanel());

    // The first line of the e-mail text, in its 420-pixel box from x = 132.
    const auto firstLine = PixelProbe::inkBounds (image, { 132, 211, 430, 16 }, notBackground);
    ASSERT_FALSE (firstLine.isEmpty());
    EXPECT_LE (firstLine.getRight(), 552);

#if JUCE_MAJOR_VERSION >= 8
    // JUCE 8 fills each line with as many words as fit ("... or matters that need to").
    EXPECT_GT (firstLine.getRight(), 132 + 420 * 85 / 100);
#else
    // JUCE 7 first measures the whole text against the box and breaks it into lines of even
    // length, so its first line ends after "matters", about three quarters across.
    EXPECT_LT (firstLine.getRight(), 132 + 420 * 75 / 100);
#endif
}

TEST (SupportPanel, ReopeningLeavesOnePanelAndDeletesTheOldOne)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    const auto childrenBefore = main.getNumChildComponents();

    click (main, "SUPPORT");
    juce::Component::SafePointer<panel_support> first (main.getSupportPanel());
    ASSERT_NE (first, nullptr);
    EXPECT_EQ (TestSupport::countChildrenOfType<panel_support> (main), 1);

    click (*first, "X");
    ASSERT_NE (first, nullptr);
    EXPECT_EQ (first->getParentComponent(), nullptr);
    EXPECT_EQ (main.getSupportPanel(), first.getComponent());
    EXPECT_EQ (main.getNumChildComponents(), childrenBefore);

    click (main, "SUPPORT");
    EXPECT_EQ (first, nullptr);
    EXPECT_EQ (TestSupport::countChildrenOfType<panel_support> (main), 1);
    EXPECT_EQ (main.getNumChildComponents(), childrenBefore + 1);
    EXPECT_EQ (main.getSupportPanel()->settingsFolder, machine.settingsFolder()) << "the new one gets the folder too";

    // The licence panel and the support panel have their own slots.
    click (*main.getSupportPanel(), "X");
    click (main, "EULA");
    EXPECT_NE (main.getSupportPanel(), nullptr);
    EXPECT_NE (main.getEulaPanel(), nullptr);
}
