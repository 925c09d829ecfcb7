#pragma once

#include <juce_core/juce_core.h>

/** Hands web and mail addresses to the system's browser or mail program.

    The main screen and the support panel launch every address through here, so that tests can
    record the addresses with a ScopedRecorder instead of starting a browser.
*/
struct AddressLauncher
{
    /** Opens the address in the default browser (or mail program); whether one started is not
        reported. */
    static void launch (const juce::URL& address);

    /** While it lives, launch() only records each address, as the browser would receive it. */
    class ScopedRecorder;
};

class AddressLauncher::ScopedRecorder
{
public:
    ScopedRecorder();
    ~ScopedRecorder();

    /** Every address launched so far, oldest first. */
    const juce::StringArray& getAddresses() const noexcept { return addresses; }

private:
    friend struct AddressLauncher;

    ScopedRecorder* previous;
    juce::StringArray addresses;

    JUCE_DECLARE_NON_COPYABLE (ScopedRecorder)
};
