#include "MainComponent.h"
#include "PixelChecks.h"
#include "TestSupport.h"
#include "TextReference.h"

#include <gtest/gtest.h>

#include <tuple>

using PixelChecks::areaMatches;
using PixelChecks::pixelIs;
using TestSupport::click;
using TestSupport::paintToImage;
using TestSupport::screenColour;

namespace
{
const auto background = screenColour ("background"), bright = screenColour ("heading"), grey = screenColour ("captionInk"),
           halfGrey = screenColour ("helpInk"), face = screenColour ("faceIdle"), blue = screenColour ("topStrip"),
           gold = screenColour ("gold"), ink = screenColour ("iconInk"), idleTile = screenColour ("tileIdle"),
           installedTile = screenColour ("tileInstalled"), tileText = screenColour ("tileText");

void text (juce::Graphics& g, juce::Colour colour, float height, const juce::String& s, juce::Rectangle<float> box, juce::Justification j)
{
    TextReference::draw (g, TextReference::boxed (s, height, colour, box, j));
}

void line (juce::Graphics& g, juce::Colour colour, float height, const juce::String& s, int x, int baseline)
{
    TextReference::draw (g, TextReference::singleLine (s, height, colour, x, baseline));
}

// The wordmark, then the program's name and version, whose origins move with the unit.
void wordmark (juce::Graphics& g, float u, int fenX, int nameX)
{
    line (g, bright, 4.0f * u, "QUILL", 24, 30);
    line (g, grey, 4.0f * u, "FEN", fenX, 30);
    line (g, halfGrey, 3.0f * u, "RACKHAND", nameX, 24);
    line (g, halfGrey, 2.0f * u, "v" + TestSupport::screen()["version"].toString(), nameX, 36);
}

void expectPixels (const juce::Image& image, std::initializer_list<std::tuple<int, int, juce::Colour>> pixels, int tolerance = 2)
{
    for (const auto& [x, y, colour] : pixels)
        EXPECT_TRUE (pixelIs (image, x, y, colour, tolerance));
}

/** The colour reaches the middle of each edge of the box and stops there. */
void expectFills (const juce::Image& image, juce::Rectangle<int> box, juce::Colour inside)
{
    const auto c = box.getCentre();
    expectPixels (image, { { box.getX(), c.y, inside }, { box.getX() - 1, c.y, background }, { box.getRight() - 1, c.y, inside }, { box.getRight(), c.y, background }, { c.x, box.getY(), inside }, { c.x, box.getY() - 1, background }, { c.x, box.getBottom() - 1, inside }, { c.x, box.getBottom(), background } });
}

juce::Rectangle<float> boxOf (const char* button) { return TestSupport::screenBox (TestSupport::screen()["buttons"][button]["box"]).toFloat(); }

// Captions sit 3.5 units below their button, in a box of the button's size.
juce::Rectangle<float> captionOf (const char* button) { return boxOf (button).translated (0.0f, 21.0f); }
} // namespace

TEST (MainScreenPaint, BarDotsAndRulesAtTheDefaultSize)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    const auto image = paintToImage (main);

    // Top bar 600 x 6; corner dots in the squares (588, 588), (588, 576) and (576, 588), side 6:
    // an L with no dot in its inner corner.
    expectPixels (image, { { 300, 300, background }, { 0, 0, blue }, { 599, 5, blue }, { 300, 6, background }, { 591, 591, face }, { 591, 579, face }, { 579, 591, face }, { 579, 579, background }, { 591, 585, background }, { 585, 591, background }, { 597, 597, background } });

    // The rules are (24, 165, 552, 1.5) and (24, 429, 552, 1.5): one full row, one half row.
    for (const int top : { 165, 429 })
    {
        SCOPED_TRACE (top);
        expectPixels (image, { { 300, top - 1, background }, { 300, top, grey }, { 300, top + 2, background }, { 23, top, background }, { 24, top, grey }, { 575, top, grey }, { 576, top, background } });
        EXPECT_TRUE (pixelIs (image, 300, top + 1, face, 3));
    }
}

TEST (MainScreenPaint, EveryTextInItsColourFontAndPlaceAtTheDefaultSize)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    const auto image = paintToImage (main);
    const auto& screen = TestSupport::screen();

    EXPECT_TRUE (areaMatches (image, { 0, 7, 600, 33 }, background, [] (juce::Graphics& g)
                              { wordmark (g, 6.0f, 78, 450); }))
        << "wordmark and program name";

    EXPECT_TRUE (areaMatches (image, { 0, 40, 600, 85 }, background, [&] (juce::Graphics& g)
                              {
        text (g, grey, 54.0f, "HALCYRA 2 DEMO", { 24.0f, 48.0f, 600.0f, 72.0f }, juce::Justification::topLeft);
        text (g, halfGrey, 24.0f, "Version " + screen["productVersion"].toString() + " for Windows", { 24.0f, 48.0f, 600.0f, 72.0f }, juce::Justification::bottomLeft); }))
        << "title and version line";

    for (const auto& [heading, area, rule] : { std::tuple { "FORMATS", juce::Rectangle<int> (0, 130, 470, 40), 165 }, { "EXTRAS", { 0, 400, 600, 35 }, 429 } })
        EXPECT_TRUE (areaMatches (image, area, background, [heading = heading, rule = rule] (juce::Graphics& g)
                                  {
            line (g, grey, 24.0f, heading, 24, rule - 9);
            g.fillRect (juce::Rectangle<float> (24.0f, (float) rule, 552.0f, 1.5f)); }))
            << heading;

    EXPECT_TRUE (areaMatches (image, { 470, 130, 130, 32 }, background, [] (juce::Graphics& g)
                              {
        g.setColour (screenColour ("selectAllFace"));
        g.fillRoundedRectangle (boxOf ("SELECT_ALL"), 6.0f);
        text (g, grey, 18.0f, "SELECT ALL", boxOf ("SELECT_ALL"), juce::Justification::centred); }))
        << "select-all button";

    EXPECT_TRUE (areaMatches (image, { 0, 503, 600, 25 }, background, [] (juce::Graphics& g)
                              {
        for (const auto* name : { "EULA", "MANUAL", "WEBSITE", "SUPPORT", "INSTALL" })
            text (g, grey, 15.0f, name, captionOf (name), juce::Justification::centredBottom); }))
        << "captions below the link faces";

    // The help line is a label, centred in its box at 18 pixels.
    const auto helpBox = TestSupport::screenBox (screen["areas"]["helpLabel"]);
    EXPECT_TRUE (TextReference::matches (image, { 0, 530, 600, 35 }, background, { TextReference::label (screen["version"], 18.0f, halfGrey, helpBox, juce::Justification::centred) }))
        << "help line";
}

TEST (MainScreenPaint, LinkAndActionFacesFillTheirButtonsAtFourHundred)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    main.setSize (400, 400);
    const auto image = paintToImage (main);

    // The action button at (344, 294, 40, 40), its icon inset by 1.5 units, dark on the face.
    expectFills (image, { 344, 294, 40, 40 }, face);
    EXPECT_FALSE (pixelIs (image, 344, 294, face)) << "rounded corner";
    EXPECT_GT (PixelChecks::count (image, { 350, 300, 28, 28 }, PixelChecks::nearTo (ink, 12)), 20);

    // The four link faces, with their icons inset by 2 units.
    for (const int x : { 16, 62, 108, 154 })
    {
        SCOPED_TRACE (x);
        expectFills (image, { x, 294, 40, 40 }, face);
        EXPECT_TRUE (pixelIs (image, x + 4, 300, face)) << "the icon keeps off the inset";
        EXPECT_GT (PixelChecks::count (image, { x + 8, 302, 24, 24 }, PixelChecks::nearTo (ink, 12)), 10);
    }

    // Top bar 4 pixels, corner dots in squares of side 4 at (392, 392).
    expectPixels (image, { { 399, 3, blue }, { 200, 4, background }, { 394, 394, face } });
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
                              { wordmark (g, u, 79, 459); }));

    for (const auto& [heading, area, rule] : { std::tuple { "FORMATS", juce::Rectangle<int> (0, 135, 480, 34), 27.5f }, { "EXTRAS", { 0, 405, 613, 35 }, 71.5f } })
        EXPECT_TRUE (areaMatches (image, area, background, [u, heading = heading, baseline = area.getY() + 24, rule = rule] (juce::Graphics& g)
                                  {
            line (g, grey, 4.0f * u, heading, 24, baseline);
            g.fillRect (juce::Rectangle<float> (4.0f * u, rule * u, 92.0f * u, 0.25f * u)); }))
            << heading;

    // Tile text box: the tile reduced by 1.5 units, then 10 units to the right.
    const auto box = juce::Rectangle<float> (25.0f, 184.0f, 276.0f, 61.0f).reduced (1.5f * u).translated (10.0f * u, 0.0f);
    EXPECT_TRUE (areaMatches (image, { 96, 194, 197, 41 }, idleTile, [u, box] (juce::Graphics& g)
                              {
        text (g, tileText, 3.5f * u, "VST3", box, juce::Justification::topLeft);
        text (g, tileText, 3.0f * u, "NOT INSTALLED", box, juce::Justification::bottomLeft); }));

    // The last dot ends inside the window: a = b = 613 - 2u.
    expectPixels (image, { { 603, 603, face }, { 611, 611, background } });
}

TEST (MainScreenPaint, TilesShowTheDiskAsItIsAtEveryPaint)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    // Each tile's name and state, in the tile's face colour, which reaches both its ends.
    const auto expectTiles = [&main] (std::initializer_list<bool> installed)
    {
        const auto image = paintToImage (main);
        int format = 0;

        for (const bool isInstalled : installed)
        {
            const auto name = TestSupport::screen()["formats"][format++]["name"].toString();
            SCOPED_TRACE (name);
            const auto tile = boxOf (name.toRawUTF8()), box = tile.reduced (9.0f).translated (60.0f, 0.0f);
            const auto tileFace = isInstalled ? installedTile : idleTile;
            expectPixels (image, { { (int) tile.getX() + 3, (int) tile.getCentreY(), tileFace }, { (int) tile.getRight() - 4, (int) tile.getCentreY(), tileFace } });
            EXPECT_TRUE (areaMatches (image, { (int) box.getX(), (int) box.getY(), (int) tile.getRight() - 6 - (int) box.getX(), (int) box.getHeight() }, tileFace, [&] (juce::Graphics& g)
                                      {
                text (g, tileText, 21.0f, name, box, juce::Justification::topLeft);
                text (g, tileText, 18.0f, isInstalled ? "INSTALLED" : "NOT INSTALLED", box, juce::Justification::bottomLeft); }));
        }

        return image;
    };

    expectTiles ({ false, false, false });

    // Another program installs behind the installer's back: the next paint shows it (no version
    // resources here, so no version either).
    machine.installItem (0);
    machine.installItem (1);
    const auto image = expectTiles ({ true, true, false });

    // The icon fills the tile's left square, dark on the face.
    EXPECT_GT (PixelChecks::count (image, { 30, 186, 48, 48 }, PixelChecks::nearTo (ink, 12)), 50);

    machine.item (0).deleteRecursively();
    expectTiles ({ false, true, false });
}

TEST (MainScreenPaint, SelectedTilesAloneCarryAGoldOutlineThreePixelsWide)
{
    TestSupport::ScopedMachine machine;
    machine.installItem (2); // starts ticked
    MainComponent main;

    // The installed AAX starts ticked; inside the line the face goes on.
    expectPixels (paintToImage (main), { { 24, 210, idleTile }, { 23, 210, background }, { 24, 282, gold }, { 23, 282, gold }, { 21, 282, background }, { 27, 282, installedTile } });

    click (main, "VST3"); // and CLAP is not ticked
    expectPixels (paintToImage (main), { { 23, 210, gold }, { 24, 210, gold }, { 150, 179, gold }, { 150, 180, gold }, { 150, 239, gold }, { 293, 210, gold }, { 27, 210, idleTile }, { 305, 210, background } });

    click (main, "VST3");
    click (main, "SELECT_ALL");
    expectPixels (paintToImage (main), { { 23, 210, gold }, { 305, 210, gold }, { 23, 282, gold } });
}

TEST (MainScreenPaint, ShiftAloneTurnsTheCaptionIntoUninstall)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    const auto captionIs = [] (const juce::Image& image, const juce::String& caption)
    {
        return areaMatches (image, { 505, 503, 82, 25 }, background, [caption] (juce::Graphics& g)
                            { text (g, grey, 15.0f, caption, captionOf ("INSTALL"), juce::Justification::centredBottom); });
    };

    const auto before = paintToImage (main);
    EXPECT_TRUE (captionIs (before, "INSTALL"));

    for (const int key : { (int) juce::ModifierKeys::ctrlModifier, (int) juce::ModifierKeys::altModifier, juce::ModifierKeys::ctrlModifier | juce::ModifierKeys::altModifier, 0 })
    {
        main.modifierKeysChanged (juce::ModifierKeys (key));
        EXPECT_FALSE (main.isUninstallMode()) << key;
        EXPECT_TRUE (PixelChecks::matchesReference (paintToImage (main), main.getLocalBounds(), before, {}, 0)) << "modifiers " << key << " change nothing visible";
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
