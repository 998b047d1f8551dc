#include "toolkit/charset_tables.h"

#include "toolkit/host_functions.h"

CharsetSlot gCharsetSlots[kCharsetSlotCount] = {};

namespace {

std::uint16_t* AllocateTable() {
  return static_cast<std::uint16_t*>(HostMemoryAllocate(kCharsetTableCodes * sizeof(std::uint16_t)));
}

void FreeArray(std::uint16_t*& array) {
  if (array != nullptr) HostMemoryFree(array);
  array = nullptr;
}

}  // namespace

bool BuildBuiltInCharsetTables() {
  std::uint16_t* identity = AllocateTable();
  std::uint16_t* ascii = AllocateTable();
  if (identity == nullptr || ascii == nullptr) {
    FreeArray(identity);
    FreeArray(ascii);
    return false;
  }
  for (int code = 0; code < kCharsetTableCodes; ++code) {
    identity[code] = static_cast<std::uint16_t>(code);
    ascii[code] = static_cast<std::uint16_t>(code < 128 ? code : 0);
  }
  gCharsetSlots[0].table = identity;
  gCharsetSlots[0].count = 0;
  gCharsetSlots[1].table = ascii;
  gCharsetSlots[1].count = 0;
  return true;
}

void FreeCharsetTables() {
  for (CharsetSlot& slot : gCharsetSlots) {
    FreeArray(slot.table);
    FreeArray(slot.multiByteCodes);
    FreeArray(slot.wideCodes);
    slot.count = 0;
  }
}
