// Writes a seed corpus for fuzz_dxf_preview from the DXF builder (text with
// CR LF and LF, binary, 8- and 24-bit previews, no preview, each fault) and,
// for each real DXF named, its first 4 KiB followed by its last 160 KiB, so
// that the preview section at its end fits in the fuzzer's input length.
//   fuzz_dxf_preview_seeds <dir> [real.dxf...]
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/seed_files.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/dxf_builder.h"

using testsupport::DxfBuilder;
using testsupport::DxfFaults;
using testsupport::DxfKind;

namespace {

constexpr std::size_t kHeadBytes = 4096;
constexpr std::size_t kTailBytes = 160 * 1024;

std::vector<std::uint8_t> dib24() {
  testsupport::BmpLayout layout;
  layout.width = 9;
  layout.height = 5;
  layout.bitCount = 24;
  layout.pixels = testsupport::packRows(9, 5, 24, [](int x, int y) { return static_cast<std::uint32_t>(x * 0x10203 + y); });
  return testsupport::dibBytes(layout);
}

std::vector<std::uint8_t> headAndTail(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (all.size() <= kHeadBytes + kTailBytes) return all;
  std::vector<std::uint8_t> out(all.begin(), all.begin() + kHeadBytes);
  out.insert(out.end(), all.end() - kTailBytes, all.end());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: fuzz_dxf_preview_seeds <dir> [real.dxf...]\n";
    return 2;
  }
  const std::string dir = argv[1];
  const auto dib8 = testsupport::dibOfSize(300, 0);
  const auto faults = [](auto set) {
    DxfFaults f;
    set(f);
    return f;
  };
  std::vector<fuzzsupport::Seed> seeds = {
      {"text-crlf-8", DxfBuilder(DxfKind::TextCrLf).preview(dib8).bytes()},
      {"text-lf-24", DxfBuilder(DxfKind::TextLf).preview(dib24()).bytesPerLine(20).bytes()},
      {"binary-8", DxfBuilder(DxfKind::Binary).preview(dib8).bytes()},
      {"binary-24", DxfBuilder(DxfKind::Binary).preview(dib24()).bytesPerLine(255).bytes()},
      {"text-none", DxfBuilder(DxfKind::TextCrLf).bytes()},
      {"binary-none", DxfBuilder(DxfKind::Binary).bytes()},
      {"text-padded", DxfBuilder(DxfKind::TextLf).preview(dib24()).commentPadding(2000).bytes()},
      {"text-odd", DxfBuilder(DxfKind::TextCrLf).preview(dib8).faults(faults([](DxfFaults& f) { f.oddDigits = true; })).bytes()},
      {"text-count", DxfBuilder(DxfKind::TextLf).preview(dib8).faults(faults([](DxfFaults& f) { f.statedCount = 299; })).bytes()},
      {"binary-past-end",
       DxfBuilder(DxfKind::Binary).preview(dib8).faults(faults([](DxfFaults& f) { f.chunkPastEnd = true; })).bytes()},
      {"binary-not-last",
       DxfBuilder(DxfKind::Binary).preview(dib8).faults(faults([](DxfFaults& f) { f.sectionNotLast = true; })).bytes()},
      {"text-entity-name",
       DxfBuilder(DxfKind::TextCrLf).faults(faults([](DxfFaults& f) { f.nameInsideEntity = true; })).bytes()},
  };
  for (int i = 2; i < argc; ++i) {
    const std::string path = argv[i];
    seeds.push_back({"real-" + path.substr(path.find_last_of('/') + 1), headAndTail(path)});
  }
  return fuzzsupport::WriteSeedFiles(dir, seeds);
}
