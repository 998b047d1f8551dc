// Allocation-failure sweeps over the image library: decoding bitmaps and PNG
// previews, composing a thumbnail, making and capturing a display bitmap,
// and every writer. Each operation is run with its 1st, 2nd, ... allocation
// of each kind failing (global blocks, operator new, the C allocator beneath
// libpng, libjpeg and libtiff) until it runs through. Every run must end
// either with the very result of an undisturbed run or with null/0 and one
// of the entry point's codes, and must give back every handle, GDI object
// and global block (the sanitizer build's leak checker sees the rest).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/tessera.h"
#include "platform/gdi.h"
#include "platform/global_memory.h"
#include "tests/support/alloc_failure.h"
#include "tools/builders/bmp_builder.h"
#include "tests/support/live_resources.h"
#include "tools/builders/png_builder.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::LiveResources;
using Bytes = std::vector<std::uint8_t>;

// A PNG file with its tIME chunk's contents (and CRC) blanked: two saves a
// second apart differ there and nowhere else.
Bytes withoutTime(Bytes png) {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (png.size() < 8 || !std::equal(kSignature, kSignature + 8, png.begin())) return png;
  for (std::size_t at = 8; at + 8 <= png.size();) {
    const std::size_t length = (std::size_t{png[at]} << 24) | (std::size_t{png[at + 1]} << 16) |
                               (std::size_t{png[at + 2]} << 8) | png[at + 3];
    if (at + 12 + length > png.size()) break;
    if (std::equal(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                   png.begin() + static_cast<std::ptrdiff_t>(at + 8), "tIME")) {
      std::fill(png.begin() + static_cast<std::ptrdiff_t>(at + 8),
                png.begin() + static_cast<std::ptrdiff_t>(at + 12 + length), 0);
    }
    at += 12 + length;
  }
  return png;
}

bool codeIn(std::int32_t code, const std::vector<std::int32_t>& codes) {
  for (const std::int32_t c : codes) {
    if (c == code) return true;
  }
  return false;
}

class AllocationSweep : public ::testing::Test {
 protected:
  void SetUp() override {
    tsCleanup();  // the thread's state exists before anything fails
    SetScreenBitsPerPixel(32);
  }
  void TearDown() override { SetScreenBitsPerPixel(32); }
};

// ---- Decoding -----------------------------------------------------------------

struct Decoded {
  std::uint8_t* pixels;
  std::uint32_t width;
  std::uint32_t height;
  std::int32_t error;
};

// depth 24, 8 or 1 for tsReadBMP; 0 for tsReadPNG.
Decoded decode(const Bytes& file, std::int32_t depth, std::array<std::uint8_t, 1024>& table) {
  ImageStream* source = tsOpenMemorySource(file.data(), static_cast<std::uint32_t>(file.size()));
  if (source == nullptr) return {nullptr, 0, 0, tsGetLastError()};
  Decoded d{nullptr, 0, 0, TSERR_NONE};
  d.pixels = depth == 0 ? tsReadPNG(source, &d.width, &d.height)
                        : tsReadBMP(source, &d.width, &d.height, depth, table.data());
  d.error = tsGetLastError();
  tsCloseSource(source);
  return d;
}

Bytes bytesOf(const Decoded& d, std::int32_t depth) {
  const std::size_t size = std::size_t{d.width} * d.height * (depth == 24 || depth == 0 ? 3 : 1);
  return Bytes(d.pixels, d.pixels + size);
}

void sweepDecode(const std::string& name, const Bytes& file, std::int32_t depth) {
  SCOPED_TRACE(name);
  std::array<std::uint8_t, 1024> table{};
  const Decoded reference = decode(file, depth, table);
  ASSERT_NE(reference.pixels, nullptr);
  ASSERT_EQ(reference.error, TSERR_NONE);
  const Bytes expected = bytesOf(reference, depth);
  GlobalFree(reference.pixels);

  const LiveResources before;
  const std::uint64_t runs = testsupport::sweepEachAllocationKind(
      [&] { return decode(file, depth, table); },
      [&](const Decoded& d, bool failed) {
        if (d.pixels != nullptr) {
          EXPECT_EQ(d.error, TSERR_NONE);
          EXPECT_EQ(bytesOf(d, depth), expected);
          GlobalFree(d.pixels);
        } else {
          EXPECT_TRUE(failed);
          EXPECT_EQ(d.error, TSERR_MEMORY);
          EXPECT_EQ(d.width, 0u);
        }
        EXPECT_EQ(LiveResources{}, before);
      });
  EXPECT_GT(runs, 3u);
}

std::vector<std::uint32_t> colours(std::uint32_t count) {
  std::vector<std::uint32_t> palette;
  for (std::uint32_t i = 0; i < count; ++i) palette.push_back((i * 0x3B9ACAu) & 0xFFFFFF);
  return palette;
}

testsupport::BmpLayout indexedBitmap(int bits, std::uint32_t compression) {
  testsupport::BmpLayout s;
  s.width = 64;
  s.height = 40;
  s.bitCount = static_cast<std::uint16_t>(bits);
  s.compression = compression;
  s.palette = colours(1u << bits);
  s.pixels = testsupport::packRows(64, 40, bits, [bits](int x, int y) {
    return static_cast<std::uint32_t>(x / 3 + y) % (1u << bits);
  });
  return s;
}

TEST_F(AllocationSweep, DecodingBitmaps) {
  sweepDecode("8-bit as RGB", testsupport::bmpFileBytes(indexedBitmap(8, 0)), 24);
  sweepDecode("8-bit as indexes", testsupport::bmpFileBytes(indexedBitmap(8, 0)), 8);

  testsupport::BmpLayout rgb;
  rgb.width = 37;
  rgb.height = 23;
  rgb.bitCount = 24;
  rgb.pixels = testsupport::packRows(37, 23, 24, [](int x, int y) {
    return static_cast<std::uint32_t>(x * 0x070503 + y * 0x0D0B11) & 0xFFFFFF;
  });
  sweepDecode("24-bit", testsupport::bmpFileBytes(rgb), 24);

  testsupport::BmpLayout rle8 = indexedBitmap(8, 1);
  rle8.width = 6;
  rle8.height = 3;
  rle8.pixels = {3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 6, 4, 0, 0, 6, 9, 0, 1};
  sweepDecode("run-length 8 as RGB", testsupport::bmpFileBytes(rle8), 24);
  testsupport::BmpLayout rle4 = indexedBitmap(4, 2);
  rle4.width = 6;
  rle4.height = 2;
  rle4.pixels = {6, 0x12, 0, 0, 0, 6, 0x34, 0x56, 0x78, 0, 0, 1};
  sweepDecode("run-length 4 as indexes", testsupport::bmpFileBytes(rle4), 8);
}

TEST_F(AllocationSweep, DecodingPngPreviews) {
  testsupport::PngPicture preview;
  preview.width = 256;
  preview.height = 102;
  preview.colourType = testsupport::kPngPalette;
  preview.palette = colours(256);
  preview.sample = [](std::uint32_t x, std::uint32_t y, int) { return (x / 4 + y) % 256; };
  sweepDecode("palette preview", testsupport::pngFileBytes(preview), 0);

  // Alpha (the block shrinks to RGB afterwards) and interlacing.
  testsupport::PngPicture rgba;
  rgba.width = 31;
  rgba.height = 19;
  rgba.colourType = testsupport::kPngRgba;
  rgba.interlaced = true;
  rgba.sample = [](std::uint32_t x, std::uint32_t y, int c) {
    return (x * 37 + y * 11 + static_cast<std::uint32_t>(c) * 71) % 256;
  };
  sweepDecode("interlaced RGBA", testsupport::pngFileBytes(rgba), 0);
}

// ---- A thumbnail ----------------------------------------------------------------

TEST_F(AllocationSweep, ComposingAThumbnail) {
  // The dialog's steps after decoding: a white canvas, the preview scaled to
  // fit, placed in the middle.
  constexpr std::uint32_t kW = 180;
  constexpr std::uint32_t kH = 140;
  constexpr std::uint32_t kSw = 180;
  constexpr std::uint32_t kSh = 71;
  Bytes preview(256 * 102 * 3);
  for (std::size_t i = 0; i < preview.size(); ++i) preview[i] = static_cast<std::uint8_t>(i * 7 / 5);
  Bytes canvas(kW * kH * 3);
  Bytes scaled(kSw * kSh * 3);
  struct Composed {
    int filled, resized, overlaid;
    std::int32_t error;
  };
  auto compose = [&] {
    Composed c{};
    c.filled = tsFillRect(canvas.data(), kW, kH, 0, 0, kW, kH, 0xFFFFFF);
    c.resized = tsResizeImage(preview.data(), 256, 102, scaled.data(), kSw, kSh, 3);
    c.error = tsGetLastError();
    c.overlaid = c.resized != 0 && tsOverlayImage(canvas.data(), kW, kH, scaled.data(), kSw, kSh,
                                                  90 - kSw / 2, 70 - kSh / 2, 1.0, 1);
    return c;
  };
  ASSERT_EQ(compose().overlaid, 1);
  const Bytes expected = canvas;

  const LiveResources before;
  testsupport::sweepEachAllocationKind(compose, [&](const Composed& c, bool failed) {
    EXPECT_EQ(c.filled, 1);
    if (c.resized == 1) {
      EXPECT_EQ(c.overlaid, 1);
      EXPECT_EQ(canvas, expected);
    } else {
      EXPECT_TRUE(failed);
      EXPECT_EQ(c.error, TSERR_MEMORY);
    }
    EXPECT_EQ(LiveResources{}, before);
  });
}

// ---- Display bitmaps --------------------------------------------------------------

struct Shown {
  HBITMAP bitmap;
  std::int32_t makeError;
  std::uint8_t* pixels;
  std::uint32_t width;
  std::uint32_t height;
  std::int32_t captureError;
};

void sweepDisplay(const std::string& name, HDC dc, HDC makeDc, HPALETTE palette) {
  SCOPED_TRACE(name);
  constexpr std::uint32_t kW = 45;
  constexpr std::uint32_t kH = 14;
  Bytes rgb(kW * kH * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 13 / 3);
  auto show = [&] {
    Shown s{};
    s.bitmap = tsMakeDisplayBitmap(rgb.data(), kW, kH, palette, makeDc);
    s.makeError = tsGetLastError();
    if (s.bitmap == nullptr) return s;
    s.pixels = tsCaptureBitmap(s.bitmap, &s.width, &s.height, dc, palette);
    s.captureError = tsGetLastError();
    return s;
  };
  const Shown reference = show();
  ASSERT_NE(reference.pixels, nullptr);
  const Bytes expected(reference.pixels, reference.pixels + kW * kH * 3);
  GlobalFree(reference.pixels);
  DeleteObject(reference.bitmap);

  const LiveResources before;
  testsupport::sweepEachAllocationKind(show, [&](const Shown& s, bool failed) {
    if (s.bitmap == nullptr) {
      EXPECT_TRUE(failed);
      EXPECT_TRUE(codeIn(s.makeError, {TSERR_MEMORY, TSERR_BITMAP, TSERR_DEVICE})) << s.makeError;
    } else if (s.pixels == nullptr) {
      EXPECT_TRUE(failed);
      EXPECT_TRUE(codeIn(s.captureError, {TSERR_MEMORY, TSERR_GDI})) << s.captureError;
      EXPECT_EQ(s.width, 0u);
    } else {
      EXPECT_EQ(s.captureError, TSERR_NONE);
      EXPECT_EQ(Bytes(s.pixels, s.pixels + kW * kH * 3), expected);
    }
    GlobalFree(s.pixels);
    if (s.bitmap != nullptr) {
      EXPECT_TRUE(DeleteObject(s.bitmap));
    }
    EXPECT_EQ(LiveResources{}, before);
  });
}

TEST_F(AllocationSweep, MakingAndCapturingDisplayBitmaps) {
  for (const int depth : {32, 24, 16}) {
    ASSERT_TRUE(SetScreenBitsPerPixel(depth));
    HDC dc = GetDC(nullptr);
    sweepDisplay(std::to_string(depth) + "-bit screen", dc, nullptr, nullptr);
    ReleaseDC(nullptr, dc);
  }
  // A palette device: capture builds a palette from the system palette.
  HDC paletteDevice = CreateDeviceContext(24, RC_DI_BITMAP | RC_PALETTE);
  sweepDisplay("palette device", paletteDevice, paletteDevice, nullptr);
  DeleteDC(paletteDevice);
}

// ---- Writers -----------------------------------------------------------------------

struct Write {
  ImageStream* sink;
  std::uint32_t result;
  std::int32_t error;
};

struct WriterCase {
  std::string name;
  std::function<std::uint32_t(ImageStream*)> write;
  std::vector<std::int32_t> codes;  // the writer's codes for running out of memory
};

constexpr unsigned kEveryKind[] = {testsupport::kGlobalMemory, testsupport::kOperatorNew,
                                   testsupport::kCAllocator};

void sweepWriterToMemory(const WriterCase& c, std::vector<unsigned> kinds = {std::begin(kEveryKind),
                                                                            std::end(kEveryKind)}) {
  SCOPED_TRACE(c.name);
  auto run = [&] {
    Write w{tsOpenMemorySink(0), 0, TSERR_NONE};
    if (w.sink == nullptr) return Write{nullptr, 0, tsGetLastError()};
    w.result = c.write(w.sink);
    w.error = tsGetLastError();
    return w;
  };
  auto bytesOf = [](ImageStream* sink) {
    std::uint32_t size = 0;
    const std::uint8_t* data = tsMemorySinkData(sink, &size);
    return data == nullptr ? Bytes{} : withoutTime(Bytes(data, data + size));
  };
  const Write reference = run();
  ASSERT_NE(reference.result, 0u);
  const Bytes expected = bytesOf(reference.sink);
  tsCloseSink(reference.sink);

  const LiveResources before;
  auto check = [&](const Write& w, bool failed) {
    if (w.result != 0) {
      EXPECT_EQ(w.error, TSERR_NONE);
      EXPECT_EQ(bytesOf(w.sink), expected) << "the picture as written without failures";
    } else {
      EXPECT_TRUE(failed);
      EXPECT_TRUE(w.sink == nullptr ? w.error == TSERR_MEMORY : codeIn(w.error, c.codes))
          << w.error;
    }
    if (w.sink != nullptr) tsCloseSink(w.sink);
    EXPECT_EQ(LiveResources{}, before);
  };
  for (const unsigned kind : kinds) {
    testsupport::sweepAllocationFailures(kind, run, check);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

class WriterSweep : public AllocationSweep {
 protected:
  WriterSweep() {
    for (std::size_t i = 0; i < rgb_.size(); ++i) rgb_[i] = static_cast<std::uint8_t>((i * 29) >> 2);
    for (std::size_t i = 0; i < indices_.size(); ++i) indices_[i] = static_cast<std::uint8_t>(i / 5);
    for (std::size_t i = 0; i < palette_.size(); ++i) palette_[i] = static_cast<std::uint8_t>(i * 3);
  }
  // A thumbnail, as the application saves it, and a small indexed picture.
  Bytes rgb_ = Bytes(180 * 140 * 3);
  Bytes indices_ = Bytes(33 * 21);
  Bytes palette_ = Bytes(1024);
};

TEST_F(WriterSweep, Bmp) {
  sweepWriterToMemory({"24-bit", [&](ImageStream* s) {
                         return tsWriteBMP(s, rgb_.data(), 180, 140, 24, 0, nullptr, 0);
                       }, {TSERR_MEMORY, TSERR_WRITE}});
  sweepWriterToMemory({"run-length", [&](ImageStream* s) {
                         return tsWriteBMP(s, indices_.data(), 33, 21, 8, 256, palette_.data(), 1);
                       }, {TSERR_MEMORY, TSERR_WRITE}});
}

TEST_F(WriterSweep, Pcx) {
  sweepWriterToMemory({"24-bit", [&](ImageStream* s) {
                         return tsWritePCX(s, rgb_.data(), 180, 140, 24, nullptr);
                       }, {TSERR_MEMORY, TSERR_WRITE}});
  sweepWriterToMemory({"8-bit", [&](ImageStream* s) {
                         return tsWritePCX(s, indices_.data(), 33, 21, 8, palette_.data());
                       }, {TSERR_MEMORY, TSERR_WRITE}});
}

TEST_F(WriterSweep, Jpeg) {
  // libjpeg's memory manager cannot be given an allocator of ours; its
  // requests reach the C allocator, which the sweep fails in their turn.
  sweepWriterToMemory({"progressive", [&](ImageStream* s) {
                         return tsWriteJPG(s, rgb_.data(), 180, 140, 100, 1, 24, nullptr);
                       }, {TSERR_MEMORY, TSERR_WRITE}});
  sweepWriterToMemory({"grey", [&](ImageStream* s) {
                         return tsWriteJPG(s, indices_.data(), 33, 21, 75, 0, 8, nullptr);
                       }, {TSERR_MEMORY, TSERR_WRITE}});
}

TEST_F(WriterSweep, Png) {
  sweepWriterToMemory({"RGB", [&](ImageStream* s) {
                         return tsWritePNG(s, rgb_.data(), 180, 140, 540, 8, 0, nullptr, 2, 0.0, 0,
                                           nullptr);
                       }, {TSERR_MEMORY, TSERR_WRITE, TSERR_PNG_CREATE}});
  sweepWriterToMemory({"palette, interlaced", [&](ImageStream* s) {
                         return tsWritePNG(s, indices_.data(), 33, 21, 33, 8, 256, palette_.data(),
                                           3, 0.45455, 1, nullptr);
                       }, {TSERR_MEMORY, TSERR_WRITE, TSERR_PNG_CREATE}});
}

TEST_F(WriterSweep, Tiff) {
  // As the application writes it: uncompressed, every kind of allocation.
  sweepWriterToMemory({"RGB", [&](ImageStream* s) {
                         return tsWriteTIFF(s, rgb_.data(), 180, 140, 24, nullptr, 1, nullptr);
                       }, {TSERR_MEMORY, TSERR_WRITE, TSERR_TIFF_OPEN}});
  // Compressed, the library's own allocations are left out: libtiff 4.5
  // cannot survive a failed allocation while it sets a codec up. It assigns
  // a failed realloc of its field table over the only pointer to it (the
  // table leaks, and the directory write walks a null array), and the LZW
  // codec ignores the failure, leaving its predictor state uninitialised for
  // the close to call through. No caller can repair that handle.
  for (const std::uint32_t compression : {5u, 7u}) {
    sweepWriterToMemory({"RGB, compression " + std::to_string(compression), [&](ImageStream* s) {
                           return tsWriteTIFF(s, rgb_.data(), 180, 140, 24, nullptr, compression,
                                              nullptr);
                         }, {TSERR_MEMORY, TSERR_WRITE, TSERR_TIFF_OPEN}},
                        {testsupport::kGlobalMemory, testsupport::kOperatorNew});
  }
  sweepWriterToMemory({"palette", [&](ImageStream* s) {
                         return tsWriteTIFF(s, indices_.data(), 33, 21, 8, palette_.data(), 1,
                                            nullptr);
                       }, {TSERR_MEMORY, TSERR_WRITE, TSERR_TIFF_OPEN}});
}

TEST_F(WriterSweep, OverAFileSink) {
  // Opening, writing and closing a file: the C library's stream needs
  // memory too.
  testsupport::TempDir dir;
  const std::string path = dir.file("thumbnail.png");
  struct Saved {
    std::uint32_t result;
    std::int32_t error;
    std::uint32_t closed;
  };
  auto save = [&] {
    ImageStream* sink = tsOpenFileSink(path.c_str());
    if (sink == nullptr) return Saved{0, tsGetLastError(), 0};
    Saved s{};
    s.result = tsWritePNG(sink, rgb_.data(), 180, 140, 540, 8, 0, nullptr, 2, 0.0, 0, nullptr);
    s.error = tsGetLastError();
    s.closed = tsCloseSink(sink);
    return s;
  };
  ASSERT_NE(save().closed, 0u);
  const Bytes expected = withoutTime(testsupport::readFile(path));
  const LiveResources before;
  testsupport::sweepEachAllocationKind(save, [&](const Saved& s, bool failed) {
    if (s.result != 0) {
      EXPECT_EQ(s.closed, s.result);
      EXPECT_EQ(withoutTime(testsupport::readFile(path)), expected);
    } else {
      EXPECT_TRUE(failed);
      EXPECT_TRUE(codeIn(s.error, {TSERR_MEMORY, TSERR_FILE_CREATE, TSERR_WRITE, TSERR_PNG_CREATE}))
          << s.error;
    }
    EXPECT_EQ(LiveResources{}, before);
  });
}

}  // namespace
