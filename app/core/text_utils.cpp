#include "app/core/text_utils.h"

#include <cstdint>
#include <cstdio>

namespace pictrove {
namespace {

constexpr std::size_t kStatusChars = 35;

// Length of the valid UTF-8 sequence starting at `i`, or 0 when the byte
// there does not start one (overlong forms and surrogates included).
std::size_t Utf8SequenceLength(const std::string& s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
  const std::uint8_t lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  std::uint32_t minimum = 0;
  std::uint32_t cp = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    minimum = 0x80;
    cp = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    minimum = 0x800;
    cp = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    minimum = 0x10000;
    cp = lead & 0x07u;
  } else {
    return 0;
  }
  if (length > s.size() - i) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const std::uint8_t c = byte(i + k);
    if ((c & 0xC0u) != 0x80u) return 0;
    cp = (cp << 6) | (c & 0x3Fu);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

bool IsControl(std::uint8_t c) { return c < 0x20 || c == 0x7F; }

void AppendCodePoint(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::string ShortenPath(const std::string& text) {
  // Count characters, not bytes, so that the cut never splits a UTF-8
  // sequence; a stray byte counts as one character.
  std::size_t i = 0;
  std::size_t chars = 0;
  while (i < text.size() && chars < kStatusChars) {
    const std::size_t length = Utf8SequenceLength(text, i);
    i += length == 0 ? 1 : length;
    ++chars;
  }
  if (i >= text.size()) return text;
  return text.substr(0, i) + "...";
}

std::string ReadableText(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<std::uint8_t>(bytes[i]);
    const std::size_t length = Utf8SequenceLength(bytes, i);
    if (length == 1 && IsControl(c)) {
      AppendCodePoint(out, 0xFFFD);
    } else if (length > 0) {
      out.append(bytes, i, length);
      i += length;
      continue;
    } else if (c >= 0xA0) {
      AppendCodePoint(out, c);
    } else {
      AppendCodePoint(out, 0xFFFD);
    }
    ++i;
  }
  return out;
}

bool IsReadableText(const std::string& bytes) { return ReadableText(bytes) == bytes; }

std::string EscapeForLine(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto c = static_cast<std::uint8_t>(ch);
    if (IsControl(c)) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

}  // namespace pictrove
