#include "FocusMark.h"

#include "Palette.h"

namespace FocusMark
{
namespace
{
    bool keyboardInUse = false;
    juce::Component::SafePointer<juce::Component> marked;

    // The owner paints the faces and the ring, and the ring may lie outside the control (around
    // the licence text, which draws over its own box), so the owner repaints, not the control's
    // area alone: a ring drawn there would otherwise show only once something else repainted it,
    // and a ring that moved on would stay behind.
    void repaintBeneath (juce::Component* control)
    {
        if (control == nullptr)
            return;

        if (auto* owner = control->getParentComponent())
            owner->repaint();
        else
            control->repaint();
    }

    void moveTo (juce::Component* control)
    {
        if (marked.getComponent() == control)
            return;

        repaintBeneath (marked.getComponent());
        marked = control;
        repaintBeneath (control);
    }
} // namespace

void focusGained (juce::Component& control, juce::Component::FocusChangeType cause)
{
    if (cause == juce::Component::focusChangedByTabKey)
        keyboardInUse = true;
    else if (cause == juce::Component::focusChangedByMouseClick)
        keyboardInUse = false;

    moveTo (keyboardInUse ? &control : nullptr);
}

void focusLost (juce::Component& control)
{
    if (marked.getComponent() == &control)
        moveTo (nullptr);
}

void keyUsed()
{
    keyboardInUse = true;
}

void pointerUsed()
{
    keyboardInUse = false;
    moveTo (nullptr);
}

juce::Component* current()
{
    return marked.getComponent();
}

juce::Rectangle<float> ringFor (juce::Rectangle<float> controlBounds, float unit)
{
    // From one unit to one and a half inside the edge: clear of a selected tile's gold outline,
    // which reaches a quarter unit inside it, and of the icons, which start two units inside.
    return controlBounds.reduced (1.25f * unit);
}

void paint (juce::Graphics& g, juce::Rectangle<float> controlBounds, float unit)
{
    g.setColour (Palette::brightF5F5F5);
    g.drawRoundedRectangle (ringFor (controlBounds, unit), 0.5f * unit, 0.5f * unit);
}
} // namespace FocusMark
