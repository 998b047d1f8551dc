// What the program and the thumbnailer say alike: the exit codes that mean
// the same in both, the text of a failed toolkit start, and the version.
#pragma once

#include <cstdint>
#include <string>

namespace pictrove {

// Exit codes shared by both programs; each names its own others (1 and 3).
namespace exit_code {
inline constexpr int kOk = 0;
inline constexpr int kUsage = 2;
inline constexpr int kToolkitFailed = 4;
}  // namespace exit_code

// The string table's text for a failed toolkit start: the error number and
// its message.
inline constexpr char kToolkitStartFailureFormat[] =
    "Unable to initialize Draftcore Toolkit\nError is %d: (%s)";

// kToolkitStartFailureFormat with the error number of a failed toolkit
// start and its message.
std::string ToolkitStartFailureText(std::int16_t error);

// The project's version, "1.0.0.1".
const char* ProductVersion();

// "Pictrove Version 1.0": the About box and --version (major and minor).
std::string ProductVersionText();

}  // namespace pictrove
