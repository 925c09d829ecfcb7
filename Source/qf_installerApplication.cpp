#include "qf_installerApplication.h"

#include "FontFactory.h"
#include "MainComponent.h"
#include "ProgramInfo.h"

qf_installerApplication::~qf_installerApplication()
{
    mainWindow = nullptr;
}

const juce::String qf_installerApplication::getApplicationName()
{
    return ProgramInfo::name;
}

const juce::String qf_installerApplication::getApplicationVersion()
{
    return ProgramInfo::version;
}

bool qf_installerApplication::moreThanOneInstanceAllowed()
{
    return true;
}

void qf_installerApplication::initialise (const juce::String&)
{
    // Arguments are ignored: the installer has no options.
    mainWindow.reset (new MainWindow (getApplicationName()));
}

void qf_installerApplication::shutdown()
{
    mainWindow = nullptr;
}

void qf_installerApplication::anotherInstanceStarted (const juce::String&) {}

void qf_installerApplication::systemRequestedQuit()
{
    quit();
}

//==============================================================================
qf_installerApplication::MainWindow::MainWindow (const juce::String& name)
    : DocumentWindow (name,
                      juce::Desktop::getInstance().getDefaultLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId),
                      DocumentWindow::allButtons)
{
    // The screen is laid out in units of its width, so its client area has to stay square.
    // Set before the native title bar, whose window would otherwise be made twice.
    clientConstrainer.setSizeLimits (128, 128, 32768, 32768);
    clientConstrainer.setFixedAspectRatio (1.0);
    setConstrainer (&clientConstrainer);

    setUsingNativeTitleBar (true);
    setContentOwned (new MainComponent(), true);

    // When the window becomes active, JUCE gives the keyboard focus to the window itself, from
    // where Tab leads nowhere; passed down, it reaches the screen, whose Tab enters the controls.
    setWantsKeyboardFocus (false);
    setResizable (true, true);

    centreWithSize (getWidth(), getHeight());
    setVisible (true);

    liveScreen = std::make_unique<VBlankStandIn> (*this);

    // JUCE 8 paints the first frame on the first vertical blank after the window is mapped (on
    // Linux, a timer at the display's refresh rate), and until then the program only waits. The
    // one-time text set-up the first paint would do is done in that wait instead.
    juce::MessageManager::callAsync ([window = juce::Component::SafePointer<MainWindow> (this)]
                                     {
                                         if (window != nullptr)
                                             FontFactory::prepareTextLayout(); });
}

void qf_installerApplication::MainWindow::closeButtonPressed()
{
    juce::JUCEApplication::getInstance()->systemRequestedQuit();
}
