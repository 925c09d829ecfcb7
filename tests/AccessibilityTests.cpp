#include "ClickTarget.h"
#include "FocusMark.h"
#include "MainComponent.h"
#include "PixelChecks.h"
#include "ScopedTestDisplay.h"
#include "ScreenText.h"
#include "StatusAnnouncer.h"
#include "TestSupport.h"
#include "panel_eula.h"
#include "panel_support.h"

#include <gtest/gtest.h>

// What a screen reader and the keyboard reach, through JUCE's accessibility handlers (the layer
// its UI Automation bridge reads on Windows) and key presses handed to the components. A test
// run has no window, so JUCE never hands out the handlers itself: each is made as JUCE makes it.

using TestSupport::click;
using TestSupport::screen;

namespace
{
ClickTarget& target (juce::Component& parent, const juce::String& name)
{
    auto* found = dynamic_cast<ClickTarget*> (TestSupport::findChild (parent, name));

    if (found == nullptr)
        throw std::runtime_error ("no control named " + name.toStdString());

    return *found;
}

/** What a screen reader reads for a component. JUCE 7 keeps its own widgets' handlers private;
    its label's reads the label's text, its text box's the title. */
juce::String titleOf (juce::Component& component)
{
    if (auto* control = dynamic_cast<ClickTarget*> (&component))
        return control->createAccessibilityHandler()->getTitle();

    if (auto* text = dynamic_cast<ScreenText*> (&component))
        return text->createAccessibilityHandler()->getTitle();

    if (auto* label = dynamic_cast<juce::Label*> (&component))
        return label->getText();

    return component.getTitle();
}

/** Titles in the order a screen reader reads the component's own children. */
juce::StringArray readingOrder (juce::Component& parent)
{
    juce::StringArray titles;

    for (auto* child : parent.createFocusTraverser()->getAllComponents (&parent))
        if (child->getParentComponent() == &parent)
            titles.add (titleOf (*child));

    return titles;
}

/** Component names in the order Tab takes, "text" for the one without a name. */
juce::StringArray tabOrder (juce::Component& container)
{
    EXPECT_TRUE (container.isKeyboardFocusContainer()) << "Tab stays inside";
    juce::StringArray names;

    for (auto* control : container.createKeyboardFocusTraverser()->getAllComponents (&container))
        names.add (control->getName().isEmpty() ? "text" : control->getName());

    return names;
}

juce::StringArray listed (const juce::var& names)
{
    juce::StringArray list;

    for (const auto& name : *names.getArray())
        list.add (name.toString());

    return list;
}

const juce::KeyPress returnKey (juce::KeyPress::returnKey), spaceKey (juce::KeyPress::spaceKey), escapeKey (juce::KeyPress::escapeKey);
const juce::KeyPress shiftReturn (juce::KeyPress::returnKey, juce::ModifierKeys::shiftModifier, 0);
const juce::KeyPress shiftSpace (juce::KeyPress::spaceKey, juce::ModifierKeys::shiftModifier, 0);

void pressMouseOn (MainComponent& main, juce::Component& component)
{
    const auto now = juce::Time::getCurrentTime();
    const juce::MouseEvent press (juce::Desktop::getInstance().getMainMouseSource(), {}, {}, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, &component, &component, now, {}, now, 1, false);
    main.mouseDown (press); // as its listener on every child hears it
}
} // namespace

TEST (ScreenReader, EveryMainScreenControlHasItsTitleRoleHelpStateAndValue)
{
    TestSupport::ScopedMachine machine;
    machine.installItem (2);
    MainComponent main;

    for (const auto& name : listed (screen()["focusOrder"]))
    {
        SCOPED_TRACE (name);
        const auto& button = screen()["buttons"][juce::Identifier (name)];
        const auto handler = target (main, name).createAccessibilityHandler();
        const auto isTile = screen()["formats"][0]["name"] == name || screen()["formats"][1]["name"] == name || screen()["formats"][2]["name"] == name;

        EXPECT_EQ (handler->getTitle(), button["title"].toString());
        EXPECT_EQ (handler->getHelp(), (name == "AAX" ? button["updateHelp"] : button["help"]).toString()) << "the help line's text";
        EXPECT_EQ (handler->getRole(), isTile ? juce::AccessibilityRole::toggleButton : juce::AccessibilityRole::button);
        EXPECT_TRUE (handler->getActions().contains (juce::AccessibilityActionType::press));
        EXPECT_EQ (handler->getActions().contains (juce::AccessibilityActionType::toggle), isTile);
        EXPECT_EQ (handler->getCurrentState().isCheckable(), isTile);
        EXPECT_EQ (handler->getValueInterface() != nullptr, isTile);
        EXPECT_FALSE (handler->isIgnored());
    }

    // The action button is named for what it does now.
    main.modifierKeysChanged (juce::ModifierKeys (juce::ModifierKeys::shiftModifier));
    EXPECT_EQ (target (main, "INSTALL").createAccessibilityHandler()->getTitle(), screen()["buttons"]["INSTALL"]["shiftTitle"].toString());
    main.modifierKeysChanged ({});
    EXPECT_EQ (target (main, "INSTALL").createAccessibilityHandler()->getTitle(), screen()["buttons"]["INSTALL"]["title"].toString());

    // A panel over the screen hides what lies beneath it.
    click (main, "EULA");
    EXPECT_TRUE (target (main, "VST3").createAccessibilityHandler()->isIgnored());
    click (*main.getEulaPanel(), "X");
    EXPECT_FALSE (target (main, "VST3").createAccessibilityHandler()->isIgnored());
}

TEST (ScreenReader, TilesReadTheirTickAsCheckedAndTheDiskAsTheirValue)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    const auto vst3 = target (main, "VST3").createAccessibilityHandler();
    const auto clap = target (main, "CLAP").createAccessibilityHandler();

    EXPECT_FALSE (vst3->getCurrentState().isChecked());
    EXPECT_EQ (vst3->getValueInterface()->getCurrentValueAsString(), "NOT INSTALLED");
    EXPECT_TRUE (vst3->getValueInterface()->isReadOnly());

    // Asked afresh: another program's install shows at once, and the tick is the user's own.
    machine.installItem (0);
    EXPECT_EQ (vst3->getValueInterface()->getCurrentValueAsString(), "INSTALLED");
    EXPECT_FALSE (vst3->getCurrentState().isChecked());

    // Toggling and pressing are clicks, and the state follows.
    vst3->getActions().invoke (juce::AccessibilityActionType::toggle);
    clap->getActions().invoke (juce::AccessibilityActionType::press);
    TestSupport::pumpMessages();
    EXPECT_TRUE (main.isSelected (0));
    EXPECT_TRUE (main.isSelected (1));
    EXPECT_TRUE (vst3->getCurrentState().isChecked());

    machine.item (0).deleteRecursively();
    EXPECT_EQ (vst3->getValueInterface()->getCurrentValueAsString(), "NOT INSTALLED");
}

TEST (ScreenReader, ReadsTheMainScreenAndBothPanelsInReadingOrder)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    const auto& buttons = screen()["buttons"];
    const auto title = [&buttons] (const char* name)
    { return buttons[name]["title"].toString(); };

    EXPECT_EQ (readingOrder (main), juce::StringArray (juce::Array<juce::String> { "QUILLFEN", "RACKHAND", "v" + screen()["version"].toString(), "HALCYRA 2 DEMO", "Version " + screen()["productVersion"].toString() + " for Windows", "FORMATS", title ("SELECT_ALL"), title ("VST3"), title ("CLAP"), title ("AAX"), "EXTRAS", title ("EULA"), title ("MANUAL"), title ("WEBSITE"), title ("SUPPORT"), title ("INSTALL"), screen()["version"].toString() }));

    // Pressing a link is a click: the panel opens, named for what it holds.
    target (main, "EULA").createAccessibilityHandler()->getActions().invoke (juce::AccessibilityActionType::press);
    TestSupport::pumpMessages();
    auto* eula = main.getEulaPanel();
    ASSERT_NE (eula, nullptr);
    const auto& eulaTitles = screen()["panels"]["EULA"]["titles"];
    EXPECT_EQ (readingOrder (*eula), juce::StringArray (juce::Array<juce::String> { eulaTitles["X"].toString(), "LICENSE AGREEMENT", eulaTitles["text"].toString() }));
    EXPECT_EQ (eula->createAccessibilityHandler()->getRole(), juce::AccessibilityRole::group);

    click (main, "SUPPORT");
    auto& support = *main.getSupportPanel();
    const auto& supportTitles = screen()["panels"]["SUPPORT"]["titles"];
    const auto read = readingOrder (support);
    ASSERT_EQ (read.size(), 10) << read.joinIntoString (" | ");
    EXPECT_EQ (read[0], supportTitles["X"].toString());
    EXPECT_EQ (read[1], "DISCORD");
    EXPECT_EQ (read[2], supportTitles["DISCORD"].toString());
    EXPECT_TRUE (read[3].startsWith ("The Quillfen Discord is"));
    EXPECT_EQ (read[4], "E-MAIL");
    EXPECT_EQ (read[5], supportTitles["MAIL"].toString());
    EXPECT_TRUE (read[6].startsWith ("If you have more complicated questions"));
    EXPECT_EQ (read[7], "ABOUT QUILLFEN RACKHAND");
    EXPECT_EQ (read[8], support.getAboutText());
    EXPECT_TRUE (read[8].contains (machine.settingsFolder().getFullPathName())) << "with the settings file's place";
    EXPECT_TRUE (read[9].endsWith ("All rights reserved."));

    // The boxes tell where they lead.
    EXPECT_EQ (target (support, "DISCORD").createAccessibilityHandler()->getHelp(), "https://discord.gg/quillfen");
    EXPECT_EQ (target (support, "MAIL").createAccessibilityHandler()->getHelp(), "support@quillfen.com");
}

TEST (Keyboard, TabGoesRoundEachScreenInReadingOrderAndStaysInsideAnOpenPanel)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    EXPECT_TRUE (main.getWantsKeyboardFocus()) << "the screen takes the window's focus, for Tab to enter its controls";
    EXPECT_EQ (tabOrder (main), listed (screen()["focusOrder"]));

    click (main, "EULA");
    EXPECT_EQ (tabOrder (*main.getEulaPanel()), listed (screen()["panels"]["EULA"]["focusOrder"]));
    click (main, "SUPPORT");
    EXPECT_EQ (tabOrder (*main.getSupportPanel()), listed (screen()["panels"]["SUPPORT"]["focusOrder"]));
}

TEST (Keyboard, ReturnAndSpaceClickAndShiftUninstallsWhereverThePointerIs)
{
    ScopedTestDisplay display;
    MainComponent::ScopedResultFade fade (50);
    TestSupport::ScopedMachine machine;
    machine.installItem (1);
    StatusAnnouncer::ScopedRecorder announced;
    MainComponent main;

    // At once, not after an asynchronous click.
    EXPECT_TRUE (target (main, "VST3").keyPressed (returnKey));
    EXPECT_TRUE (main.isSelected (0));
    EXPECT_TRUE (target (main, "VST3").keyPressed (spaceKey));
    EXPECT_FALSE (main.isSelected (0));
    EXPECT_FALSE (target (main, "VST3").keyPressed (escapeKey)) << "left to the panel or the window";

    // The key's own Shift decides, with no modifier change seen before it.
    EXPECT_TRUE (target (main, "INSTALL").keyPressed (shiftReturn));
    EXPECT_FALSE (machine.item (1).exists()) << "uninstalled";
    EXPECT_TRUE (main.isUninstallMode());
    EXPECT_EQ (announced.getAnnouncements(), juce::StringArray ("Operation Successful!")) << "the notice is announced";

    // Shift let go, Space with nothing ticked runs an install, which has nothing to do.
    main.modifierKeysChanged ({});
    EXPECT_TRUE (target (main, "INSTALL").keyPressed (spaceKey));
    EXPECT_FALSE (main.isUninstallMode());
    EXPECT_EQ (announced.getAnnouncements()[1], "Operation failed!");

    machine.installItem (1);
    EXPECT_TRUE (target (main, "CLAP").keyPressed (returnKey));
    EXPECT_TRUE (target (main, "INSTALL").keyPressed (shiftSpace));
    EXPECT_FALSE (machine.item (1).exists()) << "Shift+Space uninstalls too";
    EXPECT_EQ (announced.getAnnouncements().size(), 3);
}

TEST (Keyboard, EscapeClosesEitherPanelAndTheLicenceTextLetsItThrough)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;

    EXPECT_TRUE (target (main, "EULA").keyPressed (returnKey));
    auto* eula = main.getEulaPanel();
    ASSERT_NE (eula, nullptr);
    EXPECT_EQ (eula->getParentComponent(), &main);
    EXPECT_FALSE (eula->getTextEditor().keyPressed (escapeKey)) << "the key goes on to the panel";
    EXPECT_TRUE (eula->keyPressed (escapeKey));
    EXPECT_EQ (eula->getParentComponent(), nullptr);

    EXPECT_TRUE (target (main, "SUPPORT").keyPressed (spaceKey));
    auto* support = main.getSupportPanel();
    ASSERT_NE (support, nullptr);
    EXPECT_FALSE (support->keyPressed (returnKey));
    EXPECT_EQ (support->getParentComponent(), &main);
    EXPECT_TRUE (support->keyPressed (escapeKey));
    EXPECT_EQ (support->getParentComponent(), nullptr);
    EXPECT_FALSE (main.keyPressed (escapeKey)) << "nothing to close";
}

TEST (FocusMark, ShowsOnlyAfterTheKeyboardMovedTheFocusAndTheHelpLineFollowsIt)
{
    TestSupport::ScopedMachine machine;
    MainComponent main;
    const auto& mark = screen()["focusMark"];
    const auto ring = TestSupport::screenColour ("focusMark");
    const auto untouched = TestSupport::paintToImage (main);
    auto& clap = target (main, "CLAP");
    const auto clapBox = TestSupport::screenBox (screen()["buttons"]["CLAP"]["box"]);

    const auto expectRingIn = [&] (const juce::Image& image, juce::Rectangle<int> box)
    {
        const auto c = box.getCentre();

        for (int inset = (int) mark["inset"][0]; inset < (int) mark["inset"][1]; ++inset)
            for (const auto& [x, y] : { std::pair { box.getX() + inset, c.y }, { box.getRight() - 1 - inset, c.y }, { c.x, box.getY() + inset }, { c.x, box.getBottom() - 1 - inset } })
                EXPECT_TRUE (PixelChecks::pixelIs (image, x, y, ring, 3)) << "at " << x << "," << y;
    };

    // A focus the mouse gave leaves the screen as it was, pixel for pixel.
    clap.focusGained (juce::Component::focusChangedByMouseClick);
    EXPECT_TRUE (PixelChecks::matchesReference (TestSupport::paintToImage (main), untouched.getBounds(), untouched, {}, 0));
    EXPECT_EQ (main.getHelpLabel().getText(), screen()["version"].toString());

    // Tab shows the ring inside the tile, and the tile's help on the line.
    clap.focusGained (juce::Component::focusChangedByTabKey);
    expectRingIn (TestSupport::paintToImage (main), clapBox);
    EXPECT_EQ (main.getHelpLabel().getText(), screen()["buttons"]["CLAP"]["help"].toString());

    // Any press of a mouse button takes it away again.
    pressMouseOn (main, main);
    EXPECT_TRUE (PixelChecks::matchesReference (TestSupport::paintToImage (main), clapBox, untouched.getClippedImage (clapBox), {}, 0));

    // On a panel, after a key opened it, the close control has it when it gets the focus.
    EXPECT_TRUE (target (main, "SUPPORT").keyPressed (returnKey));
    auto& close = target (*main.getSupportPanel(), "X");
    close.focusGained (juce::Component::focusChangedDirectly);
    expectRingIn (TestSupport::paintToImage (*main.getSupportPanel()), TestSupport::screenBox (screen()["areas"]["closeTarget"]));
    close.focusLost (juce::Component::focusChangedDirectly);
    EXPECT_EQ (FocusMark::current(), nullptr);
}
