#include "VBlankStandIn.h"

namespace
{
// The pace of a common display; JUCE's own vertical-blank thread wakes as often.
constexpr int flushesPerSecond = 60;

#if JUCE_MAJOR_VERSION >= 8
// JUCE 8's Direct2D renderer paints only on a vertical blank and has nothing to flush, so a
// window that has gone this long without one is handed to the software renderer, whose
// repaints can be flushed. Real displays report their first vertical blank well before that.
constexpr int ticksBeforeSoftwareRenderer = flushesPerSecond / 4;

void useFlushableRenderer (juce::ComponentPeer& peer)
{
    const auto software = peer.getAvailableRenderingEngines().indexOf ("Software Renderer");

    if (software >= 0 && peer.getCurrentRenderingEngine() != software)
        peer.setCurrentRenderingEngine (software);
}
#endif
} // namespace

VBlankStandIn::VBlankStandIn (juce::Component& w, bool repaintsWaitForVBlank)
    : window (w)
{
    if (! repaintsWaitForVBlank)
        return;

    vblankWatch = std::make_unique<juce::VBlankAttachment> (&window, [this]
                                                            { seenVBlank = true; });
    startTimerHz (flushesPerSecond);
}

VBlankStandIn::~VBlankStandIn()
{
    stopTimer();
}

void VBlankStandIn::timerCallback()
{
    if (seenVBlank)
    {
        // The window flushes its own repaints from now on. The attachment goes here rather than
        // in its own callback, which must not delete it.
        stopTimer();
        vblankWatch = nullptr;
        return;
    }

    auto* peer = window.getPeer();

    if (peer == nullptr)
        return;

    ++ticksWithoutVBlank;

#if JUCE_MAJOR_VERSION >= 8
    if (ticksWithoutVBlank == ticksBeforeSoftwareRenderer)
        useFlushableRenderer (*peer);
#endif

    peer->performAnyPendingRepaintsNow();
}
