#include "LeftoverScript.h"
#include "MainComponent.h"
#include "SystemFolders.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#if JUCE_WINDOWS
#include <shlobj.h>
#include <windows.h>

// The folders come from the Windows API, not from JUCE's guesses: the common application data
// folder holds the maker's settings, and the temporary folder is the user's own, where the
// leftover script of older installers lies.
TEST (SystemFolders, ComeFromTheWindowsApi)
{
    const auto folders = SystemFolders::forThisMachine();

    wchar_t common[MAX_PATH] = {};
    ASSERT_EQ (SHGetFolderPathW (nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common), S_OK);
    EXPECT_EQ (folders.commonApplicationData, juce::File (juce::String (common)));

    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_GT (GetTempPathW (MAX_PATH + 1, temp), 0u);
    EXPECT_EQ (folders.temporary, juce::File (juce::String (temp)));
    EXPECT_TRUE (folders.temporary.isDirectory());
}
#else
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
/** Sets an environment variable (or unsets it for nullptr) for as long as it lives. */
struct ScopedVariable
{
    ScopedVariable (const char* variable, const char* value)
        : name (variable), had (std::getenv (variable) != nullptr), old (had ? std::getenv (variable) : "")
    {
        value != nullptr ? setenv (name, value, 1) : unsetenv (name);
    }

    ~ScopedVariable() { had ? setenv (name, old.c_str(), 1) : unsetenv (name); }

    const char* name;
    bool had;
    std::string old;
};
} // namespace

// /tmp is shared by every user while the program runs as root: only its own plain file goes.
TEST (LeftoverScript, RemovesOnlyARegularFileOfItsOwnUserReachedWithoutLinks)
{
    TestSupport::TempFolder temp;
    const auto folder = temp.root.getChildFile ("tmp");
    const auto script = folder.getChildFile ("script.sh");
    folder.createDirectory();

    script.replaceWithText ("#!/bin/sh\n");
    LeftoverScript::removeFrom (folder);
    EXPECT_FALSE (script.exists()) << "the program's own file";

    const auto target = temp.root.getChildFile ("someone-elses.txt");
    target.replaceWithText ("keep");
    ASSERT_TRUE (target.createSymbolicLink (script, false));
    LeftoverScript::removeFrom (folder);
    EXPECT_TRUE (script.isSymbolicLink()) << "a link of that name stays";
    EXPECT_EQ (target.loadFileAsString(), "keep");
    script.deleteFile();

    ASSERT_EQ (mkfifo (script.getFullPathName().toRawUTF8(), 0600), 0);
    LeftoverScript::removeFrom (folder);
    EXPECT_TRUE (script.exists()) << "not a regular file";
    script.deleteFile();

    // The folder itself reached through a link: the file it holds stays, until asked directly.
    const auto linkedFolder = temp.root.getChildFile ("linked");
    ASSERT_TRUE (folder.createSymbolicLink (linkedFolder, false));
    script.replaceWithText ("#!/bin/sh\n");
    LeftoverScript::removeFrom (linkedFolder);
    EXPECT_TRUE (script.existsAsFile()) << "a link on the way";
    LeftoverScript::removeFrom (folder);
    EXPECT_FALSE (script.exists());

    if (geteuid() != 0)
        GTEST_SKIP() << "another user's file needs root to be made";

    script.replaceWithText ("another user's");
    ASSERT_EQ (chown (script.getFullPathName().toRawUTF8(), 65534, 65534), 0);
    LeftoverScript::removeFrom (folder);
    EXPECT_EQ (script.loadFileAsString(), "another user's") << "owned by someone else";
}

// JUCE takes TMPDIR as it stands; empty, it named the root folder's "script.sh".
TEST (LeftoverScript, AnEmptyOrRelativeTemporaryFolderIsNoFolderAtAll)
{
    {
        const ScopedVariable variable ("TMPDIR", "");
        EXPECT_EQ (SystemFolders::forThisMachine().temporary, juce::File());
    }
    {
        const ScopedVariable variable ("TMPDIR", "relative/tmp");
        EXPECT_EQ (SystemFolders::forThisMachine().temporary, juce::File());
    }
    {
        const ScopedVariable variable ("TMPDIR", "/var/tmp/qf");
        EXPECT_EQ (SystemFolders::forThisMachine().temporary, juce::File ("/var/tmp/qf"));
    }
    {
        const ScopedVariable variable ("TMPDIR", nullptr);
        EXPECT_EQ (SystemFolders::forThisMachine().temporary, juce::File ("/tmp"));
    }

    // With no temporary folder, shutting down touches nothing, here or in the current folder.
    TestSupport::ScopedMachine machine;
    const auto cwd = juce::File::getCurrentWorkingDirectory();
    machine.root.setAsCurrentWorkingDirectory();
    const auto here = machine.root.getChildFile ("script.sh");
    here.replaceWithText ("#!/bin/sh\n");

    {
        auto folders = machine.folders;
        folders.temporary = juce::File();
        const SystemFolders::ScopedOverride noTemporary (folders);
        MainComponent main;
    }

    LeftoverScript::removeFrom (juce::File());
    cwd.setAsCurrentWorkingDirectory();
    EXPECT_TRUE (here.existsAsFile());
}
#endif
