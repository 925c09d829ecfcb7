#pragma once

#include "ProgramIdentity.h"

#include <juce_core/juce_core.h>

/** Who this program is: the name shown in the title bar and the version shown on screen. Both
    come from the build's project(), which also writes them into the Windows version record and
    manifest. */
namespace ProgramInfo
{
inline const juce::String name { QF_PROGRAM_NAME };
inline const juce::String version { QF_PROGRAM_VERSION };
} // namespace ProgramInfo
