#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The program's look: JUCE's V4 drawing in the dark palette, every text in the embedded
    Source Sans Pro Regular, and pill-shaped combo boxes.
*/
class CustomLookAndFeel : public juce::LookAndFeel_V4
{
public:
    CustomLookAndFeel();
    ~CustomLookAndFeel() override;

    /** The typeface all of the program's text is set in. */
    const juce::Typeface::Ptr& getRegularTypeface() const noexcept { return regularTypeface; }

    juce::Typeface::Ptr getTypefaceForFont (const juce::Font&) override;
    juce::Font getPopupMenuFont() override;
    void drawComboBox (juce::Graphics&, int width, int height, bool isButtonDown, int buttonX, int buttonY, int buttonW, int buttonH, juce::ComboBox&) override;
    juce::Font getComboBoxFont (juce::ComboBox&) override;
    void positionComboBoxText (juce::ComboBox&, juce::Label&) override;

private:
    juce::Typeface::Ptr regularTypeface;

    // Loaded so the whole family ships together; nothing asks for it, since every lookup
    // answers with the regular face.
    juce::Typeface::Ptr boldTypeface;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CustomLookAndFeel)
};
