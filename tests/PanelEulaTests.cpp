#include "EulaText.h"
#include "MainComponent.h"
#include "Palette.h"
#include "PixelProbe.h"
#include "TestSupport.h"
#include "TextReference.h"
#include "panel_eula.h"

#include <gtest/gtest.h>

using TestSupport::click;

namespace
{
const auto halfGreyOnDark = PixelProbe::over (Palette::greyAAA6A6.withAlpha ((juce::uint8) 128), Palette::background111111);

/** Paints the panel as it shows at the main component's current size. */
juce::Image paintOpenPanel (MainComponent& main)
{
    return TestSupport::paintToImage (*main.getEulaPanel());
}
} // namespace

TEST (LicencePanel, FollowsTheMainComponentsUnitAndBoundsAtAnyWidth)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "EULA");
    auto& panel = *main.getEulaPanel();

    EXPECT_EQ (panel.getTextEditor().getBounds(), juce::Rectangle<int> (24, 72, 552, 480));
    EXPECT_EQ (panel.getCloseButton().getBounds(), juce::Rectangle<int> (528, 9, 48, 48));
    EXPECT_EQ (panel.getCloseButton().getName(), "X");
    EXPECT_EQ (panel.getCloseButton().getAlpha(), 0.0f);

    main.setSize (1000, 1000);
    EXPECT_FLOAT_EQ (panel.unit, 10.0f);
    EXPECT_EQ (panel.getBounds(), main.getLocalBounds());
    EXPECT_EQ (panel.getTextEditor().getBounds(), juce::Rectangle<int> (40, 120, 920, 800));
    EXPECT_EQ (panel.getCloseButton().getBounds(), juce::Rectangle<int> (880, 15, 80, 80));
    EXPECT_FLOAT_EQ (panel.getTextEditor().getFont().getHeight(), 14.0f) << "the licence text does not scale";

    // Halves round to the even neighbour: at 700 the close target's 1.5 units are 10.5.
    main.setSize (700, 700);
    EXPECT_EQ (panel.getCloseButton().getBounds(), juce::Rectangle<int> (616, 10, 56, 56));
    EXPECT_EQ (panel.getTextEditor().getBounds(), juce::Rectangle<int> (28, 84, 644, 560));
}

TEST (LicencePanel, ShowsTheLicenceInAnEditableWrappingBoxWithoutAFrame)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "EULA");
    auto& editor = main.getEulaPanel()->getTextEditor();

    EXPECT_EQ (editor.getText(), eulaText);
    EXPECT_TRUE (editor.isMultiLine());

    // Where each character is drawn shows the lines as laid out. In the first paragraphs a line
    // ends only where the next word would no longer fit the box (its width less the scroll bar
    // and the margins, within 32 pixels), and every line break of the text starts a line. The
    // characters' own bounds are used, not carets: at a soft wrap JUCE 8 puts the caret of the
    // line's first character at the end of the line before.
    const auto glyph = [&editor] (int index)
    { return editor.getTextBounds ({ index, index + 1 }).getBounds(); };
    const auto caret = [&editor] (int index)
    { return editor.getCaretRectangleForCharIndex (index); };
    const auto left = glyph (0).getX();
    const auto width = editor.getWidth();
    int wraps = 0;

    for (int i = 1; i < eulaText.indexOf ("\n\n"); ++i)
    {
        const auto here = glyph (i), before = glyph (i - 1);

        if (here.isEmpty() || before.isEmpty() || here.getY() == before.getY())
            continue;

        EXPECT_EQ (here.getX(), left) << i;

        if (eulaText[i - 1] == '\n')
            continue;

        ++wraps;
        const auto word = eulaText.substring (i).upToFirstOccurrenceOf (" ", false, false);
        const auto wordEnd = glyph (i + word.length() - 1);
        ASSERT_EQ (wordEnd.getY(), here.getY());
        EXPECT_EQ (eulaText[i - 1], ' ') << "lines break between words, at " << i;
        EXPECT_LE (before.getX(), width) << i;
        EXPECT_GT (before.getRight() + wordEnd.getRight() - here.getX(), width - 32) << "\"" << word << "\" would have fitted";
    }

    EXPECT_GE (wraps, 4) << "the long paragraph wraps";

    for (int i = eulaText.indexOfChar ('\n'); i >= 0; i = eulaText.indexOfChar (i + 1, '\n'))
    {
        EXPECT_GT (caret (i + 1).getY(), caret (i).getY()) << i;
        EXPECT_EQ (caret (i + 1).getX(), left) << i;
    }

    EXPECT_GT (editor.getTextHeight(), editor.getHeight()) << "and the text scrolls";
    EXPECT_FALSE (editor.isReadOnly());
    EXPECT_EQ (editor.getCaretPosition(), 0) << "opens at the top of the text";
    EXPECT_EQ (editor.findColour (juce::TextEditor::textColourId), Palette::greyAAA6A6);
    EXPECT_EQ (editor.findColour (juce::TextEditor::outlineColourId), Palette::background111111);
    EXPECT_EQ (editor.findColour (juce::TextEditor::focusedOutlineColourId), Palette::background111111);
}

TEST (LicencePanel, PaintsTheHeadingAndAHalfGreyCloseRingOnTheDarkGround)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "EULA");

    for (const int width : { 600, 1000 })
    {
        SCOPED_TRACE (width);
        main.setSize (width, width);
        const auto u = (float) width / 100.0f;
        const auto at = [u] (float units)
        { return (int) std::nearbyint (units * u); };
        const auto image = paintOpenPanel (main);

        EXPECT_TRUE (PixelProbe::near (image.getPixelAt (2, 2), Palette::background111111));
        EXPECT_TRUE (PixelProbe::near (image.getPixelAt (width / 2, width - 3), Palette::background111111));

        // The heading's origin is truncated; the "X" is centred in the ring's box (compared
        // inside the ring, which a text rendering does not hold).
        const juce::Rectangle<int> ringBox (at (90), at (3.5f), at (4), at (4));
        EXPECT_TRUE (TextReference::matches (image, { 0, 0, at (80), at (12) }, Palette::background111111, { TextReference::singleLine ("LICENSE AGREEMENT", 4.0f * u, Palette::brightF5F5F5, (int) (4.0f * u), (int) (6.0f * u)) }));
        EXPECT_TRUE (TextReference::matches (image, ringBox.reduced (ringBox.getWidth() / 5), Palette::background111111, { TextReference::boxed ("X", 3.0f * u, Palette::greyAAA6A6.withAlpha ((juce::uint8) 128), ringBox.toFloat(), juce::Justification::centred) }));

        // The ring is drawn on the close target shrunk by 2 units, at half strength while the
        // pointer is elsewhere; nothing of it is brighter than that.
        const juce::Rectangle<int> closeArea (at (88), at (1.5f), at (8), at (8));
        const auto ring = PixelProbe::inkBounds (image, closeArea, [] (juce::Colour c)
                                                 { return ! PixelProbe::near (c, Palette::background111111, 6); });
        EXPECT_TRUE (PixelProbe::within (ring, ringBox, (int) std::ceil (0.125f * u) + 1)) << ring.toString();
        EXPECT_GE (ring.getWidth(), ringBox.getWidth() - 1);
        EXPECT_GT (PixelProbe::count (image, closeArea, PixelProbe::nearTo (halfGreyOnDark, 4)), 0);
        EXPECT_EQ (PixelProbe::count (image, closeArea, PixelProbe::brighterThan (halfGreyOnDark.getRed() + 5)), 0);

        // The licence text is grey, never brighter.
        const juce::Rectangle<int> editorArea (at (4), at (12), at (92), at (80));
        EXPECT_GT (PixelProbe::count (image, editorArea, PixelProbe::nearTo (Palette::greyAAA6A6, 8)), 0);
        EXPECT_EQ (PixelProbe::count (image, editorArea, PixelProbe::brighterThan (0xb4)), 0);
    }
}

TEST (LicencePanel, ReopeningLeavesOnePanelDeletesTheOldOneAndForgetsTypedText)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    const auto childrenBefore = main.getNumChildComponents();

    click (main, "EULA");
    juce::Component::SafePointer<panel_eula> first (main.getEulaPanel());
    ASSERT_NE (first, nullptr);
    EXPECT_EQ (main.getChildren().getLast(), first.getComponent()) << "in front of everything";

    auto& editor = first->getTextEditor();
    editor.setCaretPosition (0);
    editor.insertTextAtCaret ("TYPED BY THE USER ");
    ASSERT_TRUE (editor.getText().startsWith ("TYPED BY THE USER"));

    click (*first, "X");
    ASSERT_NE (first, nullptr) << "closing keeps the object";
    EXPECT_EQ (TestSupport::countChildrenOfType<panel_eula> (main), 0);
    EXPECT_EQ (main.getNumChildComponents(), childrenBefore);

    // A resize while closed keeps the object in step but does not bring it back.
    main.setSize (700, 700);
    EXPECT_FLOAT_EQ (first->unit, 7.0f);
    EXPECT_EQ (first->getParentComponent(), nullptr);
    main.setSize (600, 600);

    click (main, "EULA");
    EXPECT_EQ (first, nullptr) << "the old panel is deleted when the new one takes the slot";
    EXPECT_EQ (TestSupport::countChildrenOfType<panel_eula> (main), 1);
    EXPECT_EQ (main.getEulaPanel()->getTextEditor().getText(), eulaText);

    // Even while one is open, a new opening replaces it rather than stacking a second.
    juce::Component::SafePointer<panel_eula> second (main.getEulaPanel());
    main.buttonClicked (dynamic_cast<juce::Button*> (TestSupport::findChild (main, "EULA")));
    EXPECT_EQ (second, nullptr);
    EXPECT_EQ (TestSupport::countChildrenOfType<panel_eula> (main), 1);
    EXPECT_EQ (main.getNumChildComponents(), childrenBefore + 1);
}
