// Drawings for the application's tests, built in code: previews of a given
// size and colour as 8- or 24-bit bitmaps or PNG pictures, drawings without
// a preview, and drawings whose preview cannot be decoded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace apptest {

// A drawing whose preview is a w x h bitmap of one colour (0xRRGGBB).
std::vector<std::uint8_t> BmpDrawing(int width, int height, std::uint32_t rgb, int bitCount = 24,
                                     const std::string& version = "AC1015");
// A drawing whose preview is a w x h bitmap: left half `left`, right half
// `right` (0xRRGGBB), so that the picture's orientation can be checked.
std::vector<std::uint8_t> TwoColourBmpDrawing(int width, int height, std::uint32_t left,
                                              std::uint32_t right);
// A drawing whose preview is a w x h bitmap of one-pixel columns,
// alternately black and white (black first), as thin drawing lines are.
std::vector<std::uint8_t> StripedBmpDrawing(int width, int height);
// A text DXF drawing carrying the same preview as BmpDrawing(w, h, rgb).
std::vector<std::uint8_t> DxfDrawing(int width, int height, std::uint32_t rgb);
// A drawing whose preview is a w x h PNG picture of one colour.
std::vector<std::uint8_t> PngDrawing(int width, int height, std::uint32_t rgb,
                                     const std::string& version = "AC1032");
// A drawing with only a header entry: no preview.
std::vector<std::uint8_t> NoPreviewDrawing();
// A drawing whose bitmap entry the toolkit hands out but no decoder accepts.
std::vector<std::uint8_t> BrokenPreviewDrawing();

}  // namespace apptest
