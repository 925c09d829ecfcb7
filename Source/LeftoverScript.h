#pragma once

#include <juce_core/juce_core.h>

/** The "script.sh" that the maker's older installers left in the temporary folder to finish a
    setup, removed when the program closes. */
namespace LeftoverScript
{
/** Deletes the temporary folder's "script.sh" if it is a file this program may remove; every
    failure is ignored.

    On Windows the temporary folder is the user's own, so any file of that name goes. Elsewhere
    it is usually /tmp, shared by every user, while this program runs as root: there the entry
    must be a regular file owned by the program's own user, reached from an absolute, non-empty
    folder path through no symbolic link at all, or it is left alone.
*/
void removeFrom (const juce::File& temporaryFolder);
} // namespace LeftoverScript
