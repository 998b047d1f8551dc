// The whole-preview viewer's logic through the fake window: it opens on the
// preview on show (and on nothing without one), steps with the dialog with
// wrap-around, decodes only while it is up, shows transparency over white
// and an undecodable preview as the blank canvas; and its zoom: the fit,
// the steps and their limits, "0".
#include <gtest/gtest.h>

#include <cstdio>

#include "app/dialog/resource_ids.h"
#include "app/dialog/viewer_zoom.h"
#include "tests/dialog/dialog_fixture.h"
#include "tests/dialog/drawing_fixtures.h"
#include "tools/builders/dwg_builder.h"
#include "tools/builders/png_builder.h"

namespace apptest {
namespace {

using namespace pictrove;

// The viewer's picture pixel as 0xRRGGBB.
std::uint32_t ViewerPixel(const ViewerContent& content, int x, int y) {
  const std::uint8_t* p = content.picture.pixels() +
                          (static_cast<std::size_t>(y) * content.picture.width() + static_cast<std::size_t>(x)) * 3;
  return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
}

// A drawing whose PNG preview is transparent on its left half and opaque
// blue on its right.
std::vector<std::uint8_t> HalfTransparentPngDrawing(int width, int height) {
  testsupport::PngPicture png;
  png.width = static_cast<std::uint32_t>(width);
  png.height = static_cast<std::uint32_t>(height);
  png.colourType = testsupport::kPngRgba;
  png.sample = [width](std::uint32_t x, std::uint32_t, int channel) -> std::uint32_t {
    if (channel == 3) return static_cast<int>(x) < width / 2 ? 0 : 255;
    return channel == 2 ? 0xC0 : 0x10;
  };
  return testsupport::dwgWithPng("AC1032", testsupport::pngFileBytes(png));
}

TEST_F(DialogTest, ViewerOpensOnThePreviewOnShowAndStepsWithTheDialog) {
  Open();
  EXPECT_EQ(view.menuTop, (std::vector<std::pair<unsigned, std::string>>{
                              {IDM_VIEWPREVIEW, "&View Whole Preview\tF3"}}));
  // Nothing on show: nothing opens, by the menu or otherwise.
  dialog.OnSysCommand(IDM_VIEWPREVIEW);
  dialog.OnViewPreview();
  EXPECT_FALSE(dialog.CanViewPreview());
  EXPECT_FALSE(dialog.ViewerOpen());
  EXPECT_TRUE(view.viewerTitles.empty());
  EXPECT_TRUE(view.defaultCommands.empty()) << "the command is the dialog's own";

  Put("a-caf\xE9.dwg", BmpDrawing(300, 200, 0xC02020));
  Put("b.dwg", HalfTransparentPngDrawing(64, 48));
  Put("c.dwg", BrokenPreviewDrawing());
  Select(dir.path());
  const int runs = view.workRuns;
  dialog.OnDeltaposSpin(+1);
  EXPECT_EQ(view.workRuns, runs) << "no decoding while the viewer is closed";
  EXPECT_TRUE(view.viewerTitles.empty());

  dialog.OnSysCommand(IDM_VIEWPREVIEW);
  EXPECT_TRUE(dialog.ViewerOpen());
  ASSERT_EQ(view.viewerTitles, std::vector<std::string>{"b.dwg (64 x 48)"}) << "the drawing on show";
  ASSERT_FALSE(view.viewer.picture.empty());
  EXPECT_EQ(view.viewer.width, 64);
  EXPECT_EQ(view.viewer.height, 48);
  EXPECT_EQ(ViewerPixel(view.viewer, 5, 5), 0xFFFFFFu) << "transparency over white";
  EXPECT_EQ(ViewerPixel(view.viewer, 60, 40), 0x1010C0u);

  // Forwards past the end and back past the start, the label following.
  dialog.OnDeltaposSpin(+1);
  EXPECT_EQ(view.viewerTitles.back(), "c.dwg") << "an undecodable preview has no size";
  EXPECT_TRUE(view.viewer.picture.empty());
  EXPECT_EQ(std::pair(view.viewer.width, view.viewer.height), std::pair(180, 140)) << "the blank canvas";
  dialog.OnDeltaposSpin(+1);
  EXPECT_EQ(view.viewerTitles.back(), "a-caf\xC3\xA9.dwg (300 x 200)") << "wrapped, the name readable";
  EXPECT_EQ(view.viewer.picture.width(), 300u);
  EXPECT_EQ(ViewerPixel(view.viewer, 299, 199), 0xC02020u);
  dialog.OnDeltaposSpin(-1);
  EXPECT_EQ(view.viewerTitles.back(), "c.dwg");
  EXPECT_EQ(view.texts[IDC_FILENAME], "c.dwg - 3 of 3");
  EXPECT_EQ(view.workRuns, runs + 4) << "one preview read per drawing shown";
  EXPECT_EQ(view.cursorDepth, 0);

  // Closed, it follows no more and reads nothing.
  dialog.OnViewerClosed();
  dialog.OnDeltaposSpin(+1);
  EXPECT_EQ(view.viewerTitles.size(), 4u);
  EXPECT_EQ(view.workRuns, runs + 4);
  dialog.OnViewPreview();
  EXPECT_EQ(view.viewerTitles.back(), "a-caf\xC3\xA9.dwg (300 x 200)") << "opened again where the dialog is";
}

TEST_F(DialogTest, ViewerOfADrawingGoneSinceTheScanShowsTheBlankCanvas) {
  Open();
  Put("a.dwg", BmpDrawing(40, 30, 0x808080));
  Select(dir.path());
  ASSERT_EQ(std::remove(dir.file("a.dwg").c_str()), 0);
  dialog.OnViewPreview();
  EXPECT_EQ(view.viewerTitles, std::vector<std::string>{"a.dwg"});
  EXPECT_TRUE(view.viewer.picture.empty());
}

struct ZoomCase {
  const char* what;
  int width, height;          // the picture
  int roomWidth, roomHeight;  // the room for it
  const char* keys;           // + - 0, in order
  double factor;
  int shownWidth, shownHeight;
  bool fitting;
};

TEST(ViewerZoom, FitsStepsAndReturnsToTheFit) {
  const ZoomCase cases[] = {
      {"own size when it fits", 672, 448, 1600, 1100, "", 1.0, 672, 448, true},
      {"never enlarged to fit", 180, 88, 1600, 1100, "", 1.0, 180, 88, true},
      {"shrunk to the width", 2000, 500, 1000, 1000, "", 0.5, 1000, 250, true},
      {"shrunk to the height", 600, 900, 1000, 600, "", 2.0 / 3, 400, 600, true},
      {"from a fit, in to the step above", 2000, 1000, 1500, 1500, "+", 1.0, 2000, 1000, false},
      {"from a fit, out to the step below", 2000, 1000, 1500, 1500, "-", 2.0 / 3, 1333, 666, false},
      {"steps up", 100, 50, 1600, 1100, "++++", 4.0, 400, 200, false},
      {"up to the limit", 100, 50, 1600, 1100, "++++++++++++", 8.0, 800, 400, false},
      {"down to the limit", 100, 50, 1600, 1100, "------------", 0.125, 12, 6, false},
      {"in and out again", 672, 448, 1600, 1100, "++--", 1.0, 672, 448, false},
      {"0 goes back to the fit", 2000, 500, 1000, 1000, "++0", 0.5, 1000, 250, true},
      {"a fit below the smallest step zooms no further out", 8000, 10, 500, 500, "-", 0.0625, 500, 1,
       false},
      {"no room at all still shows a pixel", 300, 200, 0, 0, "", 1.0 / 300, 1, 1, true},
  };
  for (const ZoomCase& c : cases) {
    ViewerZoom zoom;
    zoom.SetPicture(c.width, c.height);
    zoom.SetRoom(c.roomWidth, c.roomHeight);
    for (const char* key = c.keys; *key != '\0'; ++key) {
      if (*key == '+') zoom.ZoomIn();
      if (*key == '-') zoom.ZoomOut();
      if (*key == '0') zoom.Fit();
    }
    EXPECT_NEAR(zoom.Factor(), c.factor, 1e-9) << c.what;
    EXPECT_EQ(zoom.ShownWidth(), c.shownWidth) << c.what;
    EXPECT_EQ(zoom.ShownHeight(), c.shownHeight) << c.what;
    EXPECT_EQ(zoom.Fitting(), c.fitting) << c.what;
  }
}

TEST(ViewerZoom, AChosenFactorOutlivesANewPictureAFitIsMadeAnew) {
  ViewerZoom zoom;
  zoom.SetRoom(1000, 800);
  zoom.SetPicture(2000, 400);
  EXPECT_NEAR(zoom.Factor(), 0.5, 1e-9);
  zoom.SetPicture(500, 1600);
  EXPECT_NEAR(zoom.Factor(), 0.5, 1e-9) << "fitted to the new picture";
  EXPECT_EQ(zoom.ShownHeight(), 800);
  zoom.ZoomIn();
  zoom.SetPicture(100, 100);
  EXPECT_NEAR(zoom.Factor(), 2.0 / 3, 1e-9) << "the chosen step stays";
  zoom.SetRoom(50, 50);
  EXPECT_EQ(zoom.ShownWidth(), 66) << "and does not follow the room";
}

}  // namespace
}  // namespace apptest
