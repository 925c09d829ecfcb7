#include "LeftoverScript.h"

#if ! JUCE_WINDOWS
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#endif

namespace LeftoverScript
{
#if JUCE_WINDOWS
void removeFrom (const juce::File& temporaryFolder)
{
    const auto script = temporaryFolder.getChildFile ("script.sh");

    if (script.existsAsFile())
        script.deleteFile();
}
#else
namespace
{
    /** A folder descriptor that closes itself. */
    struct Folder
    {
        explicit Folder (int descriptor) : fd (descriptor) {}
        ~Folder()
        {
            if (fd >= 0)
                ::close (fd);
        }

        Folder (Folder&& other) noexcept : fd (std::exchange (other.fd, -1)) {}
        Folder& operator= (Folder&& other) noexcept
        {
            std::swap (fd, other.fd);
            return *this;
        }

        int fd;
    };

    /** Opens the folder one step at a time from the root, refusing a link at every step, so the
        folder finally held is the one the path names and no one can swap a link in on the way. */
    Folder openWithoutLinks (const juce::String& absolutePath)
    {
        Folder folder (::open ("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));

        for (const auto& name : juce::StringArray::fromTokens (absolutePath, "/", {}))
        {
            if (folder.fd < 0)
                break;

            if (name.isEmpty() || name == ".")
                continue;

            folder = Folder (::openat (folder.fd, name.toRawUTF8(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        }

        return folder;
    }
} // namespace

void removeFrom (const juce::File& temporaryFolder)
{
    const auto path = temporaryFolder.getFullPathName();

    // An empty path would name the root folder's "script.sh".
    if (path.isEmpty() || ! path.startsWithChar ('/'))
        return;

    const auto folder = openWithoutLinks (path);

    if (folder.fd < 0)
        return;

    struct stat entry
    {
    };

    if (::fstatat (folder.fd, "script.sh", &entry, AT_SYMLINK_NOFOLLOW) != 0)
        return;

    if (! S_ISREG (entry.st_mode) || entry.st_uid != ::geteuid())
        return;

    // Removed relative to the folder already held. In a sticky folder such as /tmp only the
    // entry's owner (this program's user) or the folder's owner can replace the entry between
    // the check and the removal.
    ::unlinkat (folder.fd, "script.sh", 0);
}
#endif
} // namespace LeftoverScript
