#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class ClickTarget;

/** What a screen reader finds on a ClickTarget.

    JUCE's own button handler fixes the role when it is made, takes the help from the tooltip and
    reads a toggle's value as "On" or "Off". A ClickTarget reads as a toggle when it is ticked and
    unticked, with its tick as the checked state, its own state text as the value and its help
    line as the help; pressing or toggling it clicks it, exactly as the mouse does.
*/
class ClickTargetHandler : public juce::AccessibilityHandler
{
public:
    explicit ClickTargetHandler (ClickTarget&);

    juce::String getHelp() const override;
    juce::AccessibleState getCurrentState() const override;

    /** Whether a panel laid over the screen hides the component: it is then left out, as the
        user cannot see or reach it either. */
    static bool isUnderAPanel (const juce::Component&);

private:
    ClickTarget& target;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ClickTargetHandler)
};
