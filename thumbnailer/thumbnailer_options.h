// The thumbnailer's command line: pictrove-thumbnailer [-s SIZE] INPUT OUTPUT.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/host/program_texts.h"

namespace pictrove {

struct ThumbnailerOptions {
  enum class Mode { Thumbnail, Help, Version, Invalid };

  // Exit codes: 0, 2 and 4 mean what they mean for the program.
  static constexpr int kExitOk = exit_code::kOk;
  static constexpr int kExitNoThumbnail = 1;
  static constexpr int kExitUsage = exit_code::kUsage;
  static constexpr int kExitWriteFailed = 3;
  static constexpr int kExitToolkitFailed = exit_code::kToolkitFailed;

  // The edge of the box the thumbnail fits in when -s is not given, and the
  // largest one taken: a thumbnail, not a full picture (the decoders take
  // sides up to 16384, but no desktop asks for thumbnails above a few
  // hundred pixels, and a larger box only costs memory and time).
  static constexpr std::uint32_t kDefaultSize = 256;
  static constexpr std::uint32_t kMaxSize = 4096;

  Mode mode = Mode::Invalid;
  std::uint32_t size = kDefaultSize;
  std::string input;
  std::string output;
  std::string error;  // why the arguments were refused
};

// Reads the arguments after the program name. Options: -s SIZE, -sSIZE,
// --size SIZE, --size=SIZE (a whole number from 1 to kMaxSize), -h, --help,
// --version; "--" ends the options. Exactly two operands, both non-empty,
// make a Thumbnail run.
ThumbnailerOptions ParseThumbnailerOptions(const std::vector<std::string>& arguments);

// The usage text that --help prints and a refused command line ends with.
std::string ThumbnailerUsageText();

// "pictrove-thumbnailer <version>".
std::string ThumbnailerVersionText();

}  // namespace pictrove
