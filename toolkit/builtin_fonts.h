// The two fonts that the init data carries, registered for the engine's
// text drawing.
#pragma once

#include "toolkit/context.h"

// Makes the records of the two built-in fonts over the context's font
// tables. When memory runs out, frees what it made, sets error number 293
// and calls the context's critical-error handler with code 2 if one is
// installed; returns false when that handler returns or none is installed.
bool RegisterBuiltInFonts(ToolkitContext* context);

// Frees the first font's descriptor and record, then the second's.
void FreeBuiltInFonts(ToolkitContext* context);
