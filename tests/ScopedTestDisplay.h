#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Gives a headless test run one display while it lives.

    The animator's fade proxy asks the desktop for the display it is on and has no answer for a
    machine without any, which is what a test run without an X server is.
*/
class ScopedTestDisplay
{
public:
    ScopedTestDisplay()
    {
        auto& displays = const_cast<juce::Displays&> (juce::Desktop::getInstance().getDisplays());

        if (! displays.displays.isEmpty())
            return;

        juce::Displays::Display display {};
        display.isMain = true;
        display.totalArea = display.userArea = { 0, 0, 1600, 1200 };
        display.scale = 1.0;
        display.dpi = 96.0;
        displays.displays.add (display);
        added = true;
    }

    ~ScopedTestDisplay()
    {
        if (added)
            const_cast<juce::Displays&> (juce::Desktop::getInstance().getDisplays()).displays.clear();
    }

private:
    bool added = false;
    JUCE_DECLARE_NON_COPYABLE (ScopedTestDisplay)
};
