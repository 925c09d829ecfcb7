#pragma once

#include "EmbeddedArchives.h"
#include "Product.h"

#include <juce_core/juce_core.h>

/** Installs and uninstalls the product's formats in their install folders.

    How the copies beside an item are named, and what a kill at any moment leaves, is described in
    SiblingNames.h.
*/
namespace InstallEngine
{
/** How one format's install or uninstall ended. Only run() folds it into the verdict the user
    sees; nothing else is made of it. */
enum class Outcome
{
    done,
    unusableFolder, // empty or relative, or it cannot be created
    archiveUnreadable, // no bytes, no memory for its copy, or a central directory that cannot be read
    entryRefused, // outside the item, a link, or reached through a link
    entryNotWritten, // could not be created or written, or its bytes are not the ones recorded
    oldItemNotSetAside, // the old item could not be taken out of hosts' sight; it is in place as it was
    newItemNotPlaced, // the new item could not be renamed into place; the old one is back as it was
    oldItemLeftAside, // nor could the old one be put back: it is kept whole, set aside and out of sight
    itemNotRemoved // uninstall: the item is still in sight, or what is left of it can go neither now nor at restart
};

/** Replaces the format's item in the install folder by the archive's contents, and clears away
        the copies an earlier run left beside it. Only writing and placing the new item decide:
        an old copy that cannot be deleted (a host has it loaded) is left renamed out of hosts'
        sight for a later run, or the next restart, to remove. On failure, the old item is in
        place as it was, or (oldItemLeftAside) kept whole under a sibling name. */
Outcome installFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex, ArchiveData archive);

/** Removes the format's item, and any copies of it an earlier run left behind, from the install
        folder, never following links. Done when nothing of it is left under its name or any name
        hosts load, and whatever is left (in use by a host) is registered for removal at restart;
        also when there was nothing. */
Outcome uninstallFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex);

/** One run of the action button: handles each ticked format in the order VST3, CLAP, AAX,
        clears the ticks of the formats it handled, and returns the verdict: true only if at
        least one format was handled and every one of them is done. All the waiting for other
        processes' brief holds in one run shares one PlatformFiles::ScopedLockWait. */
bool run (Product::PerFormat<bool>& selected,
          const Product::PerFormat<juce::File>& installFolders,
          const juce::String& productName,
          bool uninstall);
} // namespace InstallEngine
