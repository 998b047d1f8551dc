// The character-set table slots the engine converts text with.
//
// Each of the 38 slots has a position in the init data (-1 when the slot has
// no table there). Start-up fills slot 0 (identity) and slot 1 (7-bit ASCII,
// the upper half 0); the engine loads the others from the init data when it
// first needs them. Process-wide, beside the context.
#pragma once

#include <cstdint>

constexpr int kCharsetSlotCount = 38;
constexpr int kCharsetTableCodes = 256;

struct CharsetSlot {
  std::int32_t position;   // of the slot's table in the init data; -1: none
  std::uint16_t* table;    // kCharsetTableCodes codes, one per byte value
  std::uint16_t count;     // entries of the two arrays below
  std::uint16_t* multiByteCodes;
  std::uint16_t* wideCodes;
};

extern CharsetSlot gCharsetSlots[kCharsetSlotCount];

// Builds the slot 0 and slot 1 tables; false (with nothing left allocated
// for them) when memory runs out.
bool BuildBuiltInCharsetTables();
// Frees every slot's arrays and sets them to null; positions stay.
void FreeCharsetTables();
