#include "MainComponent.h"
#include "PixelChecks.h"
#include "TestSupport.h"
#include "TextReference.h"

#include <gtest/gtest.h>

using PixelChecks::areaMatches;
using PixelChecks::over;
using PixelChecks::pixelIs;
using TestSupport::click;
using TestSupport::paintToImage;

namespace
{
const juce::Colour background { 0xff111111 }, ink { 0xff171717 }, bright { 0xfff5f5f5 }, grey { 0xffaaa6a6 },
    blue { 0xff0094d8 }, gold { 0xffd3c55f };

const juce::Colour halfGrey = grey.withAlpha ((juce::uint8) 128);

void text (juce::Graphics& g, juce::Colour colour, float height, const juce::String& s, juce::Rectangle<float> box, juce::Justification j)
{
    TextReference::draw (g, TextReference::boxed (s, height, colour, box, j));
}

void line (juce::Graphics& g, juce::Colour colour, float height, const juce::String& s, int x, int baseline)
{
    TextReference::draw (g, TextReference::singleLine (s, height, colour, x, baseline));
}

void makeItem (const TestSupport::ScopedMachine& machine, int format)
{
    static const char* const items[] = { "Halcyra 2.vst3", "Halcyra 2.clap", "Halcyra 2.aaxplugin" };
    const auto item = machine.installFolder (format).getChildFile (items[format]);

    if (format == 1)
        item.replaceWithText ("plug-in");
    else
        item.createDirectory();
}

juce::Colour idleTile() { return over (background, grey.withAlpha ((juce::uint8) 89)); }
juce::Colour installedTile() { return over (background, blue.withAlpha ((juce::uint8) 230)); }
} // namespace

TEST (MainScreenPaint, BarDotsAndRulesAtTheDefaultSize)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    const auto image = paintToImage (main);

    EXPECT_TRUE (pixelIs (image, 300, 300, background));

    // Top bar, 600 x 6.
    EXPECT_TRUE (pixelIs (image, 0, 0, blue));
    EXPECT_TRUE (pixelIs (image, 599, 5, blue));
    EXPECT_TRUE (pixelIs (image, 300, 6, background));

    // Corner dots in the squares (588, 588), (588, 576) and (576, 588), side 6: an L with no
    // dot in its inner corner.
    const auto dot = over (background, halfGrey);
    EXPECT_TRUE (pixelIs (image, 591, 591, dot));
    EXPECT_TRUE (pixelIs (image, 591, 579, dot));
    EXPECT_TRUE (pixelIs (image, 579, 591, dot));
    EXPECT_TRUE (pixelIs (image, 579, 579, background));
    EXPECT_TRUE (pixelIs (image, 591, 585, background));
    EXPECT_TRUE (pixelIs (image, 585, 591, background));
    EXPECT_TRUE (pixelIs (image, 597, 597, background));

    // The rules are (24, 165, 552, 1.5) and (24, 429, 552, 1.5): one full row, one half row.
    for (const int top : { 165, 429 })
    {
        SCOPED_TRACE (top);
        EXPECT_TRUE (pixelIs (image, 300, top - 1, background));
        EXPECT_TRUE (pixelIs (image, 300, top, grey));
        EXPECT_TRUE (pixelIs (image, 300, top + 1, over (background, grey.withAlpha (0.5f)), 3));
        EXPECT_TRUE (pixelIs (image, 300, top + 2, background));
        EXPECT_TRUE (pixelIs (image, 23, top, background));
        EXPECT_TRUE (pixelIs (image, 24, top, grey));
        EXPECT_TRUE (pixelIs (image, 575, top, grey));
        EXPECT_TRUE (pixelIs (image, 576, top, background));
    }
}

TEST (MainScreenPaint, EveryTextInItsColourFontAndPlaceAtTheDefaultSize)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    const auto image = paintToImage (main);

    EXPECT_TRUE (areaMatches (image, { 0, 7, 600, 33 }, background, [] (juce::Graphics& g)
                              {
        line (g, bright, 24.0f, "QUILL", 24, 30);
        line (g, grey, 24.0f, "FEN", 78, 30);
        line (g, halfGrey, 18.0f, "RACKHAND", 450, 24);
        line (g, halfGrey, 12.0f, "v1.0.5", 450, 36); }))
        << "wordmark and program name";

    EXPECT_TRUE (areaMatches (image, { 0, 40, 600, 85 }, background, [] (juce::Graphics& g)
                              {
        text (g, grey, 54.0f, "HALCYRA 2 DEMO", { 24.0f, 48.0f, 600.0f, 72.0f }, juce::Justification::topLeft);
        text (g, halfGrey, 24.0f, "Version 2.1.4 for Windows", { 24.0f, 48.0f, 600.0f, 72.0f }, juce::Justification::bottomLeft); }))
        << "title and version line";

    EXPECT_TRUE (areaMatches (image, { 0, 130, 470, 40 }, background, [] (juce::Graphics& g)
                              {
        line (g, grey, 24.0f, "FORMATS", 24, 156);
        g.fillRect (juce::Rectangle<float> (24.0f, 165.0f, 552.0f, 1.5f)); }))
        << "formats heading";

    EXPECT_TRUE (areaMatches (image, { 0, 400, 600, 35 }, background, [] (juce::Graphics& g)
                              {
        line (g, grey, 24.0f, "EXTRAS", 24, 420);
        g.fillRect (juce::Rectangle<float> (24.0f, 429.0f, 552.0f, 1.5f)); }))
        << "extras heading";

    EXPECT_TRUE (areaMatches (image, { 470, 130, 130, 32 }, background, [] (juce::Graphics& g)
                              {
        g.setColour (grey.withAlpha ((juce::uint8) 26));
        g.fillRoundedRectangle ({ 480.0f, 135.0f, 96.0f, 24.0f }, 6.0f);
        text (g, grey, 18.0f, "SELECT ALL", { 480.0f, 135.0f, 96.0f, 24.0f }, juce::Justification::centred); }))
        << "select-all button";

    EXPECT_TRUE (areaMatches (image, { 0, 503, 600, 25 }, background, [] (juce::Graphics& g)
                              {
        const char* const names[] = { "EULA", "MANUAL", "WEBSITE", "SUPPORT" };
        const float xs[] = { 24.0f, 93.0f, 162.0f, 231.0f };

        for (int i = 0; i < 4; ++i)
            text (g, grey, 15.0f, names[i], { xs[i], 462.0f, 60.0f, 60.0f }, juce::Justification::centredBottom);

        text (g, grey, 15.0f, "INSTALL", { 516.0f, 462.0f, 60.0f, 60.0f }, juce::Justification::centredBottom); }))
        << "captions below the link faces";

    // The help line is a label in half grey, centred in (24, 540, 552, 18) at 18 pixels.
    EXPECT_TRUE (TextReference::matches (image, { 0, 530, 600, 35 }, background, { TextReference::label ("1.0.5", 18.0f, halfGrey, { 24, 540, 552, 18 }, juce::Justification::centred) }))
        << "help line";
}

TEST (MainScreenPaint, LinkAndActionFacesFillTheirButtonsAtFourHundred)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    main.setSize (400, 400);
    const auto image = paintToImage (main);
    const auto face = over (background, halfGrey);

    // Action button at (344, 294, 40, 40): the face reaches every edge, and no further.
    EXPECT_TRUE (pixelIs (image, 344, 314, face));
    EXPECT_TRUE (pixelIs (image, 343, 314, background));
    EXPECT_TRUE (pixelIs (image, 383, 314, face));
    EXPECT_TRUE (pixelIs (image, 384, 314, background));
    EXPECT_TRUE (pixelIs (image, 364, 294, face));
    EXPECT_TRUE (pixelIs (image, 364, 293, background));
    EXPECT_TRUE (pixelIs (image, 364, 333, face));
    EXPECT_TRUE (pixelIs (image, 364, 334, background));
    EXPECT_FALSE (pixelIs (image, 344, 294, face)) << "rounded corner";

    // The icon, inset by 1.5 units, sits dark on the face.
    EXPECT_GT (PixelChecks::countNear (image, { 350, 300, 28, 28 }, ink, 12), 20);

    // The four link faces, with their icons inset by 2 units.
    for (const int x : { 16, 62, 108, 154 })
    {
        SCOPED_TRACE (x);
        EXPECT_TRUE (pixelIs (image, x, 314, face));
        EXPECT_TRUE (pixelIs (image, x - 1, 314, background));
        EXPECT_TRUE (pixelIs (image, x + 39, 314, face));
        EXPECT_TRUE (pixelIs (image, x + 40, 314, background));
        EXPECT_TRUE (pixelIs (image, x + 4, 300, face)) << "the icon keeps off the inset";
        EXPECT_GT (PixelChecks::countNear (image, { x + 8, 302, 24, 24 }, ink, 12), 10);
    }

    // Top bar 4 pixels, corner dots in squares of side 4 at (392, 392).
    EXPECT_TRUE (pixelIs (image, 399, 3, blue));
    EXPECT_TRUE (pixelIs (image, 200, 4, background));
    EXPECT_TRUE (pixelIs (image, 394, 394, over (background, halfGrey)));
}

TEST (MainScreenPaint, AtAnOddSizeSingleLineTextsStartAtTruncatedOrigins)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    main.setSize (613, 613);
    const auto u = main.getUnit();
    const auto image = paintToImage (main);

    // 4u = 24.52, 5u = 30.65, 13u = 79.69, 75u = 459.75, 6u = 36.78, 26u = 159.38, 70u = 429.1:
    // rounding would move most of these by a pixel.
    EXPECT_TRUE (areaMatches (image, { 0, 7, 613, 33 }, background, [u] (juce::Graphics& g)
                              {
        line (g, bright, 4.0f * u, "QUILL", 24, 30);
        line (g, grey, 4.0f * u, "FEN", 79, 30);
        line (g, halfGrey, 3.0f * u, "RACKHAND", 459, 24);
        line (g, halfGrey, 2.0f * u, "v1.0.5", 459, 36); }));

    EXPECT_TRUE (areaMatches (image, { 0, 135, 480, 34 }, background, [u] (juce::Graphics& g)
                              {
        line (g, grey, 4.0f * u, "FORMATS", 24, 159);
        g.fillRect (juce::Rectangle<float> (4.0f * u, 27.5f * u, 92.0f * u, 0.25f * u)); }));

    EXPECT_TRUE (areaMatches (image, { 0, 405, 613, 35 }, background, [u] (juce::Graphics& g)
                              {
        line (g, grey, 4.0f * u, "EXTRAS", 24, 429);
        g.fillRect (juce::Rectangle<float> (4.0f * u, 71.5f * u, 92.0f * u, 0.25f * u)); }));

    // Tile text box: the tile reduced by 1.5 units, then 10 units to the right.
    const auto tile = juce::Rectangle<float> (25.0f, 184.0f, 276.0f, 61.0f);
    const auto box = tile.reduced (1.5f * u).translated (10.0f * u, 0.0f);
    EXPECT_TRUE (areaMatches (image, { 96, 194, 197, 41 }, idleTile(), [u, box] (juce::Graphics& g)
                              {
        text (g, background, 3.5f * u, "VST3", box, juce::Justification::topLeft);
        text (g, background, 3.0f * u, "NOT INSTALLED", box, juce::Justification::bottomLeft); }));

    // The last dot ends inside the window: a = b = 613 - 2u.
    EXPECT_TRUE (pixelIs (image, 603, 603, over (background, halfGrey)));
    EXPECT_TRUE (pixelIs (image, 611, 611, background));
}

TEST (MainScreenPaint, TilesShowTheDiskAsItIsAtEveryPaint)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    const auto statusMatches = [] (const juce::Image& image, juce::Rectangle<float> tile, juce::Colour face, const juce::String& name, const juce::String& status)
    {
        const auto box = tile.reduced (9.0f).translated (60.0f, 0.0f);
        return areaMatches (image, { (int) box.getX(), (int) box.getY(), (int) tile.getRight() - 6 - (int) box.getX(), (int) box.getHeight() }, face, [=] (juce::Graphics& g)
                            {
            text (g, background, 21.0f, name, box, juce::Justification::topLeft);
            text (g, background, 18.0f, status, box, juce::Justification::bottomLeft); });
    };

    const juce::Rectangle<float> vst3 (24, 180, 270, 60), clap (306, 180, 270, 60), aax (24, 252, 270, 60);

    auto image = paintToImage (main);
    EXPECT_TRUE (pixelIs (image, 27, 210, idleTile()));
    EXPECT_TRUE (pixelIs (image, 290, 210, idleTile()));
    EXPECT_TRUE (statusMatches (image, vst3, idleTile(), "VST3", "NOT INSTALLED"));
    EXPECT_TRUE (statusMatches (image, clap, idleTile(), "CLAP", "NOT INSTALLED"));
    EXPECT_TRUE (statusMatches (image, aax, idleTile(), "AAX", "NOT INSTALLED"));

    // Another program installs behind the installer's back: the next paint shows it.
    makeItem (machine, 0);
    makeItem (machine, 1);
    image = paintToImage (main);
    EXPECT_TRUE (pixelIs (image, 27, 210, installedTile()));
    EXPECT_TRUE (pixelIs (image, 572, 210, installedTile()));
    EXPECT_TRUE (pixelIs (image, 27, 282, idleTile()));
    EXPECT_TRUE (statusMatches (image, vst3, installedTile(), "VST3", "INSTALLED"));
    EXPECT_TRUE (statusMatches (image, clap, installedTile(), "CLAP", "INSTALLED")) << "no version resources here";
    EXPECT_TRUE (statusMatches (image, aax, idleTile(), "AAX", "NOT INSTALLED"));

    // The icon fills the tile's left square, dark on the face.
    EXPECT_GT (PixelChecks::countNear (image, { 30, 186, 48, 48 }, ink, 12), 50);

    machine.installFolder (0).getChildFile ("Halcyra 2.vst3").deleteRecursively();
    image = paintToImage (main);
    EXPECT_TRUE (pixelIs (image, 27, 210, idleTile()));
    EXPECT_TRUE (statusMatches (image, vst3, idleTile(), "VST3", "NOT INSTALLED"));
}

TEST (MainScreenPaint, SelectedTilesAloneCarryAGoldOutlineThreePixelsWide)
{
    TestSupport::ScopedMachine machine;
    makeItem (machine, 2); // starts ticked
    MainComponent main;

    auto image = paintToImage (main);
    EXPECT_TRUE (pixelIs (image, 24, 210, idleTile()));
    EXPECT_TRUE (pixelIs (image, 23, 210, background));
    EXPECT_TRUE (pixelIs (image, 24, 282, gold)) << "the installed AAX starts ticked";
    EXPECT_TRUE (pixelIs (image, 23, 282, gold));
    EXPECT_TRUE (pixelIs (image, 21, 282, background));
    EXPECT_TRUE (pixelIs (image, 27, 282, installedTile())) << "inside the line the face goes on";

    click (main, "VST3");
    image = paintToImage (main);
    EXPECT_TRUE (pixelIs (image, 23, 210, gold));
    EXPECT_TRUE (pixelIs (image, 24, 210, gold));
    EXPECT_TRUE (pixelIs (image, 150, 179, gold));
    EXPECT_TRUE (pixelIs (image, 150, 180, gold));
    EXPECT_TRUE (pixelIs (image, 150, 239, gold));
    EXPECT_TRUE (pixelIs (image, 293, 210, gold));
    EXPECT_TRUE (pixelIs (image, 27, 210, idleTile()));
    EXPECT_TRUE (pixelIs (image, 305, 210, background)) << "CLAP is not ticked";

    click (main, "VST3");
    click (main, "SELECT_ALL");
    image = paintToImage (main);

    for (const auto& [x, y] : { std::pair { 23, 210 }, { 305, 210 }, { 23, 282 } })
        EXPECT_TRUE (pixelIs (image, x, y, gold)) << x << ", " << y;
}

TEST (MainScreenPaint, ShiftAloneTurnsTheCaptionIntoUninstall)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    const auto captionIs = [] (const juce::Image& image, const juce::String& caption)
    {
        return areaMatches (image, { 505, 503, 82, 25 }, background, [caption] (juce::Graphics& g)
                            { text (g, grey, 15.0f, caption, { 516.0f, 462.0f, 60.0f, 60.0f }, juce::Justification::centredBottom); });
    };

    const auto before = paintToImage (main);
    EXPECT_TRUE (captionIs (before, "INSTALL"));

    for (const int key : { (int) juce::ModifierKeys::ctrlModifier, (int) juce::ModifierKeys::altModifier, juce::ModifierKeys::ctrlModifier | juce::ModifierKeys::altModifier, 0 })
    {
        main.modifierKeysChanged (juce::ModifierKeys (key));
        EXPECT_FALSE (main.isUninstallMode()) << key;
        EXPECT_TRUE (areaMatches (
            paintToImage (main), main.getLocalBounds(), background, [&before] (juce::Graphics& g)
            { g.drawImageAt (before, 0, 0); },
            0))
            << "modifiers " << key << " change nothing visible";
    }

    main.modifierKeysChanged (juce::ModifierKeys (juce::ModifierKeys::shiftModifier));
    EXPECT_TRUE (main.isUninstallMode());
    EXPECT_TRUE (captionIs (paintToImage (main), "UNINSTALL"));

    // Shift still held while ctrl comes and goes.
    main.modifierKeysChanged (juce::ModifierKeys (juce::ModifierKeys::shiftModifier | juce::ModifierKeys::ctrlModifier));
    main.modifierKeysChanged (juce::ModifierKeys (juce::ModifierKeys::shiftModifier));
    EXPECT_TRUE (main.isUninstallMode());

    // Mouse buttons are not keyboard modifiers and leave the flag alone.
    main.modifierKeysChanged (juce::ModifierKeys (juce::ModifierKeys::shiftModifier | juce::ModifierKeys::leftButtonModifier));
    EXPECT_TRUE (main.isUninstallMode());

    main.modifierKeysChanged (juce::ModifierKeys());
    EXPECT_FALSE (main.isUninstallMode());
    EXPECT_TRUE (captionIs (paintToImage (main), "INSTALL"));
}
