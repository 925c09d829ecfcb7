#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The licence agreement, laid over the whole main screen until its close control is clicked. */
class panel_eula : public juce::Component,
                   public juce::Button::Listener
{
public:
    explicit panel_eula (const juce::String& licenceText);
    ~panel_eula() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void buttonClicked (juce::Button*) override;

    /** The layout unit in pixels; the owner keeps it at its own width / 100. */
    float unit = 9.0f;

    juce::TextEditor& getTextEditor() const noexcept { return *textEditor; }
    juce::TextButton& getCloseButton() const noexcept { return *closeButton; }

private:
    std::unique_ptr<juce::TextEditor> textEditor;
    std::unique_ptr<juce::TextButton> closeButton;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (panel_eula)
};
