#include "MainComponent.h"
#include "PixelChecks.h"
#include "TestSupport.h"
#include "TextReference.h"
#include "panel_support.h"

#include <gtest/gtest.h>

#include <tuple>

using PixelChecks::count;
using TestSupport::click;
using TestSupport::findChild;
using TestSupport::screenColour;

namespace
{
const auto background = screenColour ("background");
const auto notBackground = PixelChecks::differsFrom (background);
} // namespace

TEST (SupportPanel, PaintsIdleBoxesWithInkedIconsInTwoSizes)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "SUPPORT");
    const auto idleBox = screenColour ("faceIdle");

    for (const int width : { 600, 1000 })
    {
        SCOPED_TRACE (width);
        main.setSize (width, width);
        const TestSupport::Units at (width);
        const auto image = TestSupport::paintToImage (*main.getSupportPanel());

        EXPECT_TRUE (PixelChecks::pixelIs (image, 2, 2, background));

        // Each box is half grey around its icon; the discord artwork's black is drawn in our
        // ink, the mail artwork keeps its own near-black.
        for (const auto& [top, darkest] : { std::pair { 15.0f, screenColour ("iconInk") }, { 35.0f, screenColour ("mailInk") } })
        {
            SCOPED_TRACE (top);
            const auto box = at (10, top, 10, 10);
            EXPECT_TRUE (PixelChecks::pixelIs (image, box.getX() + at (1), box.getCentreY(), idleBox, 3));
            EXPECT_TRUE (PixelChecks::pixelIs (image, box.getCentreX(), box.getBottom() - at (1), idleBox, 3));
            EXPECT_TRUE (PixelChecks::pixelIs (image, box.getX() - 2, box.getCentreY(), background, 3));

            // Searched a unit inside the box, clear of its rounded corners.
            const auto iconArea = box.reduced (at (2));
            const auto icon = PixelChecks::inkBounds (image, box.reduced (at (1)), [] (juce::Colour c)
                                                      { return c.getRed() < 0x40; });
            EXPECT_TRUE (PixelChecks::within (icon, iconArea, 1)) << icon.toString();
            EXPECT_GT (count (image, iconArea, PixelChecks::nearTo (darkest, 3)), 0);
            EXPECT_EQ (count (image, iconArea, [] (juce::Colour c)
                              { return c.getRed() < 0x15; }),
                       0)
                << "no untouched black";
        }
    }
}

TEST (SupportPanel, EveryTextReadsExactlyInItsFontBoxAndPlace)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    // A reopened panel names the settings folder too.
    click (main, "SUPPORT");
    click (*main.getSupportPanel(), "X");
    click (main, "SUPPORT");

    const auto grey = screenColour ("captionInk"), bright = screenColour ("heading");
    const auto about = "The Quillfen Rackhand v" + TestSupport::screen()["version"].toString()
                       + " cross-platform installater. \nFeel free to drop us a line if you have any suggestions or questions "
                         "concerning its use. You can edit the default installation paths in the text file found at "
                       + machine.settingsFolder().getFullPathName() + "/RackhandSettings.txt";
    const std::tuple<const char*, float, const char*> contacts[] = {
        { "DISCORD", 7.0f, "The Quillfen Discord is a vibrant community of musicians and producers, and this is the fastest way to get "
                           "answers to simple questions. Just join and drop in the appropriate channel. " },
        { "E-MAIL", 27.0f, "If you have more complicated questions, or matters that need to remain private, concerning account "
                           "information, etc., feel free to email us." },
    };

    for (const int width : { 600, 1000 })
    {
        SCOPED_TRACE (width);
        main.setSize (width, width);
        const TestSupport::Units at (width);
        const auto u = at.u;
        const auto box = [u] (float x, float y, float w, float h)
        { return juce::Rectangle<float> (x * u, y * u, w * u, h * u); };
        auto& panel = *main.getSupportPanel();
        const auto image = TestSupport::paintToImage (panel);

        using namespace TextReference;
        std::vector<Text> texts {
            boxed ("ABOUT QUILLFEN RACKHAND", 3.0f * u, grey, box (10, 57, 80, 10), juce::Justification::centredLeft),
            fitted (about, 3.0f * u, grey, at (10, 65, 80, 30), juce::Justification::topLeft, 20),
            singleLine (juce::CharPointer_UTF8 ("\xc2\xa9 2019-2026 Quillfen, Inc. All rights reserved."), 3.0f * u, grey, (int) (10.0f * u), (int) (88.0f * u)),
        };

        // Each contact's heading stands above its box, its text to the box's right.
        for (const auto& [heading, top, body] : contacts)
        {
            texts.push_back (boxed (heading, 5.0f * u, bright, box (10, top, 80, 10), juce::Justification::centredLeft));
            texts.push_back (fitted (body, 3.0f * u, grey, at (22, top + 8, 70, 30), juce::Justification::topLeft, 20));
        }

        // Everything but the close control and the two boxes, which hold no text.
        EXPECT_TRUE (matches (image, image.getBounds(), background, texts, { findChild (panel, "X")->getBounds(), findChild (panel, "DISCORD")->getBounds(), findChild (panel, "MAIL")->getBounds() }));
    }
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
    EXPECT_EQ (count (image, { 541, 390, 59, 180 }, notBackground), 0);
    EXPECT_EQ (count (image, { 0, 390, 59, 180 }, notBackground), 0);
    EXPECT_GT (count (image, { 60, 390, 480, 120 }, notBackground), 0);

#if JUCE_MAJOR_VERSION >= 8
    // JUCE 8 breaks the path only after its separators, so it needs two lines more than JUCE 7,
    // and it sets text holding a line break to the box's width without squeezing it into the
    // box's height: the last lines run on below the box, but the file name still ends inside
    // the panel, readable.
    EXPECT_GT (count (image, { 60, 571, 480, 19 }, notBackground), 0);
    EXPECT_EQ (count (image, { 0, 591, 600, 9 }, notBackground), 0);
#else
    // JUCE 7 breaks the path wherever a line is full, and this one fits the box's height.
    EXPECT_EQ (count (image, { 0, 571, 600, 29 }, notBackground), 0);
#endif
}

TEST (SupportPanel, TheEmailTextFillsItsLinesAsTheJuceVersionSetsThem)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "SUPPORT");
    const auto image = TestSupport::paintToImage (*main.getSupportPanel());

    // The first line of the e-mail text, in its 420-pixel box from x = 132.
    const auto firstLine = PixelChecks::inkBounds (image, { 132, 211, 430, 16 }, notBackground);
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
