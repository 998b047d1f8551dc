#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include "app/batch_work.h"
#include "app/core/drawing_search.h"
#include "app/core/output_format.h"
#include "app/core/toolkit_session.h"
#include "app/core/worker_threads.h"
#include "app/resource_ids.h"
#include "app/settings_keys.h"
#include "app/settings_store.h"
#include "app/string_table.h"
#include "platform/message_box.h"

namespace pictrove {
namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// Critical toolkit errors have nobody to ask: the text goes to standard
// error and the answer is Cancel. They may come from any worker thread.
class StderrMessageBoxes {
 public:
  explicit StderrMessageBoxes(std::ostream& err) {
    SetMessageBoxHandler([&err](const std::string& text, UINT) {
      static std::mutex lock;
      const std::lock_guard<std::mutex> guard(lock);
      err << text << '\n';
      err.flush();
      return IDCANCEL;
    });
  }
  ~StderrMessageBoxes() { SetMessageBoxHandler(nullptr); }
  StderrMessageBoxes(const StderrMessageBoxes&) = delete;
  StderrMessageBoxes& operator=(const StderrMessageBoxes&) = delete;
};

}  // namespace

CommandLine::CommandLine(const std::vector<std::string>& arguments) {
  auto fail = [this](const std::string& message) {
    mode_ = Mode::Invalid;
    error_ = message;
  };
  auto setMode = [&](Mode mode, const std::string& option) {
    if (mode_ != Mode::Dialog) {
      fail("only one of --list, --export, --help and --version may be given (" + option + ")");
      return false;
    }
    mode_ = mode;
    return true;
  };
  bool formatGiven = false;
  for (std::size_t i = 0; i < arguments.size() && mode_ != Mode::Invalid; ++i) {
    const std::string& arg = arguments[i];
    if (arg == "--list" || arg == "--export") {
      if (!setMode(arg == "--list" ? Mode::List : Mode::Export, arg)) break;
      if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
        fail(arg + " needs a folder");
        break;
      }
      folder_ = arguments[++i];
    } else if (arg == "--format") {
      if (formatGiven) {
        fail("--format may be given once");
        break;
      }
      formatGiven = true;
      if (i + 1 >= arguments.size()) {
        fail("--format needs one of BMP, JPG, PCX, PNG, TIFF");
        break;
      }
      format_ = OutputFormatIndex(Upper(arguments[++i]));
      if (format_ < 0) fail("unknown output format '" + arguments[i] + "'");
    } else if (arg == "--help" || arg == "-h") {
      setMode(Mode::Help, arg);
    } else if (arg == "--version") {
      setMode(Mode::Version, arg);
    } else {
      fail("unexpected argument '" + arg + "'");
    }
  }
  if (mode_ != Mode::Invalid && formatGiven && mode_ != Mode::Export)
    fail("--format goes with --export");
}

std::string CommandLine::UsageText() {
  return "Usage: pictrove                      open the dialog\n"
         "       pictrove --list FOLDER        list the drawings with previews\n"
         "       pictrove --export FOLDER [--format BMP|JPG|PCX|PNG|TIFF]\n"
         "                                     save every preview beside its drawing\n"
         "       pictrove --help | --version\n"
         "\n"
         "--list prints one line per drawing: name, tab, width x height of its\n"
         "preview, tab, BMP or PNG. --export prints each written file's path;\n"
         "without --format it uses the format last chosen in the dialog.\n"
         "Control characters in names are shown as \\xNN.\n"
         "\n"
         "Exit status: 0 done, 1 some files not saved, 2 bad arguments,\n"
         "3 no previews found, 4 the drawing toolkit did not start.\n";
}

int CommandLine::Run(SettingsStore& settings, std::ostream& out, std::ostream& err) const {
  switch (mode_) {
    case Mode::Help:
      out << UsageText();
      return kExitOk;
    case Mode::Version:
      out << "Pictrove Version 1.0\n";
      return kExitOk;
    case Mode::List:
    case Mode::Export:
      return RunScan(settings, out, err);
    case Mode::Dialog:
    case Mode::Invalid:
      break;
  }
  if (!error_.empty()) err << "pictrove: " << error_ << '\n';
  err << UsageText();
  return kExitUsage;
}

int CommandLine::RunScan(SettingsStore& settings, std::ostream& out, std::ostream& err) const {
  StderrMessageBoxes messageBoxes(err);
  const ToolkitSession toolkit;
  if (!toolkit.started()) {
    err << ToolkitStartFailureText(toolkit.error()) << '\n';
    return kExitToolkitFailed;
  }
  const int type =
      format_ >= 0 ? format_ : settings.GetProfileInt(kSettingsSection, kOutputTypeKey, kDefaultOutputType);
  if (mode_ == Mode::Export && OutputFormatText(type) == nullptr) {
    err << "pictrove: no output format remembered; choose one with --format\n";
    return kExitUsage;
  }

  const std::vector<FoundFile> drawings = FindDrawingFiles(folder_);
  const int threads = WorkerThreads();
  const BatchResult result = mode_ == Mode::List
                                 ? ListPreviews(drawings, threads, out)
                                 : ExportPreviews(drawings, type, threads, out, err);
  out.flush();
  if (result.previews == 0) {
    err << FormatText(LoadAppString(IDS_NO_PREVIEWS).c_str(), folder_.c_str()) << '\n';
    return kExitNothingFound;
  }
  return result.failed == 0 ? kExitOk : kExitSomeFailed;
}

}  // namespace pictrove
