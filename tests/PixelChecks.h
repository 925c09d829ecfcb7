#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <functional>

/** Pixel comparisons for painted screens. Colours are compared per channel with a small
    tolerance, since anti-aliased edges and alpha blending may differ by a unit. */
namespace PixelChecks
{
/** What a colour with alpha looks like once painted over an opaque background. */
inline juce::Colour over (juce::Colour background, juce::Colour colour)
{
    return background.overlaidWith (colour);
}

inline bool near (juce::Colour a, juce::Colour b, int tolerance = 2)
{
    return std::abs (a.getRed() - b.getRed()) <= tolerance && std::abs (a.getGreen() - b.getGreen()) <= tolerance
           && std::abs (a.getBlue() - b.getBlue()) <= tolerance;
}

inline ::testing::AssertionResult pixelIs (const juce::Image& image, int x, int y, juce::Colour expected, int tolerance = 2)
{
    const auto actual = image.getPixelAt (x, y);

    if (near (actual, expected, tolerance))
        return ::testing::AssertionSuccess();

    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << actual.toDisplayString (false)
                                         << ", expected " << expected.toDisplayString (false);
}

/** How many pixels of an area are close to a colour. */
inline int countNear (const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour, int tolerance = 2)
{
    int count = 0;
    area = area.getIntersection (image.getBounds());

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (near (image.getPixelAt (x, y), colour, tolerance))
                ++count;

    return count;
}

/** The smallest rectangle holding every pixel of an area that differs from its background. */
inline juce::Rectangle<int> inkBounds (const juce::Image& image, juce::Rectangle<int> area, juce::Colour background)
{
    juce::Rectangle<int> ink;
    area = area.getIntersection (image.getBounds());

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (! near (image.getPixelAt (x, y), background, 6))
                ink = ink.isEmpty() ? juce::Rectangle<int> (x, y, 1, 1) : ink.getUnion ({ x, y, 1, 1 });

    return ink;
}

/** Compares an area of a painted image with a reference of the same size that holds only the
    background and what `draw` puts there. This checks text, font, colour and position at once:
    a text one pixel off, in another size or another word does not match. */
inline ::testing::AssertionResult areaMatches (const juce::Image& image, juce::Rectangle<int> area, juce::Colour background, const std::function<void (juce::Graphics&)>& draw, int tolerance = 3)
{
    juce::Image reference (juce::Image::ARGB, image.getWidth(), image.getHeight(), true);
    {
        juce::Graphics g (reference);
        g.fillAll (background);
        draw (g);
    }

    int differing = 0;
    juce::String first;
    area = area.getIntersection (image.getBounds());

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (! near (image.getPixelAt (x, y), reference.getPixelAt (x, y), tolerance))
                if (differing++ == 0)
                    first << "(" << x << ", " << y << ") is " << image.getPixelAt (x, y).toDisplayString (false) << ", reference "
                          << reference.getPixelAt (x, y).toDisplayString (false);

    if (differing == 0)
        return ::testing::AssertionSuccess();

    return ::testing::AssertionFailure() << differing << " pixels differ from the reference, first " << first;
}
} // namespace PixelChecks
