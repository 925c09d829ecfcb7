#include "FontFactory.h"

#include <cstdlib>

namespace
{
#if JUCE_LINUX
/** JUCE's FreeType back-end (7 and 8 alike) opens every font file of the system the first time
    any typeface is made, even one made from memory. On a desktop with a few hundred fonts that
    scan costs more than the rest of the installer's start-up. Every text here is set in the
    embedded typeface, so the scan is pointed at a path that is never a folder while the first
    typefaces are made. A font path the user set is left alone, and the variable is gone again
    before any other process could be started from here.
*/
struct ScopedNoSystemFontScan
{
    ScopedNoSystemFontScan()
        : ownsVariable (std::getenv (variable) == nullptr)
    {
        if (ownsVariable)
            setenv (variable, "/dev/null", 0);
    }

    ~ScopedNoSystemFontScan()
    {
        if (ownsVariable)
            unsetenv (variable);
    }

    static constexpr const char* variable = "JUCE_FONT_PATH";
    const bool ownsVariable;
};
#endif
} // namespace

namespace FontFactory
{
juce::Typeface::Ptr fromMemory (const void* data, size_t size)
{
#if JUCE_LINUX
    const ScopedNoSystemFontScan noScan;
#endif
    return juce::Typeface::createSystemTypefaceFor (data, size);
}

void prepareTextLayout()
{
    juce::GlyphArrangement line;
    line.addLineOfText (plain (defaultHeight()), "A", 0.0f, 0.0f);
}

juce::Font withTypeface (const juce::Typeface::Ptr& typeface, float height)
{
#if JUCE_MAJOR_VERSION >= 8
    return juce::Font (juce::FontOptions (typeface).withHeight (height));
#else
    return juce::Font (typeface).withHeight (height);
#endif
}

juce::Font plain (float height)
{
#if JUCE_MAJOR_VERSION >= 8
    return juce::Font (juce::FontOptions (height, juce::Font::plain));
#else
    return juce::Font (height, juce::Font::plain);
#endif
}

juce::Font named (const juce::String& typefaceName, float height, int styleFlags)
{
#if JUCE_MAJOR_VERSION >= 8
    return juce::Font (juce::FontOptions (typefaceName, height, styleFlags));
#else
    return juce::Font (typefaceName, height, styleFlags);
#endif
}

float defaultHeight()
{
#if JUCE_MAJOR_VERSION >= 8
    return juce::FontOptions().getHeight();
#else
    return juce::Font().getHeight();
#endif
}
} // namespace FontFactory
