// Starting and stopping the toolkit.
//
// ToolkitStart creates the one context, takes over the installed
// critical-error handler, allocates the engine's work buffers, reads the init
// data through the init data hooks and registers the two built-in fonts.
// Error numbers, by failing step:
//   284  no memory for the context (reported through errorOut only)
//   216  no memory for the first small block
//   11, 12, 9, 10  no memory for a work buffer
//   182  the init data cannot be opened, or its tables cannot be allocated
//   183  the init data banner does not end in "H"
//   293  no memory for a font record
// For 216 and 293 an installed handler is called with critical-error code 2
// first (it does not return). Every failure frees what was allocated and
// leaves no context.
#pragma once

#include <cstdint>

// Starts the toolkit with the init data of that name (passed to the open
// hook; may be null). Returns 1 on success (errorOut untouched, error number
// 0) and 0 on failure (errorOut = the error number). Starting a running
// toolkit stops it first.
std::int16_t ToolkitStart(const char* initDataName, std::int16_t* errorOut);

// Frees everything ToolkitStart made; does nothing when it is not running.
// The hooks and the handler slot keep their values for a later start.
void ToolkitStop();
