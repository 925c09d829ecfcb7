#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Support contacts (Discord and e-mail) and the about text, laid over the whole main screen. */
class panel_support : public juce::Component,
                      public juce::Button::Listener
{
public:
    panel_support();
    ~panel_support() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void buttonClicked (juce::Button*) override;

    /** The about text's full text, with the settings file's location. */
    juce::String getAboutText() const;

    /** The layout unit in pixels; the owner keeps it at its own width / 100. */
    float unit = 9.0f;

    /** The folder of the shared settings file, shown in the about text. */
    juce::File settingsFolder;

private:
    std::unique_ptr<juce::TextButton> closeButton;
    std::unique_ptr<juce::TextButton> mailButton;
    std::unique_ptr<juce::TextButton> discordButton;
    std::unique_ptr<juce::Drawable> discordIcon;
    std::unique_ptr<juce::Drawable> mailIcon;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (panel_support)
};
