// The program's arguments: a path for the dialog to open, or the headless
// command line that lists the previews of a folder (and its subfolders) or
// saves them all in one format, without a display, a lock or changes to the
// settings.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/host/program_texts.h"

namespace pictrove {

class SettingsStore;

// Where standard output and standard error lead.
struct Terminals {
  bool out = false;  // standard output is a terminal
  bool err = false;  // standard error is a terminal: --export shows its counter
};

class CommandLine {
 public:
  enum class Mode { Dialog, List, Export, Help, Version, Invalid };

  // Exit codes: 0, 2 and 4 mean what they mean for the thumbnailer.
  static constexpr int kExitOk = exit_code::kOk;
  static constexpr int kExitSomeFailed = 1;
  static constexpr int kExitUsage = exit_code::kUsage;
  static constexpr int kExitNothingFound = 3;
  static constexpr int kExitToolkitFailed = exit_code::kToolkitFailed;

  // Reads the arguments after the program name (bytes, as the system gave
  // them).
  explicit CommandLine(const std::vector<std::string>& arguments);

  Mode mode() const { return mode_; }
  // The folder of --list and --export.
  const std::string& folder() const { return folder_; }
  // Dialog: the folder or drawing to open at once, "" for none.
  const std::string& path() const { return path_; }
  // The output index from --format, -1 when not given.
  int format() const { return format_; }
  // --output's folder, "" when not given.
  const std::string& outputFolder() const { return outputFolder_; }
  bool recursive() const { return recursive_; }
  const std::string& error() const { return error_; }

  // Runs a mode other than Dialog; returns the exit code.
  int Run(SettingsStore& settings, std::ostream& out, std::ostream& err,
          Terminals terminals = Terminals()) const;

  // The full help of --help.
  static std::string HelpText();
  // The usage lines shown with an argument error.
  static std::string UsageText();

 private:
  int RunScan(SettingsStore& settings, std::ostream& out, std::ostream& err,
              Terminals terminals) const;

  Mode mode_ = Mode::Dialog;
  std::string folder_;
  std::string path_;
  int format_ = -1;
  std::string outputFolder_;
  bool recursive_ = false;
  std::string error_;
};

}  // namespace pictrove
