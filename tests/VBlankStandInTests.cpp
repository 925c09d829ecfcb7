#include "TestSupport.h"
#include "VBlankStandIn.h"

#include <gtest/gtest.h>

namespace
{
struct CountingWindow : public juce::Component
{
    CountingWindow()
    {
        setOpaque (true);
        setBounds (100, 100, 200, 200);
        addToDesktop (juce::ComponentPeer::windowHasTitleBar);
        setVisible (true);
    }

    ~CountingWindow() override { removeFromDesktop(); }

    void paint (juce::Graphics& g) override
    {
        g.fillAll (juce::Colours::black);
        ++paints;
    }

    int paints = 0;
};

int paintsWhileWaiting (CountingWindow& window, int milliseconds)
{
    const auto before = window.paints;
    TestSupport::pumpMessages (milliseconds);
    return window.paints - before;
}
} // namespace

// Wine never reports a vertical blank, so on its screens a repaint reached the window only through
// the stand-in; where vertical blanks arrive, the first of them has to have ended the stand-in.
TEST (VBlankStandIn, RepaintsReachAWindowAndTheStandInLastsOnlyUntilAVerticalBlank)
{
    if (! VBlankStandIn::platformWaitsForVBlank)
        GTEST_SKIP() << "windows here repaint without waiting for a vertical blank";

    // JUCE's Windows window needs a display adapter; Wine's display-less driver has none.
    if (juce::Desktop::getInstance().getDisplays().displays.isEmpty())
        GTEST_SKIP() << "no display to open a window on";

    CountingWindow window;
    VBlankStandIn standIn (window);
    ASSERT_TRUE (TestSupport::pumpUntil ([&window]
                                         { return window.paints > 0; }))
        << "the first paint never reached the window";

    for (int i = 0; i < 3; ++i)
    {
        const auto before = window.paints;
        window.repaint();
        EXPECT_TRUE (TestSupport::pumpUntil ([&window, before]
                                             { return window.paints > before; }))
            << "repaint " << i << " never reached the window";
    }

    EXPECT_NE (standIn.isStandingIn(), standIn.hasSeenVBlank());
    EXPECT_EQ (paintsWhileWaiting (window, 200), 0) << "the window paints without being asked";
}

TEST (VBlankStandIn, DoesNothingWhereRepaintsDoNotWaitForVerticalBlanks)
{
    juce::Component window;
    VBlankStandIn standIn (window, false);

    EXPECT_FALSE (standIn.isStandingIn());
    TestSupport::pumpMessages (50);
    EXPECT_FALSE (standIn.isStandingIn());
}
