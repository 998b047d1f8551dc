// Builds DXF drawing files in code for tests, benchmarks and fuzz seeds:
// a few ordinary sections, optional comment (999) padding, and a
// THUMBNAILIMAGE section carrying a given bitmap (no file header), as text
// (LF or CR LF, group codes right-aligned in three columns) or binary DXF,
// with options that break the preview section in the ways real files and
// hostile ones do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

enum class DxfKind { TextCrLf, TextLf, Binary };

struct DxfFaults {
  std::optional<std::int64_t> statedCount;  // group 90 instead of the bitmap's size
  bool oddDigits = false;                   // a digit cut from the last hex line
  bool nonHexDigit = false;                 // a 'G' in the first hex line
  bool noEndOfSection = false;              // neither `0 ENDSEC` nor `0 EOF`
  bool chunkPastEnd = false;                // binary: the last chunk's length runs past the end
  std::size_t longLine = 0;                 // a hex line of this many digits (text)
  bool sectionNotLast = false;              // ENTITIES after THUMBNAILIMAGE
  bool nameInsideEntity = false;            // `1 THUMBNAILIMAGE` text, no real section
};

class DxfBuilder {
 public:
  explicit DxfBuilder(DxfKind kind = DxfKind::TextCrLf);

  // The bitmap data (information header, colour table, rows) to embed;
  // without one, the file has no THUMBNAILIMAGE section.
  DxfBuilder& preview(std::vector<std::uint8_t> dib);
  // Bytes per 310 group: hex digits / 2 in text DXF, chunk length in binary
  // (default 128 and 127, as real files have).
  DxfBuilder& bytesPerLine(std::size_t bytes);
  // Comment groups (999) before the preview section until the file has grown
  // by about `bytes`.
  DxfBuilder& commentPadding(std::size_t bytes);
  DxfBuilder& faults(DxfFaults faults);

  std::vector<std::uint8_t> bytes() const;
  // Writes the file; throws when it cannot.
  void writeTo(const std::string& path) const;
  // Streams the file to `path` without holding it in memory (for files of
  // hundreds of MB); throws when it cannot.
  void streamTo(const std::string& path) const;

 private:
  class Writer;
  void emit(Writer& out) const;

  DxfKind kind_;
  std::optional<std::vector<std::uint8_t>> dib_;
  std::optional<std::size_t> bytesPerLine_;
  std::size_t padding_ = 0;
  DxfFaults faults_;
};

}  // namespace testsupport
