// Where the output format is remembered in the settings store.
#pragma once

namespace pictrove {

constexpr char kSettingsSection[] = "Settings";
constexpr char kOutputTypeKey[] = "OutputType";
constexpr int kDefaultOutputType = 1;  // JPG

}  // namespace pictrove
