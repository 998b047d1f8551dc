// Saving: one or all previews in each format beside their drawings, the
// files' names and contents, and every way a save can fail.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "app/core/drawing_search.h"
#include "app/core/output_format.h"
#include "app/core/save_thumbnail.h"
#include "app/core/thumbnail.h"
#include "app/dialog/resource_ids.h"
#include "imaging/tessera.h"
#include "platform/global_memory.h"
#include "platform/message_box.h"
#include "tests/dialog/dialog_fixture.h"
#include "tests/dialog/drawing_fixtures.h"
#include "tools/builders/bmp_builder.h"

namespace apptest {
namespace {

using namespace pictrove;
using testsupport::getU16;
using testsupport::getU32;
using testsupport::readFile;

// Names in `folder` that a save in progress would leave: its hidden
// temporary files.
std::vector<std::string> Leftovers(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    const std::string name = item.path().filename().string();
    if (name.front() == '.' && name.ends_with(".tmp")) found.push_back(name);
  }
  return found;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

std::uint32_t BigEndian32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return (static_cast<std::uint32_t>(bytes[at]) << 24) | (static_cast<std::uint32_t>(bytes[at + 1]) << 16) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 8) | bytes[at + 3];
}

// Checks the file's signature and that it holds a 180 x 140 picture in
// the format's fixed arguments.
void ExpectThumbnailFile(int format, const std::vector<std::uint8_t>& file) {
  ASSERT_GT(file.size(), 64u) << OutputFormatText(format);
  switch (format) {
    case 0:  // uncompressed 24-bit BMP
      EXPECT_EQ(file[0], 'B');
      EXPECT_EQ(file[1], 'M');
      EXPECT_EQ(getU32(file, 18), 180u);
      EXPECT_EQ(getU32(file, 22), 140u);
      EXPECT_EQ(getU16(file, 28), 24u);
      EXPECT_EQ(getU32(file, 30), 0u);
      break;
    case 1: {  // progressive JPEG: a start-of-frame 2 marker with the size
      EXPECT_EQ(file[0], 0xFF);
      EXPECT_EQ(file[1], 0xD8);
      bool progressive = false;
      for (std::size_t i = 2; i + 8 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xC2) {
          progressive = true;
          EXPECT_EQ((file[i + 5] << 8) | file[i + 6], 140);
          EXPECT_EQ((file[i + 7] << 8) | file[i + 8], 180);
          break;
        }
      }
      EXPECT_TRUE(progressive);
      break;
    }
    case 2:  // 24-bit PCX: 8 bits in 3 planes, window 0..179 x 0..139
      EXPECT_EQ(file[0], 0x0A);
      EXPECT_EQ(file[3], 8);
      EXPECT_EQ(getU16(file, 8), 179u);
      EXPECT_EQ(getU16(file, 10), 139u);
      EXPECT_EQ(file[65], 3);
      break;
    case 3:  // 8-bit truecolour PNG, not interlaced
      EXPECT_EQ(file[1], 'P');
      EXPECT_EQ(BigEndian32(file, 16), 180u);
      EXPECT_EQ(BigEndian32(file, 20), 140u);
      EXPECT_EQ(file[24], 8);
      EXPECT_EQ(file[25], 2);
      EXPECT_EQ(file[28], 0);
      break;
    case 4:  // TIFF
      EXPECT_TRUE((file[0] == 'I' && file[1] == 'I' && file[2] == 42) ||
                  (file[0] == 'M' && file[1] == 'M' && file[3] == 42));
      break;
    default:
      FAIL();
  }
}

// The pixels of a saved 180 x 140 BMP file, empty when it does not decode.
std::vector<std::uint8_t> SavedBmpPixels(const std::string& path) {
  const std::vector<std::uint8_t> file = readFile(path);
  ImageStream* source = tsOpenMemorySource(file.data(), static_cast<std::uint32_t>(file.size()));
  if (source == nullptr) return {};
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t* decoded = tsReadBMP(source, &width, &height, 24, nullptr);
  tsCloseSource(source);
  if (decoded == nullptr) return {};
  EXPECT_EQ(width * height, 180u * 140u);
  const std::vector<std::uint8_t> saved(decoded, decoded + 180 * 140 * 3);
  GlobalFree(decoded);
  return saved;
}

class SavingTest : public DialogTest {
 protected:
  void OpenWith(const std::vector<std::string>& names) {
    Open();
    for (const std::string& name : names) Put(name, BmpDrawing(200, 100, 0xC03020));
    Select(dir.path());
  }
};

TEST_F(SavingTest, SaveWritesTheThumbnailOnShowInEachFormat) {
  OpenWith({"plan.dwg", "other.dwg"});
  dialog.OnDeltaposSpin(1);  // plan.dwg
  for (int format = 0; format < kOutputFormatCount; ++format) {
    view.selection = format;
    dialog.OnSave();
    EXPECT_EQ(view.lastMessage(), "Bitmap preview saved!");
    EXPECT_EQ(view.messages.back().style, MB_ICONINFORMATION | MB_OK);
    const std::string path = dir.file(std::string("plan.") + OutputFormatText(format));
    ASSERT_TRUE(Exists(path)) << path;
    ExpectThumbnailFile(format, readFile(path));
  }
  EXPECT_FALSE(Exists(dir.file("other.PNG"))) << "only the one on show";
  EXPECT_EQ(view.messages.size(), 5u);
  EXPECT_EQ(view.cursorDepth, 0);
  // Saving changes nothing else.
  EXPECT_EQ(dialog.CurrentIndex(), 1);
  EXPECT_EQ(dialog.EntryCount(), 2u);
  dialog.OnDestroy();
  EXPECT_EQ(view.settings["Settings/OutputType"], 4) << "the last choice is stored";
}

TEST_F(SavingTest, SavedPixelsAreTheThumbnailsPixels) {
  OpenWith({"plan.dwg"});
  view.selection = 0;
  dialog.OnSave();
  const std::vector<std::uint8_t> saved = SavedBmpPixels(dir.file("plan.BMP"));
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(saved, Thumbnail(0));
  EXPECT_TRUE(IsWhite(saved, 0, 0)) << "the canvas shows where the picture does not reach";
  EXPECT_EQ(PixelAt(saved, 90, 70), 0xC03020u);

  // What is saved does not depend on the screen the thumbnail is shown on.
  const std::vector<std::uint8_t> file = readFile(dir.file("plan.BMP"));
  for (double ratio : {2.0, 1.5}) {
    view.pixelRatio = ratio;
    dialog.OnScaleChange();
    ASSERT_EQ(dialog.OnPaint().scale, ratio);
    dialog.OnSave();
    EXPECT_EQ(readFile(dir.file("plan.BMP")), file) << ratio;
    dialog.OnSaveAll();
    EXPECT_EQ(readFile(dir.file("plan.BMP")), file) << ratio;
  }
}

// Thumbnails are made as entries come on show, a few at a time: stepping
// through more drawings than that, both ways and round the ends, shows each
// drawing's own picture every time, and Save All writes what was shown.
TEST_F(SavingTest, AFewThumbnailsAtATimeShowAndSaveEveryDrawingsPicture) {
  Open();
  const std::uint32_t colours[] = {0xC03020, 0x20A040, 0x3040C0, 0x808000, 0x008080, 0x800080, 0x404040};
  for (int i = 0; i < 7; ++i) {
    const std::string name = std::string(1, static_cast<char>('a' + i)) + ".dwg";
    // One preview larger than a reader keeps between drawings (1 MiB).
    Put(name, i == 4   ? BmpDrawing(700, 560, colours[i])
              : i % 2 == 0 ? BmpDrawing(200 - 20 * i, 100 + 10 * i, colours[i])
                           : PngDrawing(64 + i, 48, colours[i]));
  }
  dialog.SetThumbnailBudget(2);
  Select(dir.path());
  ASSERT_EQ(dialog.EntryCount(), 7u);
  EXPECT_EQ(dialog.Entry(4)->m_nPreviewWidth, 700u) << "its header read all the same";
  std::vector<std::vector<std::uint8_t>> shown(7);
  auto check = [&](const char* how) {
    const int at = dialog.CurrentIndex();
    const ThumbnailPaint paint = dialog.OnPaint();
    const std::vector<std::uint8_t> pixels = Thumbnail(at);
    ASSERT_FALSE(pixels.empty()) << how << " " << at;
    EXPECT_EQ(paint.bitmap, dialog.Entry(static_cast<std::size_t>(at))->m_bitmap->GetSafeHandle());
    EXPECT_EQ(PixelAt(pixels, 90, 70), colours[at]) << how << " " << at;
    if (shown[at].empty()) shown[at] = pixels;
    EXPECT_EQ(pixels, shown[at]) << how << " " << at << " looks as it did before";
    EXPECT_LE(dialog.HeldThumbnails(), 2u) << how << " " << at;
  };
  check("first");
  for (int i = 0; i < 9; ++i) {
    dialog.OnDeltaposSpin(+1);
    check("forward");
  }
  for (int i = 0; i < 10; ++i) {
    dialog.OnDeltaposSpin(-1);
    check("back");
  }

  view.selection = 0;
  const int runs = view.workRuns;
  dialog.OnSaveAll();
  EXPECT_EQ(view.workRuns, runs + 1) << "off the dialog's thread, which stays free to ask about a failed read";
  EXPECT_EQ(view.lastMessage(), "All bitmap previews have been saved!");
  for (int i = 0; i < 7; ++i) {
    const std::string name = std::string(1, static_cast<char>('a' + i)) + ".BMP";
    EXPECT_EQ(SavedBmpPixels(dir.file(name)), shown[i]) << name;
  }
  EXPECT_LE(dialog.HeldThumbnails(), 2u) << "saving keeps no more";
}

TEST_F(SavingTest, SaveAllWritesOneFileBesideEachDrawingAndReportsOnce) {
  OpenWith({"a.dwg", "b.b.dwg", "c.dwg"});
  view.selection = 3;
  dialog.OnSaveAll();
  for (const char* name : {"a.PNG", "b.b.PNG", "c.PNG"}) {
    ASSERT_TRUE(Exists(dir.file(name))) << name;
    ExpectThumbnailFile(3, readFile(dir.file(name)));
  }
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "All bitmap previews have been saved!");
  EXPECT_EQ(view.messages[0].style, MB_ICONINFORMATION | MB_OK);
}

TEST_F(SavingTest, ExistingImagesAreReplaced) {
  OpenWith({"plan.dwg"});
  dir.write("plan.TIFF", {1, 2, 3});
  view.selection = 4;
  dialog.OnSave();
  EXPECT_EQ(view.lastMessage(), "Bitmap preview saved!");
  ExpectThumbnailFile(4, readFile(dir.file("plan.TIFF")));
}

TEST_F(SavingTest, WithoutAChosenFormatNothingIsWritten) {
  view.settings["Settings/OutputType"] = 9;
  OpenWith({"plan.dwg"});
  ASSERT_EQ(view.selection, -1);
  dialog.OnSave();
  dialog.OnSaveAll();
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(view.messages[0].text, "Please choose an output format first.");
  EXPECT_EQ(view.cursorDepth, 0);
  const std::vector<FoundFile> files = FindDrawingFiles(dir.path());
  EXPECT_EQ(files.size(), 1u);
  for (const char* ext : {"BMP", "JPG", "PCX", "PNG", "TIFF", ""})
    EXPECT_FALSE(Exists(dir.file(std::string("plan.") + ext))) << ext;
}

TEST_F(SavingTest, EntryWithoutAPictureIsReportedAndTheOthersAreSaved) {
  Open();
  Put("a-broken.dwg", BrokenPreviewDrawing());
  Put("b-good.dwg", BmpDrawing(40, 30, 0x808080));
  Select(dir.path());
  view.selection = 2;
  dialog.OnSave();
  EXPECT_EQ(view.lastMessage(),
            "The bitmap preview was not saved:\n\n" + dir.file("a-broken.PCX") + ": no picture to save");
  EXPECT_EQ(view.messages.back().style, MB_ICONEXCLAMATION | MB_OK);
  dialog.OnSaveAll();
  EXPECT_EQ(view.lastMessage(), "1 of 2 bitmap previews were not saved:\n\n" +
                                    dir.file("a-broken.PCX") + ": no picture to save");
  EXPECT_TRUE(Exists(dir.file("b-good.PCX")));
  EXPECT_FALSE(Exists(dir.file("a-broken.PCX")));
}

TEST_F(SavingTest, NothingTakesThePlaceOfAFolderPipeOrTheDrawingItself) {
  OpenWith({"a.dwg", "b.dwg", "c.dwg"});
  const std::vector<std::uint8_t> drawing = readFile(dir.file("c.dwg"));
  ASSERT_EQ(mkdir(dir.file("a.PNG").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo(dir.file("b.PNG").c_str(), 0644), 0);
  ASSERT_EQ(symlink(dir.file("c.dwg").c_str(), dir.file("c.PNG").c_str()), 0);
  view.selection = 3;
  dialog.OnSaveAll();
  const std::string reason = ": cannot create the file";
  EXPECT_EQ(view.lastMessage(), "3 of 3 bitmap previews were not saved:\n\n" + dir.file("a.PNG") +
                                    reason + " (Is a directory)\n" + dir.file("b.PNG") + reason +
                                    " (not a regular file)\n" + dir.file("c.PNG") + reason +
                                    " (it is the drawing itself)");
  EXPECT_EQ(readFile(dir.file("c.dwg")), drawing) << "the drawing is untouched";
}

TEST_F(SavingTest, PathWithoutADotGetsTheExtensionAppended) {
  OpenWith({"plan.dwg"});
  ASSERT_EQ(mkdir(dir.file("my.folder").c_str(), 0755), 0);
  const std::string drawing = dir.write("my.folder/plan", {1, 2, 3});
  const std::vector<std::uint8_t> white(kThumbBytes, 0xFF);
  const SaveOutcome outcome = SaveThumbnail(drawing, OutputFormat::Bmp, "BMP", white.data(), 180, 140);
  EXPECT_EQ(outcome.status, SaveStatus::Written);
  EXPECT_EQ(outcome.path, drawing + ".BMP");
  ExpectThumbnailFile(0, readFile(drawing + ".BMP"));
  EXPECT_EQ(readFile(drawing), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(dialog.SaveEntry(7, OutputFormat::Bmp).status, SaveStatus::NoEntry);
  EXPECT_EQ(dialog.SaveEntry(-1, OutputFormat::Bmp).status, SaveStatus::NoEntry);
}

TEST_F(SavingTest, NamesWithStrayBytesOrOfTheLongestLengthAreSavedByteForByte) {
  Open();
  Put("caf\xE9.dwg", BmpDrawing(40, 30, 0x808080));
  Select(dir.path());
  view.selection = 1;
  dialog.OnSave();
  EXPECT_EQ(view.lastMessage(), "Bitmap preview saved!");
  ExpectThumbnailFile(1, readFile(dir.file("caf\xE9.JPG")));
  // An image name of 255 bytes, the most a folder entry holds: the hidden
  // file it is first written to needs a shorter name.
  const std::string longest = dir.file(std::string(250, 'x') + ".dwg");
  const std::vector<std::uint8_t> white(kThumbBytes, 0xFF);
  const SaveOutcome outcome = SaveThumbnail(longest, OutputFormat::Tiff, "TIFF", white.data(), 180, 140);
  EXPECT_EQ(outcome.status, SaveStatus::Written) << SaveFailureText(outcome);
  ExpectThumbnailFile(4, readFile(dir.file(std::string(250, 'x') + ".TIFF")));
  EXPECT_EQ(Leftovers(dir.path()), std::vector<std::string>{});
}

// A write that fails half-way leaves the image that was there as it was,
// and no temporary file behind.
TEST_F(SavingTest, FailedWriteIsReportedAndKeepsTheOldImage) {
  OpenWith({"plan.dwg"});
  dir.write("plan.BMP", {1, 2, 3});
  // Files may not grow beyond 1000 bytes: the writer's data cannot go out.
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previous);
  rlimit saved {};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &small);
  const SaveOutcome outcome = dialog.SaveEntry(0, OutputFormat::Bmp);
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_EQ(outcome.status, SaveStatus::WriteFailed);
  EXPECT_EQ(outcome.path, dir.file("plan.BMP"));
  EXPECT_EQ(outcome.systemError, EFBIG);
  EXPECT_EQ(SaveFailureText(outcome), "write failed (File too large)");
  EXPECT_EQ(readFile(dir.file("plan.BMP")), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(Leftovers(dir.path()), std::vector<std::string>{});
}

// A link at the image's name is replaced by the new image: whatever it
// points to (another drawing, a file outside the folder, nothing) is never
// written. Save All and the command line share this path.
TEST_F(SavingTest, ALinkAtTheImageNameIsReplacedNeverWrittenThrough) {
  OpenWith({"other.dwg", "plan.dwg"});
  const testsupport::TempDir outside;
  const std::string victim = outside.write("notes.txt", {'k', 'e', 'e', 'p'});
  const std::vector<std::uint8_t> other = readFile(dir.file("other.dwg"));
  struct Case {
    const char* what;
    std::function<void(const std::string& image)> plant;
    std::string target;  // the file that must stay as it was
  };
  const std::vector<Case> cases = {
      {"symbolic link to another drawing",
       [&](const std::string& image) { ASSERT_EQ(symlink(dir.file("other.dwg").c_str(), image.c_str()), 0); },
       dir.file("other.dwg")},
      {"hard link to another drawing",
       [&](const std::string& image) { ASSERT_EQ(link(dir.file("other.dwg").c_str(), image.c_str()), 0); },
       dir.file("other.dwg")},
      {"symbolic link out of the folder",
       [&](const std::string& image) { ASSERT_EQ(symlink(victim.c_str(), image.c_str()), 0); }, victim},
      {"dangling symbolic link",
       [&](const std::string& image) { ASSERT_EQ(symlink(outside.file("none").c_str(), image.c_str()), 0); },
       outside.file("none")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string image = dir.file("plan.PNG");
    unlink(image.c_str());
    c.plant(image);
    const std::vector<std::uint8_t> before = Exists(c.target) ? readFile(c.target) : std::vector<std::uint8_t>{};
    const SaveOutcome outcome = dialog.SaveEntry(1, OutputFormat::Png);
    EXPECT_EQ(outcome.status, SaveStatus::Written) << SaveFailureText(outcome);
    struct stat st {};
    ASSERT_EQ(lstat(image.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_nlink, 1u);
    ExpectThumbnailFile(3, readFile(image));
    EXPECT_EQ(Exists(c.target) ? readFile(c.target) : std::vector<std::uint8_t>{}, before);
    EXPECT_EQ(Leftovers(dir.path()), std::vector<std::string>{});
  }
  EXPECT_EQ(readFile(dir.file("other.dwg")), other);
}

// plan.DWG and plan.dwg both make plan.PNG: the first in name order keeps
// it, the second is reported instead of replacing it. An image that was
// there before the save is replaced as always.
TEST_F(SavingTest, SaveAllNeverReplacesAnImageItJustWrote) {
  Open();
  Put("plan.DWG", BmpDrawing(40, 30, 0x0000FF));
  Put("plan.dwg", BmpDrawing(40, 30, 0xFF0000));
  Put("older.dwg", BmpDrawing(40, 30, 0x00FF00));
  dir.write("older.BMP", {1, 2, 3});
  Select(dir.path());
  view.selection = 0;
  dialog.OnSaveAll();
  EXPECT_EQ(view.lastMessage(), "1 of 3 bitmap previews were not saved:\n\n" + dir.file("plan.BMP") +
                                    ": its image would replace another drawing's image just written");
  const std::vector<std::uint8_t> plan = readFile(dir.file("plan.BMP"));
  ASSERT_GT(plan.size(), 54u + 3 * (180 * 70 + 90));
  // The middle pixel of the bottom-up rows: blue, green, red.
  const std::size_t middle = 54 + (70 * 180 + 90) * 3;
  EXPECT_EQ(plan[middle], 0xFF) << "plan.DWG's blue picture stays";
  EXPECT_EQ(plan[middle + 2], 0x00);
  ExpectThumbnailFile(0, readFile(dir.file("older.BMP")));
  // A later Save All is a save of its own: it replaces what the last one wrote.
  dialog.OnSaveAll();
  EXPECT_EQ(view.messages.size(), 2u);
}

}  // namespace
}  // namespace apptest
