#include "CustomLookAndFeel.h"

#include "FontFactory.h"
#include "Palette.h"

#include <BinaryData.h>

CustomLookAndFeel::CustomLookAndFeel()
    : regularTypeface (FontFactory::fromMemory (BinaryData::SourceSansProRegular_ttf, (size_t) BinaryData::SourceSansProRegular_ttfSize)),
      boldTypeface (FontFactory::fromMemory (BinaryData::SourceSansProBold_ttf, (size_t) BinaryData::SourceSansProBold_ttfSize))
{
    setColour (juce::PopupMenu::backgroundColourId, Palette::background111111);
    setColour (juce::PopupMenu::highlightedBackgroundColourId, Palette::green86cf7a.withAlpha ((juce::uint8) 128));
    setColour (juce::PopupMenu::textColourId, Palette::brightF5F5F5);
    setColour (juce::PopupMenu::highlightedTextColourId, Palette::brightF5F5F5);
    setColour (juce::AlertWindow::backgroundColourId, Palette::background111111);
    setColour (juce::AlertWindow::textColourId, Palette::greyAAA6A6);
    setColour (juce::PropertyComponent::labelTextColourId, Palette::green86cf7a.withAlpha ((juce::uint8) 128));
    setColour (juce::ScrollBar::thumbColourId, Palette::greyAAA6A6);
    setColour (juce::ResizableWindow::backgroundColourId, Palette::background111111);
    setColour (juce::TextEditor::backgroundColourId, Palette::background111111);
    setColour (juce::ListBox::backgroundColourId, Palette::background111111);
    setColour (juce::TextButton::buttonColourId, Palette::background111111);
    setColour (juce::Label::textColourId, Palette::brightF5F5F5);
}

CustomLookAndFeel::~CustomLookAndFeel()
{
    regularTypeface = nullptr;
    boldTypeface = nullptr;
}

juce::Typeface::Ptr CustomLookAndFeel::getTypefaceForFont (const juce::Font&)
{
    return regularTypeface;
}

juce::Font CustomLookAndFeel::getPopupMenuFont()
{
    return FontFactory::plain (30.0f).withHorizontalScale (1.0f).withExtraKerningFactor (0.1f);
}

void CustomLookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool, int, int, int, int, juce::ComboBox&)
{
    g.setColour (Palette::ink171717);
    g.fillRoundedRectangle (0.0f, 0.0f, (float) width, (float) height, (float) height * 0.5f);
}

juce::Font CustomLookAndFeel::getComboBoxFont (juce::ComboBox& box)
{
    return FontFactory::plain ((float) box.getHeight() * 0.7f);
}

void CustomLookAndFeel::positionComboBoxText (juce::ComboBox& box, juce::Label& label)
{
    label.setBounds (1, 1, box.getWidth(), box.getHeight() - 2);
    label.setFont (getComboBoxFont (box));
    label.setJustificationType (juce::Justification::centred);
    label.setText (label.getText(), juce::dontSendNotification);
}
