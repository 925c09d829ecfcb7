#include "MainComponent.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using TestSupport::findChild;

TEST (HoverHelp, EveryButtonHasItsLine)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    EXPECT_EQ (main.helpTextFor ("EULA"), "Click to read End-User License Agreement");
    EXPECT_EQ (main.helpTextFor ("MANUAL"), "Click to open product manual in your web browser");
    EXPECT_EQ (main.helpTextFor ("WEBSITE"), "Click to open product page on the Quillfen website");
    EXPECT_EQ (main.helpTextFor ("SUPPORT"), "Email and Discord support");
    EXPECT_EQ (main.helpTextFor ("INSTALL"), "Click to install selected. Shift-click to uninstall selected");

    // Names are matched exactly; anything else leaves the line as it is.
    EXPECT_FALSE (main.helpTextFor ("SELECT_ALL").has_value());
    EXPECT_FALSE (main.helpTextFor ("eula").has_value());
    EXPECT_FALSE (main.helpTextFor ({}).has_value());

    // Shift does not change what the action button's line says.
    main.modifierKeysChanged (juce::ModifierKeys (juce::ModifierKeys::shiftModifier));
    EXPECT_EQ (main.helpTextFor ("INSTALL"), "Click to install selected. Shift-click to uninstall selected");
}

TEST (HoverHelp, FormatLinesOfferInstallOrUpdateFromTheDiskEachTime)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    EXPECT_EQ (main.helpTextFor ("VST3"), "Select to install VST3");
    EXPECT_EQ (main.helpTextFor ("CLAP"), "Select to install CLAP");
    EXPECT_EQ (main.helpTextFor ("AAX"), "Select to install AAX");

    // Whatever version sits there, the offer is to update to ours.
    machine.installFolder (2).getChildFile ("Halcyra 2.aaxplugin").createDirectory();
    machine.installFolder (1).getChildFile ("Halcyra 2.clap").replaceWithText ("1.0");
    EXPECT_EQ (main.helpTextFor ("AAX"), "Select to update AAX to 2.1.4");
    EXPECT_EQ (main.helpTextFor ("CLAP"), "Select to update CLAP to 2.1.4");
    EXPECT_EQ (main.helpTextFor ("VST3"), "Select to install VST3");

    machine.installFolder (2).getChildFile ("Halcyra 2.aaxplugin").deleteRecursively();
    EXPECT_EQ (main.helpTextFor ("AAX"), "Select to install AAX");
}

TEST (HoverHelp, AStateChangeWithThePointerElsewhereEmptiesTheLine)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    auto& label = main.getHelpLabel();
    ASSERT_EQ (label.getText(), "1.0.5");

    // Without a real pointer no button counts as hovered, which is the exit case.
    auto* eula = dynamic_cast<juce::Button*> (findChild (main, "EULA"));
    ASSERT_NE (eula, nullptr);
    main.buttonStateChanged (eula);
    EXPECT_EQ (label.getText(), "");
}
