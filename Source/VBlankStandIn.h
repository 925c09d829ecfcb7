#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Keeps a window's screen up to date where the display never reports a vertical blank.

    JUCE's Windows window collects its repaints and hands them to the system only when the
    display reports a vertical blank. Where none ever arrives (Wine cannot wait for one, nor can
    some remote and virtual displays), the window would show its first frame and nothing after
    it, while clicks still act. Until the first vertical blank reaches the window, this flushes
    the window's pending repaints at the display's pace; that first vertical blank ends it for
    good, so where they arrive nothing of this runs any more. Windows on the other platforms
    repaint without waiting, and there it does nothing at all.
*/
class VBlankStandIn : private juce::Timer
{
public:
#if JUCE_WINDOWS
    static constexpr bool platformWaitsForVBlank = true;
#else
    static constexpr bool platformWaitsForVBlank = false;
#endif

    /** Watches a window that is on the desktop and outlives this object. */
    explicit VBlankStandIn (juce::Component& window, bool repaintsWaitForVBlank = platformWaitsForVBlank);
    ~VBlankStandIn() override;

    /** True while no vertical blank has been seen and repaints are flushed from here. */
    bool isStandingIn() const noexcept { return isTimerRunning(); }

    /** True once a vertical blank has reached the window. */
    bool hasSeenVBlank() const noexcept { return seenVBlank; }

private:
    void timerCallback() override;

    juce::Component& window;
    std::unique_ptr<juce::VBlankAttachment> vblankWatch;
    bool seenVBlank = false;
    int ticksWithoutVBlank = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VBlankStandIn)
};
