// Handle and integer type names of the desktop API that the libraries are
// written against. Only the names live here; each facility's own header
// (global memory, thread slots, device bitmaps, resources) declares its calls.
#pragma once

#include <cstdint>

using BOOL = int;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using LONG = std::int32_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// A global memory handle is the block's address (fixed memory only).
using HGLOBAL = void*;

// Graphics objects share one opaque type, as with a non-strict Win32 build:
// a bitmap, a palette and a device context are all GdiObject pointers and
// DeleteObject takes any of them.
struct GdiObject;
using HGDIOBJ = GdiObject*;
using HBITMAP = GdiObject*;
using HPALETTE = GdiObject*;
using HDC = GdiObject*;
