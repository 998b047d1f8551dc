// The toolkit's one context: the error number, the copy of the critical-error
// handler, and what start-up prepares for the drawing database engine.
//
// ToolkitStart creates it and ToolkitStop frees it; the global pointer is
// null before the first start, after a failed start and after a stop.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/hooks.h"

// Finds a file by name for the engine; see LocateToolkitFile.
using FileLocator = std::int16_t (*)(const char* name, char* found, std::size_t capacity);

// One shape of a built-in font's index: shape number and offset into the
// font's data block.
struct FontIndexEntry {
  std::int16_t shapeNumber;
  std::int32_t offset;
};

constexpr int kFont1Shapes = 100;
constexpr int kFont2Shapes = 103;
constexpr std::uint16_t kFont1DataBytes = 4998;
constexpr std::uint16_t kFont2DataBytes = 4832;

// A font's shape data, described as one block.
struct ShapeDataBlock {
  std::int32_t filePosition;  // 0: the data is in memory
  std::uint16_t length;
  std::uint8_t* data;
};

struct ShapeFont {
  char name[16];
  std::uint8_t flags;
  std::uint16_t shapeCount;
  FontIndexEntry* index;
  ShapeDataBlock* block;
  std::int16_t header[5];          // values the engine's text drawing reads
  std::uint16_t headerShapeCount;  // the shape count once more, for the same reader
};

constexpr std::size_t kEngineSlots = 8;
constexpr std::size_t kFormatSlotBytes = 10;
constexpr std::size_t kReadBufferBytes = 131072;
constexpr std::size_t kXdataBufferBytes = 32768;
constexpr std::size_t kSmallBlockBytes = 10;

struct ToolkitContext {
  std::int32_t errorNumber;
  CriticalErrorHandler criticalErrorHandler;
  FileLocator fileLocator;
  void* engineSlots[kEngineSlots];
  void* smallBlock;

  // Engine defaults.
  double realTolerance;
  double angleTolerance;
  std::int16_t displayPrecision;
  double realLimit;
  char integerFormat[kFormatSlotBytes];
  char realFormat[kFormatSlotBytes];
  char exponentFormat[kFormatSlotBytes];
  std::int16_t pageBytes;

  // Work buffers.
  std::uint8_t* readBuffer;
  std::uint8_t* writeBuffer;
  std::uint8_t* xdataReadBuffer;
  std::uint8_t* xdataWriteBuffer;

  // Tables read from the init data.
  FontIndexEntry* font1Index;
  std::uint8_t* font1Data;
  FontIndexEntry* font2Index;
  std::uint8_t* font2Data;

  ShapeFont* font1;
  ShapeFont* font2;

  // Final defaults.
  char charsetTag[5];
  char styleTag[5];
  std::int16_t engineMode;
};

extern ToolkitContext* gToolkitContext;

// Sets the running toolkit's error number; does nothing when none runs.
// Safe to call from several threads at once.
void SetErrorNumber(std::int32_t number);
// The running toolkit's error number, 0 when none runs; safe beside
// SetErrorNumber on other threads.
std::int32_t LoadErrorNumber();
