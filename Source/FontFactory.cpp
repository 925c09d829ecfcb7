#include "FontFactory.h"

#include <cstdlib>

namespace
{
#if JUCE_LINUX && JUCE_MAJOR_VERSION < 8
/** JUCE 7's FreeType back-end opens every font file of the system the first time any typeface is
    made, even one made from memory, and that scan was about 40 % of the installer's start-up.
    Every text here is set in the embedded typeface, so the scan is pointed at a path that is
    never a folder while the first typefaces are made. A font path the user set is left alone,
    and the variable is gone again before any other process could be started from here.
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
#if JUCE_LINUX && JUCE_MAJOR_VERSION < 8
    const ScopedNoSystemFontScan noScan;
#endif
    return juce::Typeface::createSystemTypefaceFor (data, size);
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
} // namespace FontFactory
