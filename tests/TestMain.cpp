#include "CustomLookAndFeel.h"
#include "TextReference.h"
#include "WindowsTestHelpers.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>

namespace
{
/** Which font families JUCE has found once the look and feel (or nothing, with "--fonts") made the
    first typefaces of a fresh process. Every process lists the system's fonts at most once, so
    only a fresh one can show whether that happened. */
int listFonts (int, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    std::unique_ptr<CustomLookAndFeel> lookAndFeel;

    if (std::strcmp (argv[1], "--fonts-after-look-and-feel") == 0)
        lookAndFeel = std::make_unique<CustomLookAndFeel>();

    const auto* path = std::getenv ("JUCE_FONT_PATH");
    std::cout << "JUCE_FONT_PATH=" << (path != nullptr ? path : "<unset>") << "\n";

    for (const auto& family : juce::Font::findAllTypefaceNames())
        std::cout << family << "\n";

    return 0;
}

/** Besides running the suites, the test binary is the helper process that some tests start: given
    one of these options first, it does that one thing and exits with its status. */
struct HelperMode
{
    const char* option;
    int (*run) (int argc, char** argv);
};

constexpr HelperMode helperModes[]
{
    // LookAndFeelTests: what a fresh process has read of the system's fonts.
    { "--fonts", listFonts },
        { "--fonts-after-look-and-feel", listFonts },
        // The window drivers (window/reference.py): the reference pictures of painted texts.
        { "--render-text", TextReference::renderSpecs },
#if JUCE_WINDOWS
        // The Windows suite's second process, holding a file open as a scanner does, or loaded as a
        // host loads a plug-in.
        { WindowsTestHelpers::holdOpenOption, WindowsTestHelpers::runHolder },
        { WindowsTestHelpers::holdLoadedOption, WindowsTestHelpers::runHolder },
#endif
};
} // namespace

// Components need JUCE's message manager and desktop; no display is needed to build and paint them.
int main (int argc, char** argv)
{
    if (argc > 1)
        for (const auto& mode : helperModes)
            if (std::strcmp (argv[1], mode.option) == 0)
                return mode.run (argc, argv);

    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
