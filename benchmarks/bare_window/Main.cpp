// A window and nothing else: what start-up costs before the installer does any work of its own.
// It paints the same background and top bar, so the start-up probe detects both the same way.
#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
struct Content : juce::Component
{
    Content() { setSize (600, 600); }

    void paint (juce::Graphics& g) override
    {
        g.fillAll (juce::Colour (0xff111111));
        g.setColour (juce::Colour (0xff0094d8));
        g.fillRect (0, 0, getWidth(), getWidth() / 100);
    }
};

struct Window : juce::DocumentWindow
{
    explicit Window (const juce::String& name)
        : DocumentWindow (name, juce::Colours::black, DocumentWindow::allButtons)
    {
        setUsingNativeTitleBar (true);
        setContentOwned (new Content(), true);
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
    void initialise (const juce::String&) override { window = std::make_unique<Window> (getApplicationName()); }
    void shutdown() override { window = nullptr; }

    std::unique_ptr<Window> window;
};
} // namespace

START_JUCE_APPLICATION (BareWindowApplication)
