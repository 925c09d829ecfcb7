#pragma once

#include <juce_graphics/juce_graphics.h>

/** Every place that builds a juce::Font or makes a typeface goes through here.

    Fonts are the part of JUCE that differs most between versions and platforms (JUCE 8 builds
    fonts from FontOptions; on Linux both scan the system's fonts on first use), so they are
    kept in this one spot.
*/
namespace FontFactory
{
/** A font set in the given typeface at the given height. */
juce::Font withTypeface (const juce::Typeface::Ptr& typeface, float height);

/** A font that names no typeface, so the default look and feel picks it. */
juce::Font plain (float height);

/** A font that asks for a typeface by family name and style flags (juce::Font::bold, ...). */
juce::Font named (const juce::String& typefaceName, float height, int styleFlags);

/** The height a font has when nobody gave it one. */
float defaultHeight();

/** A typeface made from font data held in memory (the program's embedded fonts). */
juce::Typeface::Ptr fromMemory (const void* data, size_t size);
} // namespace FontFactory
