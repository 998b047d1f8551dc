// The part of a DWG file header that leads to the embedded preview.
//
// Offset 0 holds a 6-character version string (13 bytes are read in one
// piece); offset 13 a signed 4-byte locator: the file position of the
// preview directory. The directory holds a 16-byte sentinel (skipped), the
// section's overall size (4 bytes, unused), a signed entry count byte (128
// and above: no entries) and the entries. An entry is a signed code byte;
// codes 1 (header data), 2 (BMP), 3 (WMF) and 6 (PNG) are followed by a
// 4-byte start and a 4-byte size, other codes by nothing. All numbers are
// little-endian; where a code repeats, the last entry wins.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/cached_file.h"

constexpr int kVersionCount = 13;
// Versions from this index on carry a preview section.
constexpr int kFirstPreviewVersion = 5;
constexpr std::size_t kVersionHeaderBytes = 13;

// A preview larger than this is refused, so that no file can make a reader
// allocate without bound.
constexpr std::int32_t kMaxPreviewBytes = 16 * 1024 * 1024;
// A BMP entry must hold at least its 40-byte information header.
constexpr std::int32_t kMinBitmapBytes = 40;

// The version's index in the table ("AC1002" is 0, ..., "AC1015" 7,
// "AC1018" 8, ..., "AC1032" 12): exact and case-sensitive; -1 when not
// listed.
int DrawingVersionIndex(const char version[6]);

struct PreviewEntryRef {
  bool present;
  std::int32_t start;
  std::int32_t size;
};

struct PreviewDirectory {
  int versionIndex;          // -1 also for a file too short to hold a version
  std::int32_t sectionSize;
  std::int8_t entryCount;
  PreviewEntryRef header;    // code 1
  PreviewEntryRef bitmap;    // code 2
  PreviewEntryRef metafile;  // code 3
  PreviewEntryRef png;       // code 6
  // The file's length that the walk checked against (as it was opened), so
  // that a caller checks against the same; -1 when the walk ended before.
  std::int64_t fileLength;
};

// Reads the version and, for versions with a preview section, the
// directory. Every read is checked: a locator outside the file, or a
// directory or entry cut short by the end of the file, ends the walk with
// the entries complete so far.
void ReadPreviewDirectory(CachedFile* file, PreviewDirectory* directory);

enum PreviewFormat { kPreviewNone, kPreviewBitmap, kPreviewPng };

struct PreviewSource {
  PreviewFormat format;
  std::int32_t start;
  std::int32_t size;
};

// The preview to hand out: the BMP entry when there is one, else the PNG
// entry. An entry whose start is negative, whose size is 0 or less or above
// kMaxPreviewBytes, whose data ends past fileLength, or (BMP) whose data is
// shorter than kMinBitmapBytes is no preview.
PreviewSource ChoosePreview(const PreviewDirectory& directory, std::int64_t fileLength);
