#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

// Components need JUCE's message manager and desktop; no display is needed to build and paint them.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
