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

/** Sets one line of text in the default look and feel's typeface and throws it away.

    JUCE 8 does a one-time set-up the first time it sets any text: it unpacks its Unicode
    tables (4 MB) and prepares the typeface's shaping. Called while the program would otherwise
    wait, it spares the first paint that work. Nothing is kept that a paint draws.
*/
void prepareTextLayout();
} // namespace FontFactory
