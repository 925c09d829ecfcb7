#pragma once

#include "ClickTarget.h"
#include "ScreenText.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

/** Support contacts (Discord and e-mail) and the about text, laid over the whole main screen
    until its close control is clicked or Escape is pressed. The keyboard focus stays inside it
    while it is open. */
class panel_support : public juce::Component,
                      public juce::Button::Listener
{
public:
    panel_support();
    ~panel_support() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void buttonClicked (juce::Button*) override;
    bool keyPressed (const juce::KeyPress&) override;
    std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override;

    /** The about text's full text, with the settings file's location. */
    juce::String getAboutText() const;

    /** The layout unit in pixels; the owner keeps it at its own width / 100. */
    float unit = 9.0f;

    /** The folder of the shared settings file, shown in the about text. */
    juce::File settingsFolder;

    /** Runs after the panel has taken itself off the screen. */
    std::function<void()> onClose;

private:
    std::unique_ptr<ClickTarget> closeButton;
    std::unique_ptr<ClickTarget> mailButton;
    std::unique_ptr<ClickTarget> discordButton;

    // The painted texts for screen readers, each with its box in units; the about text is the
    // last, as its path is known only once the owner has set the settings folder.
    std::vector<std::pair<std::unique_ptr<ScreenText>, juce::Rectangle<float>>> screenTexts;
    std::unique_ptr<juce::Drawable> discordIcon;
    std::unique_ptr<juce::Drawable> mailIcon;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (panel_support)
};
