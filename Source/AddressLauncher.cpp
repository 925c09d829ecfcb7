#include "AddressLauncher.h"

namespace
{
AddressLauncher::ScopedRecorder* recorder = nullptr;
}

void AddressLauncher::launch (const juce::URL& address)
{
    if (recorder != nullptr)
    {
        recorder->addresses.add (address.toString (true));
        return;
    }

    address.launchInDefaultBrowser();
}

AddressLauncher::ScopedRecorder::ScopedRecorder()
    : previous (recorder)
{
    recorder = this;
}

AddressLauncher::ScopedRecorder::~ScopedRecorder()
{
    recorder = previous;
}
