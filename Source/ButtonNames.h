#pragma once

#include "Product.h"

/** The buttons' component names. Clicks are dispatched by them, and the tests and the window
    drivers find the buttons by them, so they never change. The links and the formats are named as
    they are labelled, by Product::linkNames and Product::formatNames.
*/
namespace ButtonNames
{
inline const juce::String eula { Product::linkNames[0] };
inline const juce::String manual { Product::linkNames[1] };
inline const juce::String website { Product::linkNames[2] };
inline const juce::String support { Product::linkNames[3] };

inline const juce::String install { "INSTALL" };
inline const juce::String selectAll { "SELECT_ALL" };

/** Every panel's close button. */
inline const juce::String close { "X" };
inline const juce::String discord { "DISCORD" };
inline const juce::String mail { "MAIL" };
} // namespace ButtonNames
