#pragma once

#include "SharedSettings.h"
#include "SystemFolders.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <functional>

/** Shared helpers of the test suite. */
namespace TestSupport
{
/** The archive the build generated for a format (vst3.zip, clap.zip, aax.zip). */
juce::File archiveFile (int formatIndex);

/** Makes embeddedArchive() return other bytes for one format while it lives. */
class ScopedArchive
{
public:
    ScopedArchive (int formatIndex, juce::MemoryBlock bytes);
    ~ScopedArchive();

private:
    int formatIndex;
    JUCE_DECLARE_NON_COPYABLE (ScopedArchive)
};

/** A private machine under a temporary root: its own common application data folder,
        temporary folder and default install folders, all created empty except the settings
        folder, which exists only when asked for. The whole tree goes when the object does. */
class ScopedMachine
{
public:
    explicit ScopedMachine (bool withSettingsFolder = true);
    ~ScopedMachine();

    juce::File root;
    SystemFolders folders;

    juce::File settingsFolder() const { return SharedSettings::settingsFolderFor (folders.commonApplicationData); }
    juce::File settingsFile() const { return SharedSettings::settingsFileIn (settingsFolder()); }
    juce::File installFolder (int formatIndex) const { return folders.defaultInstallFolders[(size_t) formatIndex]; }

    /** The plug-in item of a format in its default install folder, named as the screen map names it. */
    juce::File item (int formatIndex) const;

    /** Puts a stand-in item there, as another program's install would: a CLAP plug-in is one
        file, the others are bundle folders. */
    void installItem (int formatIndex) const;

private:
    std::unique_ptr<SystemFolders::ScopedOverride> override;
    JUCE_DECLARE_NON_COPYABLE (ScopedMachine)
};

/** Lets queued messages (asynchronous clicks, repaints) run for a while. */
void pumpMessages (int milliseconds = 50);

/** Lets queued messages run until the condition holds or the deadline passes; says which. */
bool pumpUntil (const std::function<bool()>& condition, int timeoutMilliseconds = 5000);

/** Finds a direct child component by its name. */
juce::Component* findChild (juce::Component& parent, const juce::String& name);

/** Clicks a button as the user would and lets the click arrive. */
void click (juce::Component& parent, const juce::String& buttonName);

/** A fresh empty folder under the temporary folder, removed with everything in it. */
struct TempFolder
{
    TempFolder() { root.createDirectory(); }

    ~TempFolder()
    {
#if JUCE_WINDOWS
        // Windows refuses to delete read-only files, which some tests leave behind on failure.
        root.setReadOnly (false, true);
#endif
        root.deleteRecursively (false);
    }

    juce::File root = juce::File::createTempFile ("qf_test");
};

/** The names directly inside a folder, hidden ones included, sorted. */
juce::StringArray namesIn (const juce::File& folder);

/** Lengths on a screen of a width, whose unit is a hundredth of it, rounded as widgets are placed. */
struct Units
{
    explicit Units (int width) : u ((float) width / 100.0f) {}
    int operator() (float units) const { return (int) std::nearbyint (units * u); }
    juce::Rectangle<int> operator() (float x, float y, float w, float h) const { return { (*this) (x), (*this) (y), (*this) (w), (*this) (h) }; }

    const float u;
};

/** Paints a component into an image of its own size. */
juce::Image paintToImage (juce::Component&);

/** The screen map every suite shares (tests/screen.json): the main screen's boxes, help texts,
    formats and colours at its first size. */
const juce::var& screen();

/** A box of the screen map ([x, y, width, height]), e.g. screenBox (screen()["buttons"]["EULA"]["box"]). */
juce::Rectangle<int> screenBox (const juce::var& box);

/** The plug-in binary of a format's item in an install folder: the CLAP item itself, or the
    binary inside a bundle. */
juce::File binaryIn (const juce::File& installFolder, int formatIndex);

/** The size of a format's binary in the sample payload. */
juce::int64 binarySize (int formatIndex);

/** A colour of the screen map by name: RRGGBB is opaque, AARRGGBB keeps its alpha. */
juce::Colour screenColour (const juce::String& name);
} // namespace TestSupport
