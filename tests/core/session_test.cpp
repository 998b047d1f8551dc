// The preview session: the toolkit's life, scans into entries on any number
// of threads with the same result to the pixel, and saving an entry.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "app/core/drawing_search.h"
#include "app/core/output_format.h"
#include "app/core/preview_session.h"
#include "platform/gdi.h"
#include "tests/dialog/drawing_fixtures.h"
#include "tests/core/core_fixtures.h"
#include "tests/support/temp_dir.h"

namespace coretest {
namespace {

using namespace pictrove;
using apptest::BmpDrawing;
using apptest::BrokenPreviewDrawing;
using apptest::NoPreviewDrawing;
using apptest::PngDrawing;

// What a scan made of one drawing, with its thumbnail's pixels.
struct Seen {
  std::string name;
  std::string path;
  PreviewKind kind;
  std::uint32_t width, height;
  std::vector<std::uint8_t> pixels;
  bool operator==(const Seen&) const = default;
};

std::vector<Seen> Scan(const PreviewSession::EntryList& entries) {
  std::vector<Seen> seen;
  for (const auto& entry : entries) {
    seen.push_back({entry->m_strName, entry->m_strPath, entry->m_kind, entry->m_nPreviewWidth,
                    entry->m_nPreviewHeight, CaptureThumbnail(*entry)});
  }
  return seen;
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { gdiBaseline = GdiLiveObjectCount(); }
  void TearDown() override {
    session.Close();
    EXPECT_EQ(GdiLiveObjectCount(), gdiBaseline);
  }

  testsupport::TempDir dir;
  PreviewSession session;
  std::size_t gdiBaseline = 0;
};

TEST_F(SessionTest, EveryThreadCountGivesTheSameEntriesToThePixel) {
  ASSERT_TRUE(session.started());
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> side(1, 400);
  std::uniform_int_distribution<std::uint32_t> colour(0, 0xFFFFFF);
  for (int i = 0; i < 48; ++i) {
    const std::string name = "d" + std::to_string(100 + i) + ".dwg";
    switch (i % 6) {
      case 0: dir.write(name, BmpDrawing(side(random), side(random), colour(random))); break;
      case 1: dir.write(name, BmpDrawing(side(random), side(random), colour(random), 8, "AC1012")); break;
      case 2: dir.write(name, PngDrawing(side(random), side(random), colour(random))); break;
      case 3: dir.write(name, BrokenPreviewDrawing()); break;
      case 4: dir.write(name, NoPreviewDrawing()); break;
      case 5: dir.write(name, {'A', 'C', '1', '0'}); break;
    }
  }
  const std::vector<FoundFile> drawings = FindDrawingFiles(dir.path());
  ASSERT_EQ(drawings.size(), 48u);

  const std::vector<Seen> one = Scan(session.LoadEntries(drawings, 1));
  ASSERT_EQ(one.size(), 32u) << "drawings without a preview have no entry";
  for (std::size_t i = 0; i < one.size(); ++i) {
    EXPECT_EQ(one[i].name, "d" + std::to_string(100 + i / 4 * 6 + i % 4) + ".dwg");
    EXPECT_EQ(one[i].pixels.empty(), i % 4 == 3) << "only the broken preview has no thumbnail";
  }
  for (int threads : {2, 3, 8}) {
    EXPECT_TRUE(Scan(session.LoadEntries(drawings, threads)) == one) << threads << " threads";
  }
}

TEST_F(SessionTest, LoadReplacesTheEntriesAndCloseEndsTheSession) {
  dir.write("a.dwg", BmpDrawing(40, 30, 0x808080));
  dir.write("b.dwg", PngDrawing(10, 10, 0x102030));
  session.Load(FindDrawingFiles(dir.path()), 2);
  ASSERT_EQ(session.size(), 2u);
  EXPECT_EQ(session.entry(1)->m_strName, "b.dwg");
  EXPECT_EQ(session.entry(2), nullptr);

  testsupport::TempDir other;
  other.write("c.dwg", BmpDrawing(40, 30, 0x808080));
  session.Load(FindDrawingFiles(other.path()));
  ASSERT_EQ(session.size(), 1u);
  EXPECT_EQ(session.entry(0)->m_strName, "c.dwg");

  session.Close();
  EXPECT_FALSE(session.started());
  EXPECT_EQ(session.size(), 0u);
  EXPECT_EQ(GdiLiveObjectCount(), gdiBaseline) << "thumbnails freed";
  session.Close();  // twice is harmless

  // The toolkit starts again for a new session.
  PreviewSession next;
  EXPECT_TRUE(next.started());
}

TEST_F(SessionTest, SaveOutcomes) {
  dir.write("a.dwg", BmpDrawing(200, 100, 0xC03020));
  dir.write("b.dwg", BrokenPreviewDrawing());
  dir.write("c.dwg", BmpDrawing(20, 10, 0x203040));
  ASSERT_EQ(mkdir(dir.file("c.PNG").c_str(), 0755), 0);
  session.Load(FindDrawingFiles(dir.path()));
  ASSERT_EQ(session.size(), 3u);

  struct Case {
    int index;
    OutputFormat format;
    SaveStatus status;
    std::string path;
  };
  const Case cases[] = {
      {0, OutputFormat::Png, SaveStatus::Written, dir.file("a.PNG")},
      {0, OutputFormat::Tiff, SaveStatus::Written, dir.file("a.TIFF")},
      {1, OutputFormat::Png, SaveStatus::NoPicture, dir.file("b.PNG")},
      {2, OutputFormat::Png, SaveStatus::CannotCreate, dir.file("c.PNG")},
      {3, OutputFormat::Png, SaveStatus::NoEntry, ""},
      {-1, OutputFormat::Png, SaveStatus::NoEntry, ""},
  };
  for (const Case& c : cases) {
    const SaveOutcome outcome = session.Save(c.index, c.format);
    EXPECT_EQ(outcome.status, c.status) << c.index << " " << OutputFormatText(c.format);
    EXPECT_EQ(outcome.path, c.path) << c.index << " " << OutputFormatText(c.format);
  }
  const std::vector<std::uint8_t> png = testsupport::readFile(dir.file("a.PNG"));
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png[1], 'P');
  EXPECT_EQ(png[19], 180);
  EXPECT_EQ(png[23], 140);
  EXPECT_FALSE(testsupport::readFile(dir.file("a.TIFF")).empty());
}

// Save All captures and encodes on worker threads and writes in entry
// order: any thread count writes the same files and reports the same
// outcomes, in the same order (the first of two drawings whose images share
// a name keeps it).
TEST(SessionSaveAll, EveryThreadCountWritesTheSameFilesAndOutcomes) {
  struct Result {
    std::vector<std::string> reports;
    std::vector<std::vector<std::uint8_t>> files;
    bool operator==(const Result&) const = default;
  };
  auto run = [](int threads) {
    testsupport::TempDir dir;
    dir.write("a.dwg", BmpDrawing(200, 100, 0xC03020));
    dir.write("b.dwg", BrokenPreviewDrawing());
    dir.write("plan.DWG", BmpDrawing(40, 30, 0x0000FF));
    dir.write("plan.dwg", BmpDrawing(40, 30, 0xFF0000));
    for (int i = 0; i < 24; ++i)
      dir.write("n" + std::to_string(i) + ".dwg", BmpDrawing(30 + i, 20, 0x102030 * i));
    PreviewSession session;
    session.Load(FindDrawingFiles(dir.path()), threads);
    Result result;
    // BMP: the PNG writer stamps the time.
    session.SaveAll(
        OutputFormat::Bmp,
        [&](int index, SaveOutcome&& outcome) {
          const std::string path = outcome.path.substr(std::min(outcome.path.size(), dir.path().size()));
          result.reports.push_back(std::to_string(index) + " " + path + " " + SaveFailureText(outcome));
        },
        threads);
    for (int i = 0; i < static_cast<int>(session.size()); ++i)
      result.files.push_back(testsupport::readFile(
          OutputPathFor(session.entry(static_cast<std::size_t>(i))->m_strPath, "BMP")));
    session.Close();
    return result;
  };
  const Result one = run(1);
  ASSERT_EQ(one.reports.size(), 28u);
  EXPECT_EQ(one.reports[0], "0 /a.BMP saved");
  EXPECT_EQ(one.reports[1], "1 /b.BMP no picture to save");
  EXPECT_EQ(one.reports[27], "27 /plan.BMP its image would replace another drawing's image just written");
  for (int threads : {2, 3, 8}) EXPECT_TRUE(run(threads) == one) << threads << " threads";
}

std::int16_t FailingStart(std::int16_t* error) {
  *error = 183;
  return 0;
}

TEST(SessionStart, FailedStartIsReportedAndHarmless) {
  PreviewSession session(FailingStart);
  EXPECT_FALSE(session.started());
  EXPECT_EQ(session.startError(), 183);
  session.Close();
  EXPECT_EQ(session.Save(0, OutputFormat::Png).status, SaveStatus::NoEntry);
}

TEST(SessionRealDrawings, EveryThreadCountGivesTheSameThumbnails) {
  const std::string folder = testsupport::realDrawingsDir();
  if (folder.empty()) GTEST_SKIP() << "no real drawings";
  PreviewSession session;
  const std::vector<FoundFile> drawings = FindDrawingFiles(folder);
  const std::vector<Seen> one = Scan(session.LoadEntries(drawings, 1));
  EXPECT_EQ(one.size(), 9u) << "eight DWG previews and one DXF preview";
  EXPECT_TRUE(Scan(session.LoadEntries(drawings, 4)) == one);
}

}  // namespace
}  // namespace coretest
