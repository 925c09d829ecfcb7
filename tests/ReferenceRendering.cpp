#include "ReferenceRendering.h"

#include "CustomLookAndFeel.h"
#include "FontFactory.h"

#include <cstring>
#include <iostream>

namespace ReferenceRendering
{
namespace
{
    const std::pair<const char*, int> justifications[] = {
        { "centred", juce::Justification::centred },
        { "centredBottom", juce::Justification::centredBottom },
        { "bottomLeft", juce::Justification::bottomLeft },
        { "topLeft", juce::Justification::topLeft },
    };

    /** A text as a label of the program shows it: JUCE's own label over a plain background. */
    struct LabelOnBackground : public juce::Component
    {
        LabelOnBackground (const juce::String& text, const juce::Font& font, juce::Justification justification, juce::Colour ink, juce::Colour backgroundColour)
            : background (backgroundColour)
        {
            addAndMakeVisible (label);
            label.setJustificationType (justification);
            label.setColour (juce::Label::textColourId, ink);
            label.setFont (font);
            label.setText (text, juce::dontSendNotification);
        }

        void paint (juce::Graphics& g) override { g.fillAll (background); }
        void resized() override { label.setBounds (getLocalBounds()); }

        juce::Colour background;
        juce::Label label;
    };

    bool writePpm (const juce::Image& image, const juce::File& file)
    {
        juce::MemoryOutputStream out;
        out << "P6\n"
            << image.getWidth() << " " << image.getHeight() << "\n255\n";

        const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::readOnly);

        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
            {
                const auto c = pixels.getPixelColour (x, y);
                out.writeByte ((char) c.getRed());
                out.writeByte ((char) c.getGreen());
                out.writeByte ((char) c.getBlue());
            }

        return file.replaceWithData (out.getData(), out.getDataSize());
    }
} // namespace

juce::Image render (const Request& request)
{
    CustomLookAndFeel lookAndFeel;
    juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);

    const auto font = FontFactory::withTypeface (lookAndFeel.getRegularTypeface(), request.fontHeight);
    juce::Image image (juce::Image::RGB, request.width, request.height, true);

    if (request.asLabel)
    {
        LabelOnBackground component (request.text, font, request.justification, request.ink, request.background);
        component.setSize (request.width, request.height);
        juce::Graphics g (image);
        component.paintEntireComponent (g, true);
    }
    else
    {
        juce::Graphics g (image);
        g.fillAll (request.background);
        g.setColour (request.ink);
        g.setFont (font);
        g.drawText (request.text, juce::Rectangle<float> ((float) request.width, (float) request.height), request.justification, true);
    }

    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    return image;
}

int renderIfAsked (int argc, char** argv)
{
    if (argc < 2 || std::strcmp (argv[1], "--render-text") != 0)
        return -1;

    if (argc != 11)
    {
        std::cerr << "usage: --render-text label|text TEXT WIDTH HEIGHT FONT_HEIGHT JUSTIFICATION INK_ARGB BACKGROUND_RGB OUT.ppm\n";
        return 2;
    }

    Request request;
    request.asLabel = std::strcmp (argv[2], "label") == 0;
    request.text = juce::String::fromUTF8 (argv[3]);
    request.width = juce::String (argv[4]).getIntValue();
    request.height = juce::String (argv[5]).getIntValue();
    request.fontHeight = juce::String (argv[6]).getFloatValue();
    request.ink = juce::Colour ((juce::uint32) juce::String (argv[8]).getHexValue64());
    request.background = juce::Colour ((juce::uint32) juce::String (argv[9]).getHexValue64()).withAlpha (1.0f);

    bool known = false;

    for (const auto& [name, flags] : justifications)
        if (std::strcmp (argv[7], name) == 0)
        {
            request.justification = juce::Justification (flags);
            known = true;
        }

    if (! known || request.width <= 0 || request.height <= 0 || request.fontHeight <= 0.0f)
    {
        std::cerr << "bad --render-text arguments\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    const juce::File out (juce::String::fromUTF8 (argv[10]));

    if (! writePpm (render (request), out))
    {
        std::cerr << "cannot write " << out.getFullPathName() << "\n";
        return 1;
    }

    std::cout << "rendered " << request.width << "x" << request.height << " to " << out.getFullPathName() << "\n";
    return 0;
}
} // namespace ReferenceRendering
