#include "CustomLookAndFeel.h"
#include "ReferenceRendering.h"
#include "WindowsTestHelpers.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>

namespace
{
/** Child mode for the font tests: which font families JUCE has found once the look and feel (or
    nothing, with "--fonts") made the first typefaces of a fresh process. Every process lists the
    system's fonts at most once, so only a fresh one can show whether that happened. */
int listFontsIfAsked (int argc, char** argv)
{
    if (argc < 2 || (std::strcmp (argv[1], "--fonts") != 0 && std::strcmp (argv[1], "--fonts-after-look-and-feel") != 0))
        return -1;

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
} // namespace

// Components need JUCE's message manager and desktop; no display is needed to build and paint them.
int main (int argc, char** argv)
{
#if JUCE_WINDOWS
    // The suite starts itself again to hold files open from a second process.
    if (const auto held = WindowsTestHelpers::runHolderIfAsked (argc, argv); held >= 0)
        return held;
#endif

    if (const auto listed = listFontsIfAsked (argc, argv); listed >= 0)
        return listed;

    if (const auto rendered = ReferenceRendering::renderIfAsked (argc, argv); rendered >= 0)
        return rendered;

    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
