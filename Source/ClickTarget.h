#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** A transparent, named button that catches the mouse and the keyboard for the component that
    paints it.

    The owner draws its face and tells it apart by its component name. Return and Space press it
    at once, as a click does; Tab reaches it in reading order. What it says to a screen reader
    comes from its title and from the functions below, which the owner sets and which are asked
    afresh each time, so what is read always matches what is painted.
*/
class ClickTarget : public juce::TextButton
{
public:
    ClickTarget (const juce::String& name, juce::Button::Listener& listener);
    ~ClickTarget() override;

    /** Runs when Return or Space is pressed on it, with the modifier keys held with that key.
        By default it hands the button to the listener, as a click does. */
    std::function<void (const juce::ModifierKeys&)> onKeyPress;

    /** The line that says what it does; empty when it has none. */
    std::function<juce::String()> helpText;

    /** Set for a control that is ticked and unticked: it then reads as a toggle, checked while
        this says so. */
    std::function<bool()> isTicked;

    /** Set for a control that shows a state of its own, read as its value (e.g. "INSTALLED"). */
    std::function<juce::String()> valueText;

    /** Runs when the keyboard has brought the focus here, with the focus mark now on it. */
    std::function<void()> onKeyboardFocus;

    bool keyPressed (const juce::KeyPress&) override;
    void focusGained (FocusChangeType) override;
    void focusLost (FocusChangeType) override;
    std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ClickTarget)
};
