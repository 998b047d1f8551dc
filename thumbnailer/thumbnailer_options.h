// The thumbnailer's command line: pictrove-thumbnailer [-s SIZE] INPUT OUTPUT.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictrove {

struct ThumbnailerOptions {
  enum class Mode { Thumbnail, Help, Version, Invalid };

  // Exit codes.
  static constexpr int kExitOk = 0;
  static constexpr int kExitNoThumbnail = 1;
  static constexpr int kExitUsage = 2;
  static constexpr int kExitWriteFailed = 3;
  static constexpr int kExitToolkitFailed = 4;

  // The edge of the box the thumbnail fits in when -s is not given, and the
  // largest one taken (the decoders' own limit on a side).
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
