#include "StatusAnnouncer.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
StatusAnnouncer::ScopedRecorder* recorder = nullptr;
}

void StatusAnnouncer::announce (const juce::String& text)
{
    if (recorder != nullptr)
    {
        recorder->announcements.add (text);
        return;
    }

    // High: a verdict interrupts whatever the reader is saying, as the notice on screen does.
    juce::AccessibilityHandler::postAnnouncement (text, juce::AccessibilityHandler::AnnouncementPriority::high);
}

StatusAnnouncer::ScopedRecorder::ScopedRecorder()
    : previous (recorder)
{
    recorder = this;
}

StatusAnnouncer::ScopedRecorder::~ScopedRecorder()
{
    recorder = previous;
}
