#include "thumbnailer/thumbnailer_options.h"

namespace pictrove {
namespace {

// A whole number from 1 to kMaxSize in plain decimal digits, or 0.
std::uint32_t ParseSize(const std::string& text) {
  if (text.empty() || text.size() > 4) return 0;
  std::uint32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return value <= ThumbnailerOptions::kMaxSize ? value : 0;
}

}  // namespace

ThumbnailerOptions ParseThumbnailerOptions(const std::vector<std::string>& arguments) {
  ThumbnailerOptions options;
  auto fail = [&options](std::string message) {
    options.mode = ThumbnailerOptions::Mode::Invalid;
    options.error = std::move(message);
    return options;
  };
  bool help = false;
  bool version = false;
  bool sizeGiven = false;
  bool optionsEnded = false;
  std::vector<std::string> operands;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else if (arg == "-s" || arg == "--size" || arg.rfind("-s", 0) == 0 ||
               arg.rfind("--size=", 0) == 0) {
      std::string value;
      if (arg == "-s" || arg == "--size") {
        if (i + 1 >= arguments.size()) return fail(arg + " needs a size");
        value = arguments[++i];
      } else {
        value = arg.substr(arg[1] == 's' ? 2 : 7);
      }
      if (sizeGiven) return fail("the size may be given once");
      sizeGiven = true;
      options.size = ParseSize(value);
      if (options.size == 0)
        return fail("the size must be a whole number from 1 to " +
                    std::to_string(ThumbnailerOptions::kMaxSize) + ", not '" + value + "'");
    } else {
      return fail("unknown option '" + arg + "'");
    }
  }
  if (help) {
    options.mode = ThumbnailerOptions::Mode::Help;
    return options;
  }
  if (version) {
    options.mode = ThumbnailerOptions::Mode::Version;
    return options;
  }
  if (operands.size() != 2) return fail("needs an input drawing and an output file");
  if (operands[0].empty() || operands[1].empty()) return fail("an empty file name");
  options.input = operands[0];
  options.output = operands[1];
  options.mode = ThumbnailerOptions::Mode::Thumbnail;
  return options;
}

std::string ThumbnailerUsageText() {
  return "Usage: pictrove-thumbnailer [-s SIZE] INPUT OUTPUT\n"
         "       pictrove-thumbnailer --help | --version\n"
         "\n"
         "Writes the preview picture embedded in the DWG or DXF drawing INPUT to\n"
         "OUTPUT as a PNG file, whatever OUTPUT's name, scaled down to fit in\n"
         "SIZE x SIZE pixels (default 256, at most 4096) with its proportions\n"
         "kept; a smaller preview is not enlarged. On failure OUTPUT is left as it was.\n"
         "\n"
         "  -s, --size SIZE   the edge of the box the thumbnail fits in\n"
         "  -h, --help        show this text\n"
         "      --version     show the version\n"
         "\n"
         "Exit status: 0 written, 1 no usable preview in INPUT, 2 bad arguments,\n"
         "3 OUTPUT could not be written, 4 the drawing toolkit did not start.\n";
}

std::string ThumbnailerVersionText() { return std::string("pictrove-thumbnailer ") + ProductVersion(); }

}  // namespace pictrove
