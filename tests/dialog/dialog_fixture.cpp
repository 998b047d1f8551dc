#include "tests/dialog/dialog_fixture.h"

#include "app/dialog/resource_ids.h"
#include "imaging/tessera.h"
#include "platform/gdi.h"
#include "platform/global_memory.h"
#include "tests/core/core_fixtures.h"

namespace apptest {

void DialogTest::SetUp() { gdiBaseline = GdiLiveObjectCount(); }

void DialogTest::TearDown() {
  dialog.OnDestroy();
  EXPECT_EQ(GdiLiveObjectCount(), gdiBaseline);
}

void DialogTest::Open() {
  ASSERT_EQ(dialog.OnCreate(), 0);
  view.CreateControls();
  dialog.OnInitDialog();
}

void DialogTest::Select(const std::string& folder) {
  view.browseAnswers.push_back(folder);
  dialog.OnSelect();
}

std::string DialogTest::Put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  return dir.write(name, bytes);
}

std::vector<std::string> DialogTest::Steps(int delta, int count) {
  std::vector<std::string> labels;
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(dialog.OnDeltaposSpin(delta), 0);
    labels.push_back(view.texts[pictrove::IDC_FILENAME]);
  }
  return labels;
}

std::vector<std::uint8_t> DialogTest::Thumbnail(int index) {
  const pictrove::PreviewEntry* entry = dialog.Entry(static_cast<std::size_t>(index));
  if (entry == nullptr) {
    ADD_FAILURE() << "no entry " << index;
    return {};
  }
  return coretest::CaptureThumbnail(*entry);
}

std::uint32_t PixelAt(const std::vector<std::uint8_t>& rgb, int x, int y) {
  const std::size_t at = (static_cast<std::size_t>(y) * 180 + static_cast<std::size_t>(x)) * 3;
  return (static_cast<std::uint32_t>(rgb[at]) << 16) | (static_cast<std::uint32_t>(rgb[at + 1]) << 8) |
         rgb[at + 2];
}

bool IsWhite(const std::vector<std::uint8_t>& rgb, int x, int y) {
  return PixelAt(rgb, x, y) == 0xFFFFFF;
}

}  // namespace apptest
