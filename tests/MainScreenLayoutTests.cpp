#include "MainComponent.h"
#include "TestSupport.h"
#include "panel_eula.h"
#include "panel_support.h"

#include <gtest/gtest.h>

#include <map>

using TestSupport::click;
using TestSupport::findChild;
using TestSupport::screenBox;

namespace
{
using Bounds = std::map<juce::String, juce::Rectangle<int>>;

// At the first size, what the screen map says.
Bounds mappedBounds (const std::initializer_list<std::pair<const char*, juce::var>> names)
{
    Bounds bounds;

    for (const auto& [name, box] : names)
        bounds[name] = screenBox (box);

    return bounds;
}

Bounds mainScreenAtFirstSize()
{
    Bounds bounds { { "help", screenBox (TestSupport::screen()["areas"]["helpLabel"]) } };

    for (const auto& button : TestSupport::screen()["buttons"].getDynamicObject()->getProperties())
        bounds[button.name.toString()] = screenBox (button.value["box"]);

    return bounds;
}
} // namespace

TEST (MainScreenLayout, EveryChildLandsOnItsPixelsAtEachSize)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    // Worked out by hand in single precision. 500 puts many values on exact halves (77.5, 192.5,
    // 367.5, 112.5), which go to the even neighbour; 613 is an odd size whose unit is not exact.
    const std::tuple<int, float, Bounds> layouts[] = {
        { 600, 6.0f, mainScreenAtFirstSize() },
        { 400, 4.0f, { { "EULA", { 16, 294, 40, 40 } }, { "MANUAL", { 62, 294, 40, 40 } }, { "WEBSITE", { 108, 294, 40, 40 } }, { "SUPPORT", { 154, 294, 40, 40 } }, { "INSTALL", { 344, 294, 40, 40 } }, { "SELECT_ALL", { 320, 90, 64, 16 } }, { "VST3", { 16, 120, 180, 40 } }, { "CLAP", { 204, 120, 180, 40 } }, { "AAX", { 16, 168, 180, 40 } }, { "help", { 16, 360, 368, 12 } } } },
        { 500, 5.0f, { { "EULA", { 20, 368, 50, 50 } }, { "MANUAL", { 78, 368, 50, 50 } }, { "WEBSITE", { 135, 368, 50, 50 } }, { "SUPPORT", { 192, 368, 50, 50 } }, { "INSTALL", { 430, 368, 50, 50 } }, { "SELECT_ALL", { 400, 112, 80, 20 } }, { "VST3", { 20, 150, 225, 50 } }, { "CLAP", { 255, 150, 225, 50 } }, { "AAX", { 20, 210, 225, 50 } }, { "help", { 20, 450, 460, 15 } } } },
        { 613, 6.1299996f, { { "EULA", { 25, 451, 61, 61 } }, { "MANUAL", { 95, 451, 61, 61 } }, { "WEBSITE", { 166, 451, 61, 61 } }, { "SUPPORT", { 236, 451, 61, 61 } }, { "INSTALL", { 527, 451, 61, 61 } }, { "SELECT_ALL", { 490, 138, 98, 25 } }, { "VST3", { 25, 184, 276, 61 } }, { "CLAP", { 313, 184, 276, 61 } }, { "AAX", { 25, 257, 276, 61 } }, { "help", { 25, 552, 564, 18 } } } },
    };

    for (const auto& [size, unit, bounds] : layouts)
    {
        SCOPED_TRACE (size);
        main.setSize (size, size);
        EXPECT_EQ (main.getUnit(), unit);

        for (const auto& [name, expected] : bounds)
        {
            auto* child = name == "help" ? &main.getHelpLabel() : findChild (main, name);
            ASSERT_NE (child, nullptr) << name;
            EXPECT_EQ (child->getBounds(), expected) << name;
        }

        const auto font = main.getHelpLabel().getFont();
        EXPECT_FLOAT_EQ (font.getHeight(), 3.0f * unit);
        EXPECT_EQ (font.getTypefacePtr()->getName(), "Source Sans Pro");
    }

    // The window keeps the screen square; should it ever not be, the width still rules.
    main.setSize (400, 700);
    EXPECT_EQ (main.getUnit(), 4.0f);
    EXPECT_EQ (findChild (main, "INSTALL")->getBounds(), std::get<2> (layouts[1]).at ("INSTALL"));
}

TEST (MainScreenLayout, BothPanelsPlaceTheirChildrenInUnitsAtEachSize)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    click (main, "EULA");
    click (main, "SUPPORT");
    auto& eula = *main.getEulaPanel();
    auto& support = *main.getSupportPanel();
    const auto& areas = TestSupport::screen()["areas"];

    // Halves round to the even neighbour: at 700 the close target's 1.5 units are 10.5.
    const std::pair<int, Bounds> layouts[] = {
        { 600, mappedBounds ({ { "X", areas["closeTarget"] }, { "text", areas["licenceText"] }, { "DISCORD", areas["discordBox"] }, { "MAIL", areas["mailBox"] } }) },
        { 1000, { { "X", { 880, 15, 80, 80 } }, { "text", { 40, 120, 920, 800 } }, { "DISCORD", { 100, 150, 100, 100 } }, { "MAIL", { 100, 350, 100, 100 } } } },
        { 700, { { "X", { 616, 10, 56, 56 } }, { "text", { 28, 84, 644, 560 } }, { "DISCORD", { 70, 105, 70, 70 } }, { "MAIL", { 70, 245, 70, 70 } } } },
    };

    for (const auto& [size, bounds] : layouts)
    {
        SCOPED_TRACE (size);
        main.setSize (size, size);
        EXPECT_EQ (eula.getTextEditor().getBounds(), bounds.at ("text"));
        EXPECT_EQ (eula.getCloseButton().getBounds(), bounds.at ("X"));

        for (const auto* name : { "X", "DISCORD", "MAIL" })
            EXPECT_EQ (findChild (support, name)->getBounds(), bounds.at (name)) << name;

        EXPECT_FLOAT_EQ (eula.getTextEditor().getFont().getHeight(), 14.0f) << "the licence text does not scale";
    }

    // Their targets catch the mouse and leave the painting to the panel.
    EXPECT_EQ (eula.getCloseButton().getAlpha(), 0.0f);

    for (auto* child : support.getChildren())
        EXPECT_EQ (child->getAlpha(), 0.0f) << child->getName();
}
