// Allocation-failure sweeps over the preview core, for each kind of preview
// a drawing may carry (8- and 24-bit and run-length bitmaps, PNG): a scan
// of a folder into entries, the thumbnail of one preview, and a save of a
// thumbnail in every output format. Every run, with its 1st, 2nd, ...
// allocation of each kind failing, must end either as an undisturbed run
// does or with a clean failure (no entry, an entry without a thumbnail, a
// save reported as not written, or std::bad_alloc out of the scan), and
// must give back every GDI object, stream and global block.
//
// The drawing-file toolkit's own memory is left out: running out of it
// ends the program with a message by design, which the toolkit's tests
// cover.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/core/drawing_search.h"
#include "app/core/preview_session.h"
#include "app/core/thumbnail_bitmap.h"
#include "imaging/tessera.h"
#include "tests/dialog/drawing_fixtures.h"
#include "tests/support/alloc_failure.h"
#include "tests/support/live_resources.h"
#include "tests/support/temp_dir.h"
#include "toolkit/host_functions.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"

namespace {

using namespace pictrove;
using testsupport::LiveResources;
using Bytes = std::vector<std::uint8_t>;

struct Kind {
  const char* name;
  Bytes drawing;
};

Bytes RunLengthDrawing() {
  testsupport::BmpLayout rle8;
  rle8.width = 6;
  rle8.height = 3;
  rle8.bitCount = 8;
  rle8.compression = 1;
  rle8.palette = testsupport::greyPalette(256);
  rle8.pixels = {3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 6, 4, 0, 0, 6, 9, 0, 1};
  return testsupport::dwgWithDib("AC1018", testsupport::dibBytes(rle8));
}

std::vector<Kind> Kinds() {
  return {{"8-bit bitmap", apptest::BmpDrawing(90, 50, 0x336699, 8, "AC1012")},
          {"24-bit bitmap", apptest::BmpDrawing(60, 80, 0x996633)},
          {"run-length bitmap", RunLengthDrawing()},
          {"PNG", apptest::PngDrawing(120, 40, 0x123456)}};
}

class CoreAllocationSweep : public ::testing::Test {
 protected:
  void SetUp() override {
    tsCleanup();  // the thread's state exists before anything fails
    SetHostAllocator(testsupport::uncountedMalloc);
    ASSERT_TRUE(session.started());
  }
  void TearDown() override {
    session.Close();
    SetHostAllocator(nullptr);
  }

  PreviewSession session;
  testsupport::TempDir dir;
};

// What a scan of one drawing gave: thrown out of memory, no entry, an entry
// with or without a thumbnail.
struct ScanOutcome {
  bool threw = false;
  std::unique_ptr<PreviewEntry> entry;
};

TEST_F(CoreAllocationSweep, ScanOfEachKindOfPreview) {
  for (const Kind& kind : Kinds()) {
    SCOPED_TRACE(kind.name);
    testsupport::TempDir folder;
    folder.write("drawing.dwg", kind.drawing);
    const LiveResources before;
    const std::uint64_t runs = testsupport::sweepEachAllocationKind(
        [&] {
          ScanOutcome outcome;
          try {
            PreviewSession::EntryList entries =
                session.LoadEntries(FindDrawingFiles(folder.path()), 1);
            if (!entries.empty()) outcome.entry = std::move(entries.front());
          } catch (const std::bad_alloc&) {
            outcome.threw = true;
          }
          return outcome;
        },
        [&](ScanOutcome& outcome, bool failed) {
          if (!failed) {
            ASSERT_FALSE(outcome.threw);
            ASSERT_NE(outcome.entry, nullptr);
            EXPECT_NE(outcome.entry->m_bitmap->GetSafeHandle(), nullptr);
          } else if (outcome.entry != nullptr) {
            EXPECT_EQ(outcome.entry->m_strName, "drawing.dwg");
          }
          outcome.entry.reset();
          EXPECT_EQ(LiveResources{}, before);
        });
    EXPECT_GT(runs, 3u);
  }
}

TEST_F(CoreAllocationSweep, ThumbnailOfEachKindOfPreview) {
  for (const Kind& kind : Kinds()) {
    SCOPED_TRACE(kind.name);
    const std::string path = dir.write("drawing.dwg", kind.drawing);
    PreviewImage image;
    ASSERT_TRUE(ReadPreviewImage(path, image));
    const LiveResources before;
    testsupport::sweepEachAllocationKind(
        [&] {
          std::pair<bool, std::unique_ptr<PreviewEntry>> outcome{false, nullptr};
          try {
            outcome.second = std::make_unique<PreviewEntry>();
          } catch (const std::bad_alloc&) {
            return outcome;
          }
          outcome.first = MakeThumbnailBitmap(
              DecodeDrawingPicture(image.data.get(), image.length), *outcome.second);
          return outcome;
        },
        [&](std::pair<bool, std::unique_ptr<PreviewEntry>>& outcome, bool failed) {
          const bool thumbnail =
              outcome.second != nullptr && outcome.second->m_bitmap->GetSafeHandle() != nullptr;
          if (!failed) {
            EXPECT_TRUE(outcome.first);
            EXPECT_TRUE(thumbnail);
          }
          // True means decoded; the display bitmap may still be missing.
          if (thumbnail) {
            EXPECT_TRUE(outcome.first);
          }
          if (!outcome.first) {
            EXPECT_TRUE(failed);
          }
          outcome.second.reset();
          EXPECT_EQ(LiveResources{}, before);
        });
  }
}

TEST_F(CoreAllocationSweep, SaveInEveryFormat) {
  for (const Kind& kind : Kinds()) {
    SCOPED_TRACE(kind.name);
    testsupport::TempDir folder;
    folder.write("drawing.dwg", kind.drawing);
    session.Load(FindDrawingFiles(folder.path()), 1);
    ASSERT_EQ(session.size(), 1u);
    for (int type = 0; type < 5; ++type) {
      SCOPED_TRACE(type);
      static const char* const kExtensions[] = {"BMP", "JPG", "PCX", "PNG", "TIFF"};
      const std::string output = folder.file(std::string("drawing.") + kExtensions[type]);
      ASSERT_EQ(session.Save(0, static_cast<OutputFormat>(type)).status, SaveStatus::Written);
      const Bytes expected = testsupport::readFile(output);
      const LiveResources before;
      testsupport::sweepEachAllocationKind(
          [&] {
            return session.Save(0, static_cast<OutputFormat>(type));
          },
          [&](const SaveOutcome& outcome, bool failed) {
            if (outcome.status == SaveStatus::Written) {
              // A PNG carries the time it was written; the rest must be the bytes.
              if (type != 3) {
                EXPECT_EQ(testsupport::readFile(output), expected);
              }
            } else {
              EXPECT_TRUE(failed);
              EXPECT_TRUE(outcome.status == SaveStatus::WriteFailed ||
                          outcome.status == SaveStatus::NoPicture ||
                          outcome.status == SaveStatus::CannotCreate)
                  << static_cast<int>(outcome.status);
            }
            EXPECT_EQ(LiveResources{}, before);
          });
    }
    session.Clear();
  }
}

}  // namespace
