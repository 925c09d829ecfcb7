#pragma once

#include <juce_graphics/juce_graphics.h>

/** The seven colours every screen is painted with. Designers refer to them by their hex
    digits, so the names keep those digits next to the role they mostly play. */
namespace Palette
{
inline const juce::Colour background111111 { 0xff111111 }; // screens, tile captions
inline const juce::Colour ink171717 { 0xff171717 }; // icon ink, pressed SELECT ALL text
inline const juce::Colour brightF5F5F5 { 0xfff5f5f5 }; // headings, wordmark
inline const juce::Colour greyAAA6A6 { 0xffaaa6a6 }; // most text, idle faces
inline const juce::Colour green86cf7a { 0xff86cf7a }; // pressed faces, highlights
inline const juce::Colour blue0094d8 { 0xff0094d8 }; // top strip, installed tiles
inline const juce::Colour goldD3C55F { 0xffd3c55f }; // selected tile outline
} // namespace Palette
