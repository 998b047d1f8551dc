#include "toolkit/builtin_fonts.h"

#include <cstring>

#include "toolkit/host_functions.h"
#include "toolkit/error_numbers.h"

namespace {

struct FontDefinition {
  const char* name;
  std::uint8_t flags;
  std::uint16_t shapeCount;
  std::uint16_t dataBytes;
};

constexpr FontDefinition kFont1 = {"SIMPLEX.SHX", 4, kFont1Shapes, kFont1DataBytes};
constexpr FontDefinition kFont2 = {"GDT.SHX", 68, kFont2Shapes, kFont2DataBytes};
constexpr std::int16_t kFontHeader[5] = {21, 6, 2, 0, 258};

void FreeFont(ShapeFont*& font) {
  if (font == nullptr) return;
  if (font->block != nullptr) HostMemoryFree(font->block);
  HostMemoryFree(font);
  font = nullptr;
}

// Allocates a record with its descriptor; null (nothing left over) on failure.
ShapeFont* AllocateFont() {
  auto* font = static_cast<ShapeFont*>(HostMemoryAllocate(sizeof(ShapeFont)));
  if (font == nullptr) return nullptr;
  std::memset(font, 0, sizeof(ShapeFont));
  font->block = static_cast<ShapeDataBlock*>(HostMemoryAllocate(sizeof(ShapeDataBlock)));
  if (font->block == nullptr) FreeFont(font);
  return font;
}

void FillFont(ShapeFont* font, const FontDefinition& definition, FontIndexEntry* index, std::uint8_t* data) {
  std::strncpy(font->name, definition.name, sizeof font->name - 1);
  font->flags = definition.flags;
  font->shapeCount = definition.shapeCount;
  font->index = index;
  font->block->filePosition = 0;
  font->block->length = definition.dataBytes;
  font->block->data = data;
  std::memcpy(font->header, kFontHeader, sizeof kFontHeader);
  font->headerShapeCount = definition.shapeCount;
}

}  // namespace

bool RegisterBuiltInFonts(ToolkitContext* context) {
  context->font1 = AllocateFont();
  context->font2 = context->font1 != nullptr ? AllocateFont() : nullptr;
  if (context->font2 == nullptr) {
    FreeBuiltInFonts(context);
    SetErrorNumber(kErrCannotAllocateFont);
    if (context->criticalErrorHandler != nullptr) context->criticalErrorHandler(kCriticalFatal);
    return false;
  }
  FillFont(context->font1, kFont1, context->font1Index, context->font1Data);
  FillFont(context->font2, kFont2, context->font2Index, context->font2Data);
  return true;
}

void FreeBuiltInFonts(ToolkitContext* context) {
  FreeFont(context->font1);
  FreeFont(context->font2);
}
