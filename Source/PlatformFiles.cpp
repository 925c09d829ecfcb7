#include "PlatformFiles.h"

#include "InstalledState.h"

#if JUCE_WINDOWS
#include <windows.h>
#include <winioctl.h>
#else
#include <cstdio>
#endif

namespace PlatformFiles
{
namespace
{
    const ScopedMoveHook* currentMoveHook = nullptr;

#if JUCE_WINDOWS
    // A handle on the entry itself: FILE_FLAG_OPEN_REPARSE_POINT opens a link as the link, so
    // nothing done through the handle reaches what it points to.
    struct EntryHandle
    {
        EntryHandle (const juce::File& f, DWORD access)
            : handle (CreateFileW (f.getFullPathName().toWideCharPointer(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr))
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

    juce::String finalPath (const juce::File& f)
    {
        EntryHandle entry (f, FILE_READ_ATTRIBUTES);

        if (! entry.isOpen())
            return {};

        const auto size = GetFinalPathNameByHandleW (entry.handle, nullptr, 0, 0);

        if (size == 0)
            return {};

        juce::HeapBlock<wchar_t> buffer (size + 1, true);

        if (GetFinalPathNameByHandleW (entry.handle, buffer, size + 1, 0) == 0)
            return {};

        return juce::String (buffer.get());
    }

    // Wine shows a link of the host system as what it points to: a folder link carries the
    // reparse attribute without any reparse data, a file link looks like a plain file, and
    // deleting, renaming or removing either acts on its target. Only the path the system
    // resolves the entry to gives it away.
    bool resolvesElsewhere (const juce::File& f)
    {
        const auto own = finalPath (f);
        const auto parent = finalPath (f.getParentDirectory());

        if (own.isEmpty() || parent.isEmpty())
            return false;

        return own.compareIgnoreCase (juce::File::addTrailingSeparator (parent) + f.getFileName()) != 0;
    }

    bool hasReparseData (const juce::File& f)
    {
        EntryHandle entry (f, FILE_READ_ATTRIBUTES);
        juce::HeapBlock<char> buffer (MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
        DWORD bytes = 0;

        return entry.isOpen()
               && DeviceIoControl (entry.handle, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer, MAXIMUM_REPARSE_DATA_BUFFER_SIZE, &bytes, nullptr) != 0;
    }

    // A link the system does not show as a link: every call on it would reach its target.
    bool isOpaqueLink (const juce::File& f, DWORD attributes)
    {
        return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? ! hasReparseData (f) : resolvesElsewhere (f);
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
#endif
} // namespace

#if JUCE_WINDOWS
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

    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || resolvesElsewhere (entry);
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

    const bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? RemoveDirectoryW (path.toWideCharPointer()) != 0
                                                                      : DeleteFileW (path.toWideCharPointer()) != 0;

    if (! removed && readOnly)
        changeAttributes (entry, FILE_ATTRIBUTE_READONLY, 0);

    return removed;
}

static bool moveNatively (const juce::File& from, const juce::File& to)
{
    const auto attributes = GetFileAttributesW (from.getFullPathName().toWideCharPointer());

    if (attributes == INVALID_FILE_ATTRIBUTES || isOpaqueLink (from, attributes))
        return false;

    return MoveFileExW (from.getFullPathName().toWideCharPointer(), to.getFullPathName().toWideCharPointer(), 0) != 0;
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
#else
bool namesFixedPlace (const juce::String& value)
{
    return juce::File::isAbsolutePath (value);
}

bool isLink (const juce::File& entry)
{
    return entry.isSymbolicLink();
}

bool removeEntry (const juce::File& entry)
{
    // JUCE unlinks a link itself and removes only empty folders; permissions of the entry play
    // no part, only those of its folder.
    return entry.deleteFile();
}

static bool moveNatively (const juce::File& from, const juce::File& to)
{
    // rename() moves a link as the link, dangling or not, but would replace a file or an empty
    // folder at the destination.
    if (InstalledState::somethingAt (to))
        return false;

    return std::rename (from.getFullPathName().toRawUTF8(), to.getFullPathName().toRawUTF8()) == 0;
}

bool isHidden (const juce::File&)
{
    return false;
}

void setHidden (const juce::File&, bool)
{
}
#endif

bool moveEntry (const juce::File& from, const juce::File& to)
{
    if (currentMoveHook != nullptr && ! currentMoveHook->hook (from, to))
        return false;

    return InstalledState::somethingAt (from) && moveNatively (from, to);
}

ScopedMoveHook::ScopedMoveHook (Hook h)
    : hook (std::move (h)), previous (currentMoveHook)
{
    currentMoveHook = this;
}

ScopedMoveHook::~ScopedMoveHook()
{
    currentMoveHook = previous;
}
} // namespace PlatformFiles
