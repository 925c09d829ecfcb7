#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Pieces the main screen and the overlay panels build and draw alike. */
namespace Widgets
{
/** A transparent, named button that only catches the mouse for the component that paints it. */
std::unique_ptr<juce::TextButton> makeClickTarget (juce::Component& owner, juce::Button::Listener& listener, const juce::String& name);

/** An icon from the embedded SVG data, its pure black artwork recoloured in the screen's ink. */
std::unique_ptr<juce::Drawable> loadIcon (const char* svgData, int numBytes);

/** Bounds with each number rounded on its own to the nearest pixel (halves to even). */
juce::Rectangle<int> roundedBounds (float x, float y, float width, float height);

/** Whether the pointer is over the component (its children not counted), as JUCE last saw it
    from the mouse events.

    Component::isMouseOver() asks the X server where the pointer is. Asked from paint, which
    runs outside the handling of X events, that round trip reads events off the connection into
    Xlib's queue, where JUCE's event loop on Linux never looks: a click, a hover or a close
    request arriving just then waited for the next event. Paint asks here instead.
*/
bool isPointerOver (const juce::Component&);

/** The face of a clickable box: green while pressed, brighter grey while hovered. */
juce::Colour faceColour (const juce::Button& button);

/** The ring with an "X" in the top right corner, brighter while the pointer is over it. */
void paintCloseControl (juce::Graphics&, const juce::Button& closeButton, float unit);
} // namespace Widgets
