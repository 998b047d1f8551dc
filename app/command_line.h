// The headless command line: list the previews of a folder, or save them
// all in one format, without a display, a lock or changes to the settings.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace pictrove {

class SettingsStore;

class CommandLine {
 public:
  enum class Mode { Dialog, List, Export, Help, Version, Invalid };

  // Exit codes.
  static constexpr int kExitOk = 0;
  static constexpr int kExitSomeFailed = 1;
  static constexpr int kExitUsage = 2;
  static constexpr int kExitNothingFound = 3;
  static constexpr int kExitToolkitFailed = 4;

  // Reads the arguments after the program name.
  explicit CommandLine(const std::vector<std::string>& arguments);

  Mode mode() const { return mode_; }
  const std::string& folder() const { return folder_; }
  // The output index from --format, -1 when not given.
  int format() const { return format_; }
  const std::string& error() const { return error_; }

  // Runs a mode other than Dialog; returns the exit code.
  int Run(SettingsStore& settings, std::ostream& out, std::ostream& err) const;

  static std::string UsageText();

 private:
  int RunScan(SettingsStore& settings, std::ostream& out, std::ostream& err) const;

  Mode mode_ = Mode::Dialog;
  std::string folder_;
  int format_ = -1;
  std::string error_;
};

}  // namespace pictrove
