#pragma once

#include "ClickTarget.h"
#include "ScreenText.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** The licence agreement, laid over the whole main screen until its close control is clicked or
    Escape is pressed. The keyboard focus stays inside it while it is open. */
class panel_eula : public juce::Component,
                   public juce::Button::Listener
{
public:
    explicit panel_eula (const juce::String& licenceText);
    ~panel_eula() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void buttonClicked (juce::Button*) override;
    bool keyPressed (const juce::KeyPress&) override;
    std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override;

    /** The layout unit in pixels; the owner keeps it at its own width / 100. */
    float unit = 9.0f;

    /** Runs after the panel has taken itself off the screen. */
    std::function<void()> onClose;

    juce::TextEditor& getTextEditor() const noexcept { return *textEditor; }
    ClickTarget& getCloseButton() const noexcept { return *closeButton; }

private:
    std::unique_ptr<juce::TextEditor> textEditor;
    std::unique_ptr<ClickTarget> closeButton;
    std::unique_ptr<ScreenText> heading;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (panel_eula)
};
