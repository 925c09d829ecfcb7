// The installer's own start-up work, step by step, each timed the first time a fresh process
// does it, as at start-up. benchmarks/startup.py runs it many times and prints the medians.
//
//   qf_startup_steps FOLDER [--no-text-preparation]
//
// Prints one line per step: its name, a tab, its milliseconds. The steps are the program's own
// calls, in its order: the look and feel with both typefaces, the eight icons of the main screen,
// the settings file (written, as on a first start, then read, as on every later one), the whole
// main screen, the text set-up the window does before its first frame, and the first paint.
// A folder inside FOLDER stands in for the machine's folders, so nothing outside it is written.

#include "CustomLookAndFeel.h"
#include "EmbeddedArchives.h"
#include "FontFactory.h"
#include "MainComponent.h"
#include "SharedSettings.h"
#include "SystemFolders.h"
#include "Widgets.h"

#include <BinaryData.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <chrono>
#include <cstdio>
#include <cstring>

// Start-up never touches an archive, so this program goes without the 29 MB of them.
ArchiveData embeddedArchive (int)
{
    return {};
}

namespace
{
template <typename Work>
void step (const char* name, Work&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto ms = std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now() - start).count();
    std::printf ("%s\t%.3f\n", name, ms);
}
} // namespace

int main (int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf (stderr, "usage: qf_startup_steps FOLDER [--no-text-preparation]\n");
        return 2;
    }

    const auto prepareText = ! (argc > 2 && std::strcmp (argv[2], "--no-text-preparation") == 0);

    juce::ScopedJuceInitialiser_GUI juce;

    // A folder of its own inside FOLDER, which alone is ever removed.
    const auto root = juce::File (argv[1]).getChildFile ("qf_startup_steps_machine");
    SystemFolders folders;
    folders.commonApplicationData = root.getChildFile ("ProgramData");
    folders.temporary = root.getChildFile ("Temp");
    folders.defaultInstallFolders = { root.getChildFile ("VST3"), root.getChildFile ("CLAP"), root.getChildFile ("AAX") };
    root.deleteRecursively();
    folders.temporary.createDirectory();
    const SystemFolders::ScopedOverride machine (folders);

    // The window, made before any of these steps, has connected to the display already.
    juce::Desktop::getInstance().getDisplays();

    step ("look and feel (both typefaces)", []
          { CustomLookAndFeel lookAndFeel; });

    step ("eight icons (SVG)", []
          {
              for (const auto& [data, size] : { std::pair (BinaryData::icon_vst3_svg, BinaryData::icon_vst3_svgSize),
                                                std::pair (BinaryData::icon_clap_svg, BinaryData::icon_clap_svgSize),
                                                std::pair (BinaryData::icon_aax_svg, BinaryData::icon_aax_svgSize),
                                                std::pair (BinaryData::icon_eula_svg, BinaryData::icon_eula_svgSize),
                                                std::pair (BinaryData::icon_manual_svg, BinaryData::icon_manual_svgSize),
                                                std::pair (BinaryData::icon_web_svg, BinaryData::icon_web_svgSize),
                                                std::pair (BinaryData::icon_help_svg, BinaryData::icon_help_svgSize),
                                                std::pair (BinaryData::icon_install_svg, BinaryData::icon_install_svgSize) })
                  Widgets::loadIcon (data, size); });

    const auto settingsFolder = SharedSettings::settingsFolderFor (folders.commonApplicationData);
    auto installFolders = folders.defaultInstallFolders;
    settingsFolder.createDirectory();
    step ("settings file written (first start)", [&]
          { SharedSettings::settle (settingsFolder, installFolders); });
    step ("settings file read", [&]
          { SharedSettings::settle (settingsFolder, installFolders); });

    std::unique_ptr<MainComponent> screen;
    step ("main screen constructed (all of the above again)", [&]
          { screen = std::make_unique<MainComponent>(); });

    if (prepareText)
        step ("text set-up before the first frame", []
              { FontFactory::prepareTextLayout(); });

    juce::Image image (juce::Image::RGB, screen->getWidth(), screen->getHeight(), true);
    step ("first paint", [&]
          {
              juce::Graphics g (image);
              screen->paintEntireComponent (g, true); });
    step ("second paint", [&]
          {
              juce::Graphics g (image);
              screen->paintEntireComponent (g, true); });

    screen = nullptr;
    root.deleteRecursively();
    return 0;
}
