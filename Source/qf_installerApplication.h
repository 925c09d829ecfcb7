#pragma once

#include "ClientAreaConstrainer.h"
#include "VBlankStandIn.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** The application object: it owns the one window and does nothing else. */
class qf_installerApplication : public juce::JUCEApplication
{
public:
    qf_installerApplication() = default;
    ~qf_installerApplication() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;

    void initialise (const juce::String& commandLine) override;
    void shutdown() override;

    void anotherInstanceStarted (const juce::String& commandLine) override;
    void systemRequestedQuit() override;

    /** The square window that holds the main screen. */
    class MainWindow : public juce::DocumentWindow
    {
    public:
        explicit MainWindow (const juce::String& name);

        void closeButtonPressed() override;

    private:
        ClientAreaConstrainer clientConstrainer { *this };

        // Created once the window is on the desktop, so it can watch the window's peer.
        std::unique_ptr<VBlankStandIn> liveScreen;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainWindow)
    };

private:
    std::unique_ptr<MainWindow> mainWindow;
};
