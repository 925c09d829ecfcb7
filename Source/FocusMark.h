#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The ring that shows which control has the keyboard focus.

    It shows only while the user works with the keyboard, as Windows hides focus rectangles until
    a key is used: a focus that arrives with the Tab key (or is handed on after a key press, as
    when Escape closes a panel) shows it, and any press of a mouse button hides it again. So a
    mouse user's screen never changes. There is one keyboard focus, so there is one mark.
*/
namespace FocusMark
{
/** Called when a control gains the keyboard focus, with the framework's reason. */
void focusGained (juce::Component& control, juce::Component::FocusChangeType cause);

/** Called when a control loses the keyboard focus. */
void focusLost (juce::Component& control);

/** A key acted on the focused control: whatever takes the focus next shows the mark. */
void keyUsed();

/** A mouse button went down anywhere on the screen: the mark goes until the keyboard is used again. */
void pointerUsed();

/** The control the mark is on, or nullptr while none shows it. */
juce::Component* current();

/** Where the ring is drawn for a control of these bounds, inside its face. */
juce::Rectangle<float> ringFor (juce::Rectangle<float> controlBounds, float unit);

/** Draws the ring for a control of these bounds (a no-op cost when called only for current()). */
void paint (juce::Graphics&, juce::Rectangle<float> controlBounds, float unit);
} // namespace FocusMark
