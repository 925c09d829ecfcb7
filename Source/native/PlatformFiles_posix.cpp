// The POSIX half of PlatformFiles, compiled from PlatformFiles.cpp.

bool namesFixedPlace (const juce::String& value)
{
    return juce::File::isAbsolutePath (value);
}

bool isLink (const juce::File& entry)
{
    return entry.isSymbolicLink();
}

// No waiting for locks here: unlink() and rename() go ahead whatever other processes have open,
// and those keep reading what they opened, so a scanner can never make either fail.

bool removeEntry (const juce::File& entry)
{
    // JUCE unlinks a link itself and removes only empty folders; permissions of the entry play
    // no part, only those of its folder.
    return entry.deleteFile();
}

bool moveNatively (const juce::File& from, const juce::File& to)
{
    // rename() moves a link as the link, dangling or not, but would replace a file or an empty
    // folder at the destination.
    if (somethingAt (to))
        return false;

    return std::rename (from.getFullPathName().toRawUTF8(), to.getFullPathName().toRawUTF8()) == 0;
}

bool removeAtRestart (const juce::File&)
{
    return false;
}

bool isHidden (const juce::File&)
{
    return false;
}

void setHidden (const juce::File&, bool)
{
}
