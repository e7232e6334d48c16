// The settings file KEVORCV.INI and the completion of the settings on the
// console.
#pragma once

#include <string>
#include <string_view>

#include "converter/input/settings.hpp"
#include "platform/console.hpp"

namespace converter {

inline constexpr const char* kSettingsFileName = "KEVORCV.INI";

// Applies the settings file at `path` (KEVORCV.INI of the folder of the raw
// files) to `settings`; the first error ends the run with the fatal-error
// report.
void readSettingsFile(platform::Console& console, const std::string& path, ConverterSettings& settings);

// Asks, in a fixed order, for every setting outside its legal range.
void completeSettings(platform::Console& console, ConverterSettings& settings);

// "Legal values of " + promptText + ", write correct value: " and one
// number from the answer: the first token of the first non-empty line.
void askWholeNumber(platform::Console& console, std::string_view promptText, int& setting);
void askRealNumber(platform::Console& console, std::string_view promptText, double& setting);

}  // namespace converter
