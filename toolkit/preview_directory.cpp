#include "toolkit/preview_directory.h"

#include <climits>
#include <cstring>

namespace {

constexpr const char* kVersions[kVersionCount] = {
    "AC1002", "AC1003", "AC1004", "AC1006", "AC1009", "AC1012", "AC1014",
    "AC1015", "AC1018", "AC1021", "AC1024", "AC1027", "AC1032",
};

constexpr std::int64_t kSentinelBytes = 16;
constexpr std::int64_t kDirectoryFixedBytes = kSentinelBytes + 4 + 1;

constexpr std::int8_t kHeaderCode = 1;
constexpr std::int8_t kBitmapCode = 2;
constexpr std::int8_t kMetafileCode = 3;
constexpr std::int8_t kPngCode = 6;

bool ReadBytes(CachedFile* file, void* destination, std::size_t bytes) {
  return CachedFileRead(destination, bytes, 1, file) == 1;
}

bool ReadInt32(CachedFile* file, std::int32_t* value) {
  std::uint8_t raw[4];
  if (!ReadBytes(file, raw, sizeof raw)) return false;
  *value = static_cast<std::int32_t>(static_cast<std::uint32_t>(raw[0]) | (static_cast<std::uint32_t>(raw[1]) << 8) |
                                     (static_cast<std::uint32_t>(raw[2]) << 16) |
                                     (static_cast<std::uint32_t>(raw[3]) << 24));
  return true;
}

bool ReadInt8(CachedFile* file, std::int8_t* value) {
  std::uint8_t raw;
  if (!ReadBytes(file, &raw, 1)) return false;
  *value = static_cast<std::int8_t>(raw);
  return true;
}

PreviewEntryRef* EntryFor(PreviewDirectory* directory, std::int8_t code) {
  switch (code) {
    case kHeaderCode: return &directory->header;
    case kBitmapCode: return &directory->bitmap;
    case kMetafileCode: return &directory->metafile;
    case kPngCode: return &directory->png;
    default: return nullptr;
  }
}

void ReadEntries(CachedFile* file, PreviewDirectory* directory) {
  for (int i = 0; i < directory->entryCount; ++i) {
    std::int8_t code = 0;
    if (!ReadInt8(file, &code)) return;
    PreviewEntryRef* entry = EntryFor(directory, code);
    if (entry == nullptr) continue;  // other codes are a single byte
    std::int32_t start = 0;
    std::int32_t size = 0;
    if (!ReadInt32(file, &start) || !ReadInt32(file, &size)) return;
    *entry = PreviewEntryRef{true, start, size};
  }
}

bool EntryUsable(const PreviewEntryRef& entry, std::int64_t fileLength, std::int32_t minimumBytes) {
  if (!entry.present || entry.start < 0 || entry.size < minimumBytes || entry.size > kMaxPreviewBytes) {
    return false;
  }
  return entry.start <= fileLength && entry.size <= fileLength - entry.start;
}

}  // namespace

int DrawingVersionIndex(const char version[6]) {
  for (int i = 0; i < kVersionCount; ++i) {
    if (std::memcmp(version, kVersions[i], 6) == 0) return i;
  }
  return -1;
}

void ReadPreviewDirectory(CachedFile* file, PreviewDirectory* directory) {
  *directory = PreviewDirectory{};
  directory->versionIndex = -1;
  directory->fileLength = -1;
  char header[kVersionHeaderBytes];
  CachedFileSeek(file, 0, 0);
  if (!ReadBytes(file, header, sizeof header)) return;
  directory->versionIndex = DrawingVersionIndex(header);
  if (directory->versionIndex < kFirstPreviewVersion) return;

  std::int32_t locator = 0;
  if (!ReadInt32(file, &locator)) return;
  const std::int64_t length = CachedFileOpenedLength(file);
  directory->fileLength = length;
  if (locator < 0 || locator > length || kDirectoryFixedBytes > length - locator) return;
  if (locator > INT32_MAX - kDirectoryFixedBytes) return;  // beyond 32-bit positions
  CachedFileSeek(file, static_cast<std::int32_t>(locator + kSentinelBytes), 0);
  if (!ReadInt32(file, &directory->sectionSize) || !ReadInt8(file, &directory->entryCount)) return;
  ReadEntries(file, directory);
}

PreviewSource ChoosePreview(const PreviewDirectory& directory, std::int64_t fileLength) {
  if (directory.versionIndex < kFirstPreviewVersion) return PreviewSource{kPreviewNone, 0, 0};
  if (directory.bitmap.present) {
    if (!EntryUsable(directory.bitmap, fileLength, kMinBitmapBytes)) return PreviewSource{kPreviewNone, 0, 0};
    return PreviewSource{kPreviewBitmap, directory.bitmap.start, directory.bitmap.size};
  }
  if (EntryUsable(directory.png, fileLength, 1)) {
    return PreviewSource{kPreviewPng, directory.png.start, directory.png.size};
  }
  return PreviewSource{kPreviewNone, 0, 0};
}
