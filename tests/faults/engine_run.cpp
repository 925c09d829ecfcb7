// One run of the install engine, as the action button starts it, in a process of its own so that
// a test can kill it at any step (tests/faults/kill_at_every_step.py):
//   qf_engine_run install|uninstall VST3_FOLDER CLAP_FOLDER AAX_FOLDER
// Every format is ticked, the archives are the ones compiled in, and the verdict is printed and
// is the exit status (0: "Operation Successful!", 1: "Operation failed!", 2: wrong arguments).
#include "InstallEngine.h"
#include "Product.h"

#include <cstdio>

int main (int argc, char** argv)
{
    const juce::String mode (argc == 5 ? argv[1] : "");

    if (mode != "install" && mode != "uninstall")
    {
        std::fprintf (stderr, "usage: qf_engine_run install|uninstall VST3_FOLDER CLAP_FOLDER AAX_FOLDER\n");
        return 2;
    }

    // The test passes plain ASCII paths, which read the same as UTF-8 and in any Windows code page.
    Product::PerFormat<bool> selected { true, true, true };
    const Product::PerFormat<juce::File> folders { juce::File (juce::CharPointer_UTF8 (argv[2])),
                                                   juce::File (juce::CharPointer_UTF8 (argv[3])),
                                                   juce::File (juce::CharPointer_UTF8 (argv[4])) };

    const bool verdict = InstallEngine::run (selected, folders, Product::name, mode == "uninstall");

    // Under Wine a run that prints nothing counts as Wine's failure (tests/windows/wine-run.sh.in).
    std::printf ("%s\n", verdict ? "success" : "failure");
    return verdict ? 0 : 1;
}
