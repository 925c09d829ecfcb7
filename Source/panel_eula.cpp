#include "panel_eula.h"

#include "Palette.h"
#include "Widgets.h"

panel_eula::panel_eula (const juce::String& licenceText)
{
    unit = 9.0f;

    textEditor = std::make_unique<juce::TextEditor> (juce::String(), (juce::juce_wchar) 0);
    addAndMakeVisible (*textEditor);
    textEditor->setMultiLine (true, true);
    textEditor->setText (licenceText, true);
    textEditor->applyColourToAllText (Palette::greyAAA6A6, true);

    // The outline would draw a frame against the panel's own background.
    textEditor->setColour (juce::TextEditor::outlineColourId, Palette::background111111);
    textEditor->setColour (juce::TextEditor::focusedOutlineColourId, Palette::background111111);

    closeButton = Widgets::makeClickTarget (*this, *this, "X");
}

panel_eula::~panel_eula()
{
    closeButton = nullptr;
    textEditor = nullptr;
}

void panel_eula::resized()
{
    textEditor->setBounds (Widgets::roundedBounds (4.0f * unit, 12.0f * unit, 92.0f * unit, 80.0f * unit));
    closeButton->setBounds (Widgets::roundedBounds (88.0f * unit, 1.5f * unit, 8.0f * unit, 8.0f * unit));
}

void panel_eula::paint (juce::Graphics& g)
{
    g.fillAll (Palette::background111111);

    g.setColour (Palette::brightF5F5F5);
    g.setFont (4.0f * unit);
    g.drawSingleLineText ("LICENSE AGREEMENT", (int) (4.0f * unit), (int) (6.0f * unit), juce::Justification::left);

    Widgets::paintCloseControl (g, *closeButton, unit);
}

void panel_eula::buttonClicked (juce::Button*)
{
    // The owner keeps the object until the next opening replaces it.
    if (auto* parent = getParentComponent())
        parent->removeChildComponent (this);
}
