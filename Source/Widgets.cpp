#include "Widgets.h"

#include "FocusMark.h"
#include "Palette.h"

#include <cmath>

namespace Widgets
{
std::unique_ptr<ClickTarget> makeClickTarget (juce::Component& owner, juce::Button::Listener& listener, const juce::String& name, const juce::String& title)
{
    auto button = std::make_unique<ClickTarget> (name, listener);
    owner.addAndMakeVisible (*button);
    button->setTitle (title);
    return button;
}

std::unique_ptr<ScreenText> makeScreenText (juce::Component& owner, const juce::String& text)
{
    auto label = std::make_unique<ScreenText> (text);
    owner.addAndMakeVisible (*label);
    return label;
}

std::unique_ptr<juce::Drawable> loadIcon (const char* svgData, int numBytes)
{
    auto icon = juce::Drawable::createFromImageData (svgData, (size_t) numBytes);

    // The artwork is drawn in pure black; on screen it sits on lighter faces in our own ink.
    if (icon != nullptr)
        icon->replaceColour (juce::Colours::black, Palette::ink171717);

    return icon;
}

void drawIcon (juce::Graphics& g, const juce::Drawable& icon, juce::Rectangle<float> area)
{
    // drawWithin fits the bounds of the icon's shapes into the area, so every pixel they touch
    // lies in the area's pixels; the extra pixel on each side only absorbs rounding.
    const juce::Graphics::ScopedSaveState state (g);

    if (g.reduceClipRegion (area.expanded (1.0f).getSmallestIntegerContainer()))
        icon.drawWithin (g, area, juce::RectanglePlacement::centred, 1.0f);
}

// Each number is rounded on its own, halves to the even neighbour (the default floating-point
// rounding mode), so every size lands on the same pixels.
juce::Rectangle<int> roundedBounds (float x, float y, float width, float height)
{
    const auto round = [] (float v)
    { return (int) std::nearbyint (v); };
    return { round (x), round (y), round (width), round (height) };
}

bool isPointerOver (const juce::Component& component)
{
    for (const auto& source : juce::Desktop::getInstance().getMouseSources())
        if (source.getComponentUnderMouse() == &component && (source.isDragging() || ! (source.isTouch() || source.isPen())))
            return true;

    return false;
}

juce::Colour faceColour (const juce::Button& button)
{
    if (button.isMouseButtonDown())
        return Palette::green86cf7a;

    return Palette::greyAAA6A6.withAlpha ((juce::uint8) (isPointerOver (button) ? 191 : 128));
}

void paintCloseControl (juce::Graphics& g, const juce::Button& closeButton, float unit)
{
    const auto box = closeButton.getBounds().toFloat().reduced (2.0f * unit);

    g.setColour (isPointerOver (closeButton) ? Palette::greyAAA6A6 : Palette::greyAAA6A6.withAlpha ((juce::uint8) 128));
    g.drawEllipse (box, 0.25f * unit);
    g.setFont (3.0f * unit);
    g.drawText ("X", box, juce::Justification::centred, true);
}
bool closeOnEscape (const juce::KeyPress& key, juce::Button& closeButton, juce::Button::Listener& panel)
{
    if (! key.isKeyCode (juce::KeyPress::escapeKey))
        return false;

    FocusMark::keyUsed();
    panel.buttonClicked (&closeButton);
    return true;
}
} // namespace Widgets
