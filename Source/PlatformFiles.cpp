#include "PlatformFiles.h"

#if JUCE_WINDOWS
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#else
#include <cstdio>
#endif

namespace PlatformFiles
{
namespace
{
    const ScopedMoveHook* currentMoveHook = nullptr;
    ScopedLockWait* currentLockWait = nullptr;
} // namespace

bool somethingAt (const juce::File& path)
{
    // exists() is one attribute query; the link test only runs for a path that seems empty.
    return path.exists() || path.isSymbolicLink();
}

// Each system's own half: namesFixedPlace, isLink, removeEntry, moveNatively, removeAtRestart,
// isHidden, setHidden.
bool moveNatively (const juce::File& from, const juce::File& to);

#if JUCE_WINDOWS
#include "native/PlatformFiles_windows.cpp"
#else
#include "native/PlatformFiles_posix.cpp"
#endif

bool moveEntry (const juce::File& from, const juce::File& to)
{
    if (currentMoveHook != nullptr && ! currentMoveHook->hook (from, to))
        return false;

    return somethingAt (from) && moveNatively (from, to);
}

ScopedLockWait::ScopedLockWait()
    : previous (currentLockWait)
{
    currentLockWait = this;
}

ScopedLockWait::~ScopedLockWait()
{
    currentLockWait = previous;
}

ScopedLockWait* ScopedLockWait::current()
{
    return currentLockWait;
}

int ScopedLockWait::allowanceMs (int pauseMs, int waitedByCallMs) const
{
    if (share == Share::none)
        return 0;

    // Ordinary waiting can never reach the reserve, so a put-back always finds it whole.
    const auto shareLimit = share == Share::putBack ? maxWaitInAllMs : maxWaitInAllMs - reservedForPutBackMs;
    return juce::jmax (0, juce::jmin (pauseMs, maxWaitPerCallMs - waitedByCallMs, shareLimit - waited));
}

ScopedLockWait::ScopedShare::ScopedShare (Share s)
{
    if (auto* wait = current())
    {
        previous = wait->share;
        wait->share = s;
    }
}

ScopedLockWait::ScopedShare::~ScopedShare()
{
    if (auto* wait = current())
        wait->share = previous;
}

ScopedMoveHook::ScopedMoveHook (Hook h)
    : hook (std::move (h)), previous (currentMoveHook)
{
    currentMoveHook = this;
}

ScopedMoveHook::~ScopedMoveHook()
{
    currentMoveHook = previous;
}
} // namespace PlatformFiles
