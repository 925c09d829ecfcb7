#include "MainComponent.h"
#include "PixelChecks.h"
#include "ScopedTestDisplay.h"
#include "TestSupport.h"
#include "TextReference.h"
#include "panel_eula.h"
#include "panel_success.h"
#include "panel_support.h"

#include <gtest/gtest.h>

#include <cmath>

using PixelChecks::count;
using PixelChecks::nearTo;
using TestSupport::click;
using TestSupport::screenColour;

namespace
{
const auto checkGreen = screenColour ("successIcon"), warningOrange = screenColour ("warningIcon");
const auto noticeBox = TestSupport::screenBox (TestSupport::screen()["areas"]["notice"]);

// Long enough for a few animator ticks, short enough not to keep the suite waiting.
constexpr int quickFade = 300;

// What the user sees; one test times it, the others run on the quick fade.
constexpr double shippedFade = 3000.0;

/** The fade's snapshots: the main component's children that are none of its own. */
juce::Array<juce::Component*> proxiesIn (MainComponent& main)
{
    juce::Array<juce::Component*> found;

    for (auto* child : main.getChildren())
        if (dynamic_cast<juce::Button*> (child) == nullptr && dynamic_cast<juce::Label*> (child) == nullptr
            && dynamic_cast<panel_success*> (child) == nullptr && dynamic_cast<panel_eula*> (child) == nullptr
            && dynamic_cast<panel_support*> (child) == nullptr)
            found.add (child);

    return found;
}

/** Starts a run at once, without waiting for an asynchronous click, so its moment is known. */
double runNow (MainComponent& main)
{
    const auto start = juce::Time::getMillisecondCounterHiRes();
    main.buttonClicked (dynamic_cast<juce::Button*> (TestSupport::findChild (main, "INSTALL")));
    return start;
}

/** A span of the animator's clock (juce::Time::getMillisecondCounter), in milliseconds: when
    something happened, known to lie between the two readings taken around it. */
struct Span
{
    double from = 0.0, to = 0.0;

    template <typename Action>
    static Span around (Action&& action)
    {
        Span span;
        span.from = (double) juce::Time::getMillisecondCounter();
        action();
        span.to = (double) juce::Time::getMillisecondCounter();
        return span;
    }
};

/** The elapsed share of the fade that an opacity stands for on the ease-in-out curve. */
double fadeTimeForAlpha (double alpha)
{
    return alpha > 0.5 ? std::sqrt ((1.0 - alpha) / 2.0) : 1.0 - std::sqrt (alpha / 2.0);
}

/** Pumps the message loop until the component is gone; returns when that happened. */
double pumpUntilDeleted (const juce::Component::SafePointer<juce::Component>& component)
{
    EXPECT_TRUE (TestSupport::pumpUntil ([&component]
                                         { return component == nullptr; }));
    return juce::Time::getMillisecondCounterHiRes();
}

/** What the fade's one snapshot shows: the verdict's icon in its colour, and not the other. */
void expectSnapshotShows (MainComponent& main, bool success)
{
    const auto proxies = proxiesIn (main);
    ASSERT_EQ (proxies.size(), 1);
    const auto picture = TestSupport::paintToImage (*proxies[0]);
    EXPECT_GT (count (picture, { 258, 258, 84, 84 }, nearTo (success ? checkGreen : warningOrange, 8)), 1000);
    EXPECT_EQ (count (picture, picture.getBounds(), nearTo (success ? warningOrange : checkGreen, 8)), 0);
}

juce::Image paintNotice (bool success, int size)
{
    panel_success notice;
    notice.unit = (float) size * 0.01f;
    notice.success = success;
    notice.setBounds (0, 0, size, size);
    return TestSupport::paintToImage (notice);
}
} // namespace

TEST (ResultPanel, PaintsABoxInsetByThirtyFiveUnitsWithTheVerdictsIconAndText)
{
    TestSupport::ScopedMachine machine;
    MainComponent main; // for the program's look and feel

    // At the first size the outline is the map's box.
    const auto outline = PixelChecks::inkBounds (paintNotice (false, 600), { 0, 0, 600, 600 }, [] (juce::Colour c)
                                                 { return c.getAlpha() > 0; });
    EXPECT_TRUE (PixelChecks::within (outline, noticeBox, 1)) << outline.toString();
    EXPECT_TRUE (PixelChecks::within (noticeBox, outline, 0)) << outline.toString();

    for (const int size : { 600, 1000 })
    {
        SCOPED_TRACE (size);
        const auto u = size / 100;
        const auto near = 35 * u, far = size - 35 * u, mid = size / 2;
        const auto iconArea = juce::Rectangle<int> (near, near, far - near, far - near).reduced (8 * u);
        const auto textArea = juce::Rectangle<int> (near, near, far - near, far - near).reduced (2 * u);
        const auto belowIcon = textArea.withTop (iconArea.getBottom());

        for (const bool success : { true, false })
        {
            SCOPED_TRACE (success);
            const auto image = paintNotice (success, size);

            for (const auto& [x, y] : { std::pair (near - u, mid), { mid, far + u }, { 2, 2 } })
                EXPECT_EQ (image.getPixelAt (x, y).getAlpha(), 0) << "nothing outside the box, at " << x << "," << y;

            for (const auto& [x, y] : { std::pair (near, mid), { far, mid }, { mid, near }, { mid, far } })
                EXPECT_GE (image.getPixelAt (x, y).getRed(), 0xb0) << "outline at " << x << "," << y;

            EXPECT_TRUE (PixelChecks::pixelIs (image, near + u, mid, juce::Colours::black)) << "black inside";
            EXPECT_TRUE (PixelChecks::pixelIs (image, far - u, near + u, juce::Colours::black));

            // The icon, scaled to fill its area; the other verdict's colour nowhere.
            const auto icon = PixelChecks::inkBounds (image, image.getBounds(), nearTo (success ? checkGreen : warningOrange, 8));
            EXPECT_TRUE (PixelChecks::within (icon, iconArea, 1)) << icon.toString();
            EXPECT_GE (icon.getWidth(), iconArea.getWidth() * 9 / 10);
            EXPECT_NEAR (icon.getCentreX(), iconArea.getCentreX(), 2);
            EXPECT_NEAR (icon.getCentreY(), iconArea.getCentreY(), 2);
            EXPECT_EQ (count (image, image.getBounds(), nearTo (success ? warningOrange : checkGreen, 8)), 0);

            // One white line, centred, resting on the text area's bottom edge, on the black box.
            EXPECT_TRUE (TextReference::matches (image, belowIcon, juce::Colours::black, { TextReference::boxed (success ? "Operation Successful!" : "Operation failed!", 3.0f * (float) u, juce::Colours::white, textArea.toFloat(), juce::Justification::centredBottom) }));
        }
    }
}

TEST (ResultPanel, ARunWithNothingTickedEndsWithAFailureNoticeFadingThroughAClickThroughSnapshot)
{
    ScopedTestDisplay display;
    TestSupport::ScopedMachine machine;
    MainComponent main;
    // The fade starts within the run, on the animator's clock.
    const auto run = Span::around ([&main]
                                   { runNow (main); });

    auto* notice = main.getResultPanel();
    ASSERT_NE (notice, nullptr);
    EXPECT_FALSE (notice->success);
    EXPECT_FLOAT_EQ (notice->unit, 6.0f);
    EXPECT_EQ (notice->getParentComponent(), &main);
    EXPECT_EQ (notice->getBounds(), main.getLocalBounds());
    EXPECT_TRUE (notice->isAlwaysOnTop());
    EXPECT_FALSE (notice->isVisible()) << "the snapshot carries the picture from the start";

    const auto proxies = proxiesIn (main);
    ASSERT_EQ (proxies.size(), 1);
    juce::Component::SafePointer<juce::Component> proxy (proxies[0]);
    EXPECT_EQ (proxy->getBounds(), main.getLocalBounds());
    EXPECT_EQ (main.getIndexOfChildComponent (proxy), main.getIndexOfChildComponent (notice) - 1) << "just behind the panel";

    expectSnapshotShows (main, false);

    // Clicks pass through the snapshot (hit tests only look into a visible component) to the tiles and buttons beneath.
    main.setVisible (true);
    EXPECT_EQ (main.getComponentAt (150, 210), TestSupport::findChild (main, "VST3"));
    EXPECT_EQ (main.getComponentAt (250, 280), TestSupport::findChild (main, "AAX"));
    EXPECT_EQ (main.getComponentAt (546, 471), TestSupport::findChild (main, "INSTALL"));
    EXPECT_EQ (main.getComponentAt (300, 300), &main);

    // The opacity eases in and out. The animator sets it from its own clock on the ticks of this
    // message loop, so each reading stands for a moment of the fade no later than the end of the
    // pumping that showed it, and, when it changed meanwhile, no earlier than its start. A busy
    // machine only delays the ticks, which leaves both true.
    auto lastAlpha = (double) proxy->getAlpha();

    while (proxy != nullptr)
    {
        const auto pumped = Span::around ([]
                                          { TestSupport::pumpMessages (40); });

        if (proxy == nullptr)
        {
            EXPECT_GE (pumped.to - run.from, shippedFade) << "gone before its time";
            break;
        }

        ASSERT_LT (pumped.from - run.to, 4.0 * shippedFade) << "still fading";
        // A component keeps its opacity in 256 steps, so a reading stands for a short span.
        const auto alpha = (double) proxy->getAlpha();
        const auto earliest = fadeTimeForAlpha (juce::jmin (1.0, alpha + 1.0 / 255.0)) * shippedFade;
        const auto latest = fadeTimeForAlpha (juce::jmax (0.0, alpha - 1.0 / 255.0)) * shippedFade;
        EXPECT_LE (alpha, lastAlpha);
        // A linear fade runs ahead of the curve in its first half (0.75 against 0.875 at a quarter).
        EXPECT_LE (earliest, pumped.to - run.from + 1.0) << "alpha " << alpha << " by " << pumped.to - run.from << " ms";

        if (alpha < lastAlpha)
        {
            EXPECT_GE (latest, pumped.from - run.to - 1.0) << "alpha " << alpha << " after " << pumped.from - run.to << " ms";
        }

        lastAlpha = alpha;
    }

    EXPECT_EQ (main.getResultPanel(), notice) << "the panel stays in its slot";
    EXPECT_FALSE (notice->isVisible());
    EXPECT_EQ (notice->getAlpha(), 0.0f);
    EXPECT_TRUE (proxiesIn (main).isEmpty());
}

TEST (ResultPanel, ASuccessfulRunShowsTheCheckMark)
{
    ScopedTestDisplay display;
    MainComponent::ScopedResultFade fade (quickFade);
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "CLAP");
    runNow (main);

    ASSERT_NE (main.getResultPanel(), nullptr);
    EXPECT_TRUE (main.getResultPanel()->success);
    EXPECT_FALSE (main.isSelected (1));
    expectSnapshotShows (main, true);
}

TEST (ResultPanel, AFailedFirstFormatStillLetsTheSecondInstallAndTheRunFails)
{
    ScopedTestDisplay display;
    MainComponent::ScopedResultFade fade (quickFade);
    TestSupport::ScopedMachine machine;

    // A plain file where the VST3 folder should be: nothing can be unpacked into it.
    const auto vst3Folder = machine.installFolder (0);
    vst3Folder.deleteRecursively();
    vst3Folder.replaceWithText ("not a folder");

    MainComponent main;
    click (main, "VST3");
    click (main, "CLAP");
    runNow (main);

    EXPECT_EQ (vst3Folder.loadFileAsString(), "not a folder");
    EXPECT_TRUE (machine.item (1).existsAsFile()) << "the second format is still installed";
    EXPECT_FALSE (main.isSelected (0));
    EXPECT_FALSE (main.isSelected (1));
    ASSERT_NE (main.getResultPanel(), nullptr);
    EXPECT_FALSE (main.getResultPanel()->success);
    expectSnapshotShows (main, false);
}

TEST (ResultPanel, ASecondRunDuringTheFadeReplacesThePanelWhileTheOldSnapshotFadesOn)
{
    ScopedTestDisplay display;
    MainComponent::ScopedResultFade fade (quickFade);
    TestSupport::ScopedMachine machine;
    MainComponent main;
    const auto firstStart = runNow (main);
    juce::Component::SafePointer<juce::Component> firstPanel (main.getResultPanel());
    juce::Component::SafePointer<juce::Component> firstProxy (proxiesIn (main).getFirst());
    ASSERT_NE (firstProxy, nullptr);

    // The second run comes once the first fade is well under way.
    ASSERT_TRUE (TestSupport::pumpUntil ([&firstProxy]
                                         { return firstProxy == nullptr || firstProxy->getAlpha() < 0.8f; }));
    ASSERT_NE (firstProxy, nullptr);
    const auto alphaBefore = firstProxy->getAlpha();

    // A run that takes a while blocks the message thread, and no animator ticks meanwhile.
    juce::Thread::sleep (quickFade / 2);
    const auto secondStart = runNow (main);
    EXPECT_EQ (firstPanel, nullptr) << "the new panel took the slot and the old one went";
    ASSERT_NE (main.getResultPanel(), nullptr);

    const auto proxies = proxiesIn (main);
    ASSERT_EQ (proxies.size(), 2);
    juce::Component::SafePointer<juce::Component> secondProxy (proxies[0] == firstProxy.getComponent() ? proxies[1] : proxies[0]);
    EXPECT_LT (main.getIndexOfChildComponent (firstProxy), main.getIndexOfChildComponent (secondProxy)) << "the old one fades beneath";
    EXPECT_EQ (main.getIndexOfChildComponent (secondProxy), main.getIndexOfChildComponent (main.getResultPanel()) - 1);
    EXPECT_LE (firstProxy->getAlpha(), alphaBefore) << "the old fade did not start over";
    EXPECT_LT (firstProxy->getAlpha(), secondProxy->getAlpha());

    // Each snapshot keeps its own fade: the old one ends first, neither before its time. The
    // new one counts from its own start, not from the old fade's last tick before the run.
    const auto firstGone = pumpUntilDeleted (firstProxy);
    ASSERT_NE (secondProxy, nullptr);
    EXPECT_GE (firstGone - firstStart, quickFade);
    const auto secondGone = pumpUntilDeleted (secondProxy);
    EXPECT_GE (secondGone - secondStart, quickFade) << "the new notice began its fade part-way through";
    EXPECT_FALSE (main.getResultPanel()->isVisible());
    EXPECT_EQ (main.getResultPanel()->getAlpha(), 0.0f);
}

TEST (ResultPanel, ClosingTheMainScreenDuringAFadeIsSafe)
{
    ScopedTestDisplay display;
    MainComponent::ScopedResultFade fade (quickFade);
    TestSupport::ScopedMachine machine;
    juce::Component::SafePointer<juce::Component> proxy;

    {
        MainComponent main;
        runNow (main);
        proxy = proxiesIn (main).getFirst();
        ASSERT_TRUE (TestSupport::pumpUntil ([&proxy]
                                             { return proxy == nullptr || proxy->getAlpha() < 0.9f; }));
    }

    // The snapshot went with the screen.
    EXPECT_EQ (proxy, nullptr);
}
