#include "AddressLauncher.h"
#include "CustomLookAndFeel.h"
#include "MainComponent.h"
#include "TestSupport.h"
#include "panel_eula.h"
#include "panel_support.h"

#include <gtest/gtest.h>

using TestSupport::click;
using TestSupport::findChild;

namespace
{
const juce::StringArray buttonNames { "EULA", "MANUAL", "WEBSITE", "SUPPORT", "VST3", "CLAP", "AAX", "INSTALL", "SELECT_ALL" };

/** The ticked formats by name, e.g. "VST3 AAX". */
juce::String ticks (const MainComponent& main)
{
    juce::StringArray names;

    for (int i = 0; i < 3; ++i)
        if (main.isSelected (i))
            names.add (TestSupport::screen()["formats"][i]["name"].toString());

    return names.joinIntoString (" ");
}
} // namespace

TEST (MainComponentConstruction, EndsSquareAtUnitSixWithNineTransparentNamedButtonsAndTheHelpLine)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    EXPECT_EQ (main.getWidth(), 600);
    EXPECT_EQ (main.getHeight(), 600);
    EXPECT_FLOAT_EQ (main.getUnit(), 6.0f);

    juce::StringArray names;

    for (auto* child : main.getChildren())
        if (auto* button = dynamic_cast<juce::TextButton*> (child))
        {
            names.add (button->getName());
            EXPECT_EQ (button->getAlpha(), 0.0f) << button->getName();
            EXPECT_TRUE (button->isVisible());
            EXPECT_TRUE (button->getButtonText().isEmpty());
        }

    EXPECT_EQ (names, buttonNames) << "children are added in this order";

    // The help line comes last, and starts with the program's version.
    auto& label = main.getHelpLabel();
    EXPECT_EQ (main.getChildren().getLast(), &label);
    EXPECT_EQ (label.getText(), TestSupport::screen()["version"].toString());
    EXPECT_EQ (label.getJustificationType(), juce::Justification::centred);
    EXPECT_EQ (label.findColour (juce::Label::textColourId), TestSupport::screenColour ("helpInk"));
}

TEST (MainComponentConstruction, MakesItsLookAndFeelTheDesktopDefault)
{
    {
        TestSupport::ScopedMachine machine;
        MainComponent main;
        EXPECT_NE (dynamic_cast<CustomLookAndFeel*> (&juce::LookAndFeel::getDefaultLookAndFeel()), nullptr);
    }

    // The default was the main component's own member: it goes with it, so nothing is left
    // pointing at a destroyed look and feel, and no second one was made and leaked.
    EXPECT_EQ (dynamic_cast<CustomLookAndFeel*> (&juce::LookAndFeel::getDefaultLookAndFeel()), nullptr);
}

TEST (MainComponentConstruction, TicksExactlyTheInstalledFormats)
{
    for (const auto& [installed, ticked] : { std::pair { std::vector<int>(), "" }, { { 1 }, "CLAP" }, { { 0, 2 }, "VST3 AAX" } })
    {
        TestSupport::ScopedMachine machine;

        for (const auto format : installed)
            machine.installItem (format);

        EXPECT_EQ (ticks (MainComponent()), ticked);
    }
}

TEST (MainComponentClicks, FormatButtonsToggleTheirOwnTickAndSelectAllTicksEverythingWithoutClearing)
{
    TestSupport::ScopedMachine machine;
    machine.installItem (1);
    MainComponent main;

    click (main, "VST3");
    EXPECT_EQ (ticks (main), "VST3 CLAP");
    click (main, "VST3");
    EXPECT_EQ (ticks (main), "CLAP") << "two clicks leave the tick as it was";
    click (main, "CLAP");
    click (main, "AAX");
    EXPECT_EQ (ticks (main), "AAX");

    click (main, "SELECT_ALL");
    EXPECT_EQ (ticks (main), "VST3 CLAP AAX");
    click (main, "SELECT_ALL");
    EXPECT_EQ (ticks (main), "VST3 CLAP AAX");
}

TEST (MainComponentClicks, UnknownNamesAreIgnored)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    const auto children = main.getNumChildComponents();
    juce::TextButton stranger ("vst3");
    stranger.addListener (&main);

    main.buttonClicked (&stranger);
    stranger.setName ("install");
    main.buttonClicked (&stranger);
    stranger.setName ({});
    main.buttonClicked (&stranger);

    EXPECT_EQ (ticks (main), "");
    EXPECT_EQ (main.getNumChildComponents(), children) << "nothing opened";
    stranger.removeListener (&main);
}

namespace
{
/** Opens, closes and reopens one of the two panels, each in its own slot of the main screen. */
template <typename Slot>
void opensOverTheScreenAndReopensAfresh (MainComponent& main, const char* name, Slot slot)
{
    SCOPED_TRACE (name);
    const auto childrenBefore = main.getNumChildComponents();

    // Whatever lies under a point of the main screen belongs to the panel (or is the panel).
    const auto coveredBy = [&main] (juce::Component& panel)
    {
        for (const auto& [x, y] : { std::pair { 54, 471 }, { 150, 210 }, { 546, 471 }, { 1, 1 }, { 599, 599 } })
            if (auto* hit = main.getComponentAt (x, y); hit != &panel && ! panel.isParentOf (hit))
                return false;

        return true;
    };

    click (main, name);
    juce::Component::SafePointer<std::remove_pointer_t<decltype ((main.*slot)())>> first ((main.*slot)());
    ASSERT_NE (first, nullptr);
    EXPECT_EQ (main.getChildren().getLast(), first.getComponent()) << "in front of everything";
    EXPECT_EQ (first->getBounds(), main.getLocalBounds());
    EXPECT_TRUE (first->isAlwaysOnTop());
    EXPECT_FLOAT_EQ (first->unit, 6.0f);
    EXPECT_TRUE (coveredBy (*first)) << "the panel takes every click over the screen";

    click (*first, "X");
    ASSERT_NE (first, nullptr) << "closing keeps the object";
    EXPECT_EQ (first->getParentComponent(), nullptr) << "but takes it off the screen";
    EXPECT_EQ ((main.*slot)(), first.getComponent()) << "and the slot keeps it";
    EXPECT_EQ (main.getNumChildComponents(), childrenBefore);
    EXPECT_EQ (main.getComponentAt (546, 471), findChild (main, "INSTALL")) << "the screen is reachable again";

    // A resize while closed keeps the object in step but does not bring it back.
    main.setSize (700, 700);
    EXPECT_FLOAT_EQ (first->unit, 7.0f);
    EXPECT_EQ (first->getBounds(), main.getLocalBounds());
    EXPECT_EQ (first->getParentComponent(), nullptr);
    main.setSize (600, 600);

    click (main, name);
    EXPECT_EQ (first, nullptr) << "the old panel is deleted when the new one takes the slot";
    EXPECT_EQ (main.getNumChildComponents(), childrenBefore + 1);

    // Even while one is open, a new opening replaces it rather than stacking a second.
    juce::Component::SafePointer<juce::Component> second ((main.*slot)());
    main.buttonClicked (dynamic_cast<juce::Button*> (findChild (main, name)));
    EXPECT_EQ (second, nullptr);
    EXPECT_EQ (main.getNumChildComponents(), childrenBefore + 1);
    click (*(main.*slot)(), "X");
}
} // namespace

TEST (MainComponentClicks, EulaAndSupportOpenOnePanelEachOverTheScreenInTheirOwnSlots)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    main.setVisible (true); // hit tests only look into visible components

    opensOverTheScreenAndReopensAfresh (main, "EULA", &MainComponent::getEulaPanel);
    opensOverTheScreenAndReopensAfresh (main, "SUPPORT", &MainComponent::getSupportPanel);

    // Both open at once, and both keep covering the screen as it resizes.
    click (main, "EULA");
    click (main, "SUPPORT");
    ASSERT_EQ (main.getEulaPanel()->getParentComponent(), &main);
    ASSERT_EQ (main.getSupportPanel()->getParentComponent(), &main);
    main.setSize (400, 400);

    for (juce::Component* panel : { (juce::Component*) main.getEulaPanel(), (juce::Component*) main.getSupportPanel() })
        EXPECT_EQ (panel->getBounds(), juce::Rectangle<int> (0, 0, 400, 400));

    EXPECT_FLOAT_EQ (main.getEulaPanel()->unit, 4.0f);
    EXPECT_FLOAT_EQ (main.getSupportPanel()->unit, 4.0f);
}

TEST (MainComponentClicks, LinksLaunchTheirExactAddressesAndChangeNothingElse)
{
    TestSupport::ScopedMachine machine;
    machine.installItem (1);
    AddressLauncher::ScopedRecorder launched;
    MainComponent main;
    const auto children = main.getNumChildComponents();

    click (main, "MANUAL");
    click (main, "WEBSITE");
    EXPECT_EQ (launched.getAddresses(), juce::StringArray ({ "https://docs.quillfen.com/manuals/Halcyra_Manual.pdf", "https://shop.quillfen.com/collections/plugin-instruments/products/halcyra-2" }));
    EXPECT_EQ (ticks (main), "CLAP") << "the installed format stays ticked";
    EXPECT_EQ (main.getNumChildComponents(), children) << "no panel opened";

    click (main, "SUPPORT");
    auto* support = main.getSupportPanel();
    ASSERT_NE (support, nullptr);
    click (*support, "DISCORD");
    click (*support, "MAIL");
    EXPECT_EQ (launched.getAddresses().size(), 4);
    EXPECT_EQ (launched.getAddresses()[2], "https://discord.gg/quillfen");
    EXPECT_EQ (launched.getAddresses()[3], "mailto:support@quillfen.com");
    EXPECT_EQ (main.getSupportPanel(), support);
    EXPECT_EQ (support->getParentComponent(), &main) << "the panel stays open";
    EXPECT_EQ (ticks (main), "CLAP");
}

TEST (MainComponentShutdown, RemovesALeftoverScriptFileButNeverAFolder)
{
    {
        TestSupport::ScopedMachine machine;
        const auto script = machine.folders.temporary.getChildFile ("script.sh");
        script.replaceWithText ("#!/bin/sh\n");

        {
            // Closing with both panels open takes them down with the screen.
            MainComponent main;
            click (main, "EULA");
            click (main, "SUPPORT");
            ASSERT_EQ (main.getSupportPanel()->getParentComponent(), &main);
            EXPECT_TRUE (script.existsAsFile()) << "only removed at shutdown";
        }

        EXPECT_FALSE (script.exists());
    }
    {
        TestSupport::ScopedMachine machine;
        const auto folder = machine.folders.temporary.getChildFile ("script.sh");
        folder.getChildFile ("keep.txt").create();

        {
            MainComponent main;
        }

        EXPECT_TRUE (folder.isDirectory());
        EXPECT_TRUE (folder.getChildFile ("keep.txt").existsAsFile());
    }
}
