#pragma once

#include "ButtonNames.h"

#include <juce_core/juce_core.h>

#include <array>

/** The one product this installer ships, and the fixed tables indexed by format.

    A format is just an index (0 = VST3, 1 = CLAP, 2 = AAX) into parallel tables; every loop over
    formats runs in that order. The tables are StringArrays, so an index past the end reads as an
    empty string rather than failing.
*/
namespace Product
{
constexpr int numFormats = 3;

/** One value for each format, in the tables' order. */
template <typename T>
using PerFormat = std::array<T, (size_t) numFormats>;

/** Whatever takes a format index asserts this of it. */
constexpr bool isFormatIndex (int index) noexcept
{
    return index >= 0 && index < numFormats;
}

enum FormatIndex
{
    vst3 = 0,
    clap = 1,
    aax = 2
};

inline const juce::StringArray linkNames { ButtonNames::eula, ButtonNames::manual, ButtonNames::website, ButtonNames::support };
inline const juce::StringArray formatNames { "VST3", "CLAP", "AAX" };
inline const juce::StringArray extensions { ".vst3", ".clap", ".aaxplugin" };

inline const juce::String name { "Halcyra 2" };
inline const juce::String version { "2.1.4" };
inline const juce::String platformSuffix { " for Windows" };
inline const juce::String editionLabel { " DEMO" };

inline const juce::String productPageAddress { "https://shop.quillfen.com/collections/plugin-instruments/products/halcyra-2" };
inline const juce::String manualAddress { "https://docs.quillfen.com/manuals/Halcyra_Manual.pdf" };
inline const juce::String discordInvitation { "https://discord.gg/quillfen" };
inline const juce::String supportMailAddress { "mailto:support@quillfen.com" };
} // namespace Product
