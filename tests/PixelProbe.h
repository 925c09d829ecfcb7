#pragma once

#include <juce_graphics/juce_graphics.h>

#include <functional>

/** Reading painted images: where a kind of ink lies and what colour a spot has. */
namespace PixelProbe
{
using Predicate = std::function<bool (juce::Colour)>;

/** The colour a translucent colour gives when laid over an opaque one. */
inline juce::Colour over (juce::Colour top, juce::Colour bottom) { return bottom.overlaidWith (top); }

/** True when every channel (alpha included) is within the tolerance. */
inline bool near (juce::Colour actual, juce::Colour expected, int tolerance = 3)
{
    const auto close = [tolerance] (juce::uint8 a, juce::uint8 b)
    { return std::abs ((int) a - (int) b) <= tolerance; };
    return close (actual.getRed(), expected.getRed()) && close (actual.getGreen(), expected.getGreen())
           && close (actual.getBlue(), expected.getBlue()) && close (actual.getAlpha(), expected.getAlpha());
}

inline Predicate nearTo (juce::Colour expected, int tolerance = 3)
{
    return [expected, tolerance] (juce::Colour c)
    { return near (c, expected, tolerance); };
}

/** Opaque ink whose every channel is at least the given level. */
inline Predicate brighterThan (int level)
{
    return [level] (juce::Colour c)
    { return c.getAlpha() == 255 && c.getRed() >= level && c.getGreen() >= level && c.getBlue() >= level; };
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

    if (right < left)
        return {};

    return { left, top, right - left + 1, bottom - top + 1 };
}

inline int count (const juce::Image& image, juce::Rectangle<int> area, const Predicate& matches)
{
    area = area.getIntersection (image.getBounds());
    int n = 0;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            n += matches (image.getPixelAt (x, y)) ? 1 : 0;

    return n;
}

/** True when the rectangle lies within the expected one grown by the slack on every side. */
inline bool within (juce::Rectangle<int> inner, juce::Rectangle<int> outer, int slack = 0)
{
    return ! inner.isEmpty() && outer.expanded (slack).contains (inner);
}
} // namespace PixelProbe
