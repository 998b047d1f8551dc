// The application's string table and printf-style composition of its texts.
#pragma once

#include <cstdint>
#include <string>

namespace pictrove {

// The text of a string-table entry; empty for an identifier not in the table.
std::string LoadAppString(unsigned id);

// Composes text the way the framework's Format does ("%s", "%d" and the rest
// of printf's conversions). The arguments are passed through unchanged, so
// every caller passes plain C values (const char*, int).
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace pictrove
