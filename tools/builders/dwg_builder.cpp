#include "tools/builders/dwg_builder.h"

#include <fstream>
#include <stdexcept>
#include <utility>

#include "tools/builders/bmp_builder.h"

namespace testsupport {

namespace {

constexpr std::uint32_t kVersionBytes = 13;
constexpr std::uint32_t kFixedHeaderBytes = 17;  // version area and locator
constexpr std::uint32_t kSentinelBytes = 16;
constexpr std::uint32_t kDirectoryFixedBytes = kSentinelBytes + 4 + 1;
constexpr std::uint32_t kEntryBytes = 9;

// A recognisable sentinel; readers skip it without comparing.
constexpr std::uint8_t kSentinel[kSentinelBytes] = {0x50, 0x69, 0x63, 0x74, 0x72, 0x6F, 0x76, 0x65,
                                                    0x20, 0x70, 0x72, 0x65, 0x76, 0x69, 0x65, 0x77};

}  // namespace

DwgBuilder::DwgBuilder(std::string version) : version_(std::move(version)) {}

DwgBuilder& DwgBuilder::version(std::string text) {
  version_ = std::move(text);
  return *this;
}

DwgBuilder& DwgBuilder::directoryAt(std::uint32_t offset) {
  if (offset < kFixedHeaderBytes) throw std::invalid_argument("directory overlaps the file header");
  directoryAt_ = offset;
  return *this;
}

DwgBuilder& DwgBuilder::locator(std::int32_t value) {
  locator_ = value;
  return *this;
}

DwgBuilder& DwgBuilder::sectionSize(std::int32_t value) {
  sectionSize_ = value;
  return *this;
}

DwgBuilder& DwgBuilder::entryCount(std::uint8_t value) {
  entryCount_ = value;
  return *this;
}

DwgBuilder& DwgBuilder::dataEntry(std::int8_t code, std::vector<std::uint8_t> data,
                                  std::optional<std::int32_t> statedSize) {
  const auto size = statedSize.value_or(static_cast<std::int32_t>(data.size()));
  entries_.push_back(Entry{code, false, true, std::move(data), 0, size});
  return *this;
}

DwgBuilder& DwgBuilder::headerEntry(std::size_t bytes) {
  std::vector<std::uint8_t> data(bytes);
  for (std::size_t i = 0; i < bytes; ++i) data[i] = static_cast<std::uint8_t>(i);
  return dataEntry(kDwgHeaderEntry, std::move(data));
}

DwgBuilder& DwgBuilder::bmp(std::vector<std::uint8_t> dib) { return dataEntry(kDwgBmpEntry, std::move(dib)); }

DwgBuilder& DwgBuilder::wmf(std::vector<std::uint8_t> metafile) {
  return dataEntry(kDwgWmfEntry, std::move(metafile));
}

DwgBuilder& DwgBuilder::png(std::vector<std::uint8_t> file) { return dataEntry(kDwgPngEntry, std::move(file)); }

DwgBuilder& DwgBuilder::rawEntry(std::int8_t code, std::int32_t start, std::int32_t size) {
  entries_.push_back(Entry{code, false, false, {}, start, size});
  return *this;
}

DwgBuilder& DwgBuilder::codeOnly(std::int8_t code) {
  entries_.push_back(Entry{code, true, false, {}, 0, 0});
  return *this;
}

DwgBuilder& DwgBuilder::padTo(std::size_t size) {
  padTo_ = size;
  return *this;
}

DwgBuilder& DwgBuilder::truncateTo(std::size_t size) {
  truncateTo_ = size;
  return *this;
}

std::uint32_t DwgBuilder::entriesBytes() const {
  std::uint32_t bytes = 0;
  for (const Entry& entry : entries_) bytes += entry.codeOnly ? 1 : kEntryBytes;
  return bytes;
}

std::uint32_t DwgBuilder::dataStart(std::size_t index) const {
  std::uint32_t at = directoryAt_ + kDirectoryFixedBytes + entriesBytes();
  for (std::size_t i = 0; i < index && i < entries_.size(); ++i) {
    at += static_cast<std::uint32_t>(entries_[i].data.size());
  }
  return at;
}

std::vector<std::uint8_t> DwgBuilder::bytes() const {
  std::vector<std::uint8_t> out(kVersionBytes, 0);
  for (std::size_t i = 0; i < version_.size() && i < kVersionBytes; ++i) {
    out[i] = static_cast<std::uint8_t>(version_[i]);
  }
  putI32(out, locator_.value_or(static_cast<std::int32_t>(directoryAt_)));
  out.resize(directoryAt_, 0);

  std::uint32_t dataBytes = 0;
  for (const Entry& entry : entries_) dataBytes += static_cast<std::uint32_t>(entry.data.size());
  out.insert(out.end(), kSentinel, kSentinel + kSentinelBytes);
  putI32(out, sectionSize_.value_or(static_cast<std::int32_t>(5 + entriesBytes() + dataBytes)));
  putU8(out, entryCount_.value_or(static_cast<std::uint8_t>(entries_.size())));
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& entry = entries_[i];
    putU8(out, static_cast<std::uint8_t>(entry.code));
    if (entry.codeOnly) continue;
    putI32(out, entry.hasData ? static_cast<std::int32_t>(dataStart(i)) : entry.start);
    putI32(out, entry.size);
  }
  for (const Entry& entry : entries_) out.insert(out.end(), entry.data.begin(), entry.data.end());

  if (padTo_ && out.size() < *padTo_) out.resize(*padTo_, 0xA5);
  if (truncateTo_ && out.size() > *truncateTo_) out.resize(*truncateTo_);
  return out;
}

void DwgBuilder::writeTo(const std::string& path) const {
  const std::vector<std::uint8_t> content = bytes();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> dwgWithDib(const std::string& version, const std::vector<std::uint8_t>& dib) {
  return DwgBuilder(version).headerEntry().bmp(dib).bytes();
}

std::vector<std::uint8_t> dwgWithPng(const std::string& version, const std::vector<std::uint8_t>& png) {
  return DwgBuilder(version).headerEntry().png(png).bytes();
}

}  // namespace testsupport
