#pragma once

#include <juce_core/juce_core.h>

/** The end-user licence agreement shown by the licence panel. */
extern const juce::String eulaText;
