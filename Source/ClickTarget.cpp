#include "ClickTarget.h"

#include "ClickTargetHandler.h"
#include "FocusMark.h"

ClickTarget::ClickTarget (const juce::String& name, juce::Button::Listener& listener)
{
    setName (name);
    setAlpha (0.0f);
    addListener (&listener);

    onKeyPress = [this, &listener] (const juce::ModifierKeys&)
    { listener.buttonClicked (this); };
}

ClickTarget::~ClickTarget() = default;

bool ClickTarget::keyPressed (const juce::KeyPress& key)
{
    if (! isEnabled() || ! (key.isKeyCode (juce::KeyPress::returnKey) || key.isKeyCode (juce::KeyPress::spaceKey)))
        return false;

    // Handled now rather than through the button's asynchronous click: by the time that arrives,
    // a quickly released Shift could already have turned an uninstall back into an install.
    FocusMark::keyUsed();

    if (onKeyPress != nullptr)
        onKeyPress (key.getModifiers());

    return true;
}

void ClickTarget::focusGained (FocusChangeType cause)
{
    juce::TextButton::focusGained (cause);
    FocusMark::focusGained (*this, cause);

    if (FocusMark::current() == this && onKeyboardFocus != nullptr)
        onKeyboardFocus();
}

void ClickTarget::focusLost (FocusChangeType cause)
{
    juce::TextButton::focusLost (cause);
    FocusMark::focusLost (*this);
}

std::unique_ptr<juce::AccessibilityHandler> ClickTarget::createAccessibilityHandler()
{
    return std::make_unique<ClickTargetHandler> (*this);
}
