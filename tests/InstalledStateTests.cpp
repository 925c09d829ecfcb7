#include "InstallEngine.h"
#include "InstalledState.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
const juce::String product ("Halcyra 2");
} // namespace

TEST (InstalledStateDetection, AnythingAtTheTargetPathCountsAsInstalled)
{
    TestSupport::TempFolder temp;
    EXPECT_FALSE (InstalledState::isInstalled (temp.root, product, 0));

    temp.root.getChildFile ("Halcyra 2.vst3").createDirectory();
    EXPECT_TRUE (InstalledState::isInstalled (temp.root, product, 0)) << "an empty bundle folder";
    EXPECT_EQ (InstalledState::installedVersion (temp.root, product, 0), juce::String()) << "folders carry no version";

    temp.root.getChildFile ("Halcyra 2.aaxplugin/Contents").createDirectory();
    EXPECT_TRUE (InstalledState::isInstalled (temp.root, product, 2));
    EXPECT_EQ (InstalledState::installedVersion (temp.root, product, 2), juce::String()) << "no binary inside";

#if ! JUCE_WINDOWS
    // Wine cannot make a link, and shows a dangling link of the host system as nothing at all.
    ASSERT_TRUE (juce::File::createSymbolicLink (temp.root.getChildFile ("Halcyra 2.clap"), "/nonexistent/target", true));
    EXPECT_TRUE (InstalledState::isInstalled (temp.root, product, 1)) << "even a dangling link";
#endif
}

TEST (InstalledStateDetection, AMissingFolderIsNotInstalledAndStaysMissing)
{
    TestSupport::TempFolder temp;
    const auto missing = temp.root.getChildFile ("not/there");

    for (int format = 0; format < 3; ++format)
    {
        EXPECT_FALSE (InstalledState::isInstalled (missing, product, format));
        EXPECT_EQ (InstalledState::installedVersion (missing, product, format), juce::String());
    }

    EXPECT_FALSE (temp.root.getChildFile ("not").exists());
}

TEST (InstalledStateDetection, AnInstallInProgressIsNeverMistakenForTheItem)
{
    TestSupport::TempFolder temp;
    temp.root.getChildFile (".Halcyra 2.clap.qf-staging-1234/Halcyra 2.clap").create();
    temp.root.getChildFile (".Halcyra 2.clap.qf-old-1234").create();
    EXPECT_FALSE (InstalledState::isInstalled (temp.root, product, 1));
}

// The version comes from the binary's Windows version resource, which only Windows reads; a
// bundle folder has none, whatever it holds.
TEST (InstalledStateDetection, FollowsInstallAndUninstallWithoutCachingAndReadsTheVersion)
{
    TestSupport::TempFolder temp;

    for (int format = 0; format < 3; ++format)
    {
        ASSERT_EQ (InstallEngine::installFormat (temp.root, product, format, embeddedArchive (format)), InstallEngine::Outcome::done);
        EXPECT_TRUE (InstalledState::isInstalled (temp.root, product, format));
#if JUCE_WINDOWS
        EXPECT_EQ (InstalledState::installedVersion (temp.root, product, format), format == 0 ? "" : "2.1.4.0") << format;
#else
        EXPECT_EQ (InstalledState::installedVersion (temp.root, product, format), juce::String()) << format;
#endif
    }

    temp.root.getChildFile ("Halcyra 2.clap").deleteFile(); // another program removes it
    EXPECT_FALSE (InstalledState::isInstalled (temp.root, product, 1));
}
