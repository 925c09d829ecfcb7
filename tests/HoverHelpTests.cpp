#include "MainComponent.h"
#include "TestSupport.h"
#include "TextReference.h"

#include <gtest/gtest.h>

using TestSupport::findChild;

TEST (HoverHelp, EveryButtonHasItsLineAndTheLineShowsItExactly)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    const auto& screen = TestSupport::screen();
    const auto helpBox = TestSupport::screenBox (screen["areas"]["helpLabel"]);

    for (const auto* name : { "EULA", "MANUAL", "WEBSITE", "SUPPORT", "INSTALL" })
    {
        const auto line = screen["buttons"][name]["help"].toString();
        const auto text = main.helpTextFor (name);
        ASSERT_TRUE (text.has_value()) << name;
        EXPECT_EQ (*text, line);

        // Shown as the label draws it: half grey, centred in the line's box, 3 units high.
        main.getHelpLabel().setText (*text, juce::dontSendNotification);
        EXPECT_TRUE (TextReference::matches (TestSupport::paintToImage (main), { 0, 530, 600, 35 }, TestSupport::screenColour ("background"), { TextReference::label (line, 18.0f, TestSupport::screenColour ("helpInk"), helpBox, juce::Justification::centred) }))
            << name;
    }

    // Names are matched exactly; anything else leaves the line as it is.
    EXPECT_FALSE (main.helpTextFor ("SELECT_ALL").has_value());
    EXPECT_FALSE (main.helpTextFor ("eula").has_value());
    EXPECT_FALSE (main.helpTextFor ({}).has_value());

    // Shift does not change what the action button's line says.
    main.modifierKeysChanged (juce::ModifierKeys (juce::ModifierKeys::shiftModifier));
    EXPECT_EQ (main.helpTextFor ("INSTALL"), screen["buttons"]["INSTALL"]["help"].toString());
}

TEST (HoverHelp, FormatLinesOfferInstallOrUpdateFromTheDiskEachTime)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    // Which line each tile offers, VST3, CLAP and AAX in turn.
    const auto expectLines = [&main] (std::initializer_list<const char*> lines)
    {
        int format = 0;

        for (const auto* line : lines)
        {
            const auto name = TestSupport::screen()["formats"][format++]["name"].toString();
            EXPECT_EQ (main.helpTextFor (name), TestSupport::screen()["buttons"][juce::Identifier (name)][line].toString()) << name;
        }
    };

    expectLines ({ "help", "help", "help" });

    // Whatever version sits there, the offer is to update to ours.
    machine.installItem (2);
    machine.item (1).replaceWithText ("1.0");
    expectLines ({ "help", "updateHelp", "updateHelp" });

    machine.item (2).deleteRecursively();
    expectLines ({ "help", "updateHelp", "help" });
}

TEST (HoverHelp, AStateChangeWithThePointerElsewhereEmptiesTheLine)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    auto& label = main.getHelpLabel();
    ASSERT_EQ (label.getText(), TestSupport::screen()["version"].toString());

    // Without a real pointer no button counts as hovered, which is the exit case.
    auto* eula = dynamic_cast<juce::Button*> (findChild (main, "EULA"));
    ASSERT_NE (eula, nullptr);
    main.buttonStateChanged (eula);
    EXPECT_EQ (label.getText(), "");
}
