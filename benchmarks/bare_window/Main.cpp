// A window and nothing else: what start-up costs before the installer does any work of its own.
// It paints the same background and top bar, so the start-up probe detects both the same way.
//
//   qf_bare_window [--text]
//
// With --text it also draws one line in the installer's typeface, made from memory the same way:
// the first text any JUCE 8 window draws costs the same one-time set-up, whatever program draws it.
#include "FontFactory.h"

#include <BinaryData.h>

#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
struct Content : juce::Component
{
    explicit Content (bool withText)
    {
        if (withText)
            typeface = FontFactory::fromMemory (BinaryData::SourceSansProRegular_ttf, (size_t) BinaryData::SourceSansProRegular_ttfSize);

        setSize (600, 600);
    }

    void paint (juce::Graphics& g) override
    {
        g.fillAll (juce::Colour (0xff111111));
        g.setColour (juce::Colour (0xff0094d8));
        g.fillRect (0, 0, getWidth(), getWidth() / 100);

        if (typeface != nullptr)
        {
            g.setFont (FontFactory::withTypeface (typeface, 36.0f));
            g.drawText ("RACKHAND", getLocalBounds(), juce::Justification::centred, true);
        }
    }

    juce::Typeface::Ptr typeface;
};

struct Window : juce::DocumentWindow
{
    Window (const juce::String& name, bool withText)
        : DocumentWindow (name, juce::Colours::black, DocumentWindow::allButtons)
    {
        setUsingNativeTitleBar (true);
        setContentOwned (new Content (withText), true);
        setResizable (true, true);
        centreWithSize (getWidth(), getHeight());
        setVisible (true);
    }

    void closeButtonPressed() override { juce::JUCEApplication::getInstance()->systemRequestedQuit(); }
};

struct BareWindowApplication : juce::JUCEApplication
{
    const juce::String getApplicationName() override { return "qf_bare_window"; }
    const juce::String getApplicationVersion() override { return "1.0.0"; }
    bool moreThanOneInstanceAllowed() override { return true; }

    void initialise (const juce::String& commandLine) override
    {
        window = std::make_unique<Window> (getApplicationName(), commandLine.trim() == "--text");
    }

    void shutdown() override { window = nullptr; }

    std::unique_ptr<Window> window;
};
} // namespace

START_JUCE_APPLICATION (BareWindowApplication)
