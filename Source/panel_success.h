#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The notice that ends every install or uninstall run: a check mark and "Operation Successful!",
    or an exclamation mark and "Operation failed!". Its owner fades it out. */
class panel_success : public juce::Component
{
public:
    panel_success();
    ~panel_success() override;

    void paint (juce::Graphics&) override;
    void resized() override;

    /** The notice's text for a verdict. */
    static juce::String textFor (bool success);

    /** The run's verdict; it picks the icon and the text. */
    bool success = true;

    /** The layout unit in pixels, set by the owner to its own width / 100. */
    float unit = 9.0f;

private:
    std::unique_ptr<juce::Drawable> successIcon;
    std::unique_ptr<juce::Drawable> warningIcon;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (panel_success)
};
