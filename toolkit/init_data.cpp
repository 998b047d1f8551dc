#include "toolkit/init_data.h"

#include <cstdint>
#include <cstring>

#include "toolkit/charset_tables.h"
#include "toolkit/error_numbers.h"
#include "toolkit/hooks.h"
#include "toolkit/host_functions.h"

namespace {

char gInitDataName[kInitDataNameCapacity + 1] = "";

template <typename T>
void FreeBlock(T*& block) {
  if (block != nullptr) HostMemoryFree(block);
  block = nullptr;
}

void FreeFontTables(ToolkitContext* context) {
  FreeBlock(context->font2Data);
  FreeBlock(context->font1Data);
  FreeBlock(context->font2Index);
  FreeBlock(context->font1Index);
}

bool AllocateFontTables(ToolkitContext* context) {
  context->font1Index = static_cast<FontIndexEntry*>(HostMemoryAllocate(kFont1Shapes * sizeof(FontIndexEntry)));
  if (context->font1Index == nullptr) return false;
  context->font2Index = static_cast<FontIndexEntry*>(HostMemoryAllocate(kFont2Shapes * sizeof(FontIndexEntry)));
  if (context->font2Index == nullptr) return false;
  context->font1Data = static_cast<std::uint8_t*>(HostMemoryAllocate(kFont1DataBytes));
  if (context->font1Data == nullptr) return false;
  context->font2Data = static_cast<std::uint8_t*>(HostMemoryAllocate(kFont2DataBytes));
  if (context->font2Data == nullptr) return false;
  // Init data that ends early leaves zeros, not stale memory.
  std::memset(context->font1Data, 0, kFont1DataBytes);
  std::memset(context->font2Data, 0, kFont2DataBytes);
  return true;
}

// Reads one little-endian item of `bytes` (2 or 4) through the hook. Bytes
// the hook does not deliver read as 0.
std::uint32_t ReadNumber(const InitDataHooks& hooks, void* handle, std::size_t bytes) {
  std::uint8_t raw[4] = {};
  hooks.readBlock(raw, bytes, 1, handle);
  std::uint32_t value = 0;
  for (std::size_t i = bytes; i-- > 0;) value = (value << 8) | raw[i];
  return value;
}

void ReadFontIndex(const InitDataHooks& hooks, void* handle, FontIndexEntry* index, int shapes) {
  for (int i = 0; i < shapes; ++i) {
    index[i].shapeNumber = static_cast<std::int16_t>(ReadNumber(hooks, handle, 2));
    index[i].offset = static_cast<std::int32_t>(ReadNumber(hooks, handle, 4));
  }
}

// The banner's last character before its zero byte (0 when it is empty).
// A hook that reports an end of data with a negative value ends it too.
int ReadBannerEnd(const InitDataHooks& hooks, void* handle) {
  int last = 0;
  for (;;) {
    const int byte = hooks.readByte(handle);
    if (byte <= 0) return last;
    last = byte & 0xFF;
  }
}

}  // namespace

bool LoadInitData(ToolkitContext* context, const char* name) {
  SetErrorNumber(kErrCannotOpenInitData);
  const char* remembered = name != nullptr ? name : "";
  std::strncpy(gInitDataName, remembered, kInitDataNameCapacity);
  gInitDataName[kInitDataNameCapacity] = '\0';

  const InitDataHooks& hooks = CurrentInitDataHooks();
  void* handle = hooks.open(name);
  if (handle == nullptr) return false;
  if (!AllocateFontTables(context)) {
    FreeFontTables(context);
    hooks.close(handle);
    return false;
  }
  if (ReadBannerEnd(hooks, handle) != 'H') {
    SetErrorNumber(kErrWrongInitDataVersion);
    FreeFontTables(context);
    hooks.close(handle);
    return false;
  }
  SetErrorNumber(0);
  for (int slot = 0; slot < kCharsetPositionCount; ++slot) {
    gCharsetSlots[slot].position = static_cast<std::int32_t>(ReadNumber(hooks, handle, 4));
  }
  if (!BuildBuiltInCharsetTables()) {
    SetErrorNumber(kErrCannotOpenInitData);
    FreeFontTables(context);
    hooks.close(handle);
    return false;
  }
  ReadFontIndex(hooks, handle, context->font1Index, kFont1Shapes);
  hooks.readBlock(context->font1Data, kFont1DataBytes, 1, handle);
  ReadFontIndex(hooks, handle, context->font2Index, kFont2Shapes);
  hooks.readBlock(context->font2Data, kFont2DataBytes, 1, handle);
  hooks.close(handle);
  return true;
}

void FreeInitDataTables(ToolkitContext* context) {
  FreeFontTables(context);
  FreeCharsetTables();
}

const char* RememberedInitDataName() { return gInitDataName; }
