#pragma once

/** The buttons' component names. Clicks are dispatched by them, and the tests and the window
    drivers find the buttons by them, so they never change. The link buttons' names are also
    their labels (Product::linkNames); a format button is named as its format
    (Product::formatNames).
*/
namespace ButtonNames
{
constexpr const char* eula = "EULA";
constexpr const char* manual = "MANUAL";
constexpr const char* website = "WEBSITE";
constexpr const char* support = "SUPPORT";

constexpr const char* install = "INSTALL";
constexpr const char* selectAll = "SELECT_ALL";

/** Every panel's close button. */
constexpr const char* close = "X";
constexpr const char* discord = "DISCORD";
constexpr const char* mail = "MAIL";
} // namespace ButtonNames
