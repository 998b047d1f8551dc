#include "app/command_line.h"

#include <algorithm>
#include <cctype>

#include "app/headless_view.h"
#include "app/output_format.h"
#include "app/preview_dialog.h"
#include "app/resource_ids.h"
#include "app/string_table.h"
#include "app/text_utils.h"
#include "platform/gdi.h"
#include "platform/message_box.h"

namespace pictrove {
namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

const char* KindText(PreviewKind kind) {
  switch (kind) {
    case PreviewKind::Bmp:
      return "BMP";
    case PreviewKind::Png:
      return "PNG";
    case PreviewKind::Unknown:
      break;
  }
  return "-";
}

// Critical toolkit errors have nobody to ask: the text goes to standard
// error and the answer is Cancel.
class StderrMessageBoxes {
 public:
  explicit StderrMessageBoxes(std::ostream& err) {
    SetMessageBoxHandler([&err](const std::string& text, UINT) {
      err << text << '\n';
      err.flush();
      return IDCANCEL;
    });
  }
  ~StderrMessageBoxes() { SetMessageBoxHandler(nullptr); }
  StderrMessageBoxes(const StderrMessageBoxes&) = delete;
  StderrMessageBoxes& operator=(const StderrMessageBoxes&) = delete;
};

// Sets the graphics' screen depth for one run and puts the old one back.
class ScreenDepthScope {
 public:
  explicit ScreenDepthScope(int bitsPerPixel) {
    HDC screen = GetDC(nullptr);
    previous_ = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    SetScreenBitsPerPixel(bitsPerPixel);
  }
  ~ScreenDepthScope() { SetScreenBitsPerPixel(previous_); }
  ScreenDepthScope(const ScreenDepthScope&) = delete;
  ScreenDepthScope& operator=(const ScreenDepthScope&) = delete;

 private:
  int previous_ = 32;
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
  // No screen to match: thumbnails are held as the 24-bit pictures they are
  // saved as, a quarter smaller than at 32 bits.
  ScreenDepthScope depth(24);
  HeadlessView view(settings, err);
  PreviewDialog dialog(view);
  if (dialog.OnCreate() == -1) return kExitToolkitFailed;
  view.CreateControls();
  dialog.OnInitDialog();

  int type = format_ >= 0 ? format_ : dialog.m_nOutputType;
  if (mode_ == Mode::Export && OutputFormatText(type) == nullptr) {
    err << "pictrove: no output format remembered; choose one with --format\n";
    dialog.OnDestroy();
    return kExitUsage;
  }

  int code = kExitOk;
  if (!dialog.ScanFolder(folder_)) {
    err << FormatText(LoadAppString(IDS_NO_PREVIEWS).c_str(), folder_.c_str()) << '\n';
    code = kExitNothingFound;
  } else if (mode_ == Mode::List) {
    for (const auto& entry : dialog.m_entries) {
      out << EscapeForLine(entry->m_strName) << '\t' << entry->m_nPreviewWidth << 'x'
          << entry->m_nPreviewHeight << '\t' << KindText(entry->m_kind) << '\n';
    }
  } else {
    const std::string extension = OutputFormatText(type);
    const int n = static_cast<int>(dialog.m_entries.size());
    for (int i = 0; i < n; ++i) {
      const SaveOutcome outcome = dialog.SaveEntry(i, type, extension);
      if (outcome.status == SaveStatus::Written) {
        out << EscapeForLine(outcome.path) << '\n';
      } else {
        err << EscapeForLine(outcome.path) << ": " << SaveStatusText(outcome.status) << '\n';
        code = kExitSomeFailed;
      }
    }
  }
  out.flush();
  dialog.OnDestroy();
  return code;
}

}  // namespace pictrove
