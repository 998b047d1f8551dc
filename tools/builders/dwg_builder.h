// Builds DWG drawing files in code for tests, benchmarks, fuzz seeds and
// sample drawings: the file header (version string, preview locator), the
// preview directory with any entries, the entries' data, trailing bytes and
// truncation.
//
// Layout written: the version at offset 0 (13 bytes, zero-padded), the
// locator at offset 13, zeros up to the directory, then the directory (a
// 16-byte sentinel, the section size, the entry count byte, the entries) and
// the data of the entries that carry data, in entry order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

constexpr std::int8_t kDwgHeaderEntry = 1;
constexpr std::int8_t kDwgBmpEntry = 2;
constexpr std::int8_t kDwgWmfEntry = 3;
constexpr std::int8_t kDwgPngEntry = 6;

class DwgBuilder {
 public:
  explicit DwgBuilder(std::string version = "AC1015");

  // Any text; the first 13 bytes are written.
  DwgBuilder& version(std::string text);
  // Where the directory starts (default 64; at least 17).
  DwgBuilder& directoryAt(std::uint32_t offset);
  // Writes this locator instead of the directory's position.
  DwgBuilder& locator(std::int32_t value);
  // Writes this section size instead of the directory's and data's length.
  DwgBuilder& sectionSize(std::int32_t value);
  // Writes this entry count byte instead of the number of entries.
  DwgBuilder& entryCount(std::uint8_t value);

  // An entry whose data follows the directory; start and size point at it.
  // statedSize replaces the size written in the entry (the data stays).
  DwgBuilder& dataEntry(std::int8_t code, std::vector<std::uint8_t> data,
                        std::optional<std::int32_t> statedSize = std::nullopt);
  DwgBuilder& headerEntry(std::size_t bytes = 80);
  DwgBuilder& bmp(std::vector<std::uint8_t> dib);
  DwgBuilder& wmf(std::vector<std::uint8_t> metafile);
  DwgBuilder& png(std::vector<std::uint8_t> file);
  // An entry with exactly these numbers and no data of its own.
  DwgBuilder& rawEntry(std::int8_t code, std::int32_t start, std::int32_t size);
  // A lone code byte (how codes other than 1, 2, 3 and 6 are stored).
  DwgBuilder& codeOnly(std::int8_t code);

  // Appends bytes after everything else until the file has `size` bytes.
  DwgBuilder& padTo(std::size_t size);
  // Cuts the file to its first `size` bytes.
  DwgBuilder& truncateTo(std::size_t size);

  std::vector<std::uint8_t> bytes() const;
  // Writes the file; throws when it cannot.
  void writeTo(const std::string& path) const;

  // Where the data of the entry at `index` (in the order added) starts.
  std::uint32_t dataStart(std::size_t index) const;

 private:
  struct Entry {
    std::int8_t code;
    bool codeOnly;
    bool hasData;
    std::vector<std::uint8_t> data;
    std::int32_t start;
    std::int32_t size;
  };
  std::uint32_t entriesBytes() const;

  std::string version_;
  std::uint32_t directoryAt_ = 64;
  std::optional<std::int32_t> locator_;
  std::optional<std::int32_t> sectionSize_;
  std::optional<std::uint8_t> entryCount_;
  std::vector<Entry> entries_;
  std::optional<std::size_t> padTo_;
  std::optional<std::size_t> truncateTo_;
};

// A drawing of that version with a header entry and a BMP entry holding dib.
std::vector<std::uint8_t> dwgWithDib(const std::string& version, const std::vector<std::uint8_t>& dib);
// A drawing of that version with a header entry and a PNG entry holding png.
std::vector<std::uint8_t> dwgWithPng(const std::string& version, const std::vector<std::uint8_t>& png);

}  // namespace testsupport
