#include "MainComponent.h"
#include "TestSupport.h"
#include "panel_eula.h"
#include "panel_support.h"

#include <gtest/gtest.h>

#include <map>

using TestSupport::click;
using TestSupport::findChild;

namespace
{
struct LayoutCase
{
    int size;
    float unit;
    std::map<juce::String, juce::Rectangle<int>> bounds;
};

// Worked out by hand in single precision. 500 puts many values on exact halves (77.5, 192.5,
// 367.5, 112.5), which go to the even neighbour; 613 is an odd size whose unit is not exact.
const LayoutCase layoutCases[] = {
    { 600, 6.0f, { { "EULA", { 24, 441, 60, 60 } }, { "MANUAL", { 93, 441, 60, 60 } }, { "WEBSITE", { 162, 441, 60, 60 } }, { "SUPPORT", { 231, 441, 60, 60 } }, { "INSTALL", { 516, 441, 60, 60 } }, { "SELECT_ALL", { 480, 135, 96, 24 } }, { "VST3", { 24, 180, 270, 60 } }, { "CLAP", { 306, 180, 270, 60 } }, { "AAX", { 24, 252, 270, 60 } }, { "help", { 24, 540, 552, 18 } } } },
    { 400, 4.0f, { { "EULA", { 16, 294, 40, 40 } }, { "MANUAL", { 62, 294, 40, 40 } }, { "WEBSITE", { 108, 294, 40, 40 } }, { "SUPPORT", { 154, 294, 40, 40 } }, { "INSTALL", { 344, 294, 40, 40 } }, { "SELECT_ALL", { 320, 90, 64, 16 } }, { "VST3", { 16, 120, 180, 40 } }, { "CLAP", { 204, 120, 180, 40 } }, { "AAX", { 16, 168, 180, 40 } }, { "help", { 16, 360, 368, 12 } } } },
    { 500, 5.0f, { { "EULA", { 20, 368, 50, 50 } }, { "MANUAL", { 78, 368, 50, 50 } }, { "WEBSITE", { 135, 368, 50, 50 } }, { "SUPPORT", { 192, 368, 50, 50 } }, { "INSTALL", { 430, 368, 50, 50 } }, { "SELECT_ALL", { 400, 112, 80, 20 } }, { "VST3", { 20, 150, 225, 50 } }, { "CLAP", { 255, 150, 225, 50 } }, { "AAX", { 20, 210, 225, 50 } }, { "help", { 20, 450, 460, 15 } } } },
    { 613, 6.1299996f, { { "EULA", { 25, 451, 61, 61 } }, { "MANUAL", { 95, 451, 61, 61 } }, { "WEBSITE", { 166, 451, 61, 61 } }, { "SUPPORT", { 236, 451, 61, 61 } }, { "INSTALL", { 527, 451, 61, 61 } }, { "SELECT_ALL", { 490, 138, 98, 25 } }, { "VST3", { 25, 184, 276, 61 } }, { "CLAP", { 313, 184, 276, 61 } }, { "AAX", { 25, 257, 276, 61 } }, { "help", { 25, 552, 564, 18 } } } },
};
} // namespace

TEST (MainScreenLayout, EveryChildLandsOnItsPixelsAtEachSize)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    for (const auto& layout : layoutCases)
    {
        SCOPED_TRACE (layout.size);
        main.setSize (layout.size, layout.size);
        EXPECT_EQ (main.getUnit(), layout.unit);

        for (const auto& [name, expected] : layout.bounds)
        {
            auto* child = name == "help" ? &main.getHelpLabel() : findChild (main, name);
            ASSERT_NE (child, nullptr) << name;
            EXPECT_EQ (child->getBounds(), expected) << name;
        }

        const auto font = main.getHelpLabel().getFont();
        EXPECT_FLOAT_EQ (font.getHeight(), 3.0f * layout.unit);
        EXPECT_EQ (font.getTypefacePtr()->getName(), "Source Sans Pro");
    }
}

TEST (MainScreenLayout, TheUnitFollowsTheWidthAlone)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    // The window keeps the screen square; should it ever not be, the width still rules.
    main.setSize (400, 700);
    EXPECT_EQ (main.getUnit(), 4.0f);
    EXPECT_EQ (findChild (main, "INSTALL")->getBounds(), juce::Rectangle<int> (344, 294, 40, 40));
}

TEST (MainScreenLayout, PanelsKeepCoveringTheScreenOnResizeEvenOnceClosed)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    click (main, "EULA");
    click (main, "SUPPORT");
    auto* eula = main.getEulaPanel();
    auto* support = main.getSupportPanel();
    ASSERT_NE (eula, nullptr);
    ASSERT_NE (support, nullptr);

    main.setSize (400, 400);
    EXPECT_EQ (eula->getBounds(), juce::Rectangle<int> (0, 0, 400, 400));
    EXPECT_EQ (support->getBounds(), juce::Rectangle<int> (0, 0, 400, 400));
    EXPECT_FLOAT_EQ (eula->unit, 4.0f);
    EXPECT_FLOAT_EQ (support->unit, 4.0f);
    EXPECT_TRUE (eula->isAlwaysOnTop());
    EXPECT_TRUE (support->isAlwaysOnTop());

    // The user closes the licence; the panel object stays in its slot and keeps up.
    click (*eula, "X");
    ASSERT_EQ (eula->getParentComponent(), nullptr);
    main.setSize (613, 613);
    EXPECT_EQ (eula->getBounds(), juce::Rectangle<int> (0, 0, 613, 613));
    EXPECT_EQ (eula->unit, main.getUnit());
    EXPECT_EQ (support->getBounds(), juce::Rectangle<int> (0, 0, 613, 613));
}
