#include "panel_success.h"

#include "Palette.h"
#include "Widgets.h"

#include <BinaryData.h>

panel_success::panel_success()
    : successIcon (juce::Drawable::createFromImageData (BinaryData::icon_success_svg, (size_t) BinaryData::icon_success_svgSize)),
      warningIcon (juce::Drawable::createFromImageData (BinaryData::icon_warning_svg, (size_t) BinaryData::icon_warning_svgSize))
{
}

panel_success::~panel_success()
{
    warningIcon = nullptr;
    successIcon = nullptr;
}

void panel_success::resized() {}

juce::String panel_success::textFor (bool verdict)
{
    return verdict ? "Operation Successful!" : "Operation failed!";
}

void panel_success::paint (juce::Graphics& g)
{
    const auto u = unit;
    const juce::Rectangle<float> box (35.0f * u,
                                      35.0f * u,
                                      juce::jmax (0.0f, (float) getWidth() - 70.0f * u),
                                      juce::jmax (0.0f, (float) getHeight() - 70.0f * u));

    // A fresh context paints in opaque black; said explicitly because the fade's snapshot
    // paints this component into a context of its own.
    g.setColour (juce::Colours::black);
    g.fillRoundedRectangle (box, u);

    g.setColour (Palette::brightF5F5F5);
    g.drawRoundedRectangle (box, u, 0.25f * u);

    g.setColour (juce::Colours::white);
    g.setFont (3.0f * u);

    if (auto* icon = success ? successIcon.get() : warningIcon.get())
        Widgets::drawIcon (g, *icon, box.reduced (8.0f * u));

    g.drawText (textFor (success), box.reduced (2.0f * u), juce::Justification::centredBottom, true);
}
