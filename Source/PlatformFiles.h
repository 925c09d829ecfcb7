#pragma once

#include <juce_core/juce_core.h>

#include <functional>

/** The few file operations whose rules differ between Windows and Linux.

    Everything the installer does to an item on disk that JUCE does not do the same way on both
    systems goes through here: which path values name a place at all, what counts as a link,
    removing and renaming one entry, and the hidden attribute of the installer's own siblings.
    The shared parts are in PlatformFiles.cpp, each system's own in native/PlatformFiles_*.cpp.
*/
namespace PlatformFiles
{
/** Whether a path value names the same folder whatever the current folder is.

        On Windows the value is judged after "/" has become "\": only a drive letter followed
        by a separator ("C:\...") or a UNC path to a share ("\\server\share...") qualifies. On
        Linux it is JUCE's own rule: a value starting with "/" or "~".
    */
bool namesFixedPlace (const juce::String& path);

/** True if the entry is a link of any kind, dangling or not, or any other entry that the system
        resolves to somewhere else. Such an entry is never entered. Whether the folders above the
        entry are reached through links plays no part. */
bool isLink (const juce::File& entry);

/** True if anything sits at the path: a file, a folder or a link, even a dangling one. One
        attribute query, and a second only for a path that seems empty. */
bool somethingAt (const juce::File& path);

/** Removes one entry itself: a file, an empty folder, or a link (never what it points to).
        A read-only attribute of the entry is cleared first. Returns true if nothing is left at
        the path, including when there was nothing. Waits out a brief lock from the current
        ScopedLockWait's share. */
bool removeEntry (const juce::File& entry);

/** Renames an entry within its volume, a link as the link itself, and never replaces anything
        already at the destination. Waits out a brief lock from the current ScopedLockWait's share. */
bool moveEntry (const juce::File& from, const juce::File& to);

/** Asks the system to remove the entry itself when the computer next starts (Windows: the
        session manager's pending operations, which need administrator rights; elsewhere there
        is no such thing and this returns false). Never a link: what the session manager does with
        one is not documented. Returns true if the removal was registered. */
bool removeAtRestart (const juce::File& entry);

/** Whether the entry carries the hidden attribute (Windows; elsewhere a leading dot hides). */
bool isHidden (const juce::File& entry);

/** Sets or clears the hidden attribute on the entry itself, never through a link (Windows;
        elsewhere it does nothing). */
void setHidden (const juce::File& entry, bool shouldBeHidden);

/** The budget for waiting out other processes' brief holds during one click of the action
    button.

    Virus scanners, the search indexer, Explorer's preview and hosts scanning plug-ins hold files
    for moments, and Windows then refuses a rename or removal. While one of these exists, such a
    call is tried again with a growing pause. Everything waited while the same one exists counts
    against maxWaitInAllMs, so a click returns well before Windows judges the window hung (5 s)
    and offers to kill the program half way. Which errors count as brief is decided per call (see
    the Windows half); any other failure fails at once.

    Calls draw from the share set with ScopedShare: ordinary calls may spend all but
    reservedForPutBackMs, putting the old item back after a failed swap may spend everything left,
    and clean-up whose outcome decides nothing never waits. A call without any ScopedLockWait never
    waits either.

    Only Windows refuses a rename or removal because another process has the file open;
    elsewhere nothing ever waits.
*/
class ScopedLockWait
{
public:
    static constexpr int maxWaitInAllMs = 3000;
    static constexpr int reservedForPutBackMs = 1000;
    static constexpr int maxWaitPerCallMs = 2000;

    enum class Share
    {
        none,
        ordinary,
        putBack
    };

    ScopedLockWait();
    ~ScopedLockWait();

    /** Everything paused so far, in milliseconds. */
    int waitedMs() const { return waited; }

    /** How long a call of the current share may pause next, given the pause it asks for and what
        it has already waited. */
    int allowanceMs (int pauseMs, int waitedByCallMs) const;

    /** Counts a pause taken. */
    void spend (int ms) { waited += ms; }

    static ScopedLockWait* current();

    /** While one exists, the calls made draw from the given share of the current budget (if
        there is one). */
    class ScopedShare
    {
    public:
        explicit ScopedShare (Share);
        ~ScopedShare();

    private:
        Share previous = Share::none;
        JUCE_DECLARE_NON_COPYABLE (ScopedShare)
    };

private:
    int waited = 0;
    Share share = Share::ordinary;
    ScopedLockWait* previous;

    JUCE_DECLARE_NON_COPYABLE (ScopedLockWait)
};

/** For tests: sees every moveEntry() before it happens, and fails it by returning false. */
class ScopedMoveHook
{
public:
    using Hook = std::function<bool (const juce::File& from, const juce::File& to)>;

    explicit ScopedMoveHook (Hook);
    ~ScopedMoveHook();

private:
    Hook hook;
    const ScopedMoveHook* previous;

    friend bool moveEntry (const juce::File&, const juce::File&);
    JUCE_DECLARE_NON_COPYABLE (ScopedMoveHook)
};
} // namespace PlatformFiles
