#include "EulaText.h"
#include "MainComponent.h"
#include "PixelChecks.h"
#include "TestSupport.h"
#include "TextReference.h"
#include "panel_eula.h"

#include <gtest/gtest.h>

using TestSupport::click;
using TestSupport::screenColour;

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
    EXPECT_EQ (editor.findColour (juce::TextEditor::textColourId), screenColour ("captionInk"));
    EXPECT_EQ (editor.findColour (juce::TextEditor::outlineColourId), screenColour ("background"));
    EXPECT_EQ (editor.findColour (juce::TextEditor::focusedOutlineColourId), screenColour ("background"));

    // What the user typed is gone with the panel: the next one shows the licence as it is.
    editor.insertTextAtCaret ("TYPED BY THE USER ");
    ASSERT_TRUE (editor.getText().startsWith ("TYPED BY THE USER"));
    click (*main.getEulaPanel(), "X");
    click (main, "EULA");
    EXPECT_EQ (main.getEulaPanel()->getTextEditor().getText(), eulaText);
}

TEST (LicencePanel, PaintsTheHeadingAndAHalfGreyCloseRingOnTheDarkGround)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "EULA");
    const auto background = screenColour ("background"), grey = screenColour ("captionInk"), ring = screenColour ("faceIdle");

    for (const int width : { 600, 1000 })
    {
        SCOPED_TRACE (width);
        main.setSize (width, width);
        const TestSupport::Units at (width);
        const auto u = at.u;
        const auto image = TestSupport::paintToImage (*main.getEulaPanel());

        EXPECT_TRUE (PixelChecks::pixelIs (image, 2, 2, background));
        EXPECT_TRUE (PixelChecks::pixelIs (image, width / 2, width - 3, background));

        // The heading's origin is truncated; the "X" is centred in the ring's box (compared
        // inside the ring, which a text rendering does not hold).
        const auto ringBox = at (90, 3.5f, 4, 4);
        EXPECT_TRUE (TextReference::matches (image, { 0, 0, at (80), at (12) }, background, { TextReference::singleLine ("LICENSE AGREEMENT", 4.0f * u, screenColour ("heading"), (int) (4.0f * u), (int) (6.0f * u)) }));
        EXPECT_TRUE (TextReference::matches (image, ringBox.reduced (ringBox.getWidth() / 5), background, { TextReference::boxed ("X", 3.0f * u, screenColour ("helpInk"), ringBox.toFloat(), juce::Justification::centred) }));

        // The ring is drawn on the close target shrunk by 2 units, at half strength while the
        // pointer is elsewhere; nothing of it is brighter than that.
        const auto closeArea = at (88, 1.5f, 8, 8);
        const auto inked = PixelChecks::inkBounds (image, closeArea, PixelChecks::differsFrom (background));
        EXPECT_TRUE (PixelChecks::within (inked, ringBox, (int) std::ceil (0.125f * u) + 1)) << inked.toString();
        EXPECT_GE (inked.getWidth(), ringBox.getWidth() - 1);
        EXPECT_GT (PixelChecks::count (image, closeArea, PixelChecks::nearTo (ring, 4)), 0);
        EXPECT_EQ (PixelChecks::count (image, closeArea, PixelChecks::brighterThan (ring.getRed() + 5)), 0);

        // The licence text is grey, never brighter.
        const auto editorArea = at (4, 12, 92, 80);
        EXPECT_GT (PixelChecks::count (image, editorArea, PixelChecks::nearTo (grey, 8)), 0);
        EXPECT_EQ (PixelChecks::count (image, editorArea, PixelChecks::brighterThan (0xb4)), 0);
    }
}
