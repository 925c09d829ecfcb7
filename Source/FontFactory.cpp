#include "FontFactory.h"

namespace FontFactory
{
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
