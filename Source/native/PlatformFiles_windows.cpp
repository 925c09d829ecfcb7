// The Windows half of PlatformFiles, compiled from PlatformFiles.cpp.

namespace
{
// FILE_FLAG_OPEN_REPARSE_POINT opens a link as the link itself, so nothing done through the
// handle reaches what it points to; without it, the handle is on whatever the path resolves to.
struct EntryHandle
{
    EntryHandle (const juce::File& f, DWORD access, bool asItself = true)
        : handle (CreateFileW (f.getFullPathName().toWideCharPointer(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | (asItself ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr))
    {
    }

    ~EntryHandle()
    {
        if (isOpen())
            CloseHandle (handle);
    }

    bool isOpen() const { return handle != INVALID_HANDLE_VALUE; }

    HANDLE handle;

    JUCE_DECLARE_NON_COPYABLE (EntryHandle)
};

juce::String finalPath (HANDLE handle)
{
    const auto size = GetFinalPathNameByHandleW (handle, nullptr, 0, 0);

    if (size == 0)
        return {};

    juce::HeapBlock<wchar_t> buffer (size + 1, true);

    if (GetFinalPathNameByHandleW (handle, buffer, size + 1, 0) == 0)
        return {};

    return juce::String (buffer.get());
}

// The tag of the reparse point the handle is on, or 0 when it holds no reparse data.
ULONG reparseTag (const EntryHandle& entry)
{
    juce::HeapBlock<char> buffer (MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD bytes = 0;

    if (DeviceIoControl (entry.handle, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer, MAXIMUM_REPARSE_DATA_BUFFER_SIZE, &bytes, nullptr) == 0 || bytes < sizeof (ULONG))
        return 0;

    ULONG tag = 0;
    std::memcpy (&tag, buffer, sizeof (tag));
    return tag;
}

bool volumeHoldsReparsePoints (const EntryHandle& entry)
{
    DWORD flags = 0;
    return GetVolumeInformationByHandleW (entry.handle, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) != 0
           && (flags & FILE_SUPPORTS_REPARSE_POINTS) != 0;
}

enum class Kind
{
    plain,
    link, // a link the system shows as one: calls act on the link itself
    opaqueLink // a link the system shows as what it points to: every call would reach that
};

Kind kindOf (const juce::File& f, DWORD attributes)
{
    const EntryHandle entry (f, FILE_READ_ATTRIBUTES);

    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    {
        // Documented: FSCTL_GET_REPARSE_POINT on a handle opened as the entry itself returns its
        // reparse data, tag first. A name-surrogate tag (symbolic link, junction, mount point)
        // stands for another entry, and DeleteFile, RemoveDirectory and MoveFileEx act on the
        // link, never on its target. Other tags (cloud files, deduplication, compression)
        // belong to ordinary files and folders whose data a filter supplies. Wine gives a link
        // of the host system to a folder the attribute but no reparse data, and every call on
        // it reaches the target; an entry that cannot be opened is taken for that too.
        const auto tag = entry.isOpen() ? reparseTag (entry) : 0;

        if (tag == 0)
            return Kind::opaqueLink;

        return IsReparseTagNameSurrogate (tag) ? Kind::link : Kind::plain;
    }

    // Documented: on a volume that holds reparse points, an entry without the attribute is no
    // link, whatever links the folders above it are reached through. Only on a volume that
    // holds none, as Wine shows the host's file systems, can a link hide as a plain entry: Wine
    // shows a host link to a file as that file. Such a link resolves to a path outside its
    // folder. Both sides are resolved through every link above them, so a folder that is
    // itself reached through a link changes nothing.
    if (! entry.isOpen() || volumeHoldsReparsePoints (entry))
        return Kind::plain;

    const EntryHandle parent (f.getParentDirectory(), FILE_READ_ATTRIBUTES, false);
    const auto own = finalPath (entry.handle);
    const auto parentPath = parent.isOpen() ? finalPath (parent.handle) : juce::String();

    if (own.isEmpty() || parentPath.isEmpty())
        return Kind::plain;

    return own.compareIgnoreCase (juce::File::addTrailingSeparator (parentPath) + f.getFileName()) == 0 ? Kind::plain : Kind::opaqueLink;
}

bool isOpaqueLink (const juce::File& f, DWORD attributes)
{
    return kindOf (f, attributes) == Kind::opaqueLink;
}

// Which failures another process's handle causes for a moment, per operation. Any call: a
// sharing mode without FILE_SHARE_DELETE, a byte-range lock. Renaming a folder: access denied,
// which Windows gives while a file inside is open without delete sharing (documented for
// MoveFileEx on folders; Wine renames such a folder, so this is reasoned, not seen). Removing a
// folder: not empty, while a child removed a moment ago is still delete-pending, as on file
// systems without POSIX delete semantics (FAT, exFAT, ReFS, network shares). Access denied on
// a delete is never brief: it is a mapped image (a loaded plug-in) or an access-control
// refusal, and neither clears in seconds.
enum class Operation
{
    deleteFile,
    removeFolder,
    renameFile,
    renameFolder
};

bool isBriefLock (DWORD error, Operation operation)
{
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return true;

    return (operation == Operation::renameFolder && error == ERROR_ACCESS_DENIED)
           || (operation == Operation::removeFolder && error == ERROR_DIR_NOT_EMPTY);
}

// Makes the call, and while another process's handle blocks it and the current ScopedLockWait
// allows, pauses and makes it again. The last error is the last call's.
template <typename Call>
bool waitingOutLocks (Operation operation, Call&& call)
{
    auto* wait = ScopedLockWait::current();

    for (int pause = 10, waited = 0;; pause = juce::jmin (pause * 2, 250))
    {
        if (call())
            return true;

        const auto error = GetLastError();
        const auto allowed = wait != nullptr && isBriefLock (error, operation) ? wait->allowanceMs (pause, waited) : 0;

        if (allowed <= 0)
        {
            SetLastError (error);
            return false;
        }

        juce::Thread::sleep (allowed);
        wait->spend (allowed);
        waited += allowed;
    }
}

// Through a handle on the entry itself, so a link's own attributes change, never its target's.
bool changeAttributes (const juce::File& f, DWORD toSet, DWORD toClear)
{
    constexpr DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE
                               | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

    EntryHandle entry (f, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    FILE_BASIC_INFO info {};

    if (! entry.isOpen() || ! GetFileInformationByHandleEx (entry.handle, FileBasicInfo, &info, sizeof (info)))
        return false;

    const auto current = info.FileAttributes & settable;
    const auto wanted = (current | toSet) & ~toClear;

    if (wanted == current)
        return true;

    FILE_BASIC_INFO change {}; // zero times are left as they are
    change.FileAttributes = wanted != 0 ? wanted : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle (entry.handle, FileBasicInfo, &change, sizeof (change)) != 0;
}
} // namespace

bool namesFixedPlace (const juce::String& value)
{
    // A value names a place only if it names the same folder whatever the current folder is, on
    // whichever drive is current. That leaves a drive letter followed by a separator ("C:\...")
    // and a UNC path to a share ("\\server\share..."). "C:plugins" and a bare "C:" depend on the
    // current folder of drive C:, a rooted "\Plugins" on which drive is current, and a plain
    // relative value on the current folder itself; none of them is a place.
    const auto path = value.replaceCharacter ('/', '\\');

    const auto drive = path[0];

    if (((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z')) && path[1] == ':' && path[2] == '\\')
        return true;

    if (! path.startsWith ("\\\\"))
        return false;

    const auto server = path.substring (2).upToFirstOccurrenceOf ("\\", false, false);
    const auto share = path.substring (2).fromFirstOccurrenceOf ("\\", false, false).upToFirstOccurrenceOf ("\\", false, false);
    return server.isNotEmpty() && share.isNotEmpty();
}

bool isLink (const juce::File& entry)
{
    const auto attributes = GetFileAttributesW (entry.getFullPathName().toWideCharPointer());

    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;

    return kindOf (entry, attributes) != Kind::plain;
}

bool removeEntry (const juce::File& entry)
{
    const auto path = entry.getFullPathName();
    const auto attributes = GetFileAttributesW (path.toWideCharPointer());

    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;

    if (isOpaqueLink (entry, attributes))
        return false;

    // DeleteFile and RemoveDirectory refuse read-only entries; a failed removal puts it back.
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;

    if (readOnly && ! changeAttributes (entry, 0, FILE_ATTRIBUTE_READONLY))
        return false;

    const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool removed = waitingOutLocks (isFolder ? Operation::removeFolder : Operation::deleteFile, [&]
                                          { return isFolder ? RemoveDirectoryW (path.toWideCharPointer()) != 0
                                                            : DeleteFileW (path.toWideCharPointer()) != 0; });

    if (! removed && readOnly)
        changeAttributes (entry, FILE_ATTRIBUTE_READONLY, 0);

    return removed;
}

bool moveNatively (const juce::File& from, const juce::File& to)
{
    const auto attributes = GetFileAttributesW (from.getFullPathName().toWideCharPointer());

    if (attributes == INVALID_FILE_ATTRIBUTES || isOpaqueLink (from, attributes))
        return false;

    // Windows refuses to rename a folder while any file inside it is open, with access denied:
    // a scanner reading one file of a bundle blocks the whole bundle for a moment. A loaded DLL,
    // and the folders above it, can be renamed.
    const auto operation = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Operation::renameFolder : Operation::renameFile;
    return waitingOutLocks (operation, [&]
                            { return MoveFileExW (from.getFullPathName().toWideCharPointer(), to.getFullPathName().toWideCharPointer(), 0) != 0; });
}

bool removeAtRestart (const juce::File& entry)
{
    const auto attributes = GetFileAttributesW (entry.getFullPathName().toWideCharPointer());

    if (attributes == INVALID_FILE_ATTRIBUTES || kindOf (entry, attributes) != Kind::plain)
        return false;

    // Registered in PendingFileRenameOperations (HKLM, so it needs the elevation the program runs
    // with) and carried out by the session manager at the next start, in the order registered:
    // callers register children before their folders.
    return MoveFileExW (entry.getFullPathName().toWideCharPointer(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

bool isHidden (const juce::File& entry)
{
    const auto attributes = GetFileAttributesW (entry.getFullPathName().toWideCharPointer());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

void setHidden (const juce::File& entry, bool shouldBeHidden)
{
    const auto attributes = GetFileAttributesW (entry.getFullPathName().toWideCharPointer());

    if (attributes != INVALID_FILE_ATTRIBUTES && ! isOpaqueLink (entry, attributes))
        changeAttributes (entry, shouldBeHidden ? FILE_ATTRIBUTE_HIDDEN : 0, shouldBeHidden ? 0 : FILE_ATTRIBUTE_HIDDEN);
}
