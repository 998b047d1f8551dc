#include "tools/builders/dxf_builder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>

namespace testsupport {

// Collects bytes and hands them on in pieces to a sink.
class DxfBuilder::Writer {
 public:
  Writer(DxfKind kind, std::function<void(const std::vector<std::uint8_t>&)> sink)
      : kind_(kind), sink_(std::move(sink)) {}
  ~Writer() = default;

  bool binary() const { return kind_ == DxfKind::Binary; }

  void raw(const void* data, std::size_t bytes) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    buffer_.insert(buffer_.end(), p, p + bytes);
    if (buffer_.size() >= (1u << 20)) flush();
  }
  void flush() {
    if (!buffer_.empty()) sink_(buffer_);
    buffer_.clear();
  }

  void code(int code) {
    if (binary()) {
      const std::uint8_t b[2] = {static_cast<std::uint8_t>(code & 0xFF), static_cast<std::uint8_t>(code >> 8)};
      raw(b, 2);
    } else {
      char text[16];
      std::snprintf(text, sizeof text, "%3d", code);
      line(text);
    }
  }
  void line(const std::string& text) {
    raw(text.data(), text.size());
    if (kind_ == DxfKind::TextCrLf) raw("\r\n", 2);
    else raw("\n", 1);
  }
  void text(int c, const std::string& value) {
    code(c);
    if (binary()) raw(value.c_str(), value.size() + 1);
    else line(value);
  }
  void int32(int c, std::int64_t value) {
    code(c);
    if (binary()) {
      const auto v = static_cast<std::uint32_t>(value);
      const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                 static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
      raw(b, 4);
    } else {
      char t[32];
      std::snprintf(t, sizeof t, "%9lld", static_cast<long long>(value));
      line(t);
    }
  }
  void real(int c, double value) {
    code(c);
    if (binary()) {
      raw(&value, 8);
    } else {
      char t[64];
      std::snprintf(t, sizeof t, "%.6f", value);
      line(t);
    }
  }
  void chunk(const std::uint8_t* data, std::size_t bytes, std::size_t statedLength) {
    code(310);
    if (binary()) {
      const auto n = static_cast<std::uint8_t>(statedLength);
      raw(&n, 1);
      raw(data, bytes);
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      std::string hex;
      for (std::size_t i = 0; i < bytes; ++i) {
        hex += kHex[data[i] >> 4];
        hex += kHex[data[i] & 15];
      }
      line(hex);
    }
  }

 private:
  DxfKind kind_;
  std::function<void(const std::vector<std::uint8_t>&)> sink_;
  std::vector<std::uint8_t> buffer_;
};

DxfBuilder::DxfBuilder(DxfKind kind) : kind_(kind) {}

DxfBuilder& DxfBuilder::preview(std::vector<std::uint8_t> dib) {
  dib_ = std::move(dib);
  return *this;
}
DxfBuilder& DxfBuilder::bytesPerLine(std::size_t bytes) {
  bytesPerLine_ = bytes;
  return *this;
}
DxfBuilder& DxfBuilder::commentPadding(std::size_t bytes) {
  padding_ = bytes;
  return *this;
}
DxfBuilder& DxfBuilder::faults(DxfFaults faults) {
  faults_ = faults;
  return *this;
}

void DxfBuilder::emit(Writer& out) const {
  if (out.binary()) {
    static constexpr std::uint8_t kSentinel[22] = {'A', 'u', 't', 'o', 'C', 'A', 'D', ' ', 'B', 'i', 'n',
                                                   'a', 'r', 'y', ' ', 'D', 'X', 'F', '\r', '\n', 0x1A, 0};
    out.raw(kSentinel, sizeof kSentinel);
  }
  out.text(0, "SECTION");
  out.text(2, "HEADER");
  out.text(9, "$ACADVER");
  out.text(1, "AC1015");
  out.text(0, "ENDSEC");
  const auto entities = [&] {
    out.text(0, "SECTION");
    out.text(2, "ENTITIES");
    out.text(0, "LINE");
    out.text(8, "0");
    out.real(10, 0.0);
    out.real(20, 0.0);
    out.real(11, 10.0);
    out.real(21, 5.0);
    if (faults_.nameInsideEntity) {
      out.text(0, "TEXT");
      out.text(1, "THUMBNAILIMAGE");
    }
    out.text(0, "ENDSEC");
  };
  entities();
  // Comment lines of about 200 bytes.
  const std::string comment(192, 'x');
  for (std::size_t grown = 0; grown < padding_; grown += comment.size() + 8) out.text(999, comment);
  if (dib_) {
    const std::vector<std::uint8_t>& dib = *dib_;
    out.text(0, "SECTION");
    out.text(2, "THUMBNAILIMAGE");
    out.int32(90, faults_.statedCount ? *faults_.statedCount : static_cast<std::int64_t>(dib.size()));
    const std::size_t perLine = bytesPerLine_ ? *bytesPerLine_ : (out.binary() ? 127 : 128);
    std::size_t first = 0;
    if (faults_.longLine > 0 && !out.binary()) {
      // One over-long hex line of repeated digits (not counted as data).
      out.code(310);
      out.line(std::string(faults_.longLine, '0'));
    }
    for (std::size_t at = 0; at < dib.size(); at += perLine) {
      const std::size_t n = std::min(perLine, dib.size() - at);
      const bool last = at + n >= dib.size();
      if (!out.binary() && ((faults_.nonHexDigit && first == 0) || (faults_.oddDigits && last))) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        std::string hex;
        for (std::size_t i = 0; i < n; ++i) {
          hex += kHex[dib[at + i] >> 4];
          hex += kHex[dib[at + i] & 15];
        }
        if (faults_.nonHexDigit && first == 0) hex[1] = 'G';
        if (faults_.oddDigits && last) hex.pop_back();
        out.code(310);
        out.line(hex);
      } else if (out.binary() && faults_.chunkPastEnd && last) {
        out.chunk(dib.data() + at, n, 255);
        out.flush();
        return;  // the stated length runs past the end of the file
      } else {
        out.chunk(dib.data() + at, n, n);
      }
      ++first;
    }
    if (faults_.noEndOfSection) {
      out.flush();
      return;
    }
    out.text(0, "ENDSEC");
  }
  if (faults_.sectionNotLast) entities();
  out.text(0, "EOF");
  out.flush();
}

std::vector<std::uint8_t> DxfBuilder::bytes() const {
  std::vector<std::uint8_t> all;
  Writer out(kind_, [&](const std::vector<std::uint8_t>& piece) { all.insert(all.end(), piece.begin(), piece.end()); });
  emit(out);
  return all;
}

void DxfBuilder::writeTo(const std::string& path) const { streamTo(path); }

void DxfBuilder::streamTo(const std::string& path) const {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + path);
  bool ok = true;
  Writer out(kind_, [&](const std::vector<std::uint8_t>& piece) {
    ok = ok && std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
  });
  emit(out);
  ok = std::fclose(file) == 0 && ok;
  if (!ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace testsupport
