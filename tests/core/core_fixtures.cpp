#include "tests/core/core_fixtures.h"

#include <gtest/gtest.h>

#include "imaging/tessera.h"
#include "platform/gdi.h"
#include "platform/global_memory.h"

namespace coretest {

std::vector<std::uint8_t> CaptureThumbnail(const pictrove::PreviewEntry& entry) {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  HDC dc = GetDC(nullptr);
  std::uint8_t* pixels =
      tsCaptureBitmap(entry.m_bitmap ? entry.m_bitmap->GetSafeHandle() : nullptr, &width, &height,
                      dc, nullptr);
  ReleaseDC(nullptr, dc);
  if (pixels == nullptr) return {};
  EXPECT_EQ(width, 180u);
  EXPECT_EQ(height, 140u);
  std::vector<std::uint8_t> rgb(pixels, pixels + std::size_t{width} * height * 3);
  GlobalFree(pixels);
  return rgb;
}

std::uint32_t RgbAt(const std::vector<std::uint8_t>& rgb, int width, int x, int y) {
  const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                          static_cast<std::size_t>(x)) * 3;
  return (std::uint32_t{rgb[at]} << 16) | (std::uint32_t{rgb[at + 1]} << 8) | rgb[at + 2];
}

}  // namespace coretest
