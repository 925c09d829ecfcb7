#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Keeps a window's size limits and aspect ratio on its client area.

    A window with a native title bar hands its constrainer the bounds of the whole window, frame
    and title bar included, while the user resizes it; a plain constrainer with a fixed aspect
    ratio then keeps that outer rectangle square and leaves the client area a title bar shorter
    than it is wide. This one takes the frame off first and puts it back afterwards.
*/
class ClientAreaConstrainer : public juce::ComponentBoundsConstrainer
{
public:
    /** Constrains the given window, which outlives this object. */
    explicit ClientAreaConstrainer (juce::Component& window);

    void checkBounds (juce::Rectangle<int>& bounds,
                      const juce::Rectangle<int>& previousBounds,
                      const juce::Rectangle<int>& limits,
                      bool isStretchingTop,
                      bool isStretchingLeft,
                      bool isStretchingBottom,
                      bool isStretchingRight) override;

private:
    juce::Component& window;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ClientAreaConstrainer)
};
