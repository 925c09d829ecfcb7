#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <vector>

/** Reference renderings of the program's texts.

    A text is drawn the way the program sets it, in the look and feel's regular typeface, at the
    same size, in the same box and with the same justification, and a painted screen must match
    that rendering pixel for pixel (within a small tolerance for blending). Another word, another
    letter, another size or a box one pixel off all fail.

    The real-window tests get the same renderings from the test binary's "--render-text" mode
    (tests/real/reference.py).
*/
namespace TextReference
{
struct Text
{
    enum class Kind
    {
        boxed, // Graphics::drawText in a float box, ellipsis on
        fitted, // Graphics::drawFittedText in an integer box
        singleLine, // Graphics::drawSingleLineText from an origin on the baseline
    };

    Kind kind = Kind::boxed;
    juce::String text;
    float height = 0.0f;
    juce::Colour colour;
    juce::Rectangle<float> box; // for a single line: the origin, at x and y
    juce::Justification justification { juce::Justification::left };
    int maximumLines = 1;
    float minimumHorizontalScale = 0.0f;
};

Text boxed (const juce::String& text, float height, juce::Colour, juce::Rectangle<float> box, juce::Justification);
Text fitted (const juce::String& text, float height, juce::Colour, juce::Rectangle<int> box, juce::Justification, int maximumLines, float minimumHorizontalScale = 0.0f);
Text singleLine (const juce::String& text, float height, juce::Colour, int x, int baseline);

/** The text of a JUCE label with these bounds, as the label draws it: fitted inside its
    default border (1 pixel above and below, 5 at the sides), as many lines as fit. */
Text label (const juce::String& text, float height, juce::Colour, juce::Rectangle<int> bounds, juce::Justification);

/** Draws one text in the regular typeface of the program's look and feel. */
void draw (juce::Graphics&, const Text&);

/** The texts over a background, as an image of the area (texts in the same coordinates). */
juce::Image render (juce::Rectangle<int> area, juce::Colour background, const std::vector<Text>& texts);

/** Compares an area of a painted image with the rendering of the texts over the background.
    Pixels inside the excluded rectangles (icons, boxes) are not compared. */
::testing::AssertionResult matches (const juce::Image& painted,
                                    juce::Rectangle<int> area,
                                    juce::Colour background,
                                    const std::vector<Text>& texts,
                                    const std::vector<juce::Rectangle<int>>& excluded = {},
                                    int tolerance = 3);

/** The test binary's "--render-text SPEC..." (see TestMain.cpp): prints the rendering of each JSON
    spec as "width height" followed by one line of RRGGBB hex pixels per row. */
int renderSpecs (int argc, char** argv);
} // namespace TextReference
