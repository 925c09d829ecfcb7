#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Reference pictures of single texts, drawn by this build's JUCE in the program's typeface,
    for the real-window tests to compare a screen with. The test binary draws one when started
    as
        qf_tests --render-text label|text TEXT WIDTH HEIGHT FONT_HEIGHT JUSTIFICATION INK BACKGROUND OUT.ppm
    "label" draws the text as a JUCE label of that size does, "text" as Graphics::drawText into
    a box of that size; INK is ARGB and BACKGROUND RGB, both in hex. */
namespace ReferenceRendering
{
struct Request
{
    bool asLabel = true;
    juce::String text;
    int width = 0, height = 0;
    float fontHeight = 0.0f;
    juce::Justification justification { juce::Justification::centred };
    juce::Colour ink, background;
};

/** The text in the embedded regular typeface over an opaque background. */
juce::Image render (const Request&);

/** Draws the picture asked for on the command line and returns the exit code, or -1 when the
    command line asks for something else. */
int renderIfAsked (int argc, char** argv);
} // namespace ReferenceRendering
