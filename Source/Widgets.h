#pragma once

#include "ClickTarget.h"
#include "ScreenText.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** Pieces the main screen and the overlay panels build and draw alike. */
namespace Widgets
{
/** A transparent, named button that catches the mouse and the keyboard for the component that
    paints it, with its accessible title. */
std::unique_ptr<ClickTarget> makeClickTarget (juce::Component& owner, juce::Button::Listener& listener, const juce::String& name, const juce::String& title);

/** A painted text of the owner, for screen readers only. */
std::unique_ptr<ScreenText> makeScreenText (juce::Component& owner, const juce::String& text);

/** An icon from the embedded SVG data, its pure black artwork recoloured in the screen's ink. */
std::unique_ptr<juce::Drawable> loadIcon (const char* svgData, int numBytes);

/** Draws an icon as large as fits, centred, within the area.

    JUCE fills each of the icon's shapes through an edge table as tall as the clip region and as
    wide as the shape's edges need, so an icon drawn under the whole screen's clip would cost a
    table of the screen's height per shape, rebuilt on every paint. The icon draws nothing outside
    the area, so the clip is narrowed to it first: the same pixels for a fraction of the work.
*/
void drawIcon (juce::Graphics&, const juce::Drawable& icon, juce::Rectangle<float> area);

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

/** Escape closes an overlay panel as a click on its X does, and counts as keyboard use. */
bool closeOnEscape (const juce::KeyPress&, juce::Button& closeButton, juce::Button::Listener& panel);

/** The ring with an "X" in the top right corner, brighter while the pointer is over it. */
void paintCloseControl (juce::Graphics&, const juce::Button& closeButton, float unit);
} // namespace Widgets
