#include "TestSupport.h"

namespace TestSupport
{
ScopedMachine::ScopedMachine (bool withSettingsFolder)
{
    root = juce::File::createTempFile ("qf_machine");
    root.createDirectory();

    folders.commonApplicationData = root.getChildFile ("ProgramData");
    folders.temporary = root.getChildFile ("Temp");
    folders.defaultInstallFolders = { root.getChildFile ("Common Files/VST3"),
                                      root.getChildFile ("Common Files/CLAP"),
                                      root.getChildFile ("Common Files/Avid/Audio/Plug-Ins") };

    folders.commonApplicationData.createDirectory();
    folders.temporary.createDirectory();

    for (auto& folder : folders.defaultInstallFolders)
        folder.createDirectory();

    if (withSettingsFolder)
        settingsFolder().createDirectory();

    override = std::make_unique<SystemFolders::ScopedOverride> (folders);
}

ScopedMachine::~ScopedMachine()
{
    override = nullptr;
    root.deleteRecursively (false);
}

juce::File ScopedMachine::item (int formatIndex) const
{
    return installFolder (formatIndex).getChildFile (screen()["formats"][formatIndex]["item"].toString());
}

void ScopedMachine::installItem (int formatIndex) const
{
    if (formatIndex == 1)
        item (formatIndex).replaceWithText ("plug-in");
    else
        item (formatIndex).createDirectory();
}

void pumpMessages (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}

bool pumpUntil (const std::function<bool()>& condition, int timeoutMilliseconds)
{
    const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutMilliseconds;

    while (! condition())
    {
        if (juce::Time::getMillisecondCounterHiRes() > deadline)
            return false;

        pumpMessages (5);
    }

    return true;
}

juce::Component* findChild (juce::Component& parent, const juce::String& name)
{
    for (auto* child : parent.getChildren())
        if (child->getName() == name)
            return child;

    return nullptr;
}

void click (juce::Component& parent, const juce::String& buttonName)
{
    auto* button = dynamic_cast<juce::Button*> (findChild (parent, buttonName));
    ASSERT_NE (button, nullptr) << "no button named " << buttonName;
    button->triggerClick();
    pumpMessages();
}

juce::StringArray namesIn (const juce::File& folder)
{
    juce::StringArray names;

    for (const auto& f : folder.findChildFiles (juce::File::findFilesAndDirectories, false))
        names.add (f.getFileName());

    names.sort (false);
    return names;
}

juce::Image paintToImage (juce::Component& component)
{
    return component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f);
}

const juce::var& screen()
{
    static const juce::var map = []
    {
        const auto text = juce::File (QF_TEST_SOURCE_DIR).getChildFile ("screen.json").loadFileAsString();
        auto parsed = juce::JSON::parse (text);
        jassert (parsed.isObject());
        return parsed;
    }();

    return map;
}

juce::Rectangle<int> screenBox (const juce::var& box)
{
    return { (int) box[0], (int) box[1], (int) box[2], (int) box[3] };
}

juce::File binaryIn (const juce::File& installFolder, int formatIndex)
{
    const auto& format = screen()["formats"][formatIndex];
    const auto item = installFolder.getChildFile (format["item"].toString());
    const auto binary = format["binary"].toString();
    return binary.isEmpty() ? item : item.getChildFile (binary);
}

juce::int64 binarySize (int formatIndex)
{
    return (juce::int64) screen()["formats"][formatIndex]["binarySize"];
}

juce::Colour screenColour (const juce::String& name)
{
    const auto hex = screen()["colours"][juce::Identifier (name)].toString();
    jassert (hex.length() == 6 || hex.length() == 8);
    return juce::Colour ((juce::uint32) hex.getHexValue64() | (hex.length() == 6 ? 0xff000000u : 0u));
}
} // namespace TestSupport
