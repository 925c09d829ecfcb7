#pragma once

#include <juce_core/juce_core.h>

/** Tells a screen reader about a change that happened away from the focus, such as the verdict
    of an install, without moving the focus.

    Everything is announced through here, so that tests can record the announcements with a
    ScopedRecorder, as no screen reader listens to a test run.
*/
struct StatusAnnouncer
{
    /** Hands the text to the running screen reader, if any, to be read at once. */
    static void announce (const juce::String& text);

    /** While it lives, announce() only records each text. */
    class ScopedRecorder;
};

class StatusAnnouncer::ScopedRecorder
{
public:
    ScopedRecorder();
    ~ScopedRecorder();

    /** Every text announced so far, oldest first. */
    const juce::StringArray& getAnnouncements() const noexcept { return announcements; }

private:
    friend struct StatusAnnouncer;

    ScopedRecorder* previous;
    juce::StringArray announcements;

    JUCE_DECLARE_NON_COPYABLE (ScopedRecorder)
};
