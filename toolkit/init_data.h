// Reading the toolkit's init data through the init data hooks.
//
// Layout (numbers little-endian): a banner ended by a zero byte whose last
// character must be "H"; 38 character-set table positions of 4 bytes; the
// first font's index (100 entries of a 2-byte shape number and a 4-byte
// offset) and its 4998 data bytes; the second font's index (103 entries) and
// its 4832 data bytes; then the character-set tables, which the engine reads
// on demand at their positions.
#pragma once

#include <cstddef>

#include "toolkit/context.h"

constexpr int kCharsetPositionCount = 38;
constexpr std::size_t kInitDataNameCapacity = 512;

// Opens the init data through the hooks and reads it into the context's font
// tables and the character-set slots. On failure the context's error number
// says why (182: cannot open or allocate, 183: banner does not end in "H")
// and nothing it allocated remains.
bool LoadInitData(ToolkitContext* context, const char* name);

// Frees the font tables (second font's data, first font's data, second
// index, first index) and every character-set slot's arrays.
void FreeInitDataTables(ToolkitContext* context);

// The name given to the last load, kept for the engine to open the data
// again (at most 512 characters; "" when none was given).
const char* RememberedInitDataName();
