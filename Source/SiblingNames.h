#pragma once

#include <juce_core/juce_core.h>

/** The names the installer gives what it keeps beside an item in the item's install folder.

    Hosts scan their plug-in folders recursively and load whatever has a plug-in's name, so below
    an install folder nothing but the item itself may have a name ending in ".vst3", ".clap" or
    ".aaxplugin", at any depth. The copies the installer works with need such names inside them
    (a bundle's binary is named like the bundle), so they get other names while they are copies:

    - The staging copy, ".<item>.qf-staging-<hex>", is the new item itself under another name: a
      bundle's entries land directly below it, the CLAP file is that file. Every part of an entry
      path below it that hosts would load carries hiddenSuffix until the whole copy is written and
      checked; those parts get their real names back just before the one rename that puts the copy
      in place.
    - The old item, set aside by one rename to ".<item>.qf-old-<hex>", at once has every name inside
      it that hosts would load renamed to carry hiddenSuffix. A loaded DLL and its folders may be
      renamed on Windows, though not deleted, so this works while a host holds the plug-in.

    They live in the install folder itself, not in a temporary folder, because it is the one place
    certain to be on the item's own volume (install folders may be reached through a junction on
    another drive, and a rename never crosses volumes) and writable by the installer.

    Two windows are left that no order of renames closes, each a few renames long (one per name
    hosts load inside the item: one for the sample bundles, none for the CLAP file). While the old
    item is set aside and its inner names are being hidden, and while the staging copy's inner
    names are being restored before it is put in place, that copy sits under its sibling name with
    a loadable name inside it, and the real name holds nothing. A kill there leaves one WHOLE copy,
    old or new, under a sibling name and nothing under the real one; never a partial copy, never
    two copies (the old item's names are hidden before the staging copy's are restored). The next
    run, install or uninstall, hides and removes every sibling before it does anything else.

    What cannot be removed (a DLL a host has loaded) stays under its sibling name with its inner
    names hidden, and on Windows is registered for removal at the next restart; the next run
    removes it once the host has let go.
*/
namespace SiblingNames
{
enum class Role
{
    staging,
    setAside
};

/** What a loadable name below a sibling carries at its end while it is a copy's. */
extern const char* const hiddenSuffix;

/** ".<item>.qf-staging-" or ".<item>.qf-old-": a sibling's name is this followed by one to eight
        lowercase hexadecimal digits. */
juce::String prefix (const juce::String& itemName, Role);

/** A sibling of the role that does not exist yet. */
juce::File unused (const juce::File& installFolder, const juce::String& itemName, Role);

/** True only for a name the installer gives a sibling of this item; a user's file of a similar
        name ("qf-old-notes", nine digits, another item's) is not one. */
bool isSibling (const juce::String& name, const juce::String& itemName);

/** Whether hosts load an entry of this name: it ends in a plug-in extension, in any case, with
        trailing dots and spaces ignored as Windows ignores them. */
bool isLoadable (const juce::String& name);
} // namespace SiblingNames
