#pragma once

#include <juce_core/juce_core.h>

/** Who this program is: the name shown in the title bar and the version shown on screen. */
namespace ProgramInfo
{
inline const juce::String name { "qf_installer" };
inline const juce::String version { "1.0.5" };
} // namespace ProgramInfo
