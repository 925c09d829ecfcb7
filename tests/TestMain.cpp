#include "WindowsTestHelpers.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

// Components need JUCE's message manager and desktop; no display is needed to build and paint them.
int main (int argc, char** argv)
{
#if JUCE_WINDOWS
    // The suite starts itself again to hold files open from a second process.
    if (const auto held = WindowsTestHelpers::runHolderIfAsked (argc, argv); held >= 0)
        return held;
#endif

    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
