#include "app/cli/command_line.h"

#include "app/host/critical_error.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <mutex>
#include <new>
#include <optional>

#include "app/cli/batch_work.h"
#include "app/host/program_texts.h"
#include "app/core/drawing_search.h"
#include "app/core/output_format.h"
#include "app/core/toolkit_session.h"
#include "app/core/worker_threads.h"
#include "app/cli/drawing_tree.h"
#include "app/core/file_checks.h"
#include "app/cli/progress_line.h"
#include "app/dialog/resource_ids.h"
#include "app/dialog/settings_keys.h"
#include "app/dialog/settings_store.h"
#include "app/dialog/string_table.h"
#include "app/core/text_utils.h"
#include "platform/message_box.h"

namespace pictrove {
namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// The options, for the parser and for the help alike.
struct OptionInfo {
  const char* shortName;  // "" for none
  const char* longName;
  const char* valueName;  // "" for a flag
  const char* help;
};

constexpr OptionInfo kOptions[] = {
    {"", "list", "FOLDER", "List the drawings in FOLDER that carry a preview."},
    {"", "export", "FOLDER", "Save the preview of every drawing in FOLDER as an image."},
    {"f", "format", "FORMAT",
     "With --export: BMP, JPG, PCX, PNG or TIFF (any letter case); without it, the format last "
     "chosen in the dialog."},
    {"o", "output", "DIR",
     "With --export: write the images into DIR, made if needed, instead of beside the drawings."},
    {"r", "recursive", "",
     "With --list or --export: take in the subfolders too, depth first in name order; links to "
     "folders are not followed."},
    {"h", "help", "", "Show this help and exit."},
    {"v", "version", "", "Show the version and exit."},
};

std::string OptionLabel(const OptionInfo& option) {
  std::string label = option.shortName[0] != '\0' ? std::string("-") + option.shortName + ", " : "    ";
  label += std::string("--") + option.longName;
  if (option.valueName[0] != '\0') label += std::string(" ") + option.valueName;
  return label;
}

// `text` broken at spaces into lines of at most `columns` characters, each
// line after the first indented by `indent` spaces.
std::string Wrapped(const std::string& text, std::size_t indent, std::size_t columns) {
  std::string result;
  std::size_t lineLength = indent;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (lineLength > indent && lineLength + 1 + word.size() > columns) {
      result += "\n" + std::string(indent, ' ');
      lineLength = indent;
    } else if (lineLength > indent) {
      result += ' ';
      ++lineLength;
    }
    result += word;
    lineLength += word.size();
    start = end + 1;
  }
  return result;
}

// Arguments travel through the parser as Latin-1, one character per byte,
// so that names that are not UTF-8 come back as the same bytes.
QString FromBytes(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) { return text.toLatin1().toStdString(); }

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

// Failed reads give up the drawing being read while the command runs.
class UnreadableFilesFail {
 public:
  UnreadableFilesFail() { FailUnreadableFiles(true); }
  ~UnreadableFilesFail() { FailUnreadableFiles(false); }
  UnreadableFilesFail(const UnreadableFilesFail&) = delete;
  UnreadableFilesFail& operator=(const UnreadableFilesFail&) = delete;
};

// "pictrove: PATH: reason" for a path the work cannot use.
std::string PathProblem(const std::string& path, int error) {
  return "pictrove: " + EscapeForLine(path) + ": " + SystemErrorText(error) + "\n";
}

}  // namespace

CommandLine::CommandLine(const std::vector<std::string>& arguments) {
  auto fail = [this](const std::string& message) {
    mode_ = Mode::Invalid;
    error_ = message;
  };

  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
  for (const OptionInfo& option : kOptions) {
    QStringList names;
    if (option.shortName[0] != '\0') names << QString::fromLatin1(option.shortName);
    names << QString::fromLatin1(option.longName);
    parser.addOption(QCommandLineOption(names, QString::fromLatin1(option.help),
                                        QString::fromLatin1(option.valueName)));
  }
  QStringList argv{QStringLiteral("pictrove")};
  for (const std::string& argument : arguments) argv << FromBytes(argument);

  if (!parser.parse(argv)) {
    // A value option at the end: say what it needs, as for an empty value.
    const QString text = parser.errorText();
    for (const OptionInfo& option : kOptions) {
      if (option.valueName[0] == '\0') continue;
      for (const QString& form : {QStringLiteral("--") + QString::fromLatin1(option.longName),
                                  QStringLiteral("-") + QString::fromLatin1(option.shortName)}) {
        if (text == QStringLiteral("Missing value after '%1'.").arg(form)) {
          fail(std::string("--") + option.longName + " needs " +
               (std::string(option.longName) == "format" ? "one of BMP, JPG, PCX, PNG, TIFF"
                                                        : "a folder"));
          return;
        }
      }
    }
    fail(ReadableText(ToBytes(text)));
    return;
  }

  auto given = [&](const char* name) { return parser.isSet(QString::fromLatin1(name)); };
  auto value = [&](const char* name) -> std::optional<std::string> {
    const QStringList values = parser.values(QString::fromLatin1(name));
    if (values.isEmpty()) return std::nullopt;
    return ToBytes(values.back());
  };
  for (const OptionInfo& option : kOptions) {
    if (parser.values(QString::fromLatin1(option.longName)).size() > 1) {
      fail(std::string("--") + option.longName + " may be given once");
      return;
    }
  }

  int modes = 0;
  for (const auto& [name, mode] : {std::pair{"list", Mode::List}, std::pair{"export", Mode::Export},
                                   std::pair{"help", Mode::Help}, std::pair{"version", Mode::Version}}) {
    if (!given(name)) continue;
    ++modes;
    mode_ = mode;
  }
  if (modes > 1) {
    fail("only one of --list, --export, --help and --version may be given");
    return;
  }
  if (mode_ == Mode::List || mode_ == Mode::Export) {
    const char* name = mode_ == Mode::List ? "list" : "export";
    folder_ = *value(name);
    if (folder_.empty()) {
      fail(std::string("--") + name + " needs a folder");
      return;
    }
  }

  if (const auto format = value("format")) {
    format_ = OutputFormatIndex(Upper(*format));
    if (format_ < 0) {
      fail("unknown output format '" + ReadableText(*format) + "'");
      return;
    }
  }
  if (const auto output = value("output")) {
    outputFolder_ = *output;
    if (outputFolder_.empty()) {
      fail("--output needs a folder");
      return;
    }
  }
  recursive_ = given("recursive");
  if (mode_ != Mode::Export) {
    for (const char* name : {"format", "output"}) {
      if (given(name)) {
        fail(std::string("--") + name + " goes with --export");
        return;
      }
    }
  }
  if (recursive_ && mode_ != Mode::List && mode_ != Mode::Export) {
    fail("--recursive goes with --list or --export");
    return;
  }

  const QStringList positional = parser.positionalArguments();
  if (mode_ == Mode::Dialog && positional.size() == 1) {
    path_ = ToBytes(positional.front());
    if (path_.empty()) fail("the path to open is empty");
  } else if (!positional.isEmpty()) {
    const std::size_t extra = mode_ == Mode::Dialog ? 1 : 0;
    fail("unexpected argument '" + ReadableText(ToBytes(positional[static_cast<qsizetype>(extra)])) +
         "'");
  }
}

std::string CommandLine::UsageText() {
  return "Usage: pictrove [PATH]\n"
         "       pictrove --list FOLDER [--recursive]\n"
         "       pictrove --export FOLDER [--format FORMAT] [--output DIR] [--recursive]\n"
         "       pictrove --help | --version\n";
}

std::string CommandLine::HelpText() {
  std::string text = UsageText();
  text +=
      "\n"
      "Without options Pictrove opens its dialog. PATH, a folder or a drawing,\n"
      "is opened in it at once: a folder is scanned, a drawing's folder is\n"
      "scanned and that drawing shown.\n"
      "\n"
      "Options:\n";
  std::size_t width = 0;
  for (const OptionInfo& option : kOptions) width = std::max(width, OptionLabel(option).size());
  for (const OptionInfo& option : kOptions) {
    const std::string label = OptionLabel(option);
    text += "  " + label + std::string(width - label.size() + 2, ' ') +
            Wrapped(option.help, width + 4, 78) + "\n";
  }
  text +=
      "\n"
      "Values may follow an option after a space or an '=' (--format=PNG).\n"
      "\n"
      "--list prints one line per drawing with a preview: its name (relative to\n"
      "FOLDER), tab, width x height of the preview, tab, BMP or PNG. --export\n"
      "prints each written file's path and each failure, with its reason, on\n"
      "standard error; on a terminal it also shows a counter of the drawings\n"
      "done. Images are named after their drawings, with the text after the\n"
      "last '.' replaced by the format's name. Control characters in names\n"
      "are shown as \\xNN.\n"
      "\n"
      "Examples:\n"
      "  pictrove ~/drawings/bridge.dwg\n"
      "  pictrove --list ~/drawings --recursive\n"
      "  pictrove --export ~/drawings --format=PNG\n"
      "  pictrove --export /archive/drawings -r --format TIFF --output ~/previews\n"
      "\n"
      "Exit status: 0 done, 1 some files not saved (or memory ran out), 2 bad\n"
      "arguments (or a FOLDER or DIR that cannot be used), 3 no previews found,\n"
      "4 the drawing toolkit did not start.\n";
  return text;
}

int CommandLine::Run(SettingsStore& settings, std::ostream& out, std::ostream& err,
                     Terminals terminals) const {
  switch (mode_) {
    case Mode::Help:
      out << HelpText();
      return kExitOk;
    case Mode::Version:
      out << ProductVersionText() << '\n';
      return kExitOk;
    case Mode::List:
    case Mode::Export:
      return RunScan(settings, out, err, terminals);
    case Mode::Dialog:
    case Mode::Invalid:
      break;
  }
  if (!error_.empty()) err << "pictrove: " << error_ << '\n';
  err << UsageText() << "Try 'pictrove --help' for more information.\n";
  return kExitUsage;
}

int CommandLine::RunScan(SettingsStore& settings, std::ostream& out, std::ostream& err,
                         Terminals terminals) const {
  // A folder that is missing, not a folder or unreadable is the caller's
  // mistake, not a folder without previews.
  if (const int error = CheckReadableFolder(folder_)) {
    err << PathProblem(folder_, error);
    return kExitUsage;
  }
  StderrMessageBoxes messageBoxes(err);
  // Nobody is there to answer Retry: a drawing that cannot be read fails on
  // its own, and the others are still listed or saved.
  const UnreadableFilesFail unreadableFilesFail;
  const ToolkitSession toolkit;
  if (!toolkit.started()) {
    err << ToolkitStartFailureText(toolkit.error()) << '\n';
    return kExitToolkitFailed;
  }
  const int type =
      format_ >= 0 ? format_ : settings.GetProfileInt(kSettingsSection, kOutputTypeKey, kDefaultOutputType);
  const std::optional<OutputFormat> format = OutputFormatAt(type);
  if (mode_ == Mode::Export && !format) {
    err << "pictrove: no output format remembered; choose one with --format\n";
    return kExitUsage;
  }
  if (mode_ == Mode::Export && !outputFolder_.empty()) {
    if (const int error = MakeFolders(outputFolder_)) {
      err << PathProblem(outputFolder_, error);
      return kExitUsage;
    }
  }

  BatchResult result;
  try {
    const std::vector<FoundFile> drawings =
        recursive_ ? FindDrawingTree(folder_, [&err](const std::string& path, int error) {
          err << PathProblem(path, error);
        })
                   : FindDrawingFiles(folder_);
    // Reads wait on storage (a share's round trips); decoding and encoding
    // keep to the cores.
    const BatchThreads threads{ReadingThreads(), WorkerThreads()};
    if (mode_ == Mode::List) {
      result = ListPreviews(drawings, threads, out, err);
    } else {
      ExportOptions options;
      options.outputFolder = outputFolder_;
      options.outputOnTerminal = terminals.out;
      std::optional<ProgressLine> progress;
      if (terminals.err) options.progress = &progress.emplace(err, drawings.size());
      result = ExportPreviews(drawings, *format, threads, out, err, options);
    }
  } catch (const std::bad_alloc&) {
    // What was listed or saved stands; the rest is not done.
    out.flush();
    err << "pictrove: out of memory\n";
    return kExitSomeFailed;
  }
  out.flush();
  if (result.previews == 0 && result.unreadable == 0) {
    err << FormatText(LoadAppString(IDS_NO_PREVIEWS).c_str(), folder_.c_str()) << '\n';
    return kExitNothingFound;
  }
  return result.failed == 0 && result.unreadable == 0 ? kExitOk : kExitSomeFailed;
}

}  // namespace pictrove
