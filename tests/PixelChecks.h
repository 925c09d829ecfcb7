#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

/** Reading painted images: what colour a spot has, where a kind of ink lies, and whether an area
    matches a reference. Colours are compared per channel, alpha included, with a small tolerance,
    since anti-aliased edges and blending may differ by a unit. */
namespace PixelChecks
{
using Predicate = std::function<bool (juce::Colour)>;

/** What a translucent colour gives once painted over an opaque one. */
inline juce::Colour over (juce::Colour top, juce::Colour bottom) { return bottom.overlaidWith (top); }

inline bool near (juce::Colour a, juce::Colour b, int tolerance = 2)
{
    const auto close = [tolerance] (int x, int y)
    { return std::abs (x - y) <= tolerance; };
    return close (a.getRed(), b.getRed()) && close (a.getGreen(), b.getGreen()) && close (a.getBlue(), b.getBlue())
           && close (a.getAlpha(), b.getAlpha());
}

inline Predicate nearTo (juce::Colour expected, int tolerance = 2)
{
    return [=] (juce::Colour c)
    { return near (c, expected, tolerance); };
}

/** Ink on a ground: anything clearly unlike the ground's colour. */
inline Predicate differsFrom (juce::Colour ground, int tolerance = 6)
{
    return [=] (juce::Colour c)
    { return ! near (c, ground, tolerance); };
}

/** Opaque ink whose every channel is at least the given level. */
inline Predicate brighterThan (int level)
{
    return [level] (juce::Colour c)
    { return c.getAlpha() == 255 && c.getRed() >= level && c.getGreen() >= level && c.getBlue() >= level; };
}

inline ::testing::AssertionResult pixelIs (const juce::Image& image, int x, int y, juce::Colour expected, int tolerance = 2)
{
    const auto actual = image.getPixelAt (x, y);

    if (near (actual, expected, tolerance))
        return ::testing::AssertionSuccess();

    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << actual.toDisplayString (true)
                                         << ", expected " << expected.toDisplayString (true);
}

/** How many pixels of the area match. */
inline int count (const juce::Image& image, juce::Rectangle<int> area, const Predicate& matches)
{
    area = area.getIntersection (image.getBounds());
    int n = 0;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            n += matches (image.getPixelAt (x, y)) ? 1 : 0;

    return n;
}

/** The smallest rectangle holding every pixel of the area that matches; empty if none does. */
inline juce::Rectangle<int> inkBounds (const juce::Image& image, juce::Rectangle<int> area, const Predicate& matches)
{
    area = area.getIntersection (image.getBounds());
    int left = area.getRight(), top = area.getBottom(), right = area.getX() - 1, bottom = area.getY() - 1;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (matches (image.getPixelAt (x, y)))
            {
                left = juce::jmin (left, x);
                right = juce::jmax (right, x);
                top = juce::jmin (top, y);
                bottom = juce::jmax (bottom, y);
            }

    return right < left ? juce::Rectangle<int>() : juce::Rectangle<int> (left, top, right - left + 1, bottom - top + 1);
}

/** True when the rectangle lies within the expected one grown by the slack on every side. */
inline bool within (juce::Rectangle<int> inner, juce::Rectangle<int> outer, int slack = 0)
{
    return ! inner.isEmpty() && outer.expanded (slack).contains (inner);
}

/** Compares an area of a painted image with a reference image of that area's size, leaving out
    the excluded rectangles (in the painted image's coordinates). */
inline ::testing::AssertionResult matchesReference (const juce::Image& painted, juce::Rectangle<int> area, const juce::Image& reference, const std::vector<juce::Rectangle<int>>& excluded = {}, int tolerance = 3)
{
    int differing = 0;
    juce::String first;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
        {
            if (std::any_of (excluded.begin(), excluded.end(), [x, y] (auto r)
                             { return r.contains (x, y); }))
                continue;

            const auto actual = painted.getPixelAt (x, y), expected = reference.getPixelAt (x - area.getX(), y - area.getY());

            if (! near (actual, expected, tolerance) && differing++ == 0)
                first << "(" << x << ", " << y << ") is " << actual.toDisplayString (true) << ", reference " << expected.toDisplayString (true);
        }

    if (differing == 0)
        return ::testing::AssertionSuccess();

    return ::testing::AssertionFailure() << differing << " pixels of " << area.toString() << " differ from the reference, first " << first;
}

/** Compares an area of a painted image with a reference that holds only the background and what
    `draw` puts there (in the painted image's coordinates). This checks text, font, colour and
    position at once: a text one pixel off, in another size or another word does not match. */
inline ::testing::AssertionResult areaMatches (const juce::Image& image, juce::Rectangle<int> area, juce::Colour background, const std::function<void (juce::Graphics&)>& draw, int tolerance = 3)
{
    area = area.getIntersection (image.getBounds());
    juce::Image reference (juce::Image::ARGB, juce::jmax (1, area.getWidth()), juce::jmax (1, area.getHeight()), true);
    {
        juce::Graphics g (reference);
        g.fillAll (background);
        g.setOrigin (-area.getPosition());
        draw (g);
    }

    return matchesReference (image, area, reference, {}, tolerance);
}
} // namespace PixelChecks
