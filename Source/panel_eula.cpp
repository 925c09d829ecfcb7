#include "panel_eula.h"

#include "ButtonNames.h"
#include "FocusMark.h"
#include "Palette.h"
#include "Widgets.h"

namespace
{
const juce::String headingText { "LICENSE AGREEMENT" };

// JUCE's text box, with the focus mark following its focus as it follows the buttons'.
class LicenceText : public juce::TextEditor
{
public:
    LicenceText() : juce::TextEditor (juce::String(), (juce::juce_wchar) 0) {}

    void focusGained (FocusChangeType cause) override
    {
        juce::TextEditor::focusGained (cause);
        FocusMark::focusGained (*this, cause);
    }

    void focusLost (FocusChangeType cause) override
    {
        juce::TextEditor::focusLost (cause);
        FocusMark::focusLost (*this);
    }
};
} // namespace

panel_eula::panel_eula (const juce::String& licenceText)
{
    unit = 9.0f;

    textEditor = std::make_unique<LicenceText>();
    addAndMakeVisible (*textEditor);
    textEditor->setMultiLine (true, true);
    textEditor->setText (licenceText, true);
    textEditor->applyColourToAllText (Palette::greyAAA6A6, true);

    // The outline would draw a frame against the panel's own background.
    textEditor->setColour (juce::TextEditor::outlineColourId, Palette::background111111);
    textEditor->setColour (juce::TextEditor::focusedOutlineColourId, Palette::background111111);

    // Escape reaches the panel, which closes; Return does nothing in it, as the text is one
    // paragraph per line and is read, not written.
    textEditor->setEscapeAndReturnKeysConsumed (false);
    textEditor->setTitle ("Licence agreement");

    closeButton = Widgets::makeClickTarget (*this, *this, ButtonNames::close, "Close licence agreement");
    heading = Widgets::makeScreenText (*this, headingText);

    setTitle ("Licence agreement");
    setFocusContainerType (FocusContainerType::keyboardFocusContainer);
}

panel_eula::~panel_eula()
{
    heading = nullptr;
    closeButton = nullptr;
    textEditor = nullptr;
}

void panel_eula::resized()
{
    textEditor->setBounds (Widgets::roundedBounds (4.0f * unit, 12.0f * unit, 92.0f * unit, 80.0f * unit));
    closeButton->setBounds (Widgets::roundedBounds (88.0f * unit, 1.5f * unit, 8.0f * unit, 8.0f * unit));
    heading->setBounds (Widgets::roundedBounds (4.0f * unit, 2.0f * unit, 60.0f * unit, 5.0f * unit));
}

void panel_eula::paint (juce::Graphics& g)
{
    g.fillAll (Palette::background111111);

    g.setColour (Palette::brightF5F5F5);
    g.setFont (4.0f * unit);
    g.drawSingleLineText (headingText, (int) (4.0f * unit), (int) (6.0f * unit), juce::Justification::left);

    Widgets::paintCloseControl (g, *closeButton, unit);

    // The licence text draws over its own box, so its mark rings the box from outside.
    if (auto* marked = FocusMark::current(); marked == closeButton.get())
        FocusMark::paint (g, closeButton->getBounds().toFloat(), unit);
    else if (marked == textEditor.get())
        FocusMark::paint (g, textEditor->getBounds().toFloat().expanded (2.5f * unit), unit);
}

void panel_eula::buttonClicked (juce::Button*)
{
    // The owner keeps the object until the next opening replaces it.
    if (auto* parent = getParentComponent())
    {
        parent->removeChildComponent (this);

        if (onClose != nullptr)
            onClose();
    }
}

bool panel_eula::keyPressed (const juce::KeyPress& key)
{
    return Widgets::closeOnEscape (key, *closeButton, *this);
}

std::unique_ptr<juce::AccessibilityHandler> panel_eula::createAccessibilityHandler()
{
    return std::make_unique<juce::AccessibilityHandler> (*this, juce::AccessibilityRole::group);
}
