#pragma once

#include <juce_graphics/juce_graphics.h>

/** Every place that builds a juce::Font goes through here.

    Font construction is the part of JUCE's API that moved between major versions (JUCE 8 builds
    fonts from FontOptions), so it is kept in this one spot.
*/
namespace FontFactory
{
/** A font set in the given typeface at the given height. */
juce::Font withTypeface (const juce::Typeface::Ptr& typeface, float height);

/** A font that names no typeface, so the default look and feel picks it. */
juce::Font plain (float height);
} // namespace FontFactory
