#include "ScreenText.h"

#include "ClickTargetHandler.h"

namespace
{
class StaticTextHandler : public juce::AccessibilityHandler
{
public:
    explicit StaticTextHandler (ScreenText& t)
        : juce::AccessibilityHandler (t, juce::AccessibilityRole::staticText), text (t)
    {
    }

    juce::String getTitle() const override { return text.getText(); }

    juce::AccessibleState getCurrentState() const override
    {
        if (ClickTargetHandler::isUnderAPanel (text))
            return juce::AccessibleState().withIgnored();

        return juce::AccessibilityHandler::getCurrentState();
    }

private:
    ScreenText& text;
};
} // namespace

ScreenText::ScreenText (const juce::String& text)
{
    setText (text, juce::dontSendNotification);
    setAlpha (0.0f);
    setInterceptsMouseClicks (false, false);
}

ScreenText::~ScreenText() = default;

std::unique_ptr<juce::AccessibilityHandler> ScreenText::createAccessibilityHandler()
{
    return std::make_unique<StaticTextHandler> (*this);
}
