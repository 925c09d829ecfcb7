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

void installItem (const TestSupport::ScopedMachine& machine, int format, bool asFolder)
{
    static const char* const items[] = { "Halcyra 2.vst3", "Halcyra 2.clap", "Halcyra 2.aaxplugin" };
    const auto item = machine.installFolder (format).getChildFile (items[format]);

    if (asFolder)
        item.createDirectory();
    else
        item.replaceWithText ("plug-in");
}
} // namespace

TEST (MainComponentConstruction, EndsSquareAtUnitSixWithNineTransparentNamedButtons)
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
}

TEST (MainComponentConstruction, HelpLineStartsWithTheProgramVersionInHalfGrey)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    auto& label = main.getHelpLabel();

    EXPECT_EQ (label.getText(), "1.0.5");
    EXPECT_EQ (label.getJustificationType(), juce::Justification::centred);
    EXPECT_EQ (label.findColour (juce::Label::textColourId).getARGB(), 0x80aaa6a6u);
    EXPECT_EQ (main.getChildren().getLast(), &label) << "the help line is added last";
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
    {
        TestSupport::ScopedMachine machine;
        MainComponent main;

        for (int i = 0; i < 3; ++i)
            EXPECT_FALSE (main.isSelected (i)) << i;
    }
    {
        TestSupport::ScopedMachine machine;
        installItem (machine, 1, false);
        MainComponent main;

        EXPECT_FALSE (main.isSelected (0));
        EXPECT_TRUE (main.isSelected (1));
        EXPECT_FALSE (main.isSelected (2));
    }
    {
        TestSupport::ScopedMachine machine;
        installItem (machine, 0, true);
        installItem (machine, 2, true);
        MainComponent main;

        EXPECT_TRUE (main.isSelected (0));
        EXPECT_FALSE (main.isSelected (1));
        EXPECT_TRUE (main.isSelected (2));
    }
}

TEST (MainComponentClicks, FormatButtonsToggleTheirOwnTickOnly)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    click (main, "VST3");
    EXPECT_TRUE (main.isSelected (0));
    EXPECT_FALSE (main.isSelected (1));
    EXPECT_FALSE (main.isSelected (2));

    click (main, "VST3");
    EXPECT_FALSE (main.isSelected (0)) << "two clicks leave the tick as it was";

    click (main, "AAX");
    EXPECT_TRUE (main.isSelected (2));
    EXPECT_FALSE (main.isSelected (0));
}

TEST (MainComponentClicks, SelectAllTicksEverythingAndNeverClears)
{
    TestSupport::ScopedMachine machine;
    installItem (machine, 1, false);
    MainComponent main;

    click (main, "CLAP"); // untick the installed one
    ASSERT_FALSE (main.isSelected (1));

    click (main, "SELECT_ALL");
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE (main.isSelected (i)) << i;

    click (main, "SELECT_ALL");
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE (main.isSelected (i)) << i;
}

TEST (MainComponentClicks, UnknownNamesAreIgnored)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    juce::TextButton stranger ("vst3");
    stranger.addListener (&main);

    main.buttonClicked (&stranger);
    stranger.setName ("install");
    main.buttonClicked (&stranger);
    stranger.setName ({});
    main.buttonClicked (&stranger);

    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE (main.isSelected (i));

    EXPECT_EQ (main.getNumChildComponents(), 10) << "nothing opened";
    stranger.removeListener (&main);
}

TEST (MainComponentClicks, EulaAndSupportOpenOnePanelEachCoveringTheScreen)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    main.setVisible (true); // hit tests only look into visible components

    // Whatever lies under a point of the main screen belongs to the panel (or is the panel).
    const auto coveredBy = [&main] (juce::Component& panel)
    {
        for (const auto& [x, y] : { std::pair { 54, 471 }, { 150, 210 }, { 546, 471 }, { 1, 1 }, { 599, 599 } })
            if (auto* hit = main.getComponentAt (x, y); hit != &panel && ! panel.isParentOf (hit))
                return false;

        return true;
    };

    click (main, "EULA");
    auto* firstEula = main.getEulaPanel();
    ASSERT_NE (firstEula, nullptr);
    EXPECT_EQ (firstEula->getParentComponent(), &main);
    EXPECT_EQ (firstEula->getBounds(), juce::Rectangle<int> (0, 0, 600, 600));
    EXPECT_TRUE (firstEula->isAlwaysOnTop());
    EXPECT_FLOAT_EQ (firstEula->unit, 6.0f);
    EXPECT_TRUE (coveredBy (*firstEula)) << "the panel takes every click over the screen";

    click (*firstEula, "X");
    EXPECT_EQ (firstEula->getParentComponent(), nullptr) << "closing removes it from the screen";
    EXPECT_EQ (main.getEulaPanel(), firstEula) << "and the slot keeps it";
    EXPECT_EQ (main.getComponentAt (546, 471), findChild (main, "INSTALL")) << "the screen is reachable again";

    click (main, "SUPPORT");
    ASSERT_NE (main.getSupportPanel(), nullptr);
    EXPECT_EQ (main.getSupportPanel()->settingsFolder, machine.settingsFolder());
    EXPECT_EQ (main.getSupportPanel()->getBounds(), juce::Rectangle<int> (0, 0, 600, 600));
    EXPECT_TRUE (coveredBy (*main.getSupportPanel()));
}

TEST (MainComponentClicks, LinksLaunchTheirExactAddressesAndChangeNothingElse)
{
    TestSupport::ScopedMachine machine;
    installItem (machine, 1, false);
    AddressLauncher::ScopedRecorder launched;
    MainComponent main;
    const auto children = main.getNumChildComponents();

    click (main, "MANUAL");
    click (main, "WEBSITE");
    EXPECT_EQ (launched.getAddresses(), juce::StringArray ({ "https://docs.quillfen.com/manuals/Halcyra_Manual.pdf", "https://shop.quillfen.com/collections/plugin-instruments/products/halcyra-2" }));
    EXPECT_FALSE (main.isSelected (0));
    EXPECT_TRUE (main.isSelected (1)) << "the installed format stays ticked";
    EXPECT_FALSE (main.isSelected (2));
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
    EXPECT_TRUE (main.isSelected (1));
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
