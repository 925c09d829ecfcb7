// Prints how long an install, an uninstall and a paint take, and how much memory an install
// needs, next to what a user would compare them with. Figures only: nothing here fails a build.
//
//   qf_bench [--runs N] [--root FOLDER] [--install-only] [--floor-goal RATIO]
//
// Everything is written below a private temporary machine (SystemFolders::ScopedOverride).

#include "EmbeddedArchives.h"
#include "InstallEngine.h"
#include "InstalledState.h"
#include "MainComponent.h"
#include "Product.h"
#include "SharedSettings.h"
#include "SystemFolders.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
namespace fs = std::filesystem;

constexpr double mb = 1000.0 * 1000.0;

double secondsOf (const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
}

/** Each install, uninstall and copy starts with what earlier ones left in the page cache already
    on the disk, so that none of them pays for the writeback of another (or of the build that made
    the payload just before), whichever order they run in. */
double secondsOfDiskWork (const std::function<void()>& work)
{
    ::sync();
    return secondsOf (work);
}

double median (std::vector<double> values)
{
    std::sort (values.begin(), values.end());
    const auto n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

int failures = 0;

void printGoal (const char* what, bool met, const std::string& detail)
{
    std::printf ("  %-4s %-58s %s\n", met ? "PASS" : "FAIL", what, detail.c_str());
    failures += met ? 0 : 1;
}

std::string format (const char* pattern, double a, double b = 0.0)
{
    char text[128];
    std::snprintf (text, sizeof (text), pattern, a, b);
    return text;
}

//==============================================================================
/** A throw-away machine: its own settings, temporary and install folders. */
struct Machine
{
    explicit Machine (const juce::File& parent)
    {
        root = parent.getNonexistentChildFile ("qf_bench_machine", {}, false);
        folders.commonApplicationData = root.getChildFile ("ProgramData");
        folders.temporary = root.getChildFile ("Temp");
        folders.defaultInstallFolders = { root.getChildFile ("Common Files/VST3"),
                                          root.getChildFile ("Common Files/CLAP"),
                                          root.getChildFile ("Common Files/Avid/Audio/Plug-Ins") };
        SharedSettings::settingsFolderFor (folders.commonApplicationData).createDirectory();
        folders.temporary.createDirectory();

        for (auto& folder : folders.defaultInstallFolders)
            folder.createDirectory();

        override = std::make_unique<SystemFolders::ScopedOverride> (folders);
    }

    ~Machine()
    {
        override = nullptr;
        root.deleteRecursively (false);
    }

    juce::File target (int format) const
    {
        return InstalledState::targetPath (folders.defaultInstallFolders[(size_t) format], Product::name, format);
    }

    void removeAll() const
    {
        for (int format = 0; format < 3; ++format)
            target (format).deleteRecursively (false);
    }

    bool engine (bool uninstall) const
    {
        Product::PerFormat<bool> selected { true, true, true };
        return InstallEngine::run (selected, folders.defaultInstallFolders, Product::name, uninstall);
    }

    juce::File root;
    SystemFolders folders;
    std::unique_ptr<SystemFolders::ScopedOverride> override;
};

//==============================================================================
// The floor: inflate every entry straight from the archive bytes, as nothing could do with less.
struct Entry
{
    const unsigned char* compressed = nullptr;
    size_t compressedSize = 0, size = 0;
    int method = 0;
};

unsigned read16 (const unsigned char* p) { return (unsigned) p[0] | ((unsigned) p[1] << 8); }
unsigned long read32 (const unsigned char* p) { return read16 (p) | ((unsigned long) read16 (p + 2) << 16); }

std::vector<Entry> entriesOf (ArchiveData archive)
{
    const auto* bytes = static_cast<const unsigned char*> (archive.data);
    std::vector<Entry> entries;

    for (size_t end = archive.size - 22;; --end)
    {
        if (read32 (bytes + end) == 0x06054b50)
        {
            auto count = read16 (bytes + end + 10);
            auto* p = bytes + read32 (bytes + end + 16);

            for (; count > 0; --count)
            {
                Entry e;
                e.method = (int) read16 (p + 10);
                e.compressedSize = read32 (p + 20);
                e.size = read32 (p + 24);
                const auto* local = bytes + read32 (p + 42);
                e.compressed = local + 30 + read16 (local + 26) + read16 (local + 28);
                entries.push_back (e);
                p += 46 + read16 (p + 28) + read16 (p + 30) + read16 (p + 32);
            }

            return entries;
        }

        if (end == 0)
            return entries;
    }
}

size_t inflateAll (const std::vector<Entry>& entries, std::vector<unsigned char>& out)
{
    size_t total = 0;

    for (const auto& e : entries)
    {
        if (e.size == 0)
            continue;

        out.resize (std::max (out.size(), e.size));

        if (e.method == 0)
        {
            std::memcpy (out.data(), e.compressed, e.size);
            total += e.size;
            continue;
        }

        z_stream z {};
        inflateInit2 (&z, -MAX_WBITS);
        z.next_in = const_cast<unsigned char*> (e.compressed);
        z.avail_in = (uInt) e.compressedSize;
        z.next_out = out.data();
        z.avail_out = (uInt) e.size;
        inflate (&z, Z_FINISH);
        total += z.total_out;
        inflateEnd (&z);
    }

    return total;
}

//==============================================================================
int runQuietly (std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back (a.data());
    argv.push_back (nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init (&actions);
    posix_spawn_file_actions_addopen (&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen (&actions, 2, "/dev/null", O_WRONLY, 0);

    pid_t pid = 0;
    int status = -1;

    if (posix_spawnp (&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        waitpid (pid, &status, 0);

    posix_spawn_file_actions_destroy (&actions);
    return WIFEXITED (status) ? WEXITSTATUS (status) : -1;
}

long procStatusKb (const char* field)
{
    std::ifstream status ("/proc/self/status");
    std::string line;

    while (std::getline (status, line))
        if (line.rfind (field, 0) == 0)
            return std::atol (line.c_str() + std::strlen (field));

    return -1;
}

/** The child of the memory figure: one install of all three formats in a fresh process. */
int rssChild (const juce::File& parent)
{
    juce::ScopedJuceInitialiser_GUI juce;
    Machine machine (parent);
    const auto idle = procStatusKb ("VmRSS:");

    // Starts the high-water mark afresh, so start-up's own peak does not hide the install's.
    std::ofstream ("/proc/self/clear_refs") << "5";

    const bool ok = machine.engine (false);
    std::printf ("%ld %ld %d\n", idle, procStatusKb ("VmHWM:"), ok ? 1 : 0);
    return 0;
}

//==============================================================================
void installFigures (const juce::File& parent, int runs, double floorGoal)
{
    Machine machine (parent);
    const auto& installFolders = machine.folders.defaultInstallFolders;

    const juce::File archiveDir (QF_BENCH_ARCHIVE_DIR);
    static const char* const zipNames[] = { "vst3.zip", "clap.zip", "aax.zip" };

    Product::PerFormat<std::vector<Entry>> entries;
    size_t payloadBytes = 0;

    for (int format = 0; format < 3; ++format)
    {
        entries[(size_t) format] = entriesOf (embeddedArchive (format));
        for (const auto& e : entries[(size_t) format])
            payloadBytes += e.size;
    }

    // Extracted once, so that the floor's copy has a tree to copy.
    const auto extracted = machine.root.getChildFile ("extracted");
    for (int format = 0; format < 3; ++format)
    {
        const auto folder = extracted.getChildFile (juce::String (format));
        folder.createDirectory();
        runQuietly ({ "unzip", "-qq", "-o", archiveDir.getChildFile (zipNames[format]).getFullPathName().toStdString(), "-d", folder.getFullPathName().toStdString() });
    }

    std::vector<double> engine, unzip, inflateTimes, copy, uninstall;
    std::vector<unsigned char> buffer;
    bool engineOk = true, unzipOk = true, uninstallOk = true;
    size_t inflated = 0;

    for (int run = 0; run < runs; ++run)
    {
        machine.removeAll();
        engine.push_back (secondsOfDiskWork ([&]
                                             { engineOk = machine.engine (false) && engineOk; }));

        uninstall.push_back (secondsOfDiskWork ([&]
                                                { uninstallOk = machine.engine (true) && uninstallOk; }));

        machine.removeAll();
        unzip.push_back (secondsOfDiskWork ([&]
                                            {
                                        for (int format = 0; format < 3; ++format)
                                        {
                                            // 1 is unzip's warning that the names use backslashes.
                                            const auto code = runQuietly ({ "unzip", "-qq", "-o", archiveDir.getChildFile (zipNames[format]).getFullPathName().toStdString(), "-d", installFolders[(size_t) format].getFullPathName().toStdString() });
                                            unzipOk = unzipOk && (code == 0 || code == 1);
                                        } }));

        inflateTimes.push_back (secondsOfDiskWork ([&]
                                                   {
                                               inflated = 0;
                                               for (const auto& e : entries)
                                                   inflated += inflateAll (e, buffer); }));

        machine.removeAll();
        copy.push_back (secondsOfDiskWork ([&]
                                           {
                                       for (int format = 0; format < 3; ++format)
                                       {
                                           const auto item = InstalledState::itemName (Product::name, format).toStdString();
                                           const fs::path from = extracted.getChildFile (juce::String (format)).getChildFile (item).getFullPathName().toStdString();
                                           const fs::path to = installFolders[(size_t) format].getChildFile (item).getFullPathName().toStdString();
                                           fs::copy (from, to, fs::copy_options::recursive);
                                       } }));
    }

    machine.removeAll();

    const auto tEngine = median (engine), tUnzip = median (unzip), tUninstall = median (uninstall);
    const auto tFloor = median (inflateTimes) + median (copy);
    const auto rate = [payloadBytes] (double seconds)
    { return (double) payloadBytes / mb / seconds; };

    std::printf ("Install of all three formats (%.1f MB written, median of %d runs)\n", (double) payloadBytes / mb, runs);
    std::printf ("  %-36s %8.1f ms %8.1f MB/s\n", "engine (InstallEngine::run)", tEngine * 1e3, rate (tEngine));
    std::printf ("  %-36s %8.1f ms %8.1f MB/s\n", "unzip -o, same archives and folders", tUnzip * 1e3, rate (tUnzip));
    std::printf ("  %-36s %8.1f ms %8.1f MB/s  (inflate %.1f ms + copy %.1f ms)\n", "floor: zlib inflate + plain copy", tFloor * 1e3, rate (tFloor), median (inflateTimes) * 1e3, median (copy) * 1e3);
    std::printf ("Uninstall of all three formats\n");
    std::printf ("  %-36s %8.1f ms\n", "engine (InstallEngine::run)", tUninstall * 1e3);

    printGoal ("every engine run succeeded", engineOk && uninstallOk, "");
    printGoal ("unzip ran", unzipOk, "");
    printGoal ("floor inflated every byte", inflated == payloadBytes, format ("%.0f of %.0f bytes", (double) inflated, (double) payloadBytes));
    printGoal ("install at least 1.4 x unzip's speed", tUnzip / tEngine >= 1.4, format ("%.2f x", tUnzip / tEngine));
    printGoal (format ("install within %.1f x of the floor", floorGoal).c_str(), tEngine / tFloor <= floorGoal, format ("%.2f x the floor's time", tEngine / tFloor));
}

void memoryFigures (const juce::File& parent)
{
    juce::ChildProcess child;
    const auto self = juce::File::getSpecialLocation (juce::File::currentExecutableFile);

    if (! child.start (juce::StringArray { self.getFullPathName(), "--rss-child", parent.getFullPathName() }, juce::ChildProcess::wantStdOut))
    {
        printGoal ("memory child started", false, "");
        return;
    }

    const auto fields = juce::StringArray::fromTokens (child.readAllProcessOutput(), false);
    child.waitForProcessToFinish (60000);

    if (fields.size() < 3)
    {
        printGoal ("memory child reported", false, "");
        return;
    }

    size_t largestArchive = 0;
    for (int format = 0; format < 3; ++format)
        largestArchive = std::max (largestArchive, embeddedArchive (format).size);

    const auto idleKb = fields[0].getLargeIntValue(), peakKb = fields[1].getLargeIntValue();
    const auto aboveMb = (double) (peakKb - idleKb) * 1024.0 / mb;
    const auto allowedMb = (double) largestArchive / mb + 4.0 * 1024.0 * 1024.0 / mb;

    std::printf ("Memory of a process installing all three formats\n");
    std::printf ("  idle %.1f MB, peak %.1f MB, above idle %.1f MB; largest archive %.1f MB\n",
                 (double) idleKb * 1024.0 / mb,
                 (double) peakKb * 1024.0 / mb,
                 aboveMb,
                 (double) largestArchive / mb);
    printGoal ("the install succeeded", fields[2] == "1", "");
    printGoal ("peak above idle at most one archive + 4 MiB", aboveMb <= allowedMb, format ("%.1f MB of %.1f MB allowed", aboveMb, allowedMb));
}

void paintFigures (const juce::File& parent)
{
    Machine machine (parent);
    machine.engine (false); // installed tiles: the paint that asks the most of the disk

    std::vector<double> constructions;
    for (int run = 0; run < 10; ++run)
        constructions.push_back (secondsOf ([]
                                            { MainComponent screen; }));

    MainComponent screen;
    std::printf ("Construction of the main screen (start-up's own work): %.2f ms median\n", median (constructions) * 1e3);
    std::printf ("One paint of the main screen, all formats installed (median)\n");

    for (const auto& [side, runs, goalMs] : { std::tuple (600, 60, 5.0), std::tuple (2000, 20, 20.0) })
    {
        screen.setSize (side, side);
        juce::Image image (juce::Image::ARGB, side, side, true);
        std::vector<double> times;

        for (int run = 0; run < runs + 3; ++run)
        {
            const auto t = secondsOf ([&]
                                      {
                                          juce::Graphics g (image);
                                          screen.paintEntireComponent (g, true); });
            if (run >= 3) // the first paints fill the glyph cache
                times.push_back (t);
        }

        const auto ms = median (times) * 1e3;
        std::printf ("  %4d x %-4d %8.2f ms\n", side, side, ms);
        printGoal (format ("paint at %.0f x %.0f under", side, side).append (format (" %.0f ms", goalMs)).c_str(), ms < goalMs, format ("%.2f ms", ms));
    }

    machine.removeAll();
}
} // namespace

int main (int argc, char** argv)
{
    int runs = 7;
    bool installOnly = false;
    // The sample payload's goal; benchmarks/embedding.py gives the large payload's.
    double floorGoal = 1.1;
    auto parent = juce::File::getSpecialLocation (juce::File::tempDirectory);

    for (int i = 1; i < argc; ++i)
    {
        const std::string option (argv[i]);

        if (option == "--install-only")
        {
            installOnly = true;
            continue;
        }

        if (i + 1 == argc)
            break;

        ++i;

        if (option == "--rss-child")
            return rssChild (juce::File (argv[i]));
        if (option == "--floor-goal")
            floorGoal = std::atof (argv[i]);
        if (option == "--runs")
            runs = std::max (1, std::atoi (argv[i]));
        if (option == "--root")
            parent = juce::File (juce::File::getCurrentWorkingDirectory().getChildFile (argv[i]));
    }

    parent.createDirectory();
    std::printf ("qf_bench: native Linux build, files under %s\n\n", parent.getFullPathName().toRawUTF8());

    installFigures (parent, runs, floorGoal);

    if (installOnly)
        return failures == 0 ? 0 : 1;

    memoryFigures (parent);

    {
        juce::ScopedJuceInitialiser_GUI juce;
        paintFigures (parent);
    }

    // The verdict is scripts/bench.sh's, once the start-up probe has been measured too.
    return failures == 0 ? 0 : 1;
}
