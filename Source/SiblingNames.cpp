#include "SiblingNames.h"

#include "PlatformFiles.h"
#include "Product.h"

namespace SiblingNames
{
const char* const hiddenSuffix = ".qf-hidden";

juce::String prefix (const juce::String& itemName, Role role)
{
    return "." + itemName + (role == Role::staging ? ".qf-staging-" : ".qf-old-");
}

juce::File unused (const juce::File& installFolder, const juce::String& itemName, Role role)
{
    for (;;)
    {
        const auto candidate = installFolder.getChildFile (prefix (itemName, role) + juce::String::toHexString (juce::Random::getSystemRandom().nextInt()));

        if (! PlatformFiles::somethingAt (candidate))
            return candidate;
    }
}

bool isSibling (const juce::String& name, const juce::String& itemName)
{
    for (const auto role : { Role::staging, Role::setAside })
    {
        const auto start = prefix (itemName, role);

        if (name.startsWith (start))
        {
            const auto suffix = name.substring (start.length());
            return suffix.isNotEmpty() && suffix.length() <= 8 && suffix.containsOnly ("0123456789abcdef");
        }
    }

    return false;
}

bool isLoadable (const juce::String& name)
{
    const auto trimmed = name.trimCharactersAtEnd (". ");

    for (const auto& extension : Product::extensions)
        if (trimmed.endsWithIgnoreCase (extension))
            return true;

    return false;
}
} // namespace SiblingNames
