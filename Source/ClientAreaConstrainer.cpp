#include "ClientAreaConstrainer.h"

ClientAreaConstrainer::ClientAreaConstrainer (juce::Component& w)
    : window (w)
{
}

void ClientAreaConstrainer::checkBounds (juce::Rectangle<int>& bounds,
                                         const juce::Rectangle<int>& previousBounds,
                                         const juce::Rectangle<int>& limits,
                                         bool isStretchingTop,
                                         bool isStretchingLeft,
                                         bool isStretchingBottom,
                                         bool isStretchingRight)
{
    juce::BorderSize<int> frame;

    // The window's peer passes bounds with the frame; the window itself passes its client area.
    if (auto* peer = window.getPeer())
        if (const auto size = peer->getFrameSizeIfPresent())
            if (previousBounds == (*size).addedTo (window.getBounds()))
                frame = *size;

    if (frame.isEmpty())
    {
        ComponentBoundsConstrainer::checkBounds (bounds, previousBounds, limits, isStretchingTop, isStretchingLeft, isStretchingBottom, isStretchingRight);
        return;
    }

    auto client = frame.subtractedFrom (bounds);
    ComponentBoundsConstrainer::checkBounds (client, frame.subtractedFrom (previousBounds), limits, isStretchingTop, isStretchingLeft, isStretchingBottom, isStretchingRight);
    bounds = frame.addedTo (client);
}
