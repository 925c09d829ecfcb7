#pragma once

#include <juce_core/juce_core.h>

#include <functional>

/** The few file operations whose rules differ between Windows and Linux.

    Everything the installer does to an item on disk that JUCE does not do the same way on both
    systems goes through here: which path values name a place at all, what counts as a link,
    removing and renaming one entry, and the hidden attribute of the installer's own siblings.
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

/** Removes one entry itself: a file, an empty folder, or a link (never what it points to).
        A read-only attribute of the entry is cleared first. Returns true if nothing is left at
        the path, including when there was nothing. Waits out a brief lock while a
        ScopedLockWait exists. */
bool removeEntry (const juce::File& entry);

/** Renames an entry within its volume, a link as the link itself, and never replaces anything
        already at the destination. Waits out a brief lock while a ScopedLockWait exists. */
bool moveEntry (const juce::File& from, const juce::File& to);

/** Whether the entry carries the hidden attribute (Windows; elsewhere a leading dot hides). */
bool isHidden (const juce::File& entry);

/** Sets or clears the hidden attribute on the entry itself, never through a link (Windows;
        elsewhere it does nothing). */
void setHidden (const juce::File& entry, bool shouldBeHidden);

/** While one exists, a rename or removal that another process's open file blocks is tried
        again with a growing pause, since virus scanners, the search indexer, Explorer's preview
        and hosts scanning plug-ins hold files for moments. One call waits at most
        maxWaitPerCallMs in all; all the calls made while the same one exists together wait at
        most maxWaitInAllMs, after which a blocked call fails at once. Any other failure fails at
        once. The engine makes one for each format, so a lasting hold fails the format within
        about maxWaitInAllMs.

        Only Windows refuses a rename or removal because another process has the file open;
        elsewhere this changes nothing.
    */
class ScopedLockWait
{
public:
    static constexpr int maxWaitPerCallMs = 2000;
    static constexpr int maxWaitInAllMs = 5000;

    ScopedLockWait();
    ~ScopedLockWait();

    /** How long the calls may still wait, in milliseconds. */
    int remainingMs() const { return maxWaitInAllMs - waitedMs; }

    /** Counts a pause taken. */
    void spend (int ms) { waitedMs += ms; }

    static ScopedLockWait* current();

private:
    int waitedMs = 0;
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
