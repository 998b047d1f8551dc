// Text helpers for paths and labels. Paths are kept as the bytes the file
// system gave us; only what is shown to the user is made into valid UTF-8.
#pragma once

#include <string>

namespace pictrove {

// The folder browser's status text: `text` unchanged when it has at most 35
// characters, otherwise its first 35 characters followed by "...".
std::string ShortenPath(const std::string& text);

// `bytes` as valid UTF-8 for display: valid UTF-8 sequences pass unchanged,
// a stray byte from 0xA0 up is read as the Latin-1 character of that value,
// and any other stray byte or control character becomes U+FFFD.
std::string ReadableText(const std::string& bytes);

// Whether `bytes` is valid UTF-8 without control characters, so that
// ReadableText(bytes) == bytes.
bool IsReadableText(const std::string& bytes);

// `bytes` for one line of tab-separated output: control bytes (below 0x20
// and 0x7F) are written as \xNN so that a name cannot break the line.
std::string EscapeForLine(const std::string& bytes);

}  // namespace pictrove
