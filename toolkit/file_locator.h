// Finds a file the engine asks for by name (fonts, init data, external
// references): the name itself, then its last path component in the current
// folder, then that component in each folder of the search path in the
// environment variable PICTROVE_SEARCH_PATH (folders separated by ':' or
// ';').
#pragma once

#include <cstddef>
#include <cstdint>

constexpr const char* kSearchPathVariable = "PICTROVE_SEARCH_PATH";

// Writes the path found (with its zero) into found and returns 1; returns 0
// when no candidate exists or none fits in capacity.
std::int16_t LocateToolkitFile(const char* name, char* found, std::size_t capacity);
