// Fuzz target for the thumbnailer's whole path from file bytes to PNG file:
// each input becomes a drawing (an in-memory file reached by path), whose
// preview is read, decoded, scaled and written as the program does it. The
// box size comes from the input's length, so that every size class is
// reached without spending input bytes on it. A thumbnail must fit its box
// and never be larger than its picture allows; the output file must exist
// exactly when a thumbnail was made, and nothing else may appear beside it.
//   fuzz_thumbnailer_seeds <dir>; fuzz_thumbnailer <dir> -max_total_time=60
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/core/toolkit_session.h"
#include "fuzz/drawing_in_memory.h"
#include "thumbnailer/drawing_thumbnail.h"
#include "thumbnailer/png_replace.h"

namespace {

// Lives as long as the process.
fuzzsupport::DrawingInMemory* gDrawing = nullptr;
std::string gFolder;
std::string gOutput;

constexpr std::uint32_t kBoxes[] = {1, 16, 128, 256, 1024};

// Files in the folder, hidden ones (a temporary left behind) included.
int EntriesIn(const std::string& folder) {
  int count = 0;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") ++count;
    }
    closedir(dir);
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The session lives as long as the process: the toolkit starts once.
  static pictrove::ToolkitSession* toolkit = new pictrove::ToolkitSession();
  if (!toolkit->started()) {
    std::fprintf(stderr, "toolkit start failed: %d\n", toolkit->error());
    std::abort();
  }
  gDrawing = new fuzzsupport::DrawingInMemory();
  char folder[] = "/tmp/fuzz-thumbnailer-XXXXXX";
  if (mkdtemp(folder) == nullptr) std::abort();
  gFolder = folder;
  gOutput = gFolder + "/thumbnail";
  std::atexit([] {
    unlink(gOutput.c_str());
    rmdir(gFolder.c_str());
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  gDrawing->Hold(data, size);
  const std::string& drawing = gDrawing->path();
  const std::uint32_t box = kBoxes[size % std::size(kBoxes)];

  pictrove::ThumbnailPicture thumbnail;
  const pictrove::PictureResult result = pictrove::MakeDrawingThumbnail(drawing, box, thumbnail);
  if ((result == pictrove::PictureResult::Made) == thumbnail.empty()) std::abort();
  if (thumbnail.empty()) return 0;
  if (thumbnail.width() == 0 || thumbnail.height() == 0 || thumbnail.width() > box ||
      thumbnail.height() > box || thumbnail.stride() < thumbnail.width() * 3)
    std::abort();
  // Every byte of the thumbnail is read once more under the sanitizer.
  std::uint32_t sum = 0;
  for (std::uint32_t y = 0; y < thumbnail.height(); ++y)
    for (std::uint32_t x = 0; x < thumbnail.width(); ++x) sum += thumbnail.at(x, y)[0] + thumbnail.at(x, y)[2];
  volatile std::uint32_t sink = sum;
  static_cast<void>(sink);

  unlink(gOutput.c_str());
  const pictrove::PngWriteResult written = pictrove::WritePngReplacing(gOutput, thumbnail);
  const bool exists = access(gOutput.c_str(), F_OK) == 0;
  if ((written == pictrove::PngWriteResult::Written) != exists) std::abort();
  if (EntriesIn(gFolder) != (exists ? 1 : 0)) std::abort();
  return 0;
}
