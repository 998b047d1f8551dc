// The init data the build generates and embeds: its layout, fonts and
// character-set tables, and a start-up from it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/host/init_data_stream.h"
#include "platform/resource.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/charset_tables.h"
#include "toolkit/context.h"

namespace {

constexpr int kSlots = 38;
constexpr std::size_t kFontsBytes = 100 * 6 + 4998 + 103 * 6 + 4832;

// A reader over the embedded block that fails the test instead of leaving it.
class EmbeddedReader {
 public:
  EmbeddedReader() {
    HRSRC resource = FindResourceA(nullptr, "#129", "INITDATA");
    data_ = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, resource)));
    size_ = SizeofResource(nullptr, resource);
  }
  std::size_t size() const { return size_; }
  bool has(std::size_t offset, std::size_t bytes) const { return offset <= size_ && bytes <= size_ - offset; }
  std::uint16_t u16(std::size_t offset) const {
    EXPECT_TRUE(has(offset, 2)) << offset;
    return has(offset, 2) ? static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8)) : 0;
  }
  std::int32_t i32(std::size_t offset) const {
    EXPECT_TRUE(has(offset, 4)) << offset;
    if (!has(offset, 4)) return 0;
    return static_cast<std::int32_t>(data_[offset] | (data_[offset + 1] << 8) | (data_[offset + 2] << 16) |
                                     (static_cast<std::uint32_t>(data_[offset + 3]) << 24));
  }
  const std::uint8_t* data() const { return data_; }

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

struct Layout {
  std::size_t bannerBytes;  // with its zero
  std::size_t positionsAt;
  std::size_t font1IndexAt;
  std::size_t font2IndexAt;
  std::size_t tablesAt;
  std::int32_t positions[kSlots];
};

Layout layoutOf(const EmbeddedReader& in) {
  Layout layout{};
  std::size_t zero = 0;
  while (zero < in.size() && in.data()[zero] != 0) ++zero;
  layout.bannerBytes = zero + 1;
  layout.positionsAt = layout.bannerBytes;
  for (int slot = 0; slot < kSlots; ++slot) layout.positions[slot] = in.i32(layout.positionsAt + 4 * slot);
  layout.font1IndexAt = layout.positionsAt + 4 * kSlots;
  layout.font2IndexAt = layout.font1IndexAt + 100 * 6 + 4998;
  layout.tablesAt = layout.positionsAt + 4 * kSlots + kFontsBytes;
  return layout;
}

// The code of byte value `byte` (128..255) in the slot's table.
std::uint16_t highCode(const EmbeddedReader& in, const Layout& layout, int slot, int byte) {
  return in.u16(static_cast<std::size_t>(layout.positions[slot]) + 2 * (byte - 128));
}

// The wide code of a double-byte code in a multi-byte slot, 0 when absent.
std::uint16_t pairCode(const EmbeddedReader& in, const Layout& layout, int slot, std::uint16_t code) {
  const std::size_t at = static_cast<std::size_t>(layout.positions[slot]) + 256;
  const std::uint16_t count = in.u16(at);
  for (std::size_t i = 0; i < count; ++i) {
    if (in.u16(at + 2 + 2 * i) == code) return in.u16(at + 2 + 2 * count + 2 * i);
  }
  return 0;
}

}  // namespace

TEST(EmbeddedInitData, BannerEndsInHAndNamesTheData) {
  EmbeddedReader in;
  const Layout layout = layoutOf(in);
  ASSERT_GE(layout.bannerBytes, 3u);
  const std::string banner(reinterpret_cast<const char*>(in.data()), layout.bannerBytes - 1);
  EXPECT_EQ(banner.back(), 'H');
  EXPECT_EQ(banner[banner.size() - 2], '\n');
  EXPECT_EQ(banner.find('\n'), banner.size() - 2) << "one line naming the data";
}

TEST(EmbeddedInitData, TablesFollowTheFontsInSlotOrderAndEndTheData) {
  EmbeddedReader in;
  const Layout layout = layoutOf(in);
  for (int slot : {0, 1, 23}) EXPECT_EQ(layout.positions[slot], -1) << slot;
  EXPECT_EQ(static_cast<std::size_t>(layout.positions[2]), layout.tablesAt) << "right after the second font";
  std::size_t expectedAt = layout.tablesAt;
  for (int slot = 0; slot < kSlots; ++slot) {
    if (layout.positions[slot] == -1) continue;
    ASSERT_EQ(static_cast<std::size_t>(layout.positions[slot]), expectedAt) << "slot " << slot;
    ASSERT_TRUE(in.has(expectedAt, 258)) << "slot " << slot;
    const std::uint16_t pairs = in.u16(expectedAt + 256);
    if (slot < 34) {
      EXPECT_EQ(pairs, 0) << "single-byte slot " << slot;
    } else {
      EXPECT_GT(pairs, 7000) << "multi-byte slot " << slot;
    }
    expectedAt += 258 + 4u * pairs;
  }
  EXPECT_EQ(expectedAt, in.size()) << "the last table ends the data";
}

TEST(EmbeddedInitData, TablesCarryTheRealCodePages) {
  EmbeddedReader in;
  const Layout layout = layoutOf(in);
  struct Case {
    int slot;
    int byte;
    std::uint16_t code;
  };
  const Case cases[] = {
      {2, 0xE9, 0x00E9},   // ISO-8859-1 e acute
      {3, 0xA3, 0x0141},   // ISO-8859-2 L with stroke
      {6, 0xC0, 0x0420},   // ISO-8859-5 Cyrillic ER
      {11, 0x80, 0x00C7},  // CP437 C cedilla
      {11, 0xDB, 0x2588},  // CP437 full block
      {12, 0x9B, 0x00F8},  // CP850 o with stroke
      {22, 0xA5, 0x2022},  // Mac Roman bullet
      {24, 0x80, 0x0410},  // CP866 Cyrillic A
      {25, 0x8A, 0x0160},  // CP1250 S caron
      {27, 0x80, 0x20AC},  // CP1252 euro sign
      {33, 0xA1, 0x0E01},  // CP874 Thai ko kai
      {34, 0xB1, 0xFF71},  // CP932 half-width katakana a
      {34, 0x81, 0x0000},  // CP932 lead byte: no single character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(highCode(in, layout, c.slot, c.byte), c.code) << "slot " << c.slot << " byte " << c.byte;
  }
  EXPECT_EQ(pairCode(in, layout, 34, 0x82A0), 0x3042);  // CP932 hiragana a
  EXPECT_EQ(pairCode(in, layout, 35, 0xB0A1), 0x554A);  // CP936
  EXPECT_EQ(pairCode(in, layout, 36, 0xB0A1), 0xAC00);  // CP949 hangul ga
  EXPECT_EQ(pairCode(in, layout, 37, 0xA440), 0x4E00);  // CP950 one
}

TEST(EmbeddedInitData, FontIndexesPointIntoTheirDataInShapeOrder) {
  EmbeddedReader in;
  const Layout layout = layoutOf(in);
  struct Font {
    std::size_t indexAt;
    int shapes;
    std::size_t dataBytes;
  };
  for (const Font& font : {Font{layout.font1IndexAt, 100, 4998}, Font{layout.font2IndexAt, 103, 4832}}) {
    const std::size_t dataAt = font.indexAt + 6 * font.shapes;
    int previousNumber = -1;
    for (int i = 0; i < font.shapes; ++i) {
      const int number = in.u16(font.indexAt + 6 * i);
      const std::int32_t offset = in.i32(font.indexAt + 6 * i + 2);
      EXPECT_GT(number, previousNumber) << "shape " << i;
      previousNumber = number;
      ASSERT_GE(offset, 0);
      ASSERT_LT(static_cast<std::size_t>(offset), font.dataBytes);
      // A shape is a name, its zero, and codes ending in 0 within the block.
      std::size_t at = dataAt + static_cast<std::size_t>(offset);
      while (at < dataAt + font.dataBytes && in.data()[at] != 0) ++at;
      ASSERT_LT(at, dataAt + font.dataBytes) << "shape " << number << " name ends inside the block";
    }
  }
}

class EmbeddedStart : public toolkittest::StartedToolkit {};

TEST_F(EmbeddedStart, StartUpReadsTheEmbeddedFontsAndPositions) {
  EmbeddedReader in;
  const Layout layout = layoutOf(in);
  for (int slot = 0; slot < kSlots; ++slot) EXPECT_EQ(gCharsetSlots[slot].position, layout.positions[slot]);
  EXPECT_EQ(gToolkitContext->font1Index[99].shapeNumber, in.u16(layout.font1IndexAt + 6 * 99));
  EXPECT_EQ(gToolkitContext->font2Index[102].offset, in.i32(layout.font2IndexAt + 6 * 102 + 2));
  EXPECT_EQ(gToolkitContext->font2Data[4831], in.data()[layout.font2IndexAt + 6 * 103 + 4831]);
}
