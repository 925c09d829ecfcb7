#include "TextReference.h"

#include "CustomLookAndFeel.h"
#include "FontFactory.h"
#include "PixelChecks.h"

#include <iostream>
#include <stdexcept>

namespace TextReference
{
Text boxed (const juce::String& text, float height, juce::Colour colour, juce::Rectangle<float> box, juce::Justification justification)
{
    return { Text::Kind::boxed, text, height, colour, box, justification };
}

Text fitted (const juce::String& text, float height, juce::Colour colour, juce::Rectangle<int> box, juce::Justification justification, int maximumLines, float minimumHorizontalScale)
{
    return { Text::Kind::fitted, text, height, colour, box.toFloat(), justification, maximumLines, minimumHorizontalScale };
}

Text singleLine (const juce::String& text, float height, juce::Colour colour, int x, int baseline)
{
    return { Text::Kind::singleLine, text, height, colour, { (float) x, (float) baseline, 0.0f, 0.0f } };
}

Text label (const juce::String& text, float height, juce::Colour colour, juce::Rectangle<int> bounds, juce::Justification justification)
{
    const auto area = juce::BorderSize<int> (1, 5, 1, 5).subtractedFrom (bounds);
    return fitted (text, height, colour, area, justification, juce::jmax (1, (int) ((float) area.getHeight() / height)));
}

namespace
{
    void drawIn (juce::Graphics& g, const Text& t, const juce::Typeface::Ptr& typeface)
    {
        g.setColour (t.colour);
        g.setFont (FontFactory::withTypeface (typeface, t.height));

        switch (t.kind)
        {
            case Text::Kind::boxed:
                g.drawText (t.text, t.box, t.justification, true);
                break;
            case Text::Kind::fitted:
                g.drawFittedText (t.text, t.box.toNearestInt(), t.justification, t.maximumLines, t.minimumHorizontalScale);
                break;
            case Text::Kind::singleLine:
                g.drawSingleLineText (t.text, (int) t.box.getX(), (int) t.box.getY(), juce::Justification::left);
                break;
        }
    }
} // namespace

void draw (juce::Graphics& g, const Text& t)
{
    const CustomLookAndFeel lookAndFeel;
    drawIn (g, t, lookAndFeel.getRegularTypeface());
}

juce::Image render (juce::Rectangle<int> area, juce::Colour background, const std::vector<Text>& texts)
{
    juce::Image image (juce::Image::ARGB, juce::jmax (1, area.getWidth()), juce::jmax (1, area.getHeight()), true);
    juce::Graphics g (image);
    g.fillAll (background);
    g.setOrigin (-area.getPosition());
    const CustomLookAndFeel lookAndFeel;

    for (const auto& t : texts)
        drawIn (g, t, lookAndFeel.getRegularTypeface());

    return image;
}

::testing::AssertionResult matches (const juce::Image& painted,
                                    juce::Rectangle<int> area,
                                    juce::Colour background,
                                    const std::vector<Text>& texts,
                                    const std::vector<juce::Rectangle<int>>& excluded,
                                    int tolerance)
{
    area = area.getIntersection (painted.getBounds());
    auto result = PixelChecks::matchesReference (painted, area, render (area, background, texts), excluded, tolerance);

    if (! result)
    {
        juce::StringArray strings;

        for (const auto& t : texts)
            strings.add ("\"" + t.text + "\"");

        result << " of " << strings.joinIntoString (", ");
    }

    return result;
}

//==============================================================================
namespace
{
    juce::Justification justificationNamed (const juce::String& name)
    {
        static const std::pair<const char*, int> names[] = {
            { "left", juce::Justification::left },
            { "right", juce::Justification::right },
            { "centred", juce::Justification::centred },
            { "centredLeft", juce::Justification::centredLeft },
            { "centredRight", juce::Justification::centredRight },
            { "centredTop", juce::Justification::centredTop },
            { "centredBottom", juce::Justification::centredBottom },
            { "topLeft", juce::Justification::topLeft },
            { "topRight", juce::Justification::topRight },
            { "bottomLeft", juce::Justification::bottomLeft },
            { "bottomRight", juce::Justification::bottomRight },
        };

        for (const auto& [n, flags] : names)
            if (name == n)
                return flags;

        throw std::invalid_argument ("unknown justification " + name.toStdString());
    }

    juce::Rectangle<int> rectangleOf (const juce::var& v)
    {
        if (! v.isArray() || v.size() != 4)
            throw std::invalid_argument ("a rectangle is [x, y, width, height]");

        return { (int) v[0], (int) v[1], (int) v[2], (int) v[3] };
    }

    juce::Colour colourOf (const juce::var& v) { return juce::Colour::fromString (v.toString()); }

    Text textOf (const juce::var& v)
    {
        const auto kind = v["kind"].toString();
        const auto text = v["text"].toString();
        const auto height = (float) (double) v["height"];
        const auto colour = colourOf (v["colour"]);

        if (kind == "singleLine")
            return singleLine (text, height, colour, (int) v["x"], (int) v["baseline"]);

        const auto box = rectangleOf (v["box"]);
        const auto justification = justificationNamed (v["justification"].toString());

        if (kind == "boxed")
            return boxed (text, height, colour, box.toFloat(), justification);

        if (kind == "fitted")
            return fitted (text, height, colour, box, justification, (int) v["lines"], (float) (double) v["scale"]);

        if (kind == "label")
            return label (text, height, colour, box, justification);

        throw std::invalid_argument ("unknown kind " + kind.toStdString());
    }
} // namespace

int renderSpecs (int argc, char** argv)
{
    if (argc < 3)
    {
        std::cerr << "usage: " << argv[0] << " " << argv[1] << " '{\"area\": [x, y, w, h], \"background\": \"ff111111\", \"texts\": [...]}'...\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;

    // Several specs in one run: under Wine every start of the program costs a second.
    try
    {
        for (int i = 2; i < argc; ++i)
        {
            const auto spec = juce::JSON::parse (juce::String::fromUTF8 (argv[i]));
            const auto area = rectangleOf (spec["area"]);
            std::vector<Text> texts;

            if (const auto* list = spec["texts"].getArray())
                for (const auto& t : *list)
                    texts.push_back (textOf (t));

            const auto image = render (area, colourOf (spec["background"]), texts);
            std::cout << image.getWidth() << " " << image.getHeight() << "\n";

            for (int y = 0; y < image.getHeight(); ++y)
            {
                std::string row;

                for (int x = 0; x < image.getWidth(); ++x)
                    row += image.getPixelAt (x, y).toDisplayString (false).toStdString();

                std::cout << row << "\n";
            }
        }
    }
    catch (const std::exception& e)
    {
        std::cerr << argv[1] << ": " << e.what() << "\n";
        return 2;
    }

    return 0;
}
} // namespace TextReference
