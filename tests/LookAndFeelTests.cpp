#include "CustomLookAndFeel.h"
#include "FontFactory.h"
#include "PixelChecks.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using PixelChecks::pixelIs;

namespace
{
/** Makes a fresh look and feel the desktop default for one test, as the main screen does. */
struct DefaultLookAndFeel
{
    DefaultLookAndFeel() { juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel); }
    ~DefaultLookAndFeel() { juce::LookAndFeel::setDefaultLookAndFeel (nullptr); }
    CustomLookAndFeel lookAndFeel;
};
} // namespace

TEST (LookAndFeel, DefaultColoursAreThePalettes)
{
    CustomLookAndFeel laf;
    using namespace juce;

    const std::pair<const char*, std::vector<int>> colours[] = {
        { "background", { PopupMenu::backgroundColourId, AlertWindow::backgroundColourId, ResizableWindow::backgroundColourId, TextEditor::backgroundColourId, ListBox::backgroundColourId, TextButton::buttonColourId } },
        { "heading", { PopupMenu::textColourId, PopupMenu::highlightedTextColourId, Label::textColourId } },
        { "captionInk", { AlertWindow::textColourId, ScrollBar::thumbColourId } },
        { "menuHighlight", { PopupMenu::highlightedBackgroundColourId, PropertyComponent::labelTextColourId } },
    };

    for (const auto& [name, ids] : colours)
        for (const auto id : ids)
            EXPECT_EQ (laf.findColour (id), TestSupport::screenColour (name)) << name << " " << std::hex << id;

    // Everything else is the V4 dark scheme.
    EXPECT_EQ (laf.getCurrentColourScheme().getUIColour (juce::LookAndFeel_V4::ColourScheme::windowBackground),
               juce::LookAndFeel_V4::getDarkColourScheme().getUIColour (juce::LookAndFeel_V4::ColourScheme::windowBackground));
}

TEST (LookAndFeel, EveryFontResolvesToTheEmbeddedRegularFaceAndMenusSetItLarger)
{
    DefaultLookAndFeel scoped;
    auto& laf = scoped.lookAndFeel;
    const auto regular = laf.getRegularTypeface();

    ASSERT_NE (regular, nullptr);
    EXPECT_EQ (regular->getName(), "Source Sans Pro");
    EXPECT_EQ (regular->getStyle(), "Regular");

    auto bold = FontFactory::named (juce::Font::getDefaultSansSerifFontName(), 20.0f, juce::Font::bold);
    auto serifItalic = FontFactory::named ("Some Serif", 12.0f, juce::Font::italic);

    EXPECT_EQ (laf.getTypefaceForFont (bold).get(), regular.get());
    EXPECT_EQ (laf.getTypefaceForFont (serifItalic).get(), regular.get());
    EXPECT_EQ (bold.getTypefacePtr().get(), regular.get()) << "a bold request still gets the regular face";

    // A label nobody coloured draws F5F5F5 text in that face.
    juce::Label label ({}, "Halcyra");
    label.setBounds (0, 0, 120, 30);
    EXPECT_EQ (label.getFont().getTypefacePtr().get(), regular.get());

    const auto image = label.createComponentSnapshot (label.getLocalBounds(), false);
    // Its ink, wherever it covers the transparent snapshot.
    EXPECT_GT (PixelChecks::count (image, image.getBounds(), [] (juce::Colour c)
                                   { return c.getAlpha() > 0 && PixelChecks::near (c.withAlpha ((juce::uint8) 255), TestSupport::screenColour ("heading"), 10); }),
               20);

    // Popup menus use 30 pixels with a tenth of extra spacing, in the same face (by name: JUCE
    // caches typefaces by family and style across look-and-feel objects).
    const auto menuFont = laf.getPopupMenuFont();
    EXPECT_FLOAT_EQ (menuFont.getHeight(), 30.0f);
    EXPECT_FLOAT_EQ (menuFont.getExtraKerningFactor(), 0.1f);
    EXPECT_FLOAT_EQ (menuFont.getHorizontalScale(), 1.0f);
    EXPECT_FALSE (menuFont.isBold() || menuFont.isItalic());
    EXPECT_EQ (menuFont.getTypefacePtr()->getName() + " " + menuFont.getTypefacePtr()->getStyle(), "Source Sans Pro Regular");
}

TEST (LookAndFeel, ComboBoxIsAPillWithItsTextCentredAcrossTheFullWidth)
{
    DefaultLookAndFeel scoped;
    juce::ComboBox box;
    box.addItem ("VST3", 1);
    box.setSelectedId (1, juce::dontSendNotification);
    box.setBounds (0, 0, 100, 20);

    auto* label = dynamic_cast<juce::Label*> (box.getChildComponent (0));
    ASSERT_NE (label, nullptr);
    EXPECT_EQ (label->getBounds(), juce::Rectangle<int> (1, 1, 100, 18));
    EXPECT_FLOAT_EQ (label->getFont().getHeight(), 14.0f);
    EXPECT_EQ (label->getJustificationType(), juce::Justification::centred);
    EXPECT_EQ (label->getText(), "VST3");

    // Corner size 10 for height 20: the ends are half circles, with no arrow and no outline.
    juce::Image image (juce::Image::ARGB, 100, 20, true);
    {
        juce::Graphics g (image);
        scoped.lookAndFeel.drawComboBox (g, 100, 20, false, 80, 0, 20, 20, box);
    }

    const auto pill = TestSupport::screenColour ("iconInk");
    EXPECT_TRUE (pixelIs (image, 50, 10, pill));
    EXPECT_TRUE (pixelIs (image, 1, 10, pill));
    EXPECT_TRUE (pixelIs (image, 90, 10, pill)) << "no arrow";
    EXPECT_TRUE (pixelIs (image, 50, 0, pill)) << "no outline";
    EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0) << "round ends";
    EXPECT_EQ (image.getPixelAt (2, 2).getAlpha(), 0);
    EXPECT_EQ (image.getPixelAt (97, 17).getAlpha(), 0);

    juce::Image pressed (juce::Image::ARGB, 100, 20, true);
    {
        juce::Graphics g (pressed);
        scoped.lookAndFeel.drawComboBox (g, 100, 20, true, 80, 0, 20, 20, box);
    }

    EXPECT_TRUE (PixelChecks::matchesReference (pressed, pressed.getBounds(), image, {}, 0)) << "the same shape when pressed";

    // The font grows with the box, without a ceiling.
    box.setBounds (0, 0, 300, 200);
    EXPECT_FLOAT_EQ (label->getFont().getHeight(), 140.0f);
    EXPECT_EQ (label->getBounds(), juce::Rectangle<int> (1, 1, 300, 198));
}

#if JUCE_LINUX && JUCE_MAJOR_VERSION >= 8
// JUCE 8 is built here without fontconfig, its source of fallback fonts, so a character this
// face lacked would be drawn as an empty box: the program's texts are ASCII, its copyright sign,
// and the ellipsis of a text cut short.
TEST (LookAndFeelTypefaces, RegularFaceHoldsEveryCharacterTheProgramSets)
{
    CustomLookAndFeel laf;
    const auto& face = *laf.getRegularTypeface();

    for (juce::juce_wchar c = 0x20; c < 0x7f; ++c)
        EXPECT_TRUE (face.getNominalGlyphForCodepoint (c).has_value()) << (int) c;

    EXPECT_TRUE (face.getNominalGlyphForCodepoint (0xa9).has_value());
    EXPECT_TRUE (face.getNominalGlyphForCodepoint (0x2026).has_value());
}
#endif

#if JUCE_LINUX
namespace
{
/** The font families JUCE knows of in a fresh copy of this suite (see its child modes). */
juce::StringArray fontsOfAFreshProcess (const char* mode, const char* fontPath)
{
    juce::StringArray command { "env", "-u", "JUCE_FONT_PATH" };

    if (fontPath != nullptr)
        command.add (juce::String ("JUCE_FONT_PATH=") + fontPath);

    command.add (juce::File::getSpecialLocation (juce::File::currentExecutableFile).getFullPathName());
    command.add (mode);

    juce::ChildProcess child;

    if (! child.start (command, juce::ChildProcess::wantStdOut))
        return {};

    const auto output = child.readAllProcessOutput();
    child.waitForProcessToFinish (30000);
    return juce::StringArray::fromLines (output.trim());
}
} // namespace

TEST (LookAndFeelTypefaces, AreMadeWithoutOpeningTheSystemsFonts)
{
    const juce::String dejaVu ("/usr/share/fonts/truetype/dejavu");

    // The control: asking JUCE for its fonts lists the system's, so a scan would show.
    ASSERT_TRUE (fontsOfAFreshProcess ("--fonts", nullptr).contains ("DejaVu Sans"));

    // JUCE 8 also lists the typefaces made from memory; JUCE 7 lists only the scanned ones.
    auto found = fontsOfAFreshProcess ("--fonts-after-look-and-feel", nullptr);
    found.removeString ("Source Sans Pro");
    EXPECT_EQ (found.joinIntoString (" | "), "JUCE_FONT_PATH=<unset>");

    // A font path of the user's own is neither replaced nor removed.
    const auto chosen = fontsOfAFreshProcess ("--fonts-after-look-and-feel", dejaVu.toRawUTF8());
    EXPECT_EQ (chosen[0], "JUCE_FONT_PATH=" + dejaVu);
    EXPECT_TRUE (chosen.contains ("DejaVu Sans"));
}
#endif
