// Where the output format and the last folder are remembered in the
// settings store.
#pragma once

namespace pictrove {

constexpr char kSettingsSection[] = "Settings";
constexpr char kOutputTypeKey[] = "OutputType";
constexpr int kDefaultOutputType = 1;  // JPG
// The folder of the last successful scan, where the folder browser opens.
constexpr char kLastFolderKey[] = "LastFolder";

}  // namespace pictrove
