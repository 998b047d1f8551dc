// The program's embedded data blocks, found by type and name. The build
// embeds exactly one: the toolkit's init data, type "INITDATA", name "#129".
#pragma once

#include "platform/win_types.h"

struct ResourceRecord;
using HRSRC = const ResourceRecord*;
using HMODULE = void*;  // the program's own module is null

// The block of that name and type (both compared exactly), or null.
HRSRC FindResourceA(HMODULE module, const char* name, const char* type);
// A handle to the block's data; null for a null resource.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
// The first byte of the block's data (read-only); null for a null handle.
void* LockResource(HGLOBAL loaded);
// The block's size in bytes; 0 for a null resource.
DWORD SizeofResource(HMODULE module, HRSRC resource);
