#include "ClickTargetHandler.h"

#include "ClickTarget.h"

namespace
{
class StateText : public juce::AccessibilityTextValueInterface
{
public:
    explicit StateText (const ClickTarget& t) : target (t) {}

    bool isReadOnly() const override { return true; }
    juce::String getCurrentValueAsString() const override { return target.valueText(); }
    void setValueAsString (const juce::String&) override {}

private:
    const ClickTarget& target;
};

juce::AccessibilityActions clickActions (ClickTarget& target)
{
    const auto click = [&target]
    { target.triggerClick(); };

    auto actions = juce::AccessibilityActions().addAction (juce::AccessibilityActionType::press, click);

    if (target.isTicked != nullptr)
        actions.addAction (juce::AccessibilityActionType::toggle, click);

    return actions;
}

juce::AccessibilityHandler::Interfaces stateText (ClickTarget& target)
{
    if (target.valueText != nullptr)
        return { std::make_unique<StateText> (target) };

    return {};
}
} // namespace

ClickTargetHandler::ClickTargetHandler (ClickTarget& t)
    : juce::AccessibilityHandler (t,
                                  t.isTicked != nullptr ? juce::AccessibilityRole::toggleButton : juce::AccessibilityRole::button,
                                  clickActions (t),
                                  stateText (t)),
      target (t)
{
}

juce::String ClickTargetHandler::getHelp() const
{
    return target.helpText != nullptr ? target.helpText() : juce::String();
}

juce::AccessibleState ClickTargetHandler::getCurrentState() const
{
    if (isUnderAPanel (target))
        return juce::AccessibleState().withIgnored();

    auto state = juce::AccessibilityHandler::getCurrentState();

    if (target.isTicked != nullptr)
    {
        state = state.withCheckable();

        if (target.isTicked())
            state = state.withChecked();
    }

    return state;
}

bool ClickTargetHandler::isUnderAPanel (const juce::Component& component)
{
    if (component.isAlwaysOnTop())
        return false;

    if (auto* parent = component.getParentComponent())
        for (auto* sibling : parent->getChildren())
        {
            // The fading snapshot of the result notice lies on top too, but lets every click through.
            bool takesClicks = false, childrenTakeClicks = false;
            sibling->getInterceptsMouseClicks (takesClicks, childrenTakeClicks);

            if (sibling != &component && sibling->isAlwaysOnTop() && sibling->isVisible() && takesClicks
                && sibling->getBounds().contains (component.getBounds()))
                return true;
        }

    return false;
}
