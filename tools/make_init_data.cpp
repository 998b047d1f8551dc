// Writes the drawing-file toolkit's init data:
//
//   banner        one line naming the data, a line feed, "H", a zero byte
//   positions     38 x 4 bytes: where each character-set slot's table starts,
//                 -1 for the slots without one (0, 1 and 23)
//   font 1        index of 100 shapes (2-byte number, 4-byte offset), then
//                 4998 bytes of compiled shapes: a simple stroke font
//   font 2        index of 103 shapes, then 4832 bytes: geometric symbols
//   tables        one per slot, in slot order: 128 2-byte codes for the byte
//                 values 128 to 255, a 2-byte count n, n 2-byte multi-byte
//                 codes and the n matching 2-byte codes
//
// Codes are UTF-16 values taken from the system's iconv converters; numbers
// are little-endian. Usage: make_init_data <output file>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kSlotCount = 38;
constexpr int kFont1Shapes = 100;
constexpr int kFont2Shapes = 103;
constexpr std::size_t kFont1DataBytes = 4998;
constexpr std::size_t kFont2DataBytes = 4832;

const char kBanner[] = "Pictrove drawing toolkit init data, built from the system code pages\nH";

void putU16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putU32(Bytes& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void setU32(Bytes& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// ---------------------------------------------------------------- shapes --

// Compiled shape codes: 0 ends the shape, 1 lowers the pen, 2 lifts it, 8 is
// followed by a signed x and y displacement.
constexpr std::uint8_t kEnd = 0;
constexpr std::uint8_t kPenDown = 1;
constexpr std::uint8_t kPenUp = 2;
constexpr std::uint8_t kDisplace = 8;

struct Point {
  int x;
  int y;
};
using Polyline = std::vector<Point>;

struct Shape {
  int number;
  std::string name;
  Bytes codes;  // ending with kEnd
};

// Draws the polylines with the pen, starting and ending on the baseline at
// x = 0 and x = advance.
Bytes strokeCodes(const std::vector<Polyline>& lines, int advance) {
  Bytes codes;
  Point at{0, 0};
  auto moveTo = [&](Point to) {
    const int dx = to.x - at.x;
    const int dy = to.y - at.y;
    if (dx < -127 || dx > 127 || dy < -127 || dy > 127) throw std::runtime_error("displacement too long");
    codes.push_back(kDisplace);
    codes.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(dx)));
    codes.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(dy)));
    at = to;
  };
  codes.push_back(kPenUp);
  for (const Polyline& line : lines) {
    if (line.empty()) continue;
    moveTo(line.front());
    codes.push_back(kPenDown);
    for (std::size_t i = 1; i < line.size(); ++i) moveTo(line[i]);
    codes.push_back(kPenUp);
  }
  moveTo(Point{advance, 0});
  codes.push_back(kEnd);
  return codes;
}

// "x,y x,y | x,y x,y": polylines on a 4 x 6 grid (descenders to -1, tall
// marks to 7), each coordinate scaled by `scale` and y by yNum / yDen.
std::vector<Polyline> parseStrokes(const std::string& text, int scale, int yNum = 1, int yDen = 1) {
  std::vector<Polyline> lines(1);
  std::istringstream in(text);
  std::string token;
  while (in >> token) {
    if (token == "|") {
      lines.emplace_back();
      continue;
    }
    int x = 0;
    int y = 0;
    if (std::sscanf(token.c_str(), "%d,%d", &x, &y) != 2) throw std::runtime_error("bad stroke " + token);
    lines.back().push_back(Point{x * scale, (y * scale * yNum) / yDen});
  }
  return lines;
}

// The stroke font's characters 32 to 126. Lower-case letters are the
// capitals drawn at two thirds of their height.
const std::map<int, const char*>& characterStrokes() {
  static const std::map<int, const char*> strokes = {
      {' ', ""},
      {'!', "2,6 2,2 | 2,0 2,1"},
      {'"', "1,6 1,4 | 3,6 3,4"},
      {'#', "1,0 1,6 | 3,0 3,6 | 0,2 4,2 | 0,4 4,4"},
      {'$', "4,5 3,6 1,6 0,5 0,4 1,3 3,3 4,2 4,1 3,0 1,0 0,1 | 2,7 2,-1"},
      {'%', "0,0 4,6 | 0,6 1,6 1,5 0,5 0,6 | 3,1 4,1 4,0 3,0 3,1"},
      {'&', "4,0 1,4 1,5 2,6 3,5 3,4 0,2 0,1 1,0 2,0 4,2"},
      {'\'', "2,6 2,4"},
      {'(', "3,6 2,5 1,3 2,1 3,0"},
      {')', "1,6 2,5 3,3 2,1 1,0"},
      {'*', "2,1 2,5 | 0,2 4,4 | 0,4 4,2"},
      {'+', "2,1 2,5 | 0,3 4,3"},
      {',', "2,1 2,0 1,-1"},
      {'-', "0,3 4,3"},
      {'.', "2,0 2,1"},
      {'/', "0,0 4,6"},
      {'0', "1,0 3,0 4,1 4,5 3,6 1,6 0,5 0,1 1,0 | 0,1 4,5"},
      {'1', "1,5 2,6 2,0 | 1,0 3,0"},
      {'2', "0,5 1,6 3,6 4,5 4,4 0,0 4,0"},
      {'3', "0,5 1,6 3,6 4,5 4,4 3,3 4,2 4,1 3,0 1,0 0,1 | 1,3 3,3"},
      {'4', "3,0 3,6 0,2 4,2"},
      {'5', "4,6 0,6 0,3 3,3 4,2 4,1 3,0 0,0"},
      {'6', "4,5 3,6 1,6 0,5 0,1 1,0 3,0 4,1 4,2 3,3 0,3"},
      {'7', "0,6 4,6 1,0"},
      {'8', "1,3 0,4 0,5 1,6 3,6 4,5 4,4 3,3 1,3 0,2 0,1 1,0 3,0 4,1 4,2 3,3"},
      {'9', "0,1 1,0 3,0 4,1 4,5 3,6 1,6 0,5 0,4 1,3 4,3"},
      {':', "2,1 2,2 | 2,4 2,5"},
      {';', "2,4 2,5 | 2,2 2,1 1,0"},
      {'<', "4,6 0,3 4,0"},
      {'=', "0,2 4,2 | 0,4 4,4"},
      {'>', "0,6 4,3 0,0"},
      {'?', "0,5 1,6 3,6 4,5 4,4 2,3 2,2 | 2,0 2,1"},
      {'@', "3,2 3,4 2,4 1,3 2,2 3,2 4,3 4,5 3,6 1,6 0,5 0,1 1,0 4,0"},
      {'A', "0,0 0,4 2,6 4,4 4,0 | 0,3 4,3"},
      {'B', "0,0 0,6 3,6 4,5 4,4 3,3 0,3 | 3,3 4,2 4,1 3,0 0,0"},
      {'C', "4,5 3,6 1,6 0,5 0,1 1,0 3,0 4,1"},
      {'D', "0,0 0,6 3,6 4,5 4,1 3,0 0,0"},
      {'E', "4,0 0,0 0,6 4,6 | 0,3 3,3"},
      {'F', "0,0 0,6 4,6 | 0,3 3,3"},
      {'G', "4,5 3,6 1,6 0,5 0,1 1,0 3,0 4,1 4,3 2,3"},
      {'H', "0,0 0,6 | 4,0 4,6 | 0,3 4,3"},
      {'I', "1,0 3,0 | 2,0 2,6 | 1,6 3,6"},
      {'J', "0,1 1,0 2,0 3,1 3,6 | 2,6 4,6"},
      {'K', "0,0 0,6 | 4,6 0,2 | 1,3 4,0"},
      {'L', "0,6 0,0 4,0"},
      {'M', "0,0 0,6 2,3 4,6 4,0"},
      {'N', "0,0 0,6 4,0 4,6"},
      {'O', "1,0 3,0 4,1 4,5 3,6 1,6 0,5 0,1 1,0"},
      {'P', "0,0 0,6 3,6 4,5 4,4 3,3 0,3"},
      {'Q', "1,0 3,0 4,1 4,5 3,6 1,6 0,5 0,1 1,0 | 2,2 4,0"},
      {'R', "0,0 0,6 3,6 4,5 4,4 3,3 0,3 | 2,3 4,0"},
      {'S', "4,5 3,6 1,6 0,5 0,4 1,3 3,3 4,2 4,1 3,0 1,0 0,1"},
      {'T', "0,6 4,6 | 2,6 2,0"},
      {'U', "0,6 0,1 1,0 3,0 4,1 4,6"},
      {'V', "0,6 2,0 4,6"},
      {'W', "0,6 1,0 2,4 3,0 4,6"},
      {'X', "0,0 4,6 | 0,6 4,0"},
      {'Y', "0,6 2,3 4,6 | 2,3 2,0"},
      {'Z', "0,6 4,6 0,0 4,0"},
      {'[', "3,7 1,7 1,-1 3,-1"},
      {'\\', "0,6 4,0"},
      {']', "1,7 3,7 3,-1 1,-1"},
      {'^', "0,4 2,6 4,4"},
      {'_', "0,-1 4,-1"},
      {'`', "1,6 2,5"},
      {'{', "3,7 2,6 2,4 1,3 2,2 2,0 3,-1"},
      {'|', "2,7 2,-1"},
      {'}', "1,7 2,6 2,4 3,3 2,2 2,0 1,-1"},
      {'~', "0,3 1,4 3,2 4,3"},
      {127, "1,5 2,6 3,5 2,4 1,5"},                                // degree sign
      {128, "2,2 2,6 | 0,4 4,4 | 0,0 4,0"},                        // plus-minus
      {129, "1,0 3,0 4,1 4,5 3,6 1,6 0,5 0,1 1,0 | 0,0 4,6"},      // diameter
  };
  return strokes;
}

// Shape 0 describes the font: its name, then the height above and below the
// baseline, the modes byte and the end code.
Shape fontInfoShape(const std::string& name, int above, int below) {
  return Shape{0, name, Bytes{static_cast<std::uint8_t>(above), static_cast<std::uint8_t>(below), 0, kEnd}};
}

std::vector<Shape> strokeFontShapes() {
  constexpr int kScale = 3;
  constexpr int kAdvance = 6 * kScale;
  std::vector<Shape> shapes;
  shapes.push_back(fontInfoShape("Pictrove simple strokes", 6 * kScale, 2 * kScale));
  // Line feed: down one line, no ink.
  shapes.push_back(Shape{10, "LF", Bytes{kPenUp, kDisplace, 0, static_cast<std::uint8_t>(-10 * kScale), kEnd}});
  for (const auto& [code, strokes] : characterStrokes()) {
    shapes.push_back(Shape{code, "", strokeCodes(parseStrokes(strokes, kScale), kAdvance)});
    if (code >= 'A' && code <= 'Z') {
      const int lower = code - 'A' + 'a';
      shapes.push_back(Shape{lower, "", strokeCodes(parseStrokes(strokes, kScale, 2, 3), kAdvance)});
    }
  }
  std::sort(shapes.begin(), shapes.end(), [](const Shape& a, const Shape& b) { return a.number < b.number; });
  return shapes;
}

// Symbols: regular polygons of 3 to 10 sides in four sizes, some with a
// centre cross, the later ones struck through.
std::vector<Shape> symbolFontShapes() {
  std::vector<Shape> shapes;
  shapes.push_back(fontInfoShape("Pictrove symbols", 16, 4));
  for (int k = 0; k < kFont2Shapes - 1; ++k) {
    const int sides = 3 + k % 8;
    const int radius = 4 + 2 * ((k / 8) % 4);
    const Point centre{radius + 1, radius};
    std::vector<Polyline> lines(1);
    for (int i = 0; i <= sides; ++i) {
      const double angle = std::numbers::pi / 2 + 2 * std::numbers::pi * i / sides;
      lines[0].push_back(Point{centre.x + static_cast<int>(std::lround(radius * std::cos(angle))),
                               centre.y + static_cast<int>(std::lround(radius * std::sin(angle)))});
    }
    if ((k / 32) % 2 == 1) {
      lines.push_back({Point{centre.x - 2, centre.y}, Point{centre.x + 2, centre.y}});
      lines.push_back({Point{centre.x, centre.y - 2}, Point{centre.x, centre.y + 2}});
    }
    if (k >= 64) lines.push_back({Point{centre.x - radius, centre.y - radius}, Point{centre.x + radius, centre.y + radius}});
    shapes.push_back(Shape{k + 1, "", strokeCodes(lines, 2 * radius + 3)});
  }
  return shapes;
}

// Appends the font's index and its data block of exactly dataBytes (shapes
// first, in index order, the rest zero).
void appendFont(Bytes& out, const std::vector<Shape>& shapes, std::size_t shapeCount, std::size_t dataBytes) {
  if (shapes.size() != shapeCount) throw std::runtime_error("wrong shape count");
  Bytes data;
  Bytes index;
  for (const Shape& shape : shapes) {
    putU16(index, static_cast<std::uint32_t>(shape.number));
    putU32(index, static_cast<std::uint32_t>(data.size()));
    data.insert(data.end(), shape.name.begin(), shape.name.end());
    data.push_back(0);
    data.insert(data.end(), shape.codes.begin(), shape.codes.end());
  }
  if (data.size() > dataBytes) {
    throw std::runtime_error("font data of " + std::to_string(data.size()) + " bytes exceeds " +
                             std::to_string(dataBytes));
  }
  data.resize(dataBytes, 0);
  out.insert(out.end(), index.begin(), index.end());
  out.insert(out.end(), data.begin(), data.end());
}

// ------------------------------------------------------- character sets --

// The code page behind each slot; null for the slots without a table.
struct SlotSource {
  const char* codePage;
  bool multiByte;
};

const SlotSource kSlots[kSlotCount] = {
    {nullptr, false},                      // 0  undefined
    {nullptr, false},                      // 1  ascii
    {"ISO-8859-1", false}, {"ISO-8859-2", false}, {"ISO-8859-3", false},  // 2-4
    {"ISO-8859-4", false}, {"ISO-8859-5", false}, {"ISO-8859-6", false},  // 5-7
    {"ISO-8859-7", false}, {"ISO-8859-8", false}, {"ISO-8859-9", false},  // 8-10
    {"CP437", false}, {"CP850", false}, {"CP852", false}, {"CP855", false},  // 11-14
    {"CP857", false}, {"CP860", false}, {"CP861", false}, {"CP863", false},  // 15-18
    {"CP864", false}, {"CP865", false}, {"CP869", false},                    // 19-21
    {"MACINTOSH", false},                  // 22 mac-roman
    {nullptr, false},                      // 23 johab
    {"CP866", false},                      // 24
    {"CP1250", false}, {"CP1251", false}, {"CP1252", false}, {"CP1253", false},  // 25-28
    {"CP1254", false}, {"CP1255", false}, {"CP1256", false}, {"CP1257", false},  // 29-32
    {"CP874", false},                      // 33
    {"CP932", true},                       // 34 dos932, ansi_932
    {"CP936", true},                       // 35 gb2312, ansi_936
    {"CP949", true},                       // 36 ksc5601, ansi_949
    {"CP950", true},                       // 37 big5, ansi_950
};

class Converter {
 public:
  explicit Converter(const char* codePage) : handle_(iconv_open("UTF-16LE", codePage)) {
    if (handle_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("no converter from ") + codePage + ": " + std::strerror(errno));
    }
  }
  ~Converter() { iconv_close(handle_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // The one UTF-16 unit that exactly `bytes` convert to, or 0.
  std::uint16_t single(const std::uint8_t* bytes, std::size_t count) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    char in[2];
    std::memcpy(in, bytes, count);
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = count;
    std::size_t outLeft = sizeof out;
    if (iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return 0;
    if (inLeft != 0 || sizeof out - outLeft != 2) return 0;
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(out[0]) | (static_cast<std::uint8_t>(out[1]) << 8));
  }

 private:
  iconv_t handle_;
};

Bytes charsetTable(const SlotSource& source) {
  Converter converter(source.codePage);
  Bytes table;
  for (int byte = 128; byte < 256; ++byte) {
    const std::uint8_t in = static_cast<std::uint8_t>(byte);
    putU16(table, converter.single(&in, 1));
  }
  std::vector<std::pair<std::uint16_t, std::uint16_t>> pairs;
  if (source.multiByte) {
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        const std::uint8_t in[2] = {static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail)};
        const std::uint16_t code = converter.single(in, 2);
        if (code != 0) pairs.emplace_back(static_cast<std::uint16_t>((lead << 8) | trail), code);
      }
    }
  }
  if (pairs.size() > 0xFFFF) throw std::runtime_error("too many pairs");
  putU16(table, static_cast<std::uint32_t>(pairs.size()));
  for (const auto& pair : pairs) putU16(table, pair.first);
  for (const auto& pair : pairs) putU16(table, pair.second);
  return table;
}

Bytes initData() {
  Bytes out(kBanner, kBanner + sizeof kBanner);  // with its zero byte
  const std::size_t positionsAt = out.size();
  out.resize(out.size() + 4 * kSlotCount, 0);
  appendFont(out, strokeFontShapes(), kFont1Shapes, kFont1DataBytes);
  appendFont(out, symbolFontShapes(), kFont2Shapes, kFont2DataBytes);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    std::uint32_t position = 0xFFFFFFFFu;  // -1
    if (kSlots[slot].codePage != nullptr) {
      position = static_cast<std::uint32_t>(out.size());
      const Bytes table = charsetTable(kSlots[slot]);
      out.insert(out.end(), table.begin(), table.end());
    }
    setU32(out, positionsAt + 4 * static_cast<std::size_t>(slot), position);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_init_data <output file>\n";
    return 2;
  }
  try {
    const Bytes data = initData();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) throw std::runtime_error(std::string("cannot write ") + argv[1]);
  } catch (const std::exception& error) {
    std::cerr << "make_init_data: " << error.what() << "\n";
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
