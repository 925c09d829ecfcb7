#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** A text that the owner paints itself, laid where it is painted so that a screen reader finds
    it in reading order.

    It draws nothing and takes no clicks: it is fully transparent, which JUCE never paints.
*/
class ScreenText : public juce::Label
{
public:
    explicit ScreenText (const juce::String& text);
    ~ScreenText() override;

    std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ScreenText)
};
