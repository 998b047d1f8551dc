// The run-length decoder: a byte-at-a-time state machine that writes through
// a cursor which clips every pixel to the image.
#include "imaging/decode/rle_decoder.h"

#include <array>

#include "imaging/compose/fill.h"
#include "imaging/core/sizes.h"
#include "imaging/decode/bmp_reader.h"
#include "imaging/tessera.h"
#include "platform/global_memory.h"

namespace tessera {
namespace {

// Where the next pixel goes. Stored rows run upward from the last image row;
// the row only ever decreases and the column only increases between line
// ends, so both are kept wide enough never to wrap.
class RleCursor {
 public:
  RleCursor(std::uint8_t* image, std::uint32_t width, std::uint32_t height, RleOutput output,
            const std::uint8_t* table)
      : image_(image), width_(width), height_(height), output_(output), table_(table),
        row_(static_cast<std::int64_t>(height) - 1) {}

  // Writes `count` pixels whose indexes come from the run buffer (one byte
  // each for 8 bits, two nibbles per byte, high first, for 4 bits).
  void emit(const std::uint8_t* run, std::uint32_t count, bool fourBit) {
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint8_t index =
          fourBit ? ((i % 2 == 0) ? run[i / 2] >> 4 : run[i / 2] & 0x0F) : run[i];
      put(index);
    }
  }
  void endOfLine() {
    --row_;
    column_ = 0;
  }
  void moveRight(std::uint8_t dx) { column_ += dx; }
  void moveUp(std::uint8_t dy) { row_ -= dy; }

 private:
  void put(std::uint8_t index) {
    if (row_ >= 0 && row_ < height_ && column_ >= 0 && column_ < width_) {
      const std::size_t at = static_cast<std::size_t>(row_) * width_ + static_cast<std::size_t>(column_);
      if (output_ == RleOutput::Index) {
        image_[at] = index;
      } else {
        const std::uint8_t* entry = table_ + std::size_t{index} * 4;
        image_[at * 3] = entry[2];
        image_[at * 3 + 1] = entry[1];
        image_[at * 3 + 2] = entry[0];
      }
    }
    ++column_;
  }

  std::uint8_t* image_;
  std::int64_t width_;
  std::int64_t height_;
  RleOutput output_;
  const std::uint8_t* table_;
  std::int64_t row_;
  std::int64_t column_ = 0;
};

// Bytes of the pixel data, one at a time, with their offset from its start.
class PixelBytes {
 public:
  explicit PixelBytes(StreamRef& stream) : stream_(stream) {}
  bool next(std::uint8_t& b) {
    offset_ = count_;
    if (stream_.streamRead(&b, 1) != 1) return false;
    ++count_;
    return true;
  }
  // Offset of the byte last returned by next().
  std::uint64_t offset() const { return offset_; }

 private:
  StreamRef& stream_;
  std::uint64_t count_ = 0;
  std::uint64_t offset_ = 0;
};

enum class State { PairStart, RunColour, Escape, Absolute, DeltaX, DeltaY };

// Runs the state machine until the end-of-bitmap code (true) or the end of
// the data (false).
bool runStateMachine(PixelBytes& bytes, RleCursor& cursor, bool fourBit) {
  std::array<std::uint8_t, 256> run{};
  State state = State::PairStart;
  std::uint32_t n = 0;
  bool padDue = false;
  std::uint8_t b = 0;
  while (bytes.next(b)) {
    switch (state) {
      case State::PairStart:
        if (b == 0 && bytes.offset() % 2 == 0) {
          state = State::Escape;
        } else {
          n = b;
          if (n != 0) state = State::RunColour;
        }
        break;
      case State::RunColour:
        run.fill(b);
        cursor.emit(run.data(), n, fourBit);
        state = State::PairStart;
        break;
      case State::Escape:
        if (b == 0) {
          cursor.endOfLine();
          state = State::PairStart;
        } else if (b == 1) {
          return true;
        } else if (b == 2) {
          state = State::DeltaX;
        } else {
          n = b;
          padDue = fourBit ? (b % 4 == 1 || b % 4 == 2) : (b % 2 == 1);
          state = State::Absolute;
        }
        break;
      case State::Absolute:
        run[0] = b;
        if (!fourBit) {
          cursor.emit(run.data(), 1, false);
          if (--n == 0) {
            if (padDue) {
              std::uint8_t pad = 0;
              if (!bytes.next(pad)) return false;
            }
            state = State::PairStart;
          }
        } else {
          cursor.emit(run.data(), n < 2 ? n : 2, true);
          n = n <= 2 ? 0 : n - 2;
          // The pad byte, if any, lands on an odd offset and is skipped as an
          // empty pair.
          if (n == 0) state = State::PairStart;
        }
        break;
      case State::DeltaX:
        cursor.moveRight(b);
        state = State::DeltaY;
        break;
      case State::DeltaY:
        cursor.moveUp(b);
        state = State::PairStart;
        break;
    }
  }
  return false;
}

}  // namespace

std::uint8_t* decodeRunLength(OperationContext& ctx, StreamRef& stream, RleOutput output,
                              std::uint32_t* width, std::uint32_t* height) {
  *width = 0;
  *height = 0;
  BmpDecodeContext dc(ctx, stream);
  if (!readFileHeader(dc) || !readInfoHeader(dc) || !checkDimensions(dc)) return nullptr;
  const bool fourBit = dc.headers.bitCount == 4;
  if (!readColourTable(dc, dc.colourCount()) || !skipGapToPixelData(dc)) return nullptr;
  // Rows are always stored bottom-up here: a top-down height has no size.
  if (dc.headers.height < 0) {
    ctx.fail(TSERR_MEMORY);
    return nullptr;
  }
  const std::uint32_t w = static_cast<std::uint32_t>(dc.headers.width);
  const std::uint32_t h = dc.rows();
  std::uint8_t* image =
      allocGlobalBlock(ctx, mulSizes(w, h, output == RleOutput::Rgb ? 3 : 1));
  if (image == nullptr) return nullptr;
  // Background: colour table entry 0 (index 0 is already there in index mode).
  if (output == RleOutput::Rgb) {
    fillRgb(image, w, h, 0, 0, w, h,
            dc.table[2] | (dc.table[1] << 8) | (static_cast<std::uint32_t>(dc.table[0]) << 16));
  }
  *width = w;
  *height = h;

  RleCursor cursor(image, w, h, output, dc.table.data());
  PixelBytes bytes(stream);
  if (!runStateMachine(bytes, cursor, fourBit)) ctx.fail(TSERR_READ);
  return image;
}

}  // namespace tessera
