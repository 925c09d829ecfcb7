#include "MainComponent.h"
#include "Palette.h"
#include "PixelProbe.h"
#include "TestSupport.h"
#include "TextReference.h"
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

TEST (SupportPanel, PaintsIdleBoxesWithInkedIconsInTwoSizes)
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
    }
}

TEST (SupportPanel, EveryTextReadsExactlyInItsFontBoxAndPlace)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "SUPPORT");
    const auto grey = Palette::greyAAA6A6, bright = Palette::brightF5F5F5;
    const auto about = "The Quillfen Rackhand v1.0.5 cross-platform installater. \nFeel free to drop us a line if you have any "
                       "suggestions or questions concerning its use. You can edit the default installation paths in the text "
                       "file found at "
                       + machine.settingsFolder().getFullPathName() + "/RackhandSettings.txt";

    for (const int width : { 600, 1000 })
    {
        SCOPED_TRACE (width);
        main.setSize (width, width);
        const auto u = (float) width / 100.0f;
        const auto box = [u] (float x, float y, float w, float h)
        { return juce::Rectangle<float> (x * u, y * u, w * u, h * u); };
        const auto body = [u] (float x, float y, float w, float h)
        { return juce::Rectangle<int> ((int) std::nearbyint (x * u), (int) std::nearbyint (y * u), (int) std::nearbyint (w * u), (int) std::nearbyint (h * u)); };
        auto& panel = *main.getSupportPanel();
        const auto image = TestSupport::paintToImage (panel);

        using namespace TextReference;
        const std::vector<Text> texts {
            boxed ("DISCORD", 5.0f * u, bright, box (10, 7, 80, 10), juce::Justification::centredLeft),
            fitted ("The Quillfen Discord is a vibrant community of musicians and producers, and this is the fastest way to get "
                    "answers to simple questions. Just join and drop in the appropriate channel. ",
                    3.0f * u,
                    grey,
                    body (22, 15, 70, 30),
                    juce::Justification::topLeft,
                    20),
            boxed ("E-MAIL", 5.0f * u, bright, box (10, 27, 80, 10), juce::Justification::centredLeft),
            fitted ("If you have more complicated questions, or matters that need to remain private, concerning account "
                    "information, etc., feel free to email us.",
                    3.0f * u,
                    grey,
                    body (22, 35, 70, 30),
                    juce::Justification::topLeft,
                    20),
            boxed ("ABOUT QUILLFEN RACKHAND", 3.0f * u, grey, box (10, 57, 80, 10), juce::Justification::centredLeft),
            fitted (about, 3.0f * u, grey, body (10, 65, 80, 30), juce::Justification::topLeft, 20),
            singleLine (juce::CharPointer_UTF8 ("\xc2\xa9 2019-2026 Quillfen, Inc. All rights reserved."), 3.0f * u, grey, (int) (10.0f * u), (int) (88.0f * u)),
        };

        // Everything but the close control and the two boxes, which hold no text.
        EXPECT_TRUE (matches (image, image.getBounds(), Palette::background111111, texts, { boundsOf (panel, "X"), boundsOf (panel, "DISCORD"), boundsOf (panel, "MAIL") }));
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
