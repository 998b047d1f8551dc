// A PreviewDialog over a FakeView, created and initialised as start-up does,
// with a scratch folder for drawings; shut down after each test, which then
// checks that no graphics object was left behind.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/dialog/preview_dialog.h"
#include "tests/dialog/fake_view.h"
#include "tests/support/temp_dir.h"

namespace apptest {

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // OnCreate, the controls, OnInitDialog.
  void Open();
  // Select with the browser answering `folder`.
  void Select(const std::string& folder);
  // Writes a drawing into the scratch folder; returns its path.
  std::string Put(const std::string& name, const std::vector<std::uint8_t>& bytes);
  // The labels shown after each step of `delta`.
  std::vector<std::string> Steps(int delta, int count);
  // The thumbnail of entry `index` as RGB pixels (empty when it has none).
  std::vector<std::uint8_t> Thumbnail(int index);

  FakeView view;
  pictrove::PreviewDialog dialog{view};
  testsupport::TempDir dir;
  std::size_t gdiBaseline = 0;
};

// Whether the RGB pixel at (x, y) of a 180 x 140 thumbnail is white.
bool IsWhite(const std::vector<std::uint8_t>& rgb, int x, int y);
// The pixel as 0xRRGGBB.
std::uint32_t PixelAt(const std::vector<std::uint8_t>& rgb, int x, int y);

}  // namespace apptest
